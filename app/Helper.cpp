#include "app/Helper.h"

#include "app/IniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>

#include <algorithm>

namespace {

const QString kMaximized = QStringLiteral("maximized");
const QString kWidth = QStringLiteral("width");
const QString kHeight = QStringLiteral("height");
const QString kLeft = QStringLiteral("left");
const QString kTop = QStringLiteral("top");
const QString kIniName = QStringLiteral("Quintara.ini");
// Farthest a stored window edge may lie from the origin; also the largest size
// Qt gives a widget.
constexpr int kMaxCoordinate = QWIDGETSIZE_MAX;

// The normal placement: client size, frame position. Saved and restored in the
// same measure, a window reopens exactly where it closed.
struct Placement {
    int width;
    int height;
    int left;
    int top;
};

Placement normalPlacement(const QWidget& form)
{
    QRect client = form.normalGeometry();
    if (!client.isValid())
        client = form.geometry();
    // The frame's offset from the client area; zero before the window is shown.
    const QPoint frameOffset = form.geometry().topLeft() - form.frameGeometry().topLeft();
    return {client.width(), client.height(), client.x() - frameOffset.x(), client.y() - frameOffset.y()};
}

QString canonicalDir(const QString& dir)
{
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    return QDir::cleanPath(canonical.isEmpty() ? dir : canonical);
}

} // namespace

void LoadFormPlacement(QWidget& form, const QString& fileName)
{
    const TIniFile ini(fileName);
    const QString section = form.objectName();
    const Placement current = normalPlacement(form);
    // A damaged file must not make a window of millions of pixels a side (the
    // window system would allocate gigabytes for it): the size stays within
    // all screens together, or the window's size before, whichever is larger.
    // The position stays where Qt's geometry arithmetic cannot overflow.
    QSize largest(current.width, current.height);
    if (const QScreen* screen = form.screen())
        largest = largest.expandedTo(screen->virtualSize());
    const int width = std::clamp(ini.ReadInteger(section, kWidth, current.width), 0, largest.width());
    const int height = std::clamp(ini.ReadInteger(section, kHeight, current.height), 0, largest.height());
    form.resize(width, height);
    const int left = std::clamp(ini.ReadInteger(section, kLeft, current.left), -kMaxCoordinate, kMaxCoordinate);
    const int top = std::clamp(ini.ReadInteger(section, kTop, current.top), -kMaxCoordinate, kMaxCoordinate);
    form.move(left, top);
    if (ini.ReadBool(section, kMaximized, false))
        form.setWindowState(form.windowState() | Qt::WindowMaximized);
}

void SaveFormPlacement(QWidget& form, const QString& fileName)
{
    TIniFile ini(fileName);
    const QString section = form.objectName();
    const bool maximized = form.isMaximized();
    ini.WriteBool(section, kMaximized, maximized);
    if (maximized)
        return;
    const Placement placement = normalPlacement(form);
    ini.WriteInteger(section, kWidth, placement.width);
    ini.WriteInteger(section, kHeight, placement.height);
    ini.WriteInteger(section, kLeft, placement.left);
    ini.WriteInteger(section, kTop, placement.top);
}

QString IniFileNameFor(const QString& executableDir, const QString& installBinDir, const QString& configDir)
{
    if (!installBinDir.isEmpty() && canonicalDir(executableDir) == canonicalDir(installBinDir))
        return QDir(configDir).filePath(kIniName);
    return QDir(executableDir).filePath(kIniName);
}

QString DefaultIniFileName()
{
    return IniFileNameFor(QCoreApplication::applicationDirPath(), QStringLiteral(QUINTARA_INSTALL_BINDIR),
                          QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}
