// The whole path of a month of recording, on a 30-day record (1,296,000 rows of
// T(int), T(ext) and power; 43.7 MB of CSV):
//
//   bench_quintara [file]           every figure, in one table; makes the record
//                                   file first when it is missing
//   bench_quintara --soak [rows]    the virtual bath answering at once, polled
//                                   without waiting while recording, until that
//                                   many rows (default 1,296,000) are recorded;
//                                   exits non-zero on a lost request, a malformed
//                                   row or memory per row that grows
//
// Opening, saving, the parse floor and the plain read each run in a fresh
// process (the program starts itself again with --step), and the table shows
// medians: this VM makes the first touch of memory expensive, and a warm process
// would hide it.

#include "app/Clock.h"
#include "app/Formats.h"
#include "app/MainForm.h"
#include "link/Framing.h"
#include "link/Request.h"
#include "link/hid/DormantHidPlatform.h"
#include "link/hid/HidDevice.h"
#include "link/hid/HidDeviceController.h"
#include "plot/PlotChart.h"
#include "record/RecordFile.h"
#include "sim/VirtualHidPlatform.h"
#include "support/FakeHidPlatform.h"
#include "support/ScriptedDialogs.h"

#include "BenchSupport.h"
#include "Soak.h"
#include "ThirtyDayRecord.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kFreshRuns = 5;   // fresh processes per figure of opening and saving
constexpr int kIntakeRuns = 3;  // fresh processes for the intake figures
constexpr int kCycles = 3000;   // poll cycles timed per intake figure
constexpr int kWarmCycles = 300;

// Figures of one step in one process, by name; printed as "name value" lines.
using Figures = std::map<std::string, double>;

// ---- The floor: the file's bytes, and a bare parse of them ----

std::vector<char> readBytes(const char* path)
{
    std::vector<char> bytes;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return bytes;
    std::fseek(file, 0, SEEK_END);
    bytes.resize(size_t(std::ftell(file)));
    std::fseek(file, 0, SEEK_SET);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    return bytes;
}

// Rows cut at LF, fields at ";", numbers by std::from_chars into six arrays
// (x and y of three series). Gives the number of rows read.
size_t bareParse(const std::vector<char>& bytes)
{
    std::array<std::vector<double>, 6> columns;
    for (auto& column : columns)
        column.reserve(bytes.size() / 32);
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        if (*p != '>') {
            int day = 0, hours = 0, minutes = 0, seconds = 0;
            const char* q = std::from_chars(p, lineEnd, day).ptr + 1;
            q = std::from_chars(q, lineEnd, hours).ptr + 1;
            q = std::from_chars(q, lineEnd, minutes).ptr + 1;
            q = std::from_chars(q, lineEnd, seconds).ptr;
            const double x = day - 1 + (hours * 3600 + minutes * 60 + seconds) / 86400.0;
            for (int k = 0; k < 3 && q < lineEnd && *q == ';'; ++k) {
                q += 2;
                double y = 0;
                q = std::from_chars(q, lineEnd, y).ptr;
                columns[size_t(2 * k)].push_back(x);
                columns[size_t(2 * k + 1)].push_back(y);
            }
        }
        p = lineEnd + 1;
    }
    return columns[0].size();
}

Figures stepRead(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    const std::vector<char> bytes = readBytes(QFile::encodeName(path).constData());
    return {{"read_s", SecondsSince(timer)}, {"bytes", double(bytes.size())}};
}

Figures stepBare(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    const size_t rows = bareParse(readBytes(QFile::encodeName(path).constData()));
    return {{"bare_s", SecondsSince(timer)}, {"bare_rows", double(rows)}};
}

// The file layer alone: read, decode, cut into lines, parse into the series.
Figures stepParse(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    const TRecordFileContent content = ReadRecordFile(path, MakeDisplayFormat(QLocale()));
    return {{"parse_s", SecondsSince(timer)}, {"parse_rows", double(content.series[0].x.size())}};
}

// ---- Opening, redrawing, saving: the window's own actions ----

