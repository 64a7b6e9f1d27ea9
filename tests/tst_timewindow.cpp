// The time window: start-up, advancing, the frame menu, whole record, scrolling.

#include "plot/AxisMath.h"
#include "support/RecordingHelpers.h"
#include "support/WindowFixture.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double kMinute = 1.0 / 1440;
constexpr double kSecond = 1.0 / 86400;

bool near(double a, double b)
{
    return std::fabs(a - b) <= 1e-9;
}

#define QVERIFY_NEAR(actual, expected)                                                                      \
    QVERIFY2(near((actual), (expected)),                                                                    \
             qPrintable(QStringLiteral("%1 != %2").arg((actual), 0, 'f', 12).arg((expected), 0, 'f', 12)))

} // namespace

class TestTimeWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void arithmetic_data();
    void arithmetic();
    void frameChoice_data();
    void frameChoice();
    void scrollTravelAndOffset();

    void startsWithFifteenMinutesEndingAfterZero();
    void newRecordWindowAdvancesByATenth();
    void oneHourReanchorsAfterTheNewestPoint();
    void frameChosenDuringWholeRecordShowsWhenLeft();
    void wholeRecordOnAndOff();
    void scrollThereAndBackCancelsWhileDataArrive();
    void labelsShowDaysOverOneDayAndBackAfterClear();
    void clearWithWholeRecordStaysAutomatic();
    void loadedRecordShowsItsLastFrame();

private:
    TMainFrm& recordingWindow();
    std::unique_ptr<WindowFixture> fixture;
    std::unique_ptr<TestClock> clock;
};

void TestTimeWindow::init()
{
    clock = std::make_unique<TestClock>(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
    fixture = std::make_unique<WindowFixture>();
}

void TestTimeWindow::cleanup()
{
    fixture.reset();
    clock.reset();
}

TMainFrm& TestTimeWindow::recordingWindow()
{
    TMainFrm& frm = fixture->window();
    ClickRecord(frm);
    return frm;
}

void TestTimeWindow::arithmetic_data()
{
    QTest::addColumn<double>("maxTime");
    QTest::addColumn<double>("viewMax");
    QTest::addColumn<double>("reanchored");
    const double span = 60 * kMinute;
    QTest::newRow("data before the end: end stays") << 10.0 << 20.0 << 20.0;
    QTest::newRow("data at the end: a sixtieth past it") << 20.0 << 20.0 << 20.0 + span / 60;
    QTest::newRow("data beyond") << 30.0 << 20.0 << 30.0 + span / 60;
    QTest::newRow("unordered") << std::numeric_limits<double>::quiet_NaN() << 20.0
                               << std::numeric_limits<double>::quiet_NaN();
}

void TestTimeWindow::arithmetic()
{
    QFETCH(double, maxTime);
    QFETCH(double, viewMax);
    QFETCH(double, reanchored);
    const double got = ReanchoredViewMax(maxTime, viewMax, 60 * kMinute);
    if (std::isnan(reanchored))
        QVERIFY(std::isnan(got));
    else
        QCOMPARE(got, reanchored);
}

void TestTimeWindow::frameChoice_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("index");
    QTest::newRow("5 minutes") << 0 << 0;
    QTest::newRow("2 hours") << 4 << 4;
    QTest::newRow("below the menu") << -1 << 1;
    QTest::newRow("past the menu") << 5 << 1;
}

void TestTimeWindow::frameChoice()
{
    QFETCH(int, stored);
    QFETCH(int, index);
    QCOMPARE(ValidFrameIndex(stored), index);
}

void TestTimeWindow::scrollTravelAndOffset()
{
    QCOMPARE(ScrollTravelSpan(45000.0, 45002.0, 0.01), 2.0);
    QCOMPARE(ScrollTravelSpan(0, 0, 0.01), 0.01); // never 0
    QCOMPARE(ScrollOffset(60, 100, 2.0, 0, 100), -0.8);
    QCOMPARE(ScrollOffset(100, 60, 2.0, 0, 100), 0.8);
    QCOMPARE(QString::fromLatin1(TimeLabelPattern(10.0, 11.0)), QStringLiteral("h:nn:ss"));
    QCOMPARE(QString::fromLatin1(TimeLabelPattern(10.0, 11.001)), QStringLiteral(" d h:nn:ss"));
}

