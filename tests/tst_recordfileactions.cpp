// Saving the record and opening record files through the window: the dialogs,
// what the record holds afterwards, the progress bar and the failures.

#include "app/Clock.h"
#include "support/RecordingHelpers.h"
#include "support/TestFiles.h"
#include "support/WindowFixture.h"

#include <QDir>
#include <QProgressBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// A record as the window holds it, in comparable text: the table's lines and,
// per series, "ms:value" for each point (x in whole milliseconds, so that a
// time read back from its text compares equal to the time recorded).
struct RecordState {
    QStringList lines;
    std::array<QStringList, 3> points;
    bool modified = false;
    TDateTime recStart = 0;
    TDateTime timeBase = 0;
    TDateTime recordOrigin = 0;
};

QStringList pointsOf(const TLineSeries& series)
{
    QStringList points;
    for (int i = 0; i < series.Count(); ++i)
        points << QStringLiteral("%1:%2")
                      .arg(std::llround(series.XValue(i) * kMsPerDay))
                      .arg(series.YValue(i), 0, 'g', 17);
    return points;
}

RecordState stateOf(const TMainFrm& frm)
{
    RecordState state;
    state.lines = TableLines(frm);
    for (int s = 0; s < 3; ++s)
        state.points[size_t(s)] = pointsOf(*frm.Chart->Series(s));
    state.modified = frm.Modified;
    state.recStart = frm.RecStart;
    state.timeBase = frm.TimeBase;
    state.recordOrigin = frm.RecordOrigin;
    return state;
}

QString dateText(TDateTime value)
{
    return DateTimeToQt(value).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QStringList shownKinds(const ScriptedDialogs& dialogs)
{
    QStringList kinds;
    for (const ScriptedDialogs::Shown& box : dialogs.shown)
        kinds << box.kind;
    return kinds;
}

QLocale localeWith(const QString& separator)
{
    return QLocale(separator == QLatin1String(",") ? QLocale::German : QLocale::English);
}

// A recording that holds what the intake writes: two recordings of one
// record, the second running past the end of the month the record began in,
// values with two decimals, not a number and infinity.
void recordTwoRecordings(TMainFrm& frm, TestClock& clock)
{
    ClickRecord(frm);
    clock.advance(2);
    TakeCycle(frm, 25.03, 24.87, 12.5);
    clock.advance(2);
    TakeCycle(frm, 25.1, -0.5, 13);
    clock.advance(2);
    TakeCycle(frm, qQNaN(), qInf(), 0);
    ClickRecord(frm);
    clock.advance(3600);
    ClickRecord(frm);
    clock.advance(32 * 86400);
    TakeCycle(frm, 99999.99, -12.5, 100);
    clock.advance(2);
    TakeCycle(frm, 26, 25.25, 49.75);
    ClickRecord(frm);
}

} // namespace

class TestRecordFileActions : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void roundTripThroughTheWindow_data();
    void roundTripThroughTheWindow();
    void saveOffersTheDialogAndWritesTheTable();
    void failedSaveKeepsTheEarlierFileAndModified_data();
    void failedSaveKeepsTheEarlierFileAndModified();

    void openThatEndsEarlyChangesNothing_data();
    void openThatEndsEarlyChangesNothing();
    void openingShowsTheLoadedRecord();
    void previousVersionIsOpenedWithANotice();
    void openingDuringARecordingKeepsRecording();

private:
    QTemporaryDir dir;
};

void TestRecordFileActions::cleanup()
{
    QLocale::setDefault(QLocale::system());
}

void TestRecordFileActions::roundTripThroughTheWindow_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("point") << "." << ".";
    QTest::newRow("comma") << "," << ",";
    QTest::newRow("written with a point, opened with a comma") << "." << ",";
    QTest::newRow("written with a comma, opened with a point") << "," << ".";
}

