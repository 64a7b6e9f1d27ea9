#include "app/Application.h"

#include "app/Dialogs.h"
#include "app/Errors.h"
#include "app/Helper.h"
#include "app/MainForm.h"
#include "link/hid/HidPlatform.h"

#include <QMessageBox>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Quintara"));
    setApplicationDisplayName(QStringLiteral("Quintara"));
    setOrganizationName(QStringLiteral("Orvelle"));
    setApplicationVersion(QStringLiteral(QUINTARA_VERSION));
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        QMessageBox::critical(activeWindow(), applicationDisplayName(),
                              ExceptionMessage(std::current_exception()), QMessageBox::Ok);
    }
    return false;
}

int RunQuintara(int argc, char** argv, const std::function<std::unique_ptr<HidPlatform>()>& makePlatform)
{
    TApplication app(argc, argv);
    try {
        std::unique_ptr<HidPlatform> platform = makePlatform();
        QtDialogs dialogs;
        TMainFrmSeams seams;
        seams.Platform = platform.get();
        seams.Dlg = &dialogs;
        seams.IniFileName = DefaultIniFileName();
        TMainFrm window(seams);
        window.show();
        app.exec();
    } catch (...) {
        QMessageBox::critical(nullptr, app.applicationDisplayName(), ExceptionMessage(std::current_exception()),
                              QMessageBox::Ok);
    }
    return 0;
}