void TestTimeWindow::startsWithFifteenMinutesEndingAfterZero()
{
    TMainFrm& frm = fixture->window();
    QCOMPARE(frm.FrameIndex, 1);
    QVERIFY(frm.N151->isChecked());
    QVERIFY(!frm.FramePopupItem->isChecked());
    TChartAxis& time = frm.Chart->BottomAxis();
    QCOMPARE(time.Maximum(), 15 * kMinute / 60); // 15 s
    QCOMPARE(time.Minimum(), 15 * kMinute / 60 - 15 * kMinute);
    QCOMPARE(time.Increment(), kSecond);
    QCOMPARE(time.DateTimeFormat(), QStringLiteral("h:nn:ss"));
    QVERIFY(!time.Automatic());
    QCOMPARE(frm.ScrollPos, 100);
    QCOMPARE(frm.ScrollBar->value(), 100);
}

void TestTimeWindow::newRecordWindowAdvancesByATenth()
{
    TMainFrm& frm = recordingWindow();
    TChartAxis& time = frm.Chart->BottomAxis();
    const double base = frm.TimeBase;
    QVERIFY_NEAR(time.Minimum(), base - 15 * kMinute);
    QVERIFY_NEAR(time.Maximum(), base);
    clock->advance(2);
    TakeCycle(frm, 25, 24, 10); // just past the right end: one tenth on
    QVERIFY_NEAR(time.Minimum(), base - 13.5 * kMinute);
    QVERIFY_NEAR(time.Maximum(), base + 1.5 * kMinute);
    clock->advance(60);
    TakeCycle(frm, 25, 24, 10); // inside: no move
    QVERIFY_NEAR(time.Maximum(), base + 1.5 * kMinute);
    clock->advance(60);
    frm.TakeReading(QStringLiteral("25"), 1);
    QVERIFY_NEAR(time.Maximum(), base + 3 * kMinute);
}

void TestTimeWindow::oneHourReanchorsAfterTheNewestPoint()
{
    TMainFrm& frm = recordingWindow();
    clock->advance(30);
    TakeCycle(frm, 25, 24, 10);
    const double t = frm.MaxTime();
    frm.N11->trigger();
    QCOMPARE(frm.FrameIndex, 3);
    QVERIFY(frm.N11->isChecked());
    QVERIFY(!frm.N151->isChecked());
    TChartAxis& time = frm.Chart->BottomAxis();
    QVERIFY_NEAR(time.Maximum(), t + kMinute);
    QVERIFY_NEAR(time.Minimum(), t + kMinute - 60 * kMinute);
    QVERIFY_NEAR(frm.ViewMax, t + kMinute);

    // Data short of the end: the end stays, the length changes.
    frm.FramePopupItem->trigger();
    QVERIFY_NEAR(time.Maximum(), t + kMinute);
    QVERIFY_NEAR(time.Minimum(), t + kMinute - 5 * kMinute);
}

void TestTimeWindow::frameChosenDuringWholeRecordShowsWhenLeft()
{
    TMainFrm& frm = recordingWindow();
    TakeCycle(frm, 25, 24, 10);
    clock->advance(600);
    TakeCycle(frm, 26, 24, 10);
    TChartAxis& time = frm.Chart->BottomAxis();
    frm.cbXAuto->click();
    const double min = time.Minimum();
    const double max = time.Maximum();
    frm.N301->trigger();
    QCOMPARE(frm.FrameIndex, 2);
    QCOMPARE(time.Minimum(), min); // nothing visible changes
    QCOMPARE(time.Maximum(), max);
    QVERIFY(time.Automatic());

    frm.cbXAuto->click();
    QVERIFY(!time.Automatic());
    QVERIFY_NEAR(time.Maximum(), frm.MaxTime() + 30 * kMinute / 60);
    QVERIFY_NEAR(time.Maximum() - time.Minimum(), 30 * kMinute);
}

