#include "app/Helper.h"

#include <QCoreApplication>
#include <QDir>
#include <QWidget>

// Interim body: the placement is not kept yet.

void LoadFormPlacement(QWidget&, const QString&) {}
void SaveFormPlacement(QWidget&, const QString&) {}

QString DefaultIniFileName()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Quintara.ini"));
}
