// Opening and saving a 30-day record through the window's actions, as the
// user does: the open action (read, table, series, time window) and its first
// redraw, then the save action.
//
//   bench_open_save [file]   makes the record file if it is missing, then
//                            measures in fresh processes and prints medians.
//
// A fresh process for each run: the first touch of memory is much of the cost
// of opening, and a warm process would hide it.

#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "link/hid/DormantHidPlatform.h"
#include "plot/PlotChart.h"
#include "record/RecordFile.h"

#include "ThirtyDayRecord.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRuns = 5;

// The user's answers: always Yes, and the one file.
class FixedDialogs : public QtDialogs {
public:
    QString file;
    bool askYesNo(QWidget*, const QString&, Icon) override { return true; }
    QString getOpenFileName(QWidget*, const QString&, const QString&) override { return file; }
    QString getSaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return file; }
};

long peakResidentMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

double secondsOf(QElapsedTimer& timer)
{
    const double seconds = timer.nsecsElapsed() / 1e9;
    timer.restart();
    return seconds;
}

// One run in this process. "read": the reader alone, "seconds peakMB"; "open":
// the open action, its first redraw and the save action, "open redraw save
// peakMB".
int measure(const QString& mode, const QString& path)
{
    QTemporaryDir dir;
    DormantHidPlatform platform;
    FixedDialogs dialogs;
    TMainFrmSeams seams{&platform, &dialogs, dir.filePath(QStringLiteral("Quintara.ini")),
                        dir.filePath(QStringLiteral("recording.journal"))};
    TMainFrm frm(seams);
    frm.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    if (mode == QLatin1String("read")) {
        const TRecordFileContent content = frm.ReadRecordFileShowingProgress(path);
        const double read = secondsOf(timer);
        if (content.series[0].x.size() != kThirtyDayRows)
            return 1;
        std::printf("%.4f %ld\n", read, peakResidentMb());
        return 0;
    }

    dialogs.file = path;
    frm.OpenAction->trigger();
    const double open = secondsOf(timer);
    frm.Chart->replot(QCustomPlot::rpImmediateRefresh);
    const double redraw = secondsOf(timer);
    if (frm.Chart->Series(0)->Count() != kThirtyDayRows)
        return 1;

    dialogs.file = dir.filePath(QStringLiteral("saved.csv"));
    frm.SaveAction->trigger();
    const double save = secondsOf(timer);
    if (QFileInfo(dialogs.file).size() != QFileInfo(path).size())
        return 1;
    std::printf("%.4f %.4f %.4f %ld\n", open, redraw, save, peakResidentMb());
    return 0;
}

// Medians over fresh processes of each figure a mode prints.
std::vector<double> medians(const QString& mode, const QString& path)
{
    std::vector<std::vector<double>> runs;
    for (int run = 0; run < kRuns; ++run) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), mode, path});
        child.waitForFinished(-1);
        const QStringList parts = QString::fromLatin1(child.readAllStandardOutput()).simplified().split(u' ');
        if (child.exitCode() != 0 || parts.size() < 2) {
            std::printf("%s run %d failed\n", qPrintable(mode), run + 1);
            continue;
        }
        runs.resize(size_t(parts.size()));
        for (qsizetype i = 0; i < parts.size(); ++i)
            runs[size_t(i)].push_back(parts[i].toDouble());
    }
    std::vector<double> result;
    for (std::vector<double>& values : runs) {
        std::sort(values.begin(), values.end());
        result.push_back(values.empty() ? 0 : values[values.size() / 2]);
    }
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--measure"))
        return measure(args[2], args[3]);

    const QString path = PrepareThirtyDayRecordFile(args, kRuns);

    const std::vector<double> read = medians(QStringLiteral("read"), path);
    const std::vector<double> open = medians(QStringLiteral("open"), path);
    if (read.size() != 2 || open.size() != 4)
        return 1;
    std::printf("%-48s %7.3f s  peak %4.0f MB\n", "reading the file alone", read[0], read[1]);
    std::printf("%-48s %7.3f s\n", "open action: read, table, series, time window", open[0]);
    std::printf("%-48s %7.3f s\n", "  of which not reading", open[0] - read[0]);
    std::printf("%-48s %7.3f s\n", "first redraw after opening", open[1]);
    std::printf("%-48s %7.3f s\n", "save action", open[2]);
    std::printf("%-48s %7.0f MB\n", "peak resident memory (open, redraw, save)", open[3]);
    return 0;
}
