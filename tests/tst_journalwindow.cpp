// The recording journal through the window: it follows the table while
// recording, goes when the record is safe or the program closes normally, and
// a window made while one is left over offers to restore it.

#include "app/Astr.h"
#include "record/RecordJournal.h"
#include "support/RecordingHelpers.h"
#include "support/TestFiles.h"
#include "support/WindowFixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cmath>

namespace {

QStringList journalLines(const QString& path)
{
    const std::optional<TJournalReplay> replay = TRecordJournal::read(path);
    if (!replay)
        return {QStringLiteral("no journal")};
    QStringList lines;
    for (qsizetype i = 0; i < replay->lineCount(); ++i)
        lines << QString::fromUtf8(replay->line(i));
    return lines;
}

// Per series, "ms:value" for each point: times in whole milliseconds, so a
// time read back from the table's text compares equal to the time recorded.
QStringList pointsOf(const TMainFrm& frm)
{
    QStringList points;
    for (int s = 0; s < 3; ++s) {
        const TLineSeries& series = *frm.Chart->Series(s);
        for (int i = 0; i < series.Count(); ++i)
            points << QStringLiteral("%1/%2:%3")
                          .arg(s)
                          .arg(std::llround(series.XValue(i) * kMsPerDay))
                          .arg(series.YValue(i), 0, 'g', 17);
    }
    return points;
}

// Two recordings of one record with a pause between them.
void recordTwoRecordings(TMainFrm& frm, TestClock& clock)
{
    ClickRecord(frm);
    clock.advance(2);
    TakeCycle(frm, 25.03, 24.87, 12.5);
    clock.advance(2);
    TakeCycle(frm, 25.1, qQNaN(), 13);
    ClickRecord(frm);
    clock.advance(600);
    ClickRecord(frm);
    clock.advance(2);
    frm.TakeReading(QStringLiteral("26"), 1); // a cycle that lost two readings
    clock.advance(2);
    TakeCycle(frm, 26.5, 25.25, 49.75);
}

} // namespace

class TestJournalWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void journalFollowsTheTableWhileRecording();
    void recordingOnAfterOpeningJournalsTheOpenedLines();
    void safeRecordOrNormalClosingDropsTheJournal_data();
    void safeRecordOrNormalClosingDropsTheJournal();
    void leftJournalIsOfferedAtStartUp_data();
    void leftJournalIsOfferedAtStartUp();
    void leftJournalWithoutLinesGoesUnasked();
    void leftJournalWithoutMarkerIsNamedByItsFileTime();
    void unwritableJournalIsReportedOnceAndRecordingGoesOn();
    void journalOfAnotherRunningProgramIsNeitherOfferedNorTouched();
    void numberedTextsPastTheTableStayTheFirst();

private:
    std::unique_ptr<TestClock> clock;
};

