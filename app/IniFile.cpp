#include "app/IniFile.h"

// Interim body: every read gives its default and writes are not kept yet.

TIniFile::TIniFile(QString fileName) : fileName_(std::move(fileName)) {}

QString TIniFile::ReadString(const QString&, const QString&, const QString& def) const
{
    return def;
}

int32_t TIniFile::ReadInteger(const QString&, const QString&, int32_t def) const
{
    return def;
}

bool TIniFile::ReadBool(const QString&, const QString&, bool def) const
{
    return def;
}

void TIniFile::WriteString(const QString&, const QString&, const QString&) {}
void TIniFile::WriteInteger(const QString&, const QString&, int32_t) {}
void TIniFile::WriteBool(const QString&, const QString&, bool) {}
