// Recording on and off, the intake of readings, the table and its view.

#include "record/RecordLines.h"
#include "record/RecordTime.h"
#include "record/RecordView.h"
#include "support/RecordingHelpers.h"
#include "support/WindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTest>

class TestRecording : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void recordTimePatterns_data();
    void recordTimePatterns();
    void intake_data();
    void intake();
    void recordPastTheMonthsEndCountsDays();
    void recordButtonSwitchesLookAndToolButtons();
    void clearAsksAndEmptiesOnYesOnly();

    void linesStoreAppendsAndJoins();
    void viewFollowsTheEndOnlyWhenThere();
    void viewSelectsWithMouseShiftAndCtrlA();
    void ctrlCOnTablePageCopiesSelectedLines();

private:
    std::unique_ptr<WindowFixture> fixture;
    std::unique_ptr<TestClock> clock;
};

void TestRecording::init()
{
    clock = std::make_unique<TestClock>(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
    fixture = std::make_unique<WindowFixture>();
}

void TestRecording::cleanup()
{
    fixture.reset();
    clock.reset();
}

void TestRecording::recordTimePatterns_data()
{
    QTest::addColumn<double>("offset"); // days after the origin
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::newRow("table row") << 2 / 86400.0 << "d;hh:nn:ss" << "1;00:00:02";
    QTest::newRow("readout") << 1 + (13 * 3600 + 5 * 60 + 7) / 86400.0 << "d h:nn:ss" << "2 13:05:07";
    QTest::newRow("past the month's end") << 31 + 0.5 << "d;hh:nn:ss" << "32;12:00:00";
    QTest::newRow("a hundred days") << 99.25 << " d h:nn:ss" << " 100 6:00:00";
    QTest::newRow("a hair before midnight is midnight") << 1 - 1e-10 << "d;hh:nn:ss" << "2;00:00:00";
    QTest::newRow("before the origin") << -1 / 86400.0 << "h:nn:ss" << "23:59:59";
}

void TestRecording::recordTimePatterns()
{
    QFETCH(double, offset);
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    const double origin = 45352.0; // 1 March 2024
    QCOMPARE(FormatRecordTime(origin + offset, origin, pattern), text);
}

void TestRecording::intake_data()
{
    // Steps: "rec" switches recording, "clear" clears (answering Yes), "empty"
    // empties the view as opening a file does first, "+N" moves the clock N
    // seconds, "n:text" is a reading of series n.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("table");
    QTest::addColumn<QList<int>>("points"); // per series
    QTest::addColumn<bool>("modified");
    const QString marker = QStringLiteral(">10/03/2024 12:00:00");

    QTest::newRow("series 1 starts a row, 2 and 3 append")
        << QStringList{"rec", "+2", "1:25.03", "2:24.87", "3:12.5"}
        << QStringList{marker, "1;00:00:02; 25.03; 24.87; 12.50"} << QList<int>{1, 1, 1} << true;
    QTest::newRow("right after Record they append to the marker")
        << QStringList{"rec", "2:24", "3:10"} << QStringList{marker + "; 24.00; 10.00"} << QList<int>{0, 1, 1}
        << true;
    QTest::newRow("not recording: no point, no row") << QStringList{"1:25", "2:24"} << QStringList{}
                                                     << QList<int>{0, 0, 0} << false;
    QTest::newRow("a missing reading shortens the row")
        << QStringList{"rec", "1:25", "3:10"} << QStringList{marker, "1;00:00:00; 25.00; 10.00"}
        << QList<int>{1, 0, 1} << true;
    QTest::newRow("Stop then Record continues the time base")
        << QStringList{"rec", "+5", "1:25", "rec", "+3600", "rec", "+2", "1:26"}
        << QStringList{marker, "1;00:00:05; 25.00", ">10/03/2024 13:00:05", "1;00:00:07; 26.00"}
        << QList<int>{2, 0, 0} << true;
    // Without a marker the saved rows would read back as the previous version
    // and be lost; the emptied record gets one at the restarted clock.
    QTest::newRow("Clear while recording starts the table with a marker, so the rows read back")
        << QStringList{"rec", "1:25", "+7", "clear", "2:24", "3:10", "+1", "1:26"}
        << QStringList{">10/03/2024 12:00:07; 24.00; 10.00", "1;00:00:01; 26.00"} << QList<int>{1, 1, 1} << true;
    QTest::newRow("empty table: 2 and 3 add points only")
        << QStringList{"rec", "1:25", "empty", "2:24", "3:10", "+1", "1:26"}
        << QStringList{"1;00:00:01; 26.00"} << QList<int>{1, 1, 1} << true;
    QTest::newRow("Clear while recording, then nothing yet")
        << QStringList{"rec", "1:25", "clear"} << QStringList{marker} << QList<int>{0, 0, 0} << false;
    QTest::newRow("Clear while stopped empties the table")
        << QStringList{"rec", "1:25", "rec", "clear"} << QStringList{} << QList<int>{0, 0, 0} << false;
    QTest::newRow("not a number and infinity") << QStringList{"rec", "1:nan", "2:inf"}
                                               << QStringList{marker, "1;00:00:00; NAN; INF"}
                                               << QList<int>{1, 1, 0} << true;
}

void TestRecording::intake()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, table);
    QFETCH(QList<int>, points);
    QFETCH(bool, modified);
    TMainFrm& frm = fixture->window();
    for (const QString& step : steps) {
        if (step == QLatin1String("rec")) {
            ClickRecord(frm);
        } else if (step == QLatin1String("clear")) {
            fixture->dialogs.yesNoAnswers.push_back(true);
            frm.ClearBtn->click();
        } else if (step == QLatin1String("empty")) {
            frm.ClearRecordView();
        } else if (step.startsWith(QLatin1Char('+'))) {
            clock->advance(step.mid(1).toInt());
        } else {
            frm.TakeReading(step.mid(2), step.left(1).toInt());
        }
    }
    QCOMPARE(TableLines(frm), table);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(frm.Chart->Series(i)->Count(), points[i]);
    QCOMPARE(frm.Modified, modified);
    QVERIFY(fixture->dialogs.unexpectedCalls.isEmpty());
}

