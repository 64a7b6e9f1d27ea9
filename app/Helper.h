#pragma once

#include <QString>

class QWidget;

// Restores width, height, left, top and the maximized state of a window from the
// section named after it (its objectName). The size is the client area's, the
// position the frame's, both of the normal (not maximized) placement; the stored
// placement is applied before the window is maximized.
void LoadFormPlacement(QWidget& form, const QString& fileName);
// Writes "maximized", and the four placement values only when not maximized, so
// a maximized closing keeps the placement of the last normal one.
void SaveFormPlacement(QWidget& form, const QString& fileName);

// Where the settings file lives: next to the executable when the program runs
// from where it was built or unpacked; in the user's configuration folder when
// it runs installed (its executable in the install prefix's bin folder), where
// it could not write next to itself.
QString DefaultIniFileName();
// The same choice for given folders.
QString IniFileNameFor(const QString& executableDir, const QString& installBinDir, const QString& configDir);
