// The value axis: scale steps, Auto, following the tracked series.

#include "plot/AxisMath.h"
#include "support/RecordingHelpers.h"
#include "support/WindowFixture.h"

#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

bool near(double a, double b)
{
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b));
}

} // namespace

class TestValueAxis : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsAtTheStoredStep();
    void trackBarSteps_data();
    void trackBarSteps();
    void followsTheTrackedSeriesKeepingTheSpan();
    void valuesThatAreNotFiniteNeverMoveTheAxis_data();
    void valuesThatAreNotFiniteNeverMoveTheAxis();
    void autoScale_data();
    void autoScale();
    void autoWithoutTrackingFollowsAllSeries();
    void clickOnChartTakesFocusFromTrackBar();

private:
    std::unique_ptr<WindowFixture> fixture;
    std::unique_ptr<TestClock> clock;
};

void TestValueAxis::init()
{
    clock = std::make_unique<TestClock>(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
    fixture = std::make_unique<WindowFixture>();
}

void TestValueAxis::cleanup()
{
    fixture.reset();
    clock.reset();
}

void TestValueAxis::startsAtTheStoredStep()
{
    TMainFrm& frm = fixture->window();
    QCOMPARE(frm.TrackBar->minimum(), 0);
    QCOMPARE(frm.TrackBar->maximum(), 11);
    QCOMPARE(frm.TrackBar->pageStep(), 1);
    QCOMPARE(frm.TrackBar->value(), 0);
    QCOMPARE(frm.stYScale->text(), QStringLiteral("1000"));
    TChartAxis& axis = frm.Chart->RightAxis();
    QCOMPARE(axis.Minimum(), -2000.0);
    QCOMPARE(axis.Maximum(), 2000.0);
    QCOMPARE(axis.Increment(), 0.0001);
    QVERIFY(axis.Visible());
    QVERIFY(!axis.Automatic());
    QCOMPARE(axis.ValueFormat(), QStringLiteral("#,##0.####"));
    QCOMPARE(frm.Chart->SeriesCount(), 3);
    QVERIFY(!frm.Chart->LegendVisible());
    const struct {
        const char* title;
        QColor colour;
    } looks[] = {{"T(int), °C", QColor(0, 0, 255)}, {"T(ext), °C", QColor(255, 0, 255)}, {"Power, %", QColor(128, 128, 128)}};
    for (int i = 0; i < 3; ++i) {
        TLineSeries* series = frm.Chart->Series(i);
        QCOMPARE(series->Title(), QString::fromUtf8(looks[i].title));
        QCOMPARE(series->Color(), looks[i].colour);
        QCOMPARE(series->Width(), 2);
        QCOMPARE(&series->VertAxis(), &axis);
        QCOMPARE(&series->HorizAxis(), &frm.Chart->BottomAxis());
        QCOMPARE(series->Cursor(), Qt::PointingHandCursor);
    }
}

void TestValueAxis::trackBarSteps_data()
{
    QTest::addColumn<double>("maxY");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("label");
    QTest::addColumn<double>("limit");
    const char* labels[] = {"1000", "200", "50", "10", "2", "0.5", "0.1", "0.02", "0.005", "0.001", "0.0001", "0.00001"};
    const double limits2000[] = {2000, 400, 100, 20, 4, 1, 0.2, 0.04, 0.01, 0.002, 0.0002, 0.00002};
    for (int p = 0; p < 12; ++p) {
        QTest::addRow("MaxY 2000, step %d", p) << 2000.0 << p << QString::fromLatin1(labels[p]) << limits2000[p];
        // The label does not change with MaxY, the limits do.
        QTest::addRow("MaxY 1000, step %d", p) << 1000.0 << p << QString::fromLatin1(labels[p]) << limits2000[p] / 2;
    }
}

void TestValueAxis::trackBarSteps()
{
    QFETCH(double, maxY);
    QFETCH(int, position);
    QFETCH(QString, label);
    QFETCH(double, limit);
    const TAxisLimits pure = ScaleStepLimits(maxY, position);
    QVERIFY(near(pure.max, limit) && near(pure.min, -limit));

    TMainFrm& frm = fixture->window();
    frm.MaxY = maxY;
    frm.MinY = -maxY;
    frm.TrackBar->setValue(position == 0 ? 1 : 0); // make the next move a change
    frm.TrackBar->setValue(position);
    QCOMPARE(frm.stYScale->text(), label);
    QVERIFY(near(frm.Chart->RightAxis().Maximum(), limit));
    QVERIFY(near(frm.Chart->RightAxis().Minimum(), -limit));
}

void TestValueAxis::followsTheTrackedSeriesKeepingTheSpan()
{
    TMainFrm& frm = fixture->window();
    TChartAxis& axis = frm.Chart->RightAxis();
    frm.TrackBar->setValue(9); // "0.001": +-0.002
    QVERIFY(near(axis.Maximum(), 0.002));
    ChooseTracked(frm, 1);
    QCOMPARE(frm.CatchSeries, 1);
    ClickRecord(frm);

    frm.TakeReading(QStringLiteral("25.0"), 1);
    QVERIFY(near(axis.Minimum(), 24.998));
    QVERIFY(near(axis.Maximum(), 25.002));
    for (const char* inside : {"25.001", "24.9985", "25.002"}) {
        frm.TakeReading(QString::fromLatin1(inside), 1);
        QVERIFY2(near(axis.Minimum(), 24.998) && near(axis.Maximum(), 25.002), inside);
    }
    frm.TakeReading(QStringLiteral("25.003"), 1);
    QVERIFY(near(axis.Minimum(), 25.001));
    QVERIFY(near(axis.Maximum(), 25.005));

    // A new step sets its symmetric limits, then re-centres on the last value.
    frm.TrackBar->setValue(8); // +-0.01
    QVERIFY(near(axis.Minimum(), 25.003 - 0.01));
    QVERIFY(near(axis.Maximum(), 25.003 + 0.01));
}

void TestValueAxis::valuesThatAreNotFiniteNeverMoveTheAxis_data()
{
    QTest::addColumn<double>("value");
    QTest::newRow("NaN") << kNaN;
    QTest::newRow("+inf") << kInf;
    QTest::newRow("-inf") << -kInf;
}

void TestValueAxis::valuesThatAreNotFiniteNeverMoveTheAxis()
{
    QFETCH(double, value);
    QVERIFY(!RecentredLimits(value, -1, 1));
    TMainFrm& frm = fixture->window();
    TChartAxis& axis = frm.Chart->RightAxis();
    frm.TrackBar->setValue(5); // +-1
    ChooseTracked(frm, 2);
    ClickRecord(frm);
    frm.AddSample(frm.TimeBase + 0.001, value, 2);
    QCOMPARE(axis.Minimum(), -1.0);
    QCOMPARE(axis.Maximum(), 1.0);

    // The one-time Auto fit leaves them out as well.
    frm.AddSample(frm.TimeBase + 0.002, 3.0, 2);
    frm.AddSample(frm.TimeBase + 0.003, value, 2);
    frm.AddSample(frm.TimeBase + 0.004, 4.0, 2);
    frm.cbYAuto->click();
    QCOMPARE(axis.Minimum(), 3.0);
    QCOMPARE(axis.Maximum(), 4.0);
}

void TestValueAxis::autoScale_data()
{
    QTest::addColumn<int>("tracked");
    QTest::addColumn<int>("points");
    QTest::addColumn<bool>("automatic");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    // Series 1 holds 20, 22, 21 (as many as "points"); the axis starts at +-20 and
    // follows the tracked series to [2, 42] at 22.
    QTest::newRow("no tracking: automatic") << 0 << 3 << true << 20.0 << 50.0;
    QTest::newRow("tracked, 2 points: stays") << 1 << 2 << false << 2.0 << 42.0;
    QTest::newRow("tracked, 0 points: stays") << 1 << 0 << false << -20.0 << 20.0;
    QTest::newRow("tracked, 3 points: fitted once") << 1 << 3 << false << 20.0 << 22.0;
}

void TestValueAxis::autoScale()
{
    QFETCH(int, tracked);
    QFETCH(int, points);
    QFETCH(bool, automatic);
    QFETCH(double, min);
    QFETCH(double, max);
    TMainFrm& frm = fixture->window();
    TChartAxis& axis = frm.Chart->RightAxis();
    frm.TrackBar->setValue(3); // +-20
    ChooseTracked(frm, tracked);
    ClickRecord(frm);
    frm.AddSample(frm.TimeBase + 0.01, 50.0, 3); // the power, untracked
    const double values[] = {20, 22, 21};
    for (int i = 0; i < points; ++i)
        frm.AddSample(frm.TimeBase + 0.01 * (i + 2), values[i], 1);

    frm.cbYAuto->click();
    QVERIFY(!frm.TrackBar->isEnabled());
    QCOMPARE(axis.Automatic(), automatic);
    QVERIFY2(near(axis.Minimum(), min) && near(axis.Maximum(), max),
             qPrintable(QStringLiteral("%1 .. %2").arg(axis.Minimum()).arg(axis.Maximum())));

    // Unchecking brings the manual step back.
    frm.cbYAuto->click();
    QVERIFY(frm.TrackBar->isEnabled());
    QVERIFY(!axis.Automatic());
    QCOMPARE(frm.stYScale->text(), QStringLiteral("10"));
    const double last = tracked > 0 && points > 0 ? values[points - 1] : 0;
    const double centre = tracked > 0 && points > 0 && std::fabs(last) > 20 ? last : 0;
    QVERIFY(near(axis.Maximum(), centre + 20));
}

void TestValueAxis::autoWithoutTrackingFollowsAllSeries()
{
    TMainFrm& frm = fixture->window();
    TChartAxis& axis = frm.Chart->RightAxis();
    ClickRecord(frm);
    frm.cbYAuto->click();
    TakeCycle(frm, 25.0, 24.0, 10.0);
    QCOMPARE(axis.Minimum(), 10.0);
    QCOMPARE(axis.Maximum(), 25.0);
    TakeCycle(frm, 26.0, 24.0, 80.0);
    QCOMPARE(axis.Maximum(), 80.0);
}

void TestValueAxis::clickOnChartTakesFocusFromTrackBar()
{
    TMainFrm& frm = fixture->window();
    frm.show();
    frm.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
    frm.TrackBar->setFocus();
    QVERIFY(frm.TrackBar->hasFocus());
    QTest::mouseClick(frm.Chart, Qt::LeftButton, {}, QPoint(20, 20));
    QVERIFY(frm.FrameBtn->hasFocus());
    // Arrow keys no longer change the scale.
    QTest::keyClick(&frm, Qt::Key_Down);
    QCOMPARE(frm.TrackBar->value(), 0);
}

QTEST_MAIN(TestValueAxis)
#include "tst_valueaxis.moc"
