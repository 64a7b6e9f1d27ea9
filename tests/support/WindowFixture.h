#pragma once

#include "app/MainForm.h"
#include "link/hid/DormantHidPlatform.h"
#include "support/ScriptedDialogs.h"

#include <QTemporaryDir>

#include <memory>

// A main window as the program starts it, with scripted dialogs, a settings file
// and the recording journal in a temporary folder, and a HID platform of the test's choice (by default one
// without any device).
struct WindowFixture {
    explicit WindowFixture(HidPlatform* platform = nullptr, const QString& iniText = QString());
    ~WindowFixture();

    // The settings file's path; write it before the window is made to start with it.
    QString iniPath() const;
    // Where the window keeps its recording journal: journalFile, or a file in
    // the temporary folder.
    QString journalPath() const;
    // Makes the window (FormCreate runs) unless it exists.
    TMainFrm& window();
    // Closes the window as the user would (close query, FormClose) and destroys it.
    // Returns whether it closed.
    bool close();

    QTemporaryDir dir;
    DormantHidPlatform dormant;
    HidPlatform* platform;
    ScriptedDialogs dialogs;
    QString journalFile;
    std::unique_ptr<TMainFrm> frm;
};