Figures stepWindow(const QString& path)
{
    DormantHidPlatform platform;
    BenchWindow w(platform);
    TMainFrm& frm = *w.frm;
    const double residentBefore = StatusKb("VmRSS");

    w.dialogs.fileAnswers.push_back(path);
    QElapsedTimer timer;
    timer.start();
    frm.OpenAction->trigger();
    PaintNow(frm);
    const double open = SecondsSince(timer);
    const int rows = frm.Chart->Series(0)->Count();
    const double residentOpen = StatusKb("VmRSS");

    Figures figures{{"open_s", open},
                    {"rows", double(rows)},
                    {"table_lines", double(frm.RecordLines.count())},
                    {"rss_open_mb", residentOpen / 1024},
                    {"bytes_per_row", rows > 0 ? (residentOpen - residentBefore) * 1024 / rows : 0}};

    const RedrawFigures redraw = MeasureRedraws(frm);
    figures["redraw_15min_ms"] = redraw.window15;
    figures["redraw_whole_ms"] = redraw.whole;
    figures["redraw_whole_first_ms"] = redraw.wholeFirst;
    figures["hwm_mb"] = StatusKb("VmHWM") / 1024;
    figures["rss_shown_mb"] = StatusKb("VmRSS") / 1024;

    const QString saved = w.dir.filePath(QStringLiteral("saved.csv"));
    w.dialogs.fileAnswers.push_back(saved);
    timer.start();
    frm.SaveAction->trigger();
    figures["save_s"] = SecondsSince(timer);
    // A record read and written by the program comes back byte for byte.
    figures["save_same"] = readBytes(QFile::encodeName(saved).constData()) ==
                                   readBytes(QFile::encodeName(path).constData())
                               ? 1
                               : 0;
    figures["boxes"] = double(w.dialogs.shown.size() - 2); // the two file dialogs
    return figures;
}

// ---- Intake: one poll cycle through the protocol into the record ----

// The bath's answer to a request, as one direct input report's data.
QByteArray answerTo(int kind, long cycle)
{
    const double phase = double(cycle) * 0.001;
    QByteArray value;
    switch (kind) {
    case kReadInternal:
        value = QByteArray::number(25 + 10 * std::sin(phase), 'f', 2);
        break;
    case kReadExternal:
        value = QByteArray::number(24 + 9 * std::sin(phase - 0.2), 'f', 2);
        break;
    case kReadPower:
        value = QByteArray::number(50 + 40 * std::cos(phase), 'f', 1);
        break;
    case kReadSetpoint:
        value = "25.00";
        break;
    case kReadReadiness:
        value = "1";
        break;
    case kReadAlarm:
        value = "000000";
        break;
    default:
        break;
    }
    QByteArray data = ":00000000 0 " + value + '\r';
    data.append(QByteArray(64 - data.size(), '\0'));
    return data;
}

// A window with one bath, selected, whose answers the benchmark hands to the
// window's data handler as the read thread would, on the GUI thread. The wall
// clock moves on 2 s per cycle, as the default poll period has it.
struct IntakeRig {
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath;
    BenchWindow w;
    TMainFrm& frm;
    QDateTime now = QDateTime(QDate(2024, 3, 5), QTime(10, 15, 0));
    long cycle = 0;

