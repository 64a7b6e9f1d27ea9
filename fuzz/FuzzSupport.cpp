#include "FuzzSupport.h"

#include <QApplication>
#include <QLocale>

void StartFuzzApplication(const char* name)
{
    // Qt keeps argc by reference and may take arguments out of argv, so it gets
    // an argument list of its own instead of libFuzzer's.
    static int argc = 1;
    static char programName[64];
    std::snprintf(programName, sizeof programName, "%s", name);
    static char* argv[] = {programName, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
    QLocale::setDefault(QLocale::c());
}
