// Recording journal figures: what it adds to one sample (at the start of a
// record and after a 30-day record), the sync once per poll cycle, the bulk
// write of a 30-day record (recording on after opening or saving it), reading
// such a journal back, and restoring it through the window.
//
// Build in Release (or RelWithDebInfo) and run: build/bench/bench_journal
// The journal files go to a temporary folder under /tmp (the disk, not RAM).

#include "app/Dialogs.h"
#include "app/MainForm.h"
#include "link/hid/DormantHidPlatform.h"
#include "record/RecordJournal.h"

#include "ThirtyDayRecord.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
    double median;
    double worst;
};

Figures measure(int runs, const std::function<void()>& body)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        body();
        ms.push_back(msSince(start));
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

void print(const char* what, const Figures& f, const char* unit = "us", double scale = 1000)
{
    std::printf("%-58s median %9.3f %s   worst %9.3f %s\n", what, f.median * scale, unit, f.worst * scale, unit);
}

// One poll cycle's changes to the table: a row, then two appended values.
Figures cycleCost(TRecordLines& lines, TRecordJournal& journal, int cycles, bool sync)
{
    int n = 0;
    return measure(cycles, [&] {
        ++n;
        lines.append(QByteArrayView(QByteArray("31;00:00:02; 25.") + QByteArray::number(n % 100)));
        journal.lineAdded(lines);
        lines.appendToLast(QByteArrayView("; 24.87"));
        journal.lastLineExtended(lines, "; 24.87");
        lines.appendToLast(QByteArrayView("; 12.50"));
        journal.lastLineExtended(lines, "; 12.50");
        if (sync)
            journal.sync();
    });
}

class YesDialogs : public QtDialogs {
public:
    bool askYesNo(QWidget*, const QString&, Icon) override { return true; }
    void showInformation(QWidget*, const QString&) override {}
};

// One sample through the window (three readings and a row), as bench_plot
// measures it.
Figures windowSampleCost(TMainFrm& frm, int cycles)
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

Figures windowSample(const QString& journalPath)
{
    QTemporaryDir dir;
    DormantHidPlatform platform;
    YesDialogs dialogs;
    TMainFrmSeams seams{&platform, &dialogs, dir.filePath(QStringLiteral("Quintara.ini")), journalPath};
    TMainFrm frm(seams);
    frm.RecordBtn->setEnabled(true);
    frm.RecordBtn->click();
    windowSampleCost(frm, 200);
    return windowSampleCost(frm, 3000);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir(QStringLiteral("/var/tmp/bench_journal-XXXXXX"));
    constexpr int kCycles = 5000;

    // The journal alone: one cycle appended, with and without the sync.
    {
        TRecordLines lines;
        TRecordJournal journal(dir.filePath(QStringLiteral("fresh.journal")));
        lines.append(QByteArrayView(">05/03/2024 10:15:00"));
        journal.lineAdded(lines);
        cycleCost(lines, journal, 200, false);
        print("journal, one cycle (row + 2 values), start of a record", cycleCost(lines, journal, kCycles, false));
        print("journal, one cycle and its sync", cycleCost(lines, journal, 500, true), "ms", 1);
    }

    TRecordLines month = MakeThirtyDayRecord();
    std::printf("\n30-day record: %lld lines, %.1f MB held in memory\n", qlonglong(month.count()),
                month.memoryBytes() / 1e6);
    const QString monthPath = dir.filePath(QStringLiteral("month.journal"));
    {
        TRecordJournal journal(monthPath);
        const auto start = Clock::now();
        journal.begin(month);
        std::printf("%-58s %9.0f ms, file %.1f MB\n", "begin with the 30-day record (bulk write + sync)",
                    msSince(start), QFileInfo(monthPath).size() / 1e6);
        cycleCost(month, journal, 200, false);
        print("journal, one cycle, after 1.3 M rows", cycleCost(month, journal, kCycles, false));
    }
    {
        const auto start = Clock::now();
        const std::optional<TJournalReplay> replay = TRecordJournal::read(monthPath);
        std::printf("%-58s %9.0f ms, %lld lines\n", "read the 30-day journal back", msSince(start),
                    qlonglong(replay ? replay->lineCount() : -1));
    }

    // Restoring it at start-up: read, parse as a record file, table and
    // series, then journaled anew.
    {
        QTemporaryDir windowDir;
        DormantHidPlatform platform;
        YesDialogs dialogs;
        TMainFrmSeams seams{&platform, &dialogs, windowDir.filePath(QStringLiteral("Quintara.ini")), monthPath};
        TMainFrm frm(seams);
        const auto start = Clock::now();
        frm.OfferJournalRestore();
        std::printf("%-58s %9.0f ms, %lld lines\n", "restore the 30-day journal through the window",
                    msSince(start), qlonglong(frm.RecordLines.count()));
    }

    // What the journal adds to the window's intake.
    std::printf("\n");
    QFile(dir.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly);
    const Figures without = windowSample(dir.filePath(QStringLiteral("plain/recording.journal")));
    const Figures with = windowSample(dir.filePath(QStringLiteral("window.journal")));
    print("window, one sample, journal unwritable (none kept)", without);
    print("window, one sample, journaled", with);
    return 0;
}