    IntakeRig()
        : bath(fake.add({.id = QStringLiteral("bath-1"), .serial = QStringLiteral("B-0001")})), w(fake),
          frm(*w.frm)
    {
        SetClockForTesting([this] { return now; });
        QElapsedTimer waited;
        waited.start();
        while (!frm.SelectedDevice && waited.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        // The benchmark calls the poll handler itself; the timer only has to run.
        frm.DataTimer->setInterval(24 * 3600 * 1000);
        frm.DataTimer->start();
        answerAll();
    }
    ~IntakeRig() { SetClockForTesting({}); }

    bool ready() const { return frm.SelectedDevice != nullptr; }

    void answerAll()
    {
        while (!frm.RequestQueue.empty()) {
            const QByteArray data = answerTo(frm.RequestQueue.front().kind, cycle);
            frm.HidControllerDeviceData(frm.SelectedDevice, 0, reinterpret_cast<const uint8_t*>(data.constData()),
                                        uint16_t(data.size()));
        }
    }

    void pollCycle()
    {
        now = now.addSecs(2);
        ++cycle;
        frm.DataTimerTimer();
        answerAll();
    }

    // Median and mean microseconds of one cycle. The event loop runs between
    // cycles (the queued redraw among it), outside the timing.
    std::pair<double, double> cycleCost(int cycles)
    {
        std::vector<double> us;
        us.reserve(size_t(cycles));
        QElapsedTimer timer;
        for (int i = 0; i < cycles; ++i) {
            timer.start();
            pollCycle();
            us.push_back(double(timer.nsecsElapsed()) / 1000);
            if (i % 64 == 0) {
                QApplication::processEvents();
                bath.clearWrites();
            }
        }
        double sum = 0;
        for (double v : us)
            sum += v;
        return {Median(us), sum / double(us.size())};
    }
};

Figures stepIntake(const QString& path)
{
    IntakeRig rig;
    if (!rig.ready())
        return {{"intake_failed", 1}};
    TMainFrm& frm = rig.frm;
    frm.RecordBtn->click();
    rig.cycleCost(kWarmCycles);
    const auto [startMedian, startMean] = rig.cycleCost(kCycles);

    // The month: opened from its file, then recording goes on after it.
    frm.RecordBtn->click();
    rig.w.dialogs.yesNoAnswers.push_back(true); // "Unsaved data will be lost"
    rig.w.dialogs.fileAnswers.push_back(path);
    frm.OpenAction->trigger();
    PaintNow(frm);
    const double rowsBefore = frm.Chart->Series(0)->Count();
    frm.RecordBtn->click();
    rig.cycleCost(kWarmCycles);
    const auto [fullMedian, fullMean] = rig.cycleCost(kCycles);
    return {{"intake_start_us", startMedian},
            {"intake_start_mean_us", startMean},
            {"intake_full_us", fullMedian},
            {"intake_full_mean_us", fullMean},
            {"intake_rows_before", rowsBefore},
            {"intake_rows_after", double(frm.Chart->Series(0)->Count())}};
}

// Opening on a system whose decimal separator is the comma: every separator of
// the file is swapped first.
Figures stepOpenComma(const QString& path)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    DormantHidPlatform platform;
    BenchWindow w(platform);
    w.dialogs.fileAnswers.push_back(path);
    QElapsedTimer timer;
    timer.start();
    w.frm->OpenAction->trigger();
    PaintNow(*w.frm);
    return {{"open_comma_s", SecondsSince(timer)}, {"open_comma_rows", double(w.frm->Chart->Series(0)->Count())}};
}

// ---- Input reports from the read thread to the GUI thread ----

