#pragma once

#include "app/Clock.h"
#include "app/MainForm.h"

#include <QDateTime>
#include <QStringList>

// The wall clock of a test: it stands still until the test moves it.
struct TestClock {
    QDateTime now;
    explicit TestClock(const QDateTime& start) : now(start)
    {
        SetClockForTesting([this] { return now; });
    }
    ~TestClock() { SetClockForTesting({}); }
    TestClock(const TestClock&) = delete;
    TestClock& operator=(const TestClock&) = delete;
    void advance(qint64 seconds) { now = now.addSecs(seconds); }
};

// Switches recording on or off through its button, as a user with a selected
// bath would.
inline void ClickRecord(TMainFrm& frm)
{
    frm.RecordBtn->setEnabled(true);
    frm.RecordBtn->click();
}

// One poll cycle's readings of the three series, stamped with the record clock.
inline void TakeCycle(TMainFrm& frm, double internal, double external, double power)
{
    frm.TakeReading(QString::number(internal, 'g', 12), 1);
    frm.TakeReading(QString::number(external, 'g', 12), 2);
    frm.TakeReading(QString::number(power, 'g', 12), 3);
}

// The table's lines.
inline QStringList TableLines(const TMainFrm& frm)
{
    QStringList lines;
    for (qsizetype i = 0; i < frm.RecordLines.count(); ++i)
        lines << frm.RecordLines.line(i);
    return lines;
}

// Chooses the tracked series through the trace menu (0 = none).
inline void ChooseTracked(TMainFrm& frm, int series)
{
    for (QAction* item : frm.CatchPopup->actions())
        if (item->data().toInt() == series)
            item->trigger();
}
