#pragma once

#include <QString>

class QWidget;

// Restores width, height, left, top and the maximized state of a window from the
// section named after it (its objectName).
void LoadFormPlacement(QWidget& form, const QString& fileName);
// Writes "maximized", and the four placement values only when not maximized.
void SaveFormPlacement(QWidget& form, const QString& fileName);

// Where the settings file lives: next to the executable when the program runs
// from where it was built or unpacked; in the user's configuration folder when
// it runs installed.
QString DefaultIniFileName();