void TestJournalWindow::init()
{
    clock = std::make_unique<TestClock>(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
}

void TestJournalWindow::cleanup()
{
    clock.reset();
}

void TestJournalWindow::journalFollowsTheTableWhileRecording()
{
    WindowFixture f;
    TMainFrm& w = f.window();
    QVERIFY(!QFile::exists(f.journalPath()));
    w.TakeReading(QStringLiteral("20"), 1); // not recording: no table, no journal
    QVERIFY(!QFile::exists(f.journalPath()));

    ClickRecord(w);
    QCOMPARE(journalLines(f.journalPath()), QStringList{">10/03/2024 12:00:00"});
    clock->advance(2);
    TakeCycle(w, 25.03, 24.87, 12.5);
    QCOMPARE(journalLines(f.journalPath()), TableLines(w));
    QVERIFY(w.JournalSyncTimer->isActive());
    QTRY_VERIFY(!w.Journal.needsSync()); // synced shortly after the cycle

    // Stopped and started again: the same journal goes on.
    ClickRecord(w);
    QVERIFY(!w.Journal.needsSync());
    w.TakeReading(QStringLiteral("21"), 1);
    clock->advance(60);
    ClickRecord(w);
    clock->advance(2);
    w.TakeReading(QStringLiteral("26"), 1);
    clock->advance(2);
    TakeCycle(w, 26.5, 25.25, 49.75);
    QCOMPARE(TableLines(w).size(), 5);
    QCOMPARE(journalLines(f.journalPath()), TableLines(w));
    QVERIFY(f.dialogs.shown.empty());
    QVERIFY(w.StatusBar->panelText(2).isEmpty());
}

void TestJournalWindow::recordingOnAfterOpeningJournalsTheOpenedLines()
{
    WindowFixture f;
    TMainFrm& w = f.window();
    f.dialogs.fileAnswers = {TestDataPath(QStringLiteral("record_march.csv"))};
    w.OpenAction->trigger();
    const QStringList opened = TableLines(w);
    QVERIFY(opened.size() > 1);
    QVERIFY(!QFile::exists(f.journalPath()));

    ClickRecord(w);
    clock->advance(2);
    TakeCycle(w, 25, 24, 12);
    QCOMPARE(journalLines(f.journalPath()), TableLines(w));
    QCOMPARE(journalLines(f.journalPath()).mid(0, opened.size()), opened);

    // Saved during the recording: the journal goes, and the next reading
    // brings it back with the whole record.
    f.dialogs.fileAnswers = {f.dir.filePath(QStringLiteral("saved.csv"))};
    w.SaveAction->trigger();
    QVERIFY(!QFile::exists(f.journalPath()));
    clock->advance(2);
    TakeCycle(w, 25.5, 24.5, 12.5);
    QCOMPARE(journalLines(f.journalPath()), TableLines(w));
}

void TestJournalWindow::safeRecordOrNormalClosingDropsTheJournal_data()
{
    // After a short recording the user does one thing, with these answers
    // (Yes/No questions, then file dialogs; "file" is a file in the temporary
    // folder, "folder" a folder there, which cannot be written as a file).
    QTest::addColumn<QString>("action");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<bool>("journalLeft");

    QTest::newRow("saved") << "save" << QList<bool>{} << QStringList{"file"} << false;
    QTest::newRow("save cancelled") << "save" << QList<bool>{} << QStringList{""} << true;
    QTest::newRow("save failed") << "save" << QList<bool>{} << QStringList{"folder"} << true;
    QTest::newRow("cleared") << "clear" << QList<bool>{true} << QStringList{} << false;
    QTest::newRow("clear declined") << "clear" << QList<bool>{false} << QStringList{} << true;
    QTest::newRow("replaced by an opened file") << "open" << QList<bool>{true} << QStringList{"march"} << false;
    QTest::newRow("open declined") << "open" << QList<bool>{false} << QStringList{} << true;
    QTest::newRow("closed, not saved") << "close" << QList<bool>{false} << QStringList{} << false;
    QTest::newRow("closed and saved") << "close" << QList<bool>{true} << QStringList{"file"} << false;
    QTest::newRow("closed, save dialog cancelled") << "close" << QList<bool>{true} << QStringList{""} << false;
    QTest::newRow("closing whose save fails stays open") << "close" << QList<bool>{true} << QStringList{"folder"}
                                                         << true;
    QTest::newRow("saved, recording on, closed unmodified")
        << "save+record+close" << QList<bool>{} << QStringList{"file"} << false;
}

void TestJournalWindow::safeRecordOrNormalClosingDropsTheJournal()
{
    QFETCH(QString, action);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, files);
    QFETCH(bool, journalLeft);
    WindowFixture f;
    QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("folder")));
    TMainFrm& w = f.window();
    ClickRecord(w);
    clock->advance(2);
    TakeCycle(w, 25.03, 24.87, 12.5);
    ClickRecord(w);
    QVERIFY(QFile::exists(f.journalPath()));

    f.dialogs.yesNoAnswers.assign(answers.begin(), answers.end());
    for (const QString& file : files) {
        if (file == QLatin1String("march"))
            f.dialogs.fileAnswers.push_back(TestDataPath(QStringLiteral("record_march.csv")));
        else
            f.dialogs.fileAnswers.push_back(file.isEmpty() ? QString() : f.dir.filePath(file));
    }
    if (action == QLatin1String("save"))
        w.SaveAction->trigger();
    else if (action == QLatin1String("clear"))
        w.ClearBtn->click();
    else if (action == QLatin1String("open"))
        w.OpenAction->trigger();
    else if (action == QLatin1String("close"))
        f.close();
    else if (action == QLatin1String("save+record+close")) {
        w.SaveAction->trigger();
        ClickRecord(w);
        QVERIFY(QFile::exists(f.journalPath()));
        QVERIFY(!w.Modified);
        QVERIFY(f.close());
    }

    QCOMPARE(QFile::exists(f.journalPath()), journalLeft);
    QVERIFY(f.dialogs.yesNoAnswers.empty());
    QVERIFY(f.dialogs.fileAnswers.empty());
    if (journalLeft && f.frm)
        QCOMPARE(journalLines(f.journalPath()), TableLines(*f.frm));
}