void TestRecordFileActions::roundTripThroughTheWindow()
{
    QFETCH(QString, written);
    QFETCH(QString, read);
    const QString path = dir.filePath(QStringLiteral("round trip.csv"));
    TestClock clock(QDateTime(QDate(2024, 1, 31), QTime(23, 59, 50)));

    RecordState saved;
    {
        QLocale::setDefault(localeWith(written));
        WindowFixture f;
        TMainFrm& frm = f.window();
        recordTwoRecordings(frm, clock);
        f.dialogs.fileAnswers = {path};
        frm.SaveGraphBtn->click();
        QCOMPARE(shownKinds(f.dialogs), QStringList{"save"});
        QVERIFY(!frm.Modified);
        saved = stateOf(frm);
    }
    QCOMPARE(saved.lines.size(), 7);
    QVERIFY2(saved.lines[5].startsWith(QLatin1String("33;")), qPrintable(saved.lines[5])); // past the month's end

    QLocale::setDefault(localeWith(read));
    clock.advance(200 * 86400); // opened much later
    WindowFixture g;
    TMainFrm& frm = g.window();
    g.dialogs.fileAnswers = {path};
    frm.OpenGraphBtn->click();
    QCOMPARE(shownKinds(g.dialogs), QStringList{"open"}); // an unmodified record asks nothing

    const RecordState opened = stateOf(frm);
    QStringList expectedLines = saved.lines;
    expectedLines.replaceInStrings(written, read); // the table shows the opening system's separator
    QCOMPARE(opened.lines, expectedLines);
    for (size_t s = 0; s < 3; ++s)
        QCOMPARE(opened.points[s], saved.points[s]);
    QCOMPARE(dateText(opened.recordOrigin), dateText(saved.recordOrigin));
    QCOMPARE(dateText(opened.recStart), QStringLiteral("2024-01-31 23:59:50"));
    QCOMPARE(dateText(opened.timeBase), QStringLiteral("2024-01-01 00:00:00"));
    QVERIFY(!opened.modified);
}

void TestRecordFileActions::saveOffersTheDialogAndWritesTheTable()
{
    TestClock clock(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
    WindowFixture f;
    TMainFrm& frm = f.window();
    ClickRecord(frm);
    clock.advance(2);
    TakeCycle(frm, 25.03, 24.87, 12.5);
    const QString path = dir.filePath(QStringLiteral("saved.csv"));

    // Ctrl+S works during a recording; a cancelled dialog writes nothing.
    f.dialogs.fileAnswers = {QString()};
    frm.SaveAction->trigger();
    QVERIFY(frm.Modified);
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(f.dialogs.shown.back().kind, QStringLiteral("save"));
    QCOMPARE(f.dialogs.shown.back().text, QStringLiteral("Save plot file"));
    QCOMPARE(f.dialogs.shown.back().filter, QStringLiteral("Application files (*.csv);;All files (*)"));
    QCOMPARE(f.dialogs.shown.back().suffix, QStringLiteral("csv"));

    f.dialogs.fileAnswers = {path};
    frm.SaveAction->trigger();
    QVERIFY(!frm.Modified);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(">10/03/2024 12:00:00\r\n1;00:00:02; 25.03; 24.87; 12.50\r\n"));
    QVERIFY(f.dialogs.texts("exception").isEmpty());
    QVERIFY(f.dialogs.unexpectedCalls.isEmpty());
}

void TestRecordFileActions::failedSaveKeepsTheEarlierFileAndModified_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("onto a folder") << "folder";
    QTest::newRow("into a read-only folder") << "read-only folder";
}

void TestRecordFileActions::failedSaveKeepsTheEarlierFileAndModified()
{
    QFETCH(QString, kind);
    QTemporaryDir target;
    const QString path = target.filePath(QStringLiteral("record.csv"));
    const QByteArray earlier(">01/01/2024 00:00:00\r\n1;00:00:02; 1.00\r\n");
    const auto writable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(target.path()).mkdir(QStringLiteral("record.csv")));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
        file.close();
        QFile::setPermissions(target.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (!PermissionsApply(target.path())) {
            QFile::setPermissions(target.path(), writable);
            QSKIP("Running as root: permissions do not stop writing");
        }
    }

    TestClock clock(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
    WindowFixture f;
    TMainFrm& frm = f.window();
    ClickRecord(frm);
    TakeCycle(frm, 25, 24, 10);
    ClickRecord(frm);
    f.dialogs.fileAnswers = {path};
    frm.SaveGraphBtn->click();
    QFile::setPermissions(target.path(), writable);

    const QStringList errors = f.dialogs.texts("exception");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains(QDir::toNativeSeparators(path)), qPrintable(errors[0]));
    QVERIFY(frm.Modified);
    if (kind == QLatin1String("folder")) {
        QVERIFY(QFileInfo(path).isDir());
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), earlier);
    }
}