void TestRecording::recordPastTheMonthsEndCountsDays()
{
    clock->now = QDateTime(QDate(2024, 1, 31), QTime(23, 0));
    TMainFrm& frm = fixture->window();
    frm.show();
    ClickRecord(frm);
    frm.TakeReading(QStringLiteral("25"), 1);
    clock->advance(31 * 86400 + 5); // into March; the record is 31 days old
    frm.TakeReading(QStringLiteral("26"), 1);
    // Stop and Record again a day later: the count goes on.
    ClickRecord(frm);
    clock->advance(86400);
    ClickRecord(frm);
    frm.TakeReading(QStringLiteral("27"), 1);

    const QStringList lines = TableLines(frm);
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[1], QStringLiteral("1;00:00:00; 25.00"));
    QCOMPARE(lines[2], QStringLiteral("32;00:00:05; 26.00"));
    QCOMPARE(lines[3], QStringLiteral(">03/03/2024 23:00:05"));
    QCOMPARE(lines[4], QStringLiteral("32;00:00:05; 27.00"));

    // The time axis counts the same days.
    QCOMPARE(frm.Chart->BottomAxis().DateTimeFormat(), QStringLiteral(" d h:nn:ss"));
    frm.Chart->BottomAxis().SetMinMax(frm.RecordOrigin + 31.9, frm.RecordOrigin + 32.1);
    frm.Chart->replot(QCustomPlot::rpImmediateRefresh);
    const QVector<QString> labels = frm.Chart->xAxis->tickVectorLabels();
    QVERIFY(!labels.isEmpty());
    for (const QString& label : labels)
        QVERIFY2(label.startsWith(QLatin1String(" 32 ")) || label.startsWith(QLatin1String(" 33 ")),
                 qPrintable(label));

    // And so does the readout.
    frm.SeriesClick(frm.Chart->Series(0), 1, Qt::LeftButton);
    QCOMPARE(frm.StatusBar->panelText(2), QStringLiteral("X = 32 0:00:05, Y = 26"));
}

void TestRecording::recordButtonSwitchesLookAndToolButtons()
{
    TMainFrm& frm = fixture->window();
    const QImage recordPicture = QIcon(QStringLiteral(":/icons/record.svg")).pixmap(24).toImage();
    const QImage stopPicture = QIcon(QStringLiteral(":/icons/stop.svg")).pixmap(24).toImage();
    ClickRecord(frm);
    QVERIFY(frm.Recording);
    QCOMPARE(frm.RecordBtn->text(), QStringLiteral("Stop"));
    QCOMPARE(frm.RecordBtn->icon().pixmap(24).toImage(), stopPicture);
    QVERIFY(!frm.OpenGraphBtn->isEnabled());
    QVERIFY(!frm.SaveGraphBtn->isEnabled());
    QVERIFY(frm.OpenAction->isEnabled()); // Ctrl+O and Ctrl+S still work
    QVERIFY(frm.SaveAction->isEnabled());
    QVERIFY(!frm.Modified);

    ClickRecord(frm);
    QVERIFY(!frm.Recording);
    QCOMPARE(frm.RecordBtn->text(), QStringLiteral("Record"));
    QCOMPARE(frm.RecordBtn->icon().pixmap(24).toImage(), recordPicture);
    QVERIFY(frm.OpenGraphBtn->isEnabled());
    QVERIFY(frm.SaveGraphBtn->isEnabled());
    QCOMPARE(frm.RecordLines.count(), 1); // Stop writes nothing
}