void TestJournalWindow::leftJournalIsOfferedAtStartUp_data()
{
    QTest::addColumn<bool>("english");
    QTest::addColumn<bool>("restore");
    QTest::addColumn<QString>("question");
    const QString english = QStringLiteral("A recording from 10/03/2024 12:00:00 was not saved. Restore it?");
    QTest::newRow("Yes restores") << true << true << english;
    QTest::newRow("No deletes") << true << false << english;
    QTest::newRow("asked in Russian")
        << false << true << QStringLiteral("Запись от 10/03/2024 12:00:00 не была сохранена. Восстановить её?");
}

void TestJournalWindow::leftJournalIsOfferedAtStartUp()
{
    QFETCH(bool, english);
    QFETCH(bool, restore);
    QFETCH(QString, question);
    const QString settings = english ? QString() : QStringLiteral("[App]\r\nEn=0\r\n");

    // A run that ends without closing, as a crash does, leaves its journal.
    QStringList lines;
    QStringList points;
    QByteArray journal;
    {
        WindowFixture crashed(nullptr, settings);
        TMainFrm& w = crashed.window();
        recordTwoRecordings(w, *clock);
        lines = TableLines(w);
        points = pointsOf(w);
        crashed.frm.reset();
        QFile file(crashed.journalPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        journal = file.readAll();
    }
    QCOMPARE(lines.size(), 6);

    WindowFixture f(nullptr, settings);
    QFile file(f.journalPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(journal), journal.size());
    file.close();
    f.dialogs.yesNoAnswers = {restore};
    clock->advance(3600);
    TMainFrm& w = f.window();
    QVERIFY(f.dialogs.shown.empty()); // asked once the event loop runs
    QTRY_COMPARE(f.dialogs.texts("question"), QStringList{question});
    QCOMPARE(f.dialogs.shown.back().icon, Dialogs::Icon::Question);
    QVERIFY(f.dialogs.unexpectedCalls.isEmpty());

    if (!restore) {
        QVERIFY(!QFile::exists(f.journalPath()));
        QVERIFY(TableLines(w).isEmpty());
        QVERIFY(!w.Modified);
        return;
    }
    QCOMPARE(TableLines(w), lines);
    // The points are those the table's rows give, which are the recorded
    // ones with their times to the second.
    QCOMPARE(w.Chart->Series(0)->Count(), 4);
    QCOMPARE(w.Chart->Series(1)->Count(), 3);
    QCOMPARE(w.Chart->Series(2)->Count(), 3);
    QCOMPARE(pointsOf(w), points);
    // The record clock as opening a saved file sets it: from the first marker.
    QCOMPARE(w.RecStart, DateTimeFromQt(QDateTime(QDate(2024, 3, 10), QTime(12, 0))));
    QVERIFY(w.Modified);
    QVERIFY(w.ProgressBar->isHidden());
    // Still journaled: a second crash before saving loses nothing either.
    QCOMPARE(journalLines(f.journalPath()), lines);

    // Recording on continues the restored record and its journal.
    ClickRecord(w);
    clock->advance(2);
    TakeCycle(w, 27, 26, 50);
    QCOMPARE(journalLines(f.journalPath()), TableLines(w));
    QCOMPARE(TableLines(w).mid(0, 6), lines);

    // Closing asks to save as for any modified record.
    f.dialogs.yesNoAnswers = {false};
    QVERIFY(f.close());
    QVERIFY(!QFile::exists(f.journalPath()));
}

void TestJournalWindow::leftJournalWithoutLinesGoesUnasked()
{
    WindowFixture f;
    {
        TRecordJournal journal(f.journalPath());
        QVERIFY(journal.begin(TRecordLines()));
    }
    QVERIFY(QFile::exists(f.journalPath()));
    f.window();
    QTRY_VERIFY(!QFile::exists(f.journalPath()));
    QVERIFY(f.dialogs.shown.empty());
}

void TestJournalWindow::leftJournalWithoutMarkerIsNamedByItsFileTime()
{
    WindowFixture f;
    {
        TRecordLines lines;
        lines.append(QByteArrayView("1;00:00:02; 25.03; 24.87; 12.50"));
        TRecordJournal journal(f.journalPath());
        QVERIFY(journal.begin(lines));
    }
    QFile file(f.journalPath());
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime(QDate(2024, 3, 9), QTime(8, 30, 15)), QFileDevice::FileModificationTime));
    file.close();
    f.dialogs.yesNoAnswers = {false};
    f.window();
    QTRY_COMPARE(f.dialogs.texts("question"),
                 QStringList{"A recording from 09/03/2024 08:30:15 was not saved. Restore it?"});
    QVERIFY(!QFile::exists(f.journalPath()));
}

