// Renders the main window with a recorded day in it to PNG files, for a look
// at the plot, its axes and the table without a bath:
//   plot_snapshot <folder>   (writes plot.png, plot-whole.png, table.png)

#include "app/Clock.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "link/hid/DormantHidPlatform.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cmath>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());

    QDateTime now(QDate(2024, 1, 30), QTime(9, 0));
    SetClockForTesting([&] { return now; });
    QTemporaryDir dir;
    DormantHidPlatform platform;
    QtDialogs dialogs;
    TMainFrmSeams seams{&platform, &dialogs, dir.filePath(QStringLiteral("Quintara.ini")),
                        dir.filePath(QStringLiteral("recording.journal"))};
    TMainFrm frm(seams);
    frm.show();
    frm.RecordBtn->setEnabled(true);
    frm.RecordBtn->click();
    // Three days at one cycle a minute: past the month's end.
    for (int i = 0; i < 3 * 1440; ++i) {
        now = now.addSecs(60);
        const double t = i / 1440.0;
        frm.TakeReading(QString::number(30 + 10 * std::sin(t * 6.283), 'f', 3), 1);
        frm.TakeReading(QString::number(24 + 2 * std::cos(t * 3.1), 'f', 3), 2);
        frm.TakeReading(QString::number(50 + 40 * std::sin(t * 20), 'f', 3), 3);
    }
    frm.TrackBar->setValue(1);
    frm.Chart->replot();
    QApplication::processEvents();
    frm.grab().save(out.filePath(QStringLiteral("plot.png")));
    frm.cbXAuto->click();
    frm.cbYAuto->click();
    frm.Chart->replot();
    QApplication::processEvents();
    frm.grab().save(out.filePath(QStringLiteral("plot-whole.png")));
    frm.Tabs->setCurrentWidget(frm.ValTab);
    QApplication::processEvents();
    frm.grab().save(out.filePath(QStringLiteral("table.png")));
    SetClockForTesting({});
    return 0;
}
