#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

// The settings file: a Windows-style INI file read and written with the rules of
// the platform's private-profile functions. Section and key names match without
// regard to case; values are text. Every write reaches the file at once, and
// lines the program does not own (other keys, comments, bytes that are not
// valid text) are kept as they are.
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

    // Each write updates the file at once (creating it and its folder when
    // missing); failure raises EAppError "Unable to write to <path>" and leaves
    // the file as it was.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int32_t value);
    void WriteBool(const QString& section, const QString& key, bool value);

private:
    [[noreturn]] void failWrite() const;

    QString fileName_;
    QByteArray content_;
};

// The text rules of the settings file, on the file's bytes.
namespace IniText {

inline constexpr qsizetype kMaxValueLength = 2047;

// The value of key in the first section named section: blanks around it removed,
// one pair of matching quotes (' or ") around it removed, cut to 2047
// characters. None when the section or the key is missing; the first of
// duplicate keys wins.
std::optional<QString> Lookup(const QByteArray& text, const QString& section, const QString& key);

// text with key set to value: the key's line is rewritten in place, a missing
// key is added after the last key of its section, a missing section is added at
// the end. Every other byte stays, and new lines take the file's line end.
QByteArray Assign(const QByteArray& text, const QString& section, const QString& key, const QString& value);

// A settings integer: an optional sign and decimal digits, or "0x", "0X" or "$"
// and hexadecimal digits, within the 32-bit signed range; none otherwise.
std::optional<int32_t> ParseInteger(QStringView text);

} // namespace IniText
