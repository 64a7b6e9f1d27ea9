#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// The path of a file in tests/data.
inline QString TestDataPath(const QString& name)
{
    return QStringLiteral(QUINTARA_TEST_DATA "/") + name;
}

// The lines of a UTF-8 file in tests/data written with CR LF.
inline QStringList TestDataLines(const QString& name)
{
    QFile file(TestDataPath(name));
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot open fixture")};
    QStringList result = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    result.removeLast(); // after the last line end
    return result;
}

// Whether permissions stop this process from writing into a folder the test
// made read-only: they do not stop root, and such cases are skipped with that
// reason.
inline bool PermissionsApply(const QString& readOnlyDir)
{
    QFile probe(readOnlyDir + QStringLiteral("/probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        return false;
    }
    return true;
}
