#pragma once

#include <QString>

#include <cstdint>

// The settings file: a Windows-style INI file read and written with the rules of
// the platform's private-profile functions. Section and key names match without
// regard to case; values are text. Every write reaches the file at once, and
// lines the program does not own (other keys, comments) are kept.
class TIniFile {
public:
    // Reads the file now; a missing or unreadable file reads as empty.
    explicit TIniFile(QString fileName);

    const QString& FileName() const { return fileName_; }

    // The text after "=", at most 2047 characters; def when absent.
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // Decimal with an optional sign, or hexadecimal after "0x", "0X" or "$"; a
    // value that is not wholly such a number or does not fit in 32 bits gives def.
    int32_t ReadInteger(const QString& section, const QString& key, int32_t def) const;
    // An integer (default 1 for true, 0 for false); true when it is not 0.
    bool ReadBool(const QString& section, const QString& key, bool def) const;

    // Each write updates the file at once; failure raises EAppError
    // "Unable to write to <path>".
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);

private:
    QString fileName_;
};