void TestTimeWindow::wholeRecordOnAndOff()
{
    TMainFrm& frm = recordingWindow();
    for (int i = 0; i < 40; ++i) {
        clock->advance(60);
        TakeCycle(frm, 25, 24, 10);
    }
    TChartAxis& time = frm.Chart->BottomAxis();
    const double windowMin = time.Minimum();
    const double windowMax = time.Maximum();
    frm.cbXAuto->click();
    QVERIFY(time.Automatic());
    QVERIFY(!frm.ScrollBar->isEnabled());
    QCOMPARE(frm.ViewMin, windowMin);
    QCOMPARE(frm.ViewMax, windowMax);
    QVERIFY_NEAR(time.Minimum(), frm.MinTime());
    QVERIFY_NEAR(time.Maximum(), frm.MaxTime());
    clock->advance(60);
    TakeCycle(frm, 25, 24, 10); // stays fitted
    QVERIFY_NEAR(time.Maximum(), frm.MaxTime());

    frm.cbXAuto->click();
    QVERIFY(frm.ScrollBar->isEnabled());
    QVERIFY(!time.Automatic());
    QVERIFY_NEAR(time.Maximum(), frm.MaxTime() + 15 * kMinute / 60);
    QVERIFY_NEAR(time.Minimum(), time.Maximum() - 15 * kMinute);
}

void TestTimeWindow::scrollThereAndBackCancelsWhileDataArrive()
{
    TMainFrm& frm = recordingWindow();
    for (int i = 0; i < 120; ++i) {
        clock->advance(60);
        TakeCycle(frm, 25, 24, 10);
    }
    TChartAxis& time = frm.Chart->BottomAxis();
    const double start = time.Minimum();
    const double span = frm.MaxTime() - frm.MinTime();

    frm.ScrollBar->setValue(50); // back by half the record
    QVERIFY_NEAR(time.Minimum(), start - span / 2);
    QCOMPARE(frm.ScrollPos, 50);
    clock->advance(600);
    frm.TakeReading(QStringLiteral("25"), 1); // the record grows; the window steps on a tenth
    frm.ScrollBar->setValue(75);
    frm.ScrollBar->setValue(100);
    QVERIFY_NEAR(time.Minimum(), start + 15 * kMinute / 10);

    // Whole record on moves the bar home first.
    frm.ScrollBar->setValue(80);
    frm.cbXAuto->click();
    QCOMPARE(frm.ScrollBar->value(), 100);
    QVERIFY_NEAR(frm.ViewMin, start + 15 * kMinute / 10);
}

void TestTimeWindow::labelsShowDaysOverOneDayAndBackAfterClear()
{
    TMainFrm& frm = recordingWindow();
    TChartAxis& time = frm.Chart->BottomAxis();
    TakeCycle(frm, 25, 24, 10);
    clock->advance(86399);
    TakeCycle(frm, 25, 24, 10);
    QCOMPARE(time.DateTimeFormat(), QStringLiteral("h:nn:ss"));
    clock->advance(2);
    TakeCycle(frm, 25, 24, 10);
    QCOMPARE(time.DateTimeFormat(), QStringLiteral(" d h:nn:ss"));
    fixture->dialogs.yesNoAnswers = {true};
    frm.ClearBtn->click();
    QCOMPARE(time.DateTimeFormat(), QStringLiteral("h:nn:ss"));
}

void TestTimeWindow::clearWithWholeRecordStaysAutomatic()
{
    TMainFrm& frm = recordingWindow();
    TakeCycle(frm, 25, 24, 10);
    frm.cbXAuto->click();
    fixture->dialogs.yesNoAnswers = {true};
    frm.ClearBtn->click();
    QVERIFY(frm.Chart->BottomAxis().Automatic());
    QCOMPARE(frm.ScrollBar->value(), 100);
    QVERIFY(!frm.ScrollBar->isEnabled());
    QCOMPARE(frm.Chart->Series(0)->Count(), 0);
}

void TestTimeWindow::loadedRecordShowsItsLastFrame()
{
    TMainFrm& frm = fixture->window();
    ChooseTracked(frm, 1);
    // What opening a file does: empty, fill series and table, then show.
    frm.ClearRecordView();
    const double origin = 45352.0;
    QVector<double> x;
    QVector<double> y;
    for (int i = 0; i < 1000; ++i) {
        x << origin + i * 2 * kSecond;
        y << 25 + i * 0.001;
    }
    frm.Chart->Series(0)->AssignPoints(x, y);
    frm.RecordOrigin = origin;
    frm.ShowLoadedRecord();
    TChartAxis& time = frm.Chart->BottomAxis();
    QVERIFY_NEAR(time.Maximum(), x.back());
    QVERIFY_NEAR(time.Minimum(), x.back() - 15 * kMinute);
    QCOMPARE(frm.CatchSeries, 0);
    QCOMPARE(frm.CatchPnl->text(), QStringLiteral("Nope"));
    QCOMPARE(time.DayOrigin(), origin);
}

QTEST_MAIN(TestTimeWindow)
#include "tst_timewindow.moc"