void TestRecording::clearAsksAndEmptiesOnYesOnly()
{
    TMainFrm& frm = fixture->window();
    ClickRecord(frm);
    TakeCycle(frm, 25, 24, 10);
    fixture->dialogs.yesNoAnswers = {false};
    frm.ClearBtn->click();
    QCOMPARE(fixture->dialogs.shown.back().text, QStringLiteral("All measured data will be deleted. Proceed?"));
    QCOMPARE(fixture->dialogs.shown.back().icon, Dialogs::Icon::Warning);
    QCOMPARE(frm.RecordLines.count(), 2);
    QVERIFY(frm.Modified);

    fixture->dialogs.yesNoAnswers = {true};
    frm.ClearBtn->click();
    QCOMPARE(TableLines(frm), QStringList{">10/03/2024 12:00:00"}); // the recording's new start
    for (int i = 0; i < 3; ++i)
        QCOMPARE(frm.Chart->Series(i)->Count(), 0);
    QVERIFY(!frm.Modified);
    QVERIFY(frm.Recording); // goes on into the emptied record
}

void TestRecording::linesStoreAppendsAndJoins()
{
    TRecordLines lines;
    lines.appendToLast(QStringLiteral("lost")); // no line yet: nothing
    QCOMPARE(lines.count(), 0);
    lines.append(QStringLiteral(">marker"));
    lines.append(QStringLiteral("1;00:00:02; 25.00"));
    lines.appendToLast(QStringLiteral("; 24.00"));
    lines.append(QStringLiteral("Ωmega"));
    QCOMPARE(lines.count(), 3);
    QCOMPARE(lines.line(1), QStringLiteral("1;00:00:02; 25.00; 24.00"));
    QCOMPARE(lines.line(2), QStringLiteral("Ωmega"));
    QCOMPARE(lines.longestLine(), qsizetype(24));
    QCOMPARE(lines.joined("\n", 1, 2), QByteArray("1;00:00:02; 25.00; 24.00\n\xce\xa9mega\n"));
    QCOMPARE(lines.joined("\r\n").count("\r\n"), 3);
    lines.clear();
    QVERIFY(lines.isEmpty());
}

void TestRecording::viewFollowsTheEndOnlyWhenThere()
{
    TMainFrm& frm = fixture->window();
    frm.resize(970, 629);
    frm.show();
    frm.Tabs->setCurrentWidget(frm.ValTab);
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    QScrollBar* bar = frm.Memo->verticalScrollBar();
    ClickRecord(frm);
    for (int i = 0; i < 200; ++i) {
        clock->advance(2);
        TakeCycle(frm, 25 + i * 0.01, 24, 10);
    }
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum()); // the newest row is in sight
    QCOMPARE(frm.Memo->firstVisibleLine() + frm.Memo->visibleLineCount(), frm.RecordLines.count());

    bar->setValue(10); // the user looks back
    TakeCycle(frm, 30, 24, 10);
    QCOMPARE(bar->value(), 10);
    QCOMPARE(bar->maximum(), int(frm.RecordLines.count() - frm.Memo->visibleLineCount()));
}

void TestRecording::viewSelectsWithMouseShiftAndCtrlA()
{
    TRecordLines lines;
    for (int i = 0; i < 100; ++i)
        lines.append(QStringLiteral("line %1").arg(i));
    TRecordView view;
    view.resize(300, 200);
    view.setLines(&lines);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int height = view.fontMetrics().lineSpacing();
    auto rowPoint = [&](int row) { return QPoint(10, row * height + height / 2); };

    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, rowPoint(2));
    QCOMPARE(view.selectedText(), QStringLiteral("line 2\n"));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier, rowPoint(4));
    QCOMPARE(view.selectedText(), QStringLiteral("line 2\nline 3\nline 4\n"));
    QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(view.selectionLast(), qsizetype(5));
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view.selectionFirst(), qsizetype(0));
    QCOMPARE(view.selectionLast(), qsizetype(99));
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(lines.joined("\n")));

    lines.clear();
    view.linesReset();
    QVERIFY(!view.hasSelection());
    QCOMPARE(view.selectedText(), QString());
}

void TestRecording::ctrlCOnTablePageCopiesSelectedLines()
{
    TMainFrm& frm = fixture->window();
    frm.show();
    frm.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    ClickRecord(frm);
    TakeCycle(frm, 25, 24, 10);
    frm.Tabs->setCurrentWidget(frm.ValTab);
    frm.Memo->setFocus();
    frm.Memo->selectLines(1, 1);
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(frm.Memo, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QCOMPARE(data->text(), QStringLiteral("1;00:00:00; 25.00; 24.00; 10.00\n"));
    QVERIFY(!data->hasFormat(QStringLiteral("image/svg+xml"))); // not the chart
}

QTEST_MAIN(TestRecording)
#include "tst_recording.moc"
