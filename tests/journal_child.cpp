// A test tool, not a test: the program's window recording from a virtual bath
// as fast as the bath answers, until it is killed. tst_journalrecovery starts
// it, kills it with SIGKILL and restores what its journal kept.
//
//     journal_child <folder>
//
// The settings file and the recording journal go into <folder>. On stdout:
// "recording" once recording runs, then after every poll cycle one line
// "<index><TAB><text>" for each table line that is new or changed since the
// cycle before. It gives up by itself after a minute.

#include "app/Clock.h"
#include "app/MainForm.h"
#include "sim/VirtualHidPlatform.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr qint64 kGiveUpMs = 60 * 1000;

// Runs the event loop until done() holds; false when the time is up.
template <class Done>
bool waitFor(Done done, const QElapsedTimer& running)
{
    while (!done()) {
        if (running.hasExpired(kGiveUpMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void print(const QByteArray& text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: journal_child <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    QElapsedTimer running;
    running.start();

    // Two seconds of record time per cycle, however fast the cycles run.
    QDateTime now(QDate(2026, 12, 10), QTime(17, 13, 6));
    SetClockForTesting([&now] { return now; });

    VirtualHidPlatform platform;
    platform.addBath(VirtualBathConfig{.serial = QStringLiteral("VB-KILL"), .replyDelayMs = 0});
    ScriptedDialogs dialogs; // any box is answered No
    TMainFrmSeams seams{&platform, &dialogs, folder.filePath(QStringLiteral("Quintara.ini")),
                        folder.filePath(QStringLiteral("recording.journal"))};
    TMainFrm w(seams);
    w.show();

    if (!waitFor([&] { return w.SelectedDevice && w.RequestQueue.empty(); }, running))
        return 3;
    w.DataTimer->start(3600 * 1000); // the cycles come from here
    w.RecordBtn->click();
    if (!w.Recording)
        return 4;
    print("recording\n");

    qsizetype printedCount = 0;
    QByteArray lastPrinted;
    for (;;) {
        if (!waitFor([&] { return w.RequestQueue.empty(); }, running))
            return 5;
        QByteArray out;
        for (qsizetype i = std::max<qsizetype>(printedCount - 1, 0); i < w.RecordLines.count(); ++i) {
            const QByteArrayView line = w.RecordLines.lineUtf8(i);
            if (i == printedCount - 1 && line == QByteArrayView(lastPrinted))
                continue;
            out += QByteArray::number(i) + '\t' + line.toByteArray() + '\n';
        }
        printedCount = w.RecordLines.count();
        lastPrinted = w.RecordLines.lineUtf8(printedCount - 1).toByteArray();
        print(out);
        now = now.addSecs(2);
        w.DataTimerTimer();
    }
}