void TestJournalWindow::unwritableJournalIsReportedOnceAndRecordingGoesOn()
{
    WindowFixture f;
    QFile plain(f.dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    f.journalFile = f.dir.filePath(QStringLiteral("plain/recording.journal"));
    TMainFrm& w = f.window();

    ClickRecord(w);
    const QString report = w.StatusBar->panelText(2);
    QVERIFY2(report.startsWith(QLatin1String("Recording journal cannot be written: the folder ")), qPrintable(report));
    w.StatusBar->setPanelText(2, QString());
    clock->advance(2);
    TakeCycle(w, 25.03, 24.87, 12.5);
    ClickRecord(w);
    ClickRecord(w); // a new recording tries again, and is not told again
    clock->advance(2);
    TakeCycle(w, 25.1, 24.9, 13);
    QVERIFY(w.StatusBar->panelText(2).isEmpty());
    QCOMPARE(TableLines(w).size(), 4);
    QVERIFY(w.Modified);
    QVERIFY(f.dialogs.shown.empty());
}

void TestJournalWindow::journalOfAnotherRunningProgramIsNeitherOfferedNorTouched()
{
    WindowFixture f;
    TRecordLines theirs;
    theirs.append(QByteArrayView(">09/03/2024 08:00:00"));
    TRecordJournal other(f.journalPath());
    QVERIFY(other.begin(theirs));

    TMainFrm& w = f.window();
    QTest::qWait(50);
    QVERIFY(f.dialogs.shown.empty());
    ClickRecord(w);
    QVERIFY2(w.StatusBar->panelText(2).contains(QLatin1String("another running Quintara")),
             qPrintable(w.StatusBar->panelText(2)));
    f.dialogs.yesNoAnswers = {false};
    w.Modified = true;
    QVERIFY(f.close());
    QCOMPARE(journalLines(f.journalPath()), QStringList{">09/03/2024 08:00:00"});
}

void TestJournalWindow::numberedTextsPastTheTableStayTheFirst()
{
    // The journal's texts live outside the numbered table.
    WindowFixture f(nullptr, QStringLiteral("[App]\r\nEn=0\r\n"));
    f.window();
    QCOMPARE(IdsText(34), IdsText(0));
    QCOMPARE(IdsText(34), QStringLiteral("Термостат: "));
}

QTEST_MAIN(TestJournalWindow)
#include "tst_journalwindow.moc"
