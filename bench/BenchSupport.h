#pragma once

// What the benchmark's measurements share: the window as the user sees it,
// medians, and the process's resident size.

#include "app/MainForm.h"
#include "plot/PlotChart.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

inline constexpr int kRedraws = 30;
inline const QSize kChartSize(1200, 600);

inline double SecondsSince(const QElapsedTimer& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A line of /proc/self/status in kB (VmRSS, VmHWM); -1 when it is not there.
inline double StatusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(key) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble();
    return -1;
}

// The main window on the offscreen platform, sized so that its chart gets
// 1200 x 600, with dialogs a script answers.
struct BenchWindow {
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TMainFrm> frm;

    explicit BenchWindow(HidPlatform& platform)
    {
        TMainFrmSeams seams;
        seams.Platform = &platform;
        seams.Dlg = &dialogs;
        seams.IniFileName = dir.filePath(QStringLiteral("Quintara.ini"));
        // Recording journals its rows as it does for a user, but not into the
        // user's data folder.
        seams.JournalFileName = dir.filePath(QStringLiteral("recording.journal"));
        frm = std::make_unique<TMainFrm>(seams);
        frm->show();
        QApplication::processEvents();
        frm->resize(frm->size() + kChartSize - frm->Chart->size());
        QApplication::processEvents();
    }
};

// What the event loop does before the user sees a change: the pending redraw
// (without waiting for its short delay), then the window painted.
inline void PaintNow(TMainFrm& frm)
{
    QApplication::processEvents();
    if (frm.Chart->replotPending())
        frm.Chart->replot();
    frm.repaint();
}

// Median milliseconds of a chart redraw, the widget painted included. The
// first redraw, which may build caches, is timed on its own.
inline double RedrawMs(TMainFrm& frm, double* firstMs = nullptr)
{
    QElapsedTimer timer;
    timer.start();
    frm.Chart->replot(QCustomPlot::rpImmediateRefresh);
    if (firstMs)
        *firstMs = SecondsSince(timer) * 1000;
    std::vector<double> ms;
    for (int i = 0; i < kRedraws; ++i) {
        timer.start();
        frm.Chart->replot(QCustomPlot::rpImmediateRefresh);
        ms.push_back(SecondsSince(timer) * 1000);
    }
    return Median(ms);
}

// Redraws of the whole record ("Whole record" on) and of the 15-minute window
// at its end, in milliseconds, with the value axis fitted to the data ("Auto"),
// so the lines span the plot's height: the default scale of +-2000 would
// squeeze a month of readings into a band a few pixels high, which draws
// faster than anything a user looks at.
struct RedrawFigures {
    double whole = 0;
    double wholeFirst = 0; // the first one after the data came
    double window15 = 0;
};
inline RedrawFigures MeasureRedraws(TMainFrm& frm)
{
    RedrawFigures figures;
    if (!frm.cbYAuto->isChecked())
        frm.cbYAuto->click();
    TChartAxis& time = frm.Chart->BottomAxis();
    const double last = frm.MaxTime();
    time.SetMinMax(last - 15.0 / 1440, last);
    figures.window15 = RedrawMs(frm);
    frm.cbXAuto->click();
    figures.whole = RedrawMs(frm, &figures.wholeFirst);
    frm.cbXAuto->click();
    return figures;
}
