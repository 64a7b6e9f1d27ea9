// Plot and record figures on a 30-day record (1,296,000 rows, 3 values each):
// a redraw of the whole record and of a 15-minute window, and the cost of one
// sample at the start of a record and after 1.3 million rows.
//
// Build in Release (or RelWithDebInfo) and run: build/bench/bench_plot

#include "app/Clock.h"
#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "link/hid/DormantHidPlatform.h"
#include "record/RecordTime.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

namespace {

constexpr int kRows = 1296000; // 30 days at one row per 2 s
constexpr double kStep = 2.0 / 86400;

using Clock = std::chrono::steady_clock;

struct Figures {
    double median;
    double mean;
    double worst;
};

Figures measure(int runs, const std::function<void()>& body)
{
    std::vector<double> ms;
    ms.reserve(size_t(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        body();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / double(ms.size());
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], mean, ms.back()};
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

struct Window {
    QTemporaryDir dir;
    DormantHidPlatform platform;
    QtDialogs dialogs;
    std::unique_ptr<TMainFrm> frm;
    Window()
    {
        TMainFrmSeams seams;
        seams.Platform = &platform;
        seams.Dlg = &dialogs;
        seams.IniFileName = dir.filePath(QStringLiteral("Quintara.ini"));
        seams.JournalFileName = dir.filePath(QStringLiteral("recording.journal"));
        frm = std::make_unique<TMainFrm>(seams);
        // Shown on the offscreen platform; the window is sized so that the
        // chart gets 1200 x 600.
        frm->show();
        QApplication::processEvents();
        const QSize chart = frm->Chart->size();
        frm->resize(frm->size() + QSize(1200, 600) - chart);
        QApplication::processEvents();
    }
};

// What opening a month's file leaves: three full series and the table.
void loadMonth(TMainFrm& frm, double origin)
{
    QVector<double> x(kRows);
    QVector<double> t1(kRows);
    QVector<double> t2(kRows);
    QVector<double> power(kRows);
    QByteArray buffer;
    buffer.reserve(qsizetype(kRows) * 32);
    std::vector<qsizetype> starts;
    starts.reserve(size_t(kRows));
    char line[96];
    for (int i = 0; i < kRows; ++i) {
        x[i] = origin + (i + 1) * kStep;
        t1[i] = 25 + 5 * std::sin(i * 1e-4) + (i % 13) * 0.01;
        t2[i] = 24 + 3 * std::cos(i * 7e-5);
        power[i] = 50 + 40 * std::sin(i * 3e-4);
        const QByteArray time =
            FormatRecordTime(x[i], origin, kTableTimePattern).toLatin1();
        const int n = std::snprintf(line, sizeof line, "%s; %.2f; %.2f; %.2f", time.constData(), t1[i], t2[i],
                                    power[i]);
        starts.push_back(buffer.size());
        buffer.append(line, n);
    }
    frm.ClearRecordView();
    frm.RecordLines.assign(std::move(buffer), std::move(starts));
    frm.Chart->Series(0)->AssignPoints(x, t1);
    frm.Chart->Series(1)->AssignPoints(x, t2);
    frm.Chart->Series(2)->AssignPoints(x, power);
    frm.RecordOrigin = origin;
    frm.ShowLoadedRecord();
}

Figures sampleCost(TMainFrm& frm, int cycles)
{
    double value = 25;
    return measure(cycles, [&] {
        const TDateTime x = frm.TimeBase + (Now() - frm.RecStart);
        value += 0.001;
        frm.AddSample(x, value, 1);
        frm.AddSample(x, value - 1, 2);
        frm.AddSample(x, 50, 3);
    });
}

void print(const char* what, const Figures& f, const char* unit = "ms", double scale = 1)
{
    std::printf("%-52s median %8.3f %s   mean %8.3f %s   worst %8.3f %s\n", what, f.median * scale, unit,
                f.mean * scale, unit, f.worst * scale, unit);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double origin = StartOfMonth(Now());
    constexpr int kCycles = 3000;

    std::printf("Record: %d rows, 3 series\n", kRows);

    // One sample at the start of a record.
    Figures fresh;
    {
        Window w;
        w.frm->RecordBtn->setEnabled(true);
        w.frm->RecordBtn->click();
        sampleCost(*w.frm, 200); // warm up
        fresh = sampleCost(*w.frm, kCycles);
    }

    Window w;
    const long before = residentKb();
    const auto loadStart = Clock::now();
    loadMonth(*w.frm, origin);
    const double loadMs = std::chrono::duration<double, std::milli>(Clock::now() - loadStart).count();
    std::printf("%-52s %8.0f ms (generating the data included)\n", "loading the month into series and table", loadMs);
    std::printf("%-52s %8.1f MB\n", "resident memory added by the record", (residentKb() - before) / 1024.0);

    TChartAxis& time = w.frm->Chart->BottomAxis();
    const double last = w.frm->MaxTime();
    auto redraw = [&] { w.frm->Chart->replot(QCustomPlot::rpImmediateRefresh); };

    std::printf("chart %d x %d, plot area %d x %d\n", w.frm->Chart->width(), w.frm->Chart->height(),
                w.frm->Chart->axisRect()->width(), w.frm->Chart->axisRect()->height());
    time.SetMinMax(w.frm->MinTime(), last);
    w.frm->Chart->RightAxis().SetMinMax(0, 100);
    redraw();
    print("redraw, whole record (3 x 1.3 M points)", measure(30, redraw));
    time.SetMinMax(last - 15.0 / 1440, last);
    redraw();
    print("redraw, 15-minute window at the end", measure(30, redraw));

    // One sample after 1.3 million rows (recording goes on after the record).
    w.frm->RecordBtn->setEnabled(true);
    w.frm->RecordBtn->click();
    sampleCost(*w.frm, 200);
    const Figures full = sampleCost(*w.frm, kCycles);
    print("one sample (3 readings + row), start of a record", fresh, "us", 1000);
    print("one sample (3 readings + row), after 1.3 M rows", full, "us", 1000);
    std::printf("%-52s %8.2f x (median)\n", "after 1.3 M rows / at the start", full.median / fresh.median);
    return 0;
}
