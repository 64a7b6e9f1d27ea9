#pragma once

#include <QApplication>

#include <functional>
#include <memory>

class HidPlatform;

// The application object: an exception that escapes an event handler is shown
// in a message box with its message, and the program goes on.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// The program: starts the main window on the given HID platform and runs the
// message loop until the window has closed. Returns the process exit code.
int RunQuintara(int argc, char** argv, const std::function<std::unique_ptr<HidPlatform>()>& makePlatform);
