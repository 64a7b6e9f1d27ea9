#include "Soak.h"

#include "BenchSupport.h"

#include "app/Clock.h"
#include "app/Formats.h"
#include "app/MainForm.h"
#include "app/StatusBar.h"
#include "record/RecordFile.h"
#include "sim/VirtualHidPlatform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr qsizetype kTimedCycles = 20000;  // cycles timed at the start and at the end
constexpr int kMemorySamples = 100;        // resident size taken this often over the run
// Memory per row may grow this much from the first quarter of the run to the
// last before the soak calls it growth: the allocator works in steps.
constexpr double kGrowthTolerance = 1.25;
constexpr double kGrowthSlackBytes = 16;

// Every data row must read back: a day, a time and three values.
qsizetype countMalformedRows(const TMainFrm& frm, qsizetype& markers)
{
    const char separator = char(frm.DisplayFormat.DecimalSeparator.unicode());
    TFieldSplitter fields;
    qsizetype malformed = 0;
    markers = 0;
    for (qsizetype i = 0; i < frm.RecordLines.count(); ++i) {
        const QByteArrayView bytes = frm.RecordLines.lineUtf8(i);
        const std::string_view line(bytes.data(), size_t(bytes.size()));
        if (line.starts_with('>')) {
            ++markers;
            continue;
        }
        bool sound = fields.split(line, ';') == 5 && ParseDayNumber(fields.field(0)) &&
                     ParseTimeOfDay(fields.field(1), frm.DisplayFormat);
        for (int k = 2; sound && k < 5; ++k)
            sound = std::isfinite(ParseNumber(fields.field(k), separator));
        if (!sound) {
            if (malformed < 5)
                std::printf("malformed row %lld: %.*s\n", static_cast<long long>(i), int(line.size()), line.data());
            ++malformed;
        }
    }
    return malformed;
}

// Resident growth in bytes per row between two samples.
double growthPerRow(const std::vector<std::pair<qsizetype, double>>& samples, size_t from, size_t to)
{
    const qsizetype rows = samples[to].first - samples[from].first;
    return rows > 0 ? (samples[to].second - samples[from].second) * 1024 / double(rows) : 0;
}

} // namespace