void TestRecordFileActions::openThatEndsEarlyChangesNothing_data()
{
    QTest::addColumn<bool>("yes"); // the answer to "Unsaved data will be lost..."
    QTest::addColumn<QString>("file"); // the open dialog's answer; "" = Cancel
    QTest::addColumn<QStringList>("shown");

    const QStringList asked{"question", "open"};
    QTest::newRow("No to the question") << false << QString() << QStringList{"question"};
    QTest::newRow("cancelled dialog") << true << QString() << asked;
    QTest::newRow("missing file") << true << "missing.csv" << asked + QStringList{"exception"};
    QTest::newRow("a folder") << true << "folder.csv" << asked + QStringList{"exception"};
}

void TestRecordFileActions::openThatEndsEarlyChangesNothing()
{
    QFETCH(bool, yes);
    QFETCH(QString, file);
    QFETCH(QStringList, shown);
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.csv")));
    const QString path = file.isEmpty() ? QString() : dir.filePath(file);

    TestClock clock(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
    WindowFixture f;
    TMainFrm& frm = f.window();
    ClickRecord(frm);
    clock.advance(2);
    TakeCycle(frm, 25, 24, 10);
    ClickRecord(frm);
    clock.advance(3600); // RecStart would move if the record were cleared
    const RecordState before = stateOf(frm);

    f.dialogs.yesNoAnswers = {yes};
    if (yes)
        f.dialogs.fileAnswers = {path};
    frm.OpenGraphBtn->click();

    QCOMPARE(shownKinds(f.dialogs), shown);
    QCOMPARE(f.dialogs.shown[0].text, QStringLiteral("Unsaved data will be lost. Open the file anyway?"));
    QCOMPARE(f.dialogs.shown[0].icon, Dialogs::Icon::Question);
    if (shown.contains(QLatin1String("exception")))
        QVERIFY2(f.dialogs.shown.back().text.contains(QDir::toNativeSeparators(path)),
                 qPrintable(f.dialogs.shown.back().text));
    const RecordState after = stateOf(frm);
    QCOMPARE(after.lines, before.lines);
    for (size_t s = 0; s < 3; ++s)
        QCOMPARE(after.points[s], before.points[s]);
    QVERIFY(after.modified);
    QCOMPARE(after.recStart, before.recStart);
    QCOMPARE(after.timeBase, before.timeBase);
    QCOMPARE(after.recordOrigin, before.recordOrigin);
    QVERIFY(frm.ProgressBar->isHidden());
    QVERIFY(f.dialogs.unexpectedCalls.isEmpty());
}

void TestRecordFileActions::openingShowsTheLoadedRecord()
{
    TestClock clock(QDateTime(QDate(2025, 7, 14), QTime(9, 30)));
    WindowFixture f;
    TMainFrm& frm = f.window();
    frm.show();
    ChooseTracked(frm, 1);
    ClickRecord(frm);
    TakeCycle(frm, 25, 24, 10);
    ClickRecord(frm);
    frm.Memo->verticalScrollBar()->setValue(frm.Memo->verticalScrollBar()->maximum());

    f.dialogs.yesNoAnswers = {true};
    f.dialogs.fileAnswers = {TestDataPath(QStringLiteral("record_two_recordings.csv"))};
    frm.OpenGraphBtn->click();

    QCOMPARE(shownKinds(f.dialogs), (QStringList{"question", "open"}));
    const QStringList fileLines = TestDataLines(QStringLiteral("record_two_recordings.csv"));
    QCOMPARE(TableLines(frm), fileLines);
    QCOMPARE(frm.Memo->firstVisibleLine(), qsizetype(0));
    QCOMPARE(frm.Chart->Series(0)->Count(), 4);
    QCOMPARE(frm.Chart->Series(1)->Count(), 3);
    QCOMPARE(frm.Chart->Series(2)->Count(), 3);
    QCOMPARE(dateText(frm.RecStart), QStringLiteral("2024-03-05 10:15:00"));
    QCOMPARE(dateText(frm.TimeBase), QStringLiteral("2024-03-01 00:00:00"));
    QCOMPARE(frm.RecordOrigin, frm.TimeBase);
    QVERIFY(!frm.Modified);
    QVERIFY(!frm.Recording);

    // Tracking off, the window ends at the last point, days count from the file's month.
    QCOMPARE(frm.CatchSeries, 0);
    QCOMPARE(frm.CatchPnl->text(), QStringLiteral("Nope"));
    const TChartAxis& time = frm.Chart->BottomAxis();
    QCOMPARE(time.Maximum(), frm.MaxTime());
    QCOMPARE(dateText(time.Maximum()), QStringLiteral("2024-03-01 00:00:09"));
    QVERIFY(std::abs(time.Maximum() - time.Minimum() - frm.FrameSpan) < 1e-9);
    QCOMPARE(time.DayOrigin(), frm.RecordOrigin);

    // The bar followed every line and is gone again.
    QVERIFY(frm.ProgressBar->isHidden());
    QCOMPARE(frm.ProgressBar->maximum(), int(fileLines.size() - 1));
    QCOMPARE(frm.ProgressBar->value(), frm.ProgressBar->maximum());
}

void TestRecordFileActions::previousVersionIsOpenedWithANotice()
{
    TestClock clock(QDateTime(QDate(2025, 7, 14), QTime(9, 30, 15)));
    WindowFixture f;
    TMainFrm& frm = f.window();
    f.dialogs.fileAnswers = {TestDataPath(QStringLiteral("record_previous.csv"))};
    frm.OpenGraphBtn->click();

    QCOMPARE(shownKinds(f.dialogs), (QStringList{"open", "information"}));
    QCOMPARE(f.dialogs.shown[1].text, QStringLiteral("The previous version of the file will be loaded"));
    QStringList expected{">14/07/2025 09:30:15"};
    for (const QString& line : TestDataLines(QStringLiteral("record_previous.csv")))
        expected << QStringLiteral("1; ") + line;
    QCOMPARE(TableLines(frm), expected);
    QCOMPARE(dateText(frm.RecStart), QStringLiteral("2025-07-14 09:30:15"));
    QCOMPARE(dateText(frm.TimeBase), QStringLiteral("2025-07-01 00:00:00"));
    const TLineSeries& internal = *frm.Chart->Series(0);
    QCOMPARE(internal.Count(), 3);
    for (int i = 0; i < internal.Count(); ++i)
        QVERIFY(dateText(internal.XValue(i)).startsWith(QLatin1String("2025-07-01 10:00:0")));
    QVERIFY(!frm.Modified);
    QVERIFY(frm.ProgressBar->isHidden());
}

void TestRecordFileActions::openingDuringARecordingKeepsRecording()
{
    TestClock clock(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
    WindowFixture f;
    TMainFrm& frm = f.window();
    frm.show();
    frm.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    ClickRecord(frm);
    TakeCycle(frm, 25, 24, 10);

    // The tool button is disabled; the shortcut still opens.
    QVERIFY(!frm.OpenGraphBtn->isEnabled());
    f.dialogs.yesNoAnswers = {true};
    f.dialogs.fileAnswers = {TestDataPath(QStringLiteral("record_two_recordings.csv"))};
    QTest::keyClick(&frm, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(shownKinds(f.dialogs), (QStringList{"question", "open"}));
    QVERIFY(frm.Recording);
    QCOMPARE(frm.RecordBtn->text(), QStringLiteral("Stop"));
    QVERIFY(!frm.OpenGraphBtn->isEnabled());
    QVERIFY(!frm.Modified);

    // The next points use the file's clock (started 5 March 10:15, days from
    // 1 March), and no marker is written for them.
    clock.advance(2);
    TakeCycle(frm, 26, 25, 11);
    QCOMPARE(TableLines(frm), TestDataLines(QStringLiteral("record_two_recordings.csv"))
                                  + QStringList{"6;01:45:02; 26.00; 25.00; 11.00"});
    QCOMPARE(dateText(frm.Chart->Series(0)->XValue(4)), QStringLiteral("2024-03-06 01:45:02"));
    QVERIFY(frm.Modified);
}

QTEST_MAIN(TestRecordFileActions)
#include "tst_recordfileactions.moc"