// Spins the event loop until done() or the time is up; false on time-out.
template <class Done>
bool spin(Done done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// Round trips through the virtual bath answering at once, the throughput of
// the synchronous hand-over, and how fast a stop wakes a waiting reader.
Figures stepHandover(const QString&)
{
    constexpr int kRoundTrips = 2000;
    constexpr int kBurst = 5000;
    constexpr int kStops = 50;
    VirtualHidPlatform platform;
    platform.addBath(VirtualBathConfig{.serial = QStringLiteral("VB-BENCH"), .replyDelayMs = 0});
    THidDeviceController controller(platform);
    THidDevice* bath = nullptr;
    controller.SetOnArrival([&](THidDevice* device) { controller.CheckOutByProductName(bath, device->ProductName()); });
    if (!spin([&] { return bath != nullptr; }))
        return {{"handover_failed", 1}};

    long lines = 0;
    bath->SetOnData([&](THidDevice*, uint8_t, const uint8_t* data, uint16_t size) {
        lines += std::count(data, data + size, uint8_t('\r'));
    });
    const uint32_t length = bath->Caps().OutputReportByteLength;
    std::vector<uint8_t> report(length);
    Framing::BuildReport(report.data(), length, Cmd::ReadInternal, 0, false);
    uint32_t written = 0;

    std::vector<double> us;
    QElapsedTimer timer;
    for (int i = 0; i < kRoundTrips; ++i) {
        const long before = lines;
        timer.start();
        bath->WriteFile(report.data(), length, written);
        if (!spin([&] { return lines > before; }))
            return {{"handover_failed", 1}};
        us.push_back(double(timer.nsecsElapsed()) / 1000);
    }

    const long burstStart = lines;
    timer.start();
    for (int i = 0; i < kBurst; ++i)
        bath->WriteFile(report.data(), length, written);
    if (!spin([&] { return lines - burstStart >= kBurst; }))
        return {{"handover_failed", 1}};
    const double burstSeconds = SecondsSince(timer);

    std::vector<double> stopMs;
    const THidDataEvent handler = bath->OnData();
    for (int i = 0; i < kStops; ++i) {
        bath->SetOnData(handler);
        spin([] { return false; }, 20); // the reader settles into its wait
        timer.start();
        bath->SetOnData(nullptr);
        stopMs.push_back(SecondsSince(timer) * 1000);
    }
    const double slice = bath->ThreadSleepTime();
    controller.CheckIn(bath);
    return {{"roundtrip_us", Median(us)},
            {"burst_reports_per_s", kBurst / burstSeconds},
            {"stop_ms", Median(stopMs)},
            {"reader_slice_ms", slice}};
}

// ---- Running steps in fresh processes ----

int runStep(const QString& step, const QString& path)
{
    Figures figures;
    if (step == QLatin1String("read"))
        figures = stepRead(path);
    else if (step == QLatin1String("bare"))
        figures = stepBare(path);
    else if (step == QLatin1String("parse"))
        figures = stepParse(path);
    else if (step == QLatin1String("window"))
        figures = stepWindow(path);
    else if (step == QLatin1String("open-comma"))
        figures = stepOpenComma(path);
    else if (step == QLatin1String("handover"))
        figures = stepHandover(path);
    else if (step == QLatin1String("intake"))
        figures = stepIntake(path);
    else
        return 2;
    for (const auto& [name, value] : figures)
        std::printf("%s %.9g\n", name.c_str(), value);
    return 0;
}

// Medians of every figure the steps print, over fresh processes. The steps
// take turns, so a load that comes and goes on the machine falls on each alike
// (the open is compared with the bare parse).
Figures freshMedians(const QStringList& steps, const QString& path, int runs)
{
    std::map<std::string, std::vector<double>> all;
    for (int run = 0; run < runs; ++run) {
        for (const QString& step : steps) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--step"), step, path});
            child.waitForFinished(-1);
            // The offscreen platform's warnings are noise unless the step failed.
            if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
                std::fprintf(stderr, "step %s, run %d failed:\n%s\n", qPrintable(step), run + 1,
                             child.readAllStandardError().constData());
                continue;
            }
            for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
                const QList<QByteArray> parts = line.split(' ');
                if (parts.size() == 2)
                    all[parts[0].toStdString()].push_back(parts[1].toDouble());
            }
        }
    }
    Figures result;
    for (auto& [name, values] : all)
        result[name] = Median(values);
    return result;
}

QString machineLine()
{
    QString cpu = QStringLiteral("?");
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : info.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                cpu = QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
                break;
            }
        }
    }
    double memKb = 0;
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        const QByteArray first = meminfo.readLine();
        memKb = first.mid(first.indexOf(':') + 1).trimmed().split(' ').value(0).toDouble();
    }
    return QStringLiteral("%1 cores (nproc), %2, %3 GiB RAM")
        .arg(QThread::idealThreadCount())
        .arg(cpu)
        .arg(memKb / 1024 / 1024, 0, 'f', 1);
}

void row(const char* what, double value, const char* unit, const char* target = "")
{
    std::printf("| %-52s | %10.*f %-5s | %-16s |\n", what, value >= 100 || value == std::floor(value) ? 0 : 3,
                value, unit, target);
}