int RunSoak(qsizetype rows)
{
    QElapsedTimer runTime;
    runTime.start();

    // Virtual time: 2 s per cycle, for the record's clock and the bath's model.
    double seconds = 0;
    const QDateTime start(QDate(2024, 3, 5), QTime(10, 15, 0));
    SetClockForTesting([&] { return start.addMSecs(qint64(seconds * 1000)); });
    VirtualHidPlatform platform;
    platform.setClock([&] { return seconds; });
    platform.addBath(VirtualBathConfig{.serial = QStringLiteral("VB-SOAK"), .replyDelayMs = 0});

    BenchWindow w(platform);
    TMainFrm& frm = *w.frm;
    QElapsedTimer waited;
    waited.start();
    while (!frm.SelectedDevice && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (!frm.SelectedDevice) {
        std::printf("FAILED: the virtual bath was not selected\n");
        return 1;
    }
    // The soak calls the poll handler itself; the timer only has to run.
    frm.DataTimer->setInterval(24 * 3600 * 1000);
    frm.DataTimer->start();
    // A request unanswered for the whole time-out is a request lost: the bath
    // answers at once.
    long timeouts = 0;
    QObject::connect(frm.Timeout, &QTimer::timeout, [&] { ++timeouts; });
    const auto waitForQueue = [&] {
        while (!frm.RequestQueue.empty() && timeouts == 0)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    waitForQueue();

    long replots = 0;
    QObject::connect(frm.Chart, &QCustomPlot::afterReplot, [&] { ++replots; });
    frm.RecordBtn->click();
    std::vector<double> firstUs;
    std::vector<double> lastUs(size_t(kTimedCycles), 0);
    firstUs.reserve(size_t(kTimedCycles));
    std::vector<std::pair<qsizetype, double>> memory;
    memory.reserve(kMemorySamples + 2);
    const qsizetype sampleEvery = std::max<qsizetype>(1, rows / kMemorySamples);

    QElapsedTimer cycleTimer;
    qsizetype cycles = 0;
    const auto recorded = [&] { return qsizetype(frm.Chart->Series(0)->Count()); };
    while (recorded() < rows && timeouts == 0) {
        seconds += 2;
        cycleTimer.start();
        frm.DataTimerTimer();
        waitForQueue();
        const double us = double(cycleTimer.nsecsElapsed()) / 1000;
        if (cycles < kTimedCycles)
            firstUs.push_back(us);
        lastUs[size_t(cycles % kTimedCycles)] = us;
        ++cycles;
        if (cycles % sampleEvery == 0) {
            memory.emplace_back(recorded(), StatusKb("VmRSS"));
            if (memory.size() % 10 == 0) {
                std::printf("  %lld rows, %.0f s, %.0f MB resident\n", static_cast<long long>(recorded()),
                            double(runTime.elapsed()) / 1000, memory.back().second / 1024);
                std::fflush(stdout);
            }
        }
    }
    const double soakSeconds = double(runTime.elapsed()) / 1000;

    qsizetype markers = 0;
    const qsizetype malformed = countMalformedRows(frm, markers);
    const qsizetype tableRows = frm.RecordLines.count() - markers;
    const RedrawFigures redraw = MeasureRedraws(frm);
    const double resident = StatusKb("VmRSS") / 1024;
    const double peak = StatusKb("VmHWM") / 1024;
    const size_t boxes = w.dialogs.shown.size();
    const bool statusClear = frm.StatusBar->panelText(1).isEmpty() && frm.StatusBar->panelText(2).isEmpty();
    bool seriesComplete = true;
    for (int s = 0; s < frm.Chart->SeriesCount(); ++s)
        seriesComplete = seriesComplete && frm.Chart->Series(s)->Count() == tableRows;

    // The month to a file and back through the window's actions, recording
    // stopped first (in this warm process: the fresh-process figures are the
    // benchmark's).
    frm.RecordBtn->click();
    const QString file = w.dir.filePath(QStringLiteral("soak.csv"));
    QElapsedTimer fileTimer;
    w.dialogs.fileAnswers.push_back(file);
    fileTimer.start();
    frm.SaveAction->trigger();
    const double saveSeconds = SecondsSince(fileTimer);
    w.dialogs.fileAnswers.push_back(file);
    fileTimer.start();
    frm.OpenAction->trigger();
    PaintNow(frm);
    const double openSeconds = SecondsSince(fileTimer);
    bool readBack = frm.RecordLines.count() == tableRows + markers;
    for (int s = 0; s < frm.Chart->SeriesCount(); ++s)
        readBack = readBack && frm.Chart->Series(s)->Count() == tableRows;

    // Memory per row over the first and the last quarter of the run (the very
    // start left out: the first rows also warm caches and fonts up).
    double firstGrowth = 0;
    double lastGrowth = 0;
    if (memory.size() >= 8) {
        const size_t n = memory.size();
        firstGrowth = growthPerRow(memory, n / 50 + 1, n / 4);
        lastGrowth = growthPerRow(memory, n - 1 - n / 4, n - 1);
    }
    std::vector<double> tail(lastUs.begin(), lastUs.begin() + std::min<qsizetype>(cycles, kTimedCycles));
    const double firstMedian = Median(firstUs);
    const double lastMedian = Median(tail);

    std::printf("\nsoak: %lld poll cycles, virtual bath answering at once, %.0f s of wall time\n",
                static_cast<long long>(cycles), soakSeconds);
    std::printf("| %-52s | %12s |\n", "figure", "value");
    std::printf("|%s|%s|\n", std::string(54, '-').c_str(), std::string(14, '-').c_str());
    const auto line = [](const char* what, double value, const char* unit) {
        std::printf("| %-52s | %8.*f %-3s |\n", what, value >= 100 ? 0 : 3, value, unit);
    };
    line("rows recorded (table rows)", double(tableRows), "");
    line("soak run time", soakSeconds, "s");
    line("first 20,000 poll cycles (median, with hand-over)", firstMedian, "us");
    line("last 20,000 poll cycles (median)", lastMedian, "us");
    line("poll cycle, last / first", lastMedian / firstMedian, "x");
    line("poll cycle, whole run (mean, redraws included)", soakSeconds * 1e6 / double(std::max<qsizetype>(cycles, 1)),
         "us");
    line("redraw, whole record, 1200 x 600", redraw.whole, "ms");
    line("  the first one after the soak", redraw.wholeFirst, "ms");
    line("redraw, 15-minute window at the end", redraw.window15, "ms");
    line("save through the save action", saveSeconds, "s");
    line("open of the saved month, until painted", openSeconds, "s");
    line("resident (VmRSS) at the end", resident, "MB");
    line("peak resident (VmHWM)", peak, "MB");
    line("resident growth per row, first quarter", firstGrowth, "B");
    line("resident growth per row, last quarter", lastGrowth, "B");
    line("chart redraws per cycle", double(replots) / double(cycles), "");
    line("requests lost (time-outs)", double(timeouts), "");
    line("malformed rows", double(malformed), "");
    line("message boxes shown", double(boxes), "");

    bool failed = false;
    const auto fail = [&failed](const char* why) {
        std::printf("FAILED: %s\n", why);
        failed = true;
    };
    if (timeouts > 0)
        fail("a request was lost (the time-out ran out)");
    if (malformed > 0)
        fail("malformed rows in the table");
    if (markers != 1 || tableRows != rows)
        fail("the table does not hold one start marker and a row per cycle");
    if (!seriesComplete)
        fail("a series does not hold a point per row");
    if (boxes > 0)
        fail("a message box was shown");
    if (!readBack)
        fail("the saved month did not open with every row and point");
    if (!statusClear)
        fail("the status bar reports a bath or device error");
    if (lastGrowth > firstGrowth * kGrowthTolerance + kGrowthSlackBytes)
        fail("memory per row grows over the run");
    SetClockForTesting({});
    return failed ? 1 : 0;
}