int runAll(const QStringList& args)
{
    const QString path = PrepareThirtyDayRecordFile(args, kFreshRuns);
    std::printf("machine: %s\n", qPrintable(machineLine()));
    std::fflush(stdout);

    const Figures fresh = freshMedians({QStringLiteral("read"), QStringLiteral("bare"), QStringLiteral("parse"),
                                        QStringLiteral("window"), QStringLiteral("open-comma")},
                                       path, kFreshRuns);
    const Figures handover = freshMedians({QStringLiteral("handover")}, path, 1);
    const Figures intake = freshMedians({QStringLiteral("intake")}, path, kIntakeRuns);
    const auto at = [](const Figures& figures, const char* name) {
        const auto found = figures.find(name);
        return found == figures.end() ? std::nan("") : found->second;
    };

    const double open = at(fresh, "open_s");
    const double bareSeconds = at(fresh, "bare_s");
    const double intakeRatio = at(intake, "intake_full_us") / at(intake, "intake_start_us");
    std::printf("\n| %-52s | %16s | %-16s |\n", "figure (medians)", "value", "target");
    std::printf("|%s|%s|%s|\n", std::string(54, '-').c_str(), std::string(18, '-').c_str(),
                std::string(18, '-').c_str());
    row("rows in the record", at(fresh, "rows"), "rows");
    row("file size", at(fresh, "bytes") / 1e6, "MB");
    row("read the file's bytes (fread)", at(fresh, "read_s"), "s");
    row("bare std::from_chars parse into six arrays", bareSeconds, "s");
    row("ReadRecordFile alone: read, decode, lines, parse", at(fresh, "parse_s"), "s");
    row("open: read, parse, series, table, window painted", open, "s", "< 1 s");
    row("open / bare parse", open / bareSeconds, "x", "< 3 x");
    row("open on a comma system (separators swapped)", at(fresh, "open_comma_s"), "s", "< 1 s");
    row("save", at(fresh, "save_s"), "s", "< 1 s");
    row("redraw, whole record, 1200 x 600", at(fresh, "redraw_whole_ms"), "ms", "< 16 ms");
    row("  the first one after opening", at(fresh, "redraw_whole_first_ms"), "ms");
    row("redraw, 15-minute window at the end, 1200 x 600", at(fresh, "redraw_15min_ms"), "ms", "< 16 ms");
    row("poll cycle at the start of a record (median)", at(intake, "intake_start_us"), "us");
    row("poll cycle after 1.3 M rows (median)", at(intake, "intake_full_us"), "us");
    row("poll cycle, after 1.3 M rows / at the start", intakeRatio, "x", "<= 1.5 x");
    row("poll cycle at the start of a record (mean)", at(intake, "intake_start_mean_us"), "us");
    row("poll cycle after 1.3 M rows (mean)", at(intake, "intake_full_mean_us"), "us");
    row("input report round trip, virtual bath (median)", at(handover, "roundtrip_us"), "us");
    row("input report hand-over, burst", at(handover, "burst_reports_per_s"), "/s");
    row("stop of a waiting reader (median)", at(handover, "stop_ms"), "ms");
    row("  the reader's wait slice it need not wait out", at(handover, "reader_slice_ms"), "ms");
    row("resident (VmRSS), record open and shown", at(fresh, "rss_shown_mb"), "MB", "< 300 MB");
    row("peak resident (VmHWM), open + redraws", at(fresh, "hwm_mb"), "MB");
    row("resident bytes per row (open, before/after)", at(fresh, "bytes_per_row"), "B");

    bool sound = at(fresh, "save_same") == 1 && at(fresh, "boxes") == 0 && at(fresh, "rows") > 0 &&
                 at(fresh, "rows") == at(fresh, "bare_rows") && at(fresh, "rows") == at(fresh, "parse_rows") &&
                 at(fresh, "rows") == at(fresh, "open_comma_rows");
    if (!sound)
        std::printf("\nFAILED: the record did not open and save back unchanged\n");
    if (at(intake, "intake_rows_before") != at(fresh, "rows") ||
        at(intake, "intake_rows_after") != at(fresh, "rows") + kWarmCycles + kCycles) {
        std::printf("\nFAILED: the intake run did not record after the opened record\n");
        sound = false;
    }
    return sound ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--step"))
        return runStep(args[2], args[3]);
    if (args.size() >= 2 && args[1] == QLatin1String("--soak"))
        return RunSoak(args.size() > 2 ? args[2].toLongLong() : kThirtyDayRows);
    return runAll(args);
}
