// The chart adapter over QCustomPlot: series store, axes, decimation, hit test.

#include "plot/AxisLabels.h"
#include "plot/MinMaxPyramid.h"
#include "plot/PlotChart.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A chart of a fixed size with its layout done, so pixels map to values.
struct ChartFixture {
    TPlotChart chart;
    TLineSeries* series;
    ChartFixture()
    {
        chart.resize(600, 400);
        series = chart.AddSeries(chart.BottomAxis(), chart.RightAxis());
    }
    void layout() { chart.replot(QCustomPlot::rpImmediateRefresh); }
};

// Exposes the drawn (decimated) points of a series.
class ProbeSeries : public TLineSeries {
public:
    using TLineSeries::TLineSeries;
    QVector<QCPGraphData> drawn() const
    {
        QVector<QCPGraphData> out;
        getOptimizedLineData(&out, data()->constBegin(), data()->constEnd());
        return out;
    }
};

} // namespace

class TestChart : public QObject {
    Q_OBJECT
private slots:
    void pyramidMatchesScan_data();
    void pyramidMatchesScan();
    void axisValueLabels_data();
    void axisValueLabels();
    void keysUseUnixSecondsAndBack();

    void seriesKeepsPointsInOrderAdded();
    void pointOutOfTimeOrderKeepsIndexOrder();
    void bulkLoadSortedAndUnsorted();
    void extremesIgnoreValuesThatAreNotFinite();
    void maxMinXOverTheSeriesOfAnAxis();

    void setMinMaxTakesTheSmallerAsMinimumAndMakesManual();
    void scrollWithLimitCheck_data();
    void scrollWithLimitCheck();
    void automaticKeepsFittingWhileDataArrive();
    void changesCloseTogetherShareOneRedraw();

    void decimationKeepsEveryColumnsExtremes();
    void decimatedLineCostDoesNotGrowWithPoints();
    void hitTestFindsPointOrEarlierEndOfSegment();
    void clickOnLineReportsSeriesAndIndex();
    void timeLabelsCountRecordDays();
    void printRectKeepsProportions_data();
    void printRectKeepsProportions();
};

void TestChart::pyramidMatchesScan_data()
{
    QTest::addColumn<int>("begin");
    QTest::addColumn<int>("end");
    QTest::newRow("empty range") << 10 << 10;
    QTest::newRow("one value") << 7 << 8;
    QTest::newRow("inside one block") << 3 << 14;
    QTest::newRow("block aligned") << 16 << 256;
    QTest::newRow("unaligned both ends") << 5 << 70001;
    QTest::newRow("whole") << 0 << 100000;
    QTest::newRow("past the end is cut") << 99990 << 200000;
}

void TestChart::pyramidMatchesScan()
{
    QFETCH(int, begin);
    QFETCH(int, end);
    std::mt19937 random(42);
    std::normal_distribution<double> noise(25.0, 3.0);
    std::vector<double> values(100000);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = i % 97 == 0 ? kNaN : i % 89 == 0 ? kInf : noise(random);
    // Appended value by value, and built in one go from a part and then grown.
    TMinMaxPyramid appended;
    for (double v : values)
        appended.append(v);
    TMinMaxPyramid built;
    const size_t part = 60001;
    built.build(part, [&](size_t i) { return values[i]; });
    for (size_t i = part; i < values.size(); ++i)
        built.append(values[i]);
    QCOMPARE(built.size(), values.size());

    double lo = kInf;
    double hi = -kInf;
    for (int i = begin; i < std::min<int>(end, int(values.size())); ++i) {
        if (std::isfinite(values[size_t(i)])) {
            lo = std::min(lo, values[size_t(i)]);
            hi = std::max(hi, values[size_t(i)]);
        }
    }
    for (const TMinMaxPyramid* pyramid : {&appended, &built}) {
        const auto got = pyramid->query(size_t(begin), size_t(end), [&](size_t i) { return values[i]; });
        QCOMPARE(got.valid(), lo <= hi);
        if (got.valid()) {
            QCOMPARE(got.min, lo);
            QCOMPARE(got.max, hi);
        }
    }
}

void TestChart::axisValueLabels_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("point");
    QTest::addColumn<QString>("comma");
    QTest::newRow("integer") << 2000.0 << "2,000" << "2 000";
    QTest::newRow("no trailing zeros") << 25.5 << "25.5" << "25,5";
    QTest::newRow("four decimals at most") << 0.00012345 << "0.0001" << "0,0001";
    QTest::newRow("rounding error of a tick") << 0.30000000000000004 << "0.3" << "0,3";
    QTest::newRow("negative grouped") << -1234567.25 << "-1,234,567.25" << "-1 234 567,25";
    QTest::newRow("negative zero") << -0.00001 << "0" << "0";
}

void TestChart::axisValueLabels()
{
    QFETCH(double, value);
    QFETCH(QString, point);
    QFETCH(QString, comma);
    QCOMPARE(FormatAxisValue(value, u'.', u','), point);
    QCOMPARE(FormatAxisValue(value, u',', u' '), comma);
}

void TestChart::keysUseUnixSecondsAndBack()
{
    // 1 January 1970 is day 25569; one day later is 86400 s.
    QCOMPARE(RecordTimeToPlotKey(25569.0), 0.0);
    QCOMPARE(RecordTimeToPlotKey(25570.5), 129600.0);
    QCOMPARE(PlotKeyToRecordTime(129600.0), 25570.5);
}

void TestChart::seriesKeepsPointsInOrderAdded()
{
    ChartFixture f;
    QCOMPARE(f.series->Count(), 0);
    QCOMPARE(f.series->MinYValue(), 0.0);
    const double xs[] = {45000.0, 45000.25, 45000.25, 45001.0};
    const double ys[] = {1.0, -2.0, 3.0, 0.5};
    for (int i = 0; i < 4; ++i)
        f.series->AddXY(xs[i], ys[i]);
    QCOMPARE(f.series->Count(), 4);
    for (int i = 0; i < 4; ++i) {
        QVERIFY(std::fabs(f.series->XValue(i) - xs[i]) < 1e-9);
        QCOMPARE(f.series->YValue(i), ys[i]);
    }
    QCOMPARE(f.series->MinYValue(), -2.0);
    QCOMPARE(f.series->MaxYValue(), 3.0);
    f.series->Clear();
    QCOMPARE(f.series->Count(), 0);
    QVERIFY(!f.series->HasFiniteYValue());
}

void TestChart::pointOutOfTimeOrderKeepsIndexOrder()
{
    ChartFixture f;
    f.series->AddXY(10.0, 1.0);
    f.series->AddXY(12.0, 2.0);
    f.series->AddXY(11.0, 3.0); // the clock went back
    f.series->AddXY(13.0, 4.0);
    QCOMPARE(f.series->Count(), 4);
    const double xs[] = {10.0, 12.0, 11.0, 13.0};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(f.series->XValue(i), xs[i]);
        QCOMPARE(f.series->YValue(i), double(i + 1));
    }
    QCOMPARE(f.series->MinXValue(), 10.0);
    QCOMPARE(f.series->MaxXValue(), 13.0);
}

void TestChart::bulkLoadSortedAndUnsorted()
{
    ChartFixture f;
    f.series->AssignPoints({1.0, 2.0, 3.0}, {5.0, kNaN, -1.0});
    QCOMPARE(f.series->Count(), 3);
    QCOMPARE(f.series->YValue(2), -1.0);
    QCOMPARE(f.series->MinYValue(), -1.0);
    QCOMPARE(f.series->MaxYValue(), 5.0);
    QCOMPARE(f.series->MaxXValue(), 3.0);

    // A file whose days restart keeps its rows in file order.
    f.series->AssignPoints({30.0, 31.0, 1.0, 2.0}, {1.0, 2.0, 3.0, 4.0});
    QCOMPARE(f.series->Count(), 4);
    QCOMPARE(f.series->XValue(2), 1.0);
    QCOMPARE(f.series->YValue(2), 3.0);
    QCOMPARE(f.series->MinXValue(), 1.0);
    QCOMPARE(f.series->MaxXValue(), 31.0);
    // Appending after a bulk load continues the same order.
    f.series->AddXY(40.0, 9.0);
    QCOMPARE(f.series->Count(), 5);
    QCOMPARE(f.series->YValue(4), 9.0);
}

void TestChart::extremesIgnoreValuesThatAreNotFinite()
{
    ChartFixture f;
    f.series->AddXY(1.0, kNaN);
    f.series->AddXY(2.0, kInf);
    QVERIFY(!f.series->HasFiniteYValue());
    QCOMPARE(f.series->MaxYValue(), 0.0);
    f.series->AddXY(3.0, -kInf);
    f.series->AddXY(4.0, 7.0);
    QCOMPARE(f.series->MinYValue(), 7.0);
    QCOMPARE(f.series->MaxYValue(), 7.0);
    QVERIFY(std::isinf(f.series->YValue(1))); // kept as it came
}

void TestChart::maxMinXOverTheSeriesOfAnAxis()
{
    ChartFixture f;
    QCOMPARE(f.chart.MaxXValue(f.chart.BottomAxis()), 0.0);
    QCOMPARE(f.chart.MinXValue(f.chart.BottomAxis()), 0.0);
    TLineSeries* second = f.chart.AddSeries(f.chart.BottomAxis(), f.chart.RightAxis());
    TLineSeries* elsewhere = f.chart.AddSeries(f.chart.TopAxis(), f.chart.RightAxis());
    f.series->AddXY(100.5, 1);
    second->AddXY(100.25, 1);
    second->AddXY(100.75, 1);
    elsewhere->AddXY(500, 1);
    QVERIFY(std::fabs(f.chart.MaxXValue(f.chart.BottomAxis()) - 100.75) < 1e-9);
    QVERIFY(std::fabs(f.chart.MinXValue(f.chart.BottomAxis()) - 100.25) < 1e-9);
    QCOMPARE(f.chart.MaxXValue(f.chart.TopAxis()), 500.0);
}

void TestChart::setMinMaxTakesTheSmallerAsMinimumAndMakesManual()
{
    ChartFixture f;
    TChartAxis& axis = f.chart.RightAxis();
    axis.SetAutomatic(true);
    axis.SetMinMax(5, -3);
    QVERIFY(!axis.Automatic());
    QCOMPARE(axis.Minimum(), -3.0);
    QCOMPARE(axis.Maximum(), 5.0);
    QCOMPARE(f.chart.yAxis2->range().lower, -3.0);
    // Equal limits keep the span, centred on the value.
    axis.SetMinMax(10, 10);
    QCOMPARE(axis.Minimum(), 6.0);
    QCOMPARE(axis.Maximum(), 14.0);
    // The time axis gives back exactly what was set, though it draws in seconds.
    TChartAxis& time = f.chart.BottomAxis();
    time.SetMinMax(-0.0104166, 0.000173611);
    QCOMPARE(time.Minimum(), -0.0104166);
    QCOMPARE(time.Maximum(), 0.000173611);
}

void TestChart::scrollWithLimitCheck_data()
{
    QTest::addColumn<double>("lastX");
    QTest::addColumn<double>("offset");
    QTest::addColumn<bool>("check");
    QTest::addColumn<bool>("moves");
    // Window [10, 20].
    QTest::newRow("forward, data beyond") << 20.5 << 1.0 << true << true;
    QTest::newRow("forward, data on the limit") << 20.0 << 1.0 << true << false;
    QTest::newRow("forward, data inside") << 15.0 << 1.0 << true << false;
    QTest::newRow("back, data before the start") << 15.0 << -1.0 << true << true;
    QTest::newRow("no check moves anyway") << 15.0 << 1.0 << false << true;
}

void TestChart::scrollWithLimitCheck()
{
    QFETCH(double, lastX);
    QFETCH(double, offset);
    QFETCH(bool, check);
    QFETCH(bool, moves);
    ChartFixture f;
    TChartAxis& time = f.chart.BottomAxis();
    f.series->AddXY(offset < 0 ? 9.0 : 12.0, 1);
    f.series->AddXY(lastX, 1);
    time.SetMinMax(10, 20);
    time.Scroll(offset, check);
    QCOMPARE(time.Minimum(), moves ? 10 + offset : 10.0);
    QCOMPARE(time.Maximum(), moves ? 20 + offset : 20.0);

    ChartFixture empty;
    empty.chart.BottomAxis().SetMinMax(10, 20);
    empty.chart.BottomAxis().Scroll(1, true);
    QCOMPARE(empty.chart.BottomAxis().Maximum(), 20.0); // no data, nothing beyond
}

void TestChart::automaticKeepsFittingWhileDataArrive()
{
    ChartFixture f;
    TLineSeries* other = f.chart.AddSeries(f.chart.BottomAxis(), f.chart.RightAxis());
    TChartAxis& values = f.chart.RightAxis();
    TChartAxis& time = f.chart.BottomAxis();
    values.SetAutomatic(true);
    time.SetAutomatic(true);
    f.series->AddXY(45000.0, 20.0);
    f.series->AddXY(45000.1, 21.0);
    QCOMPARE(values.Minimum(), 20.0);
    QCOMPARE(values.Maximum(), 21.0);
    other->AddXY(45000.2, 80.0); // the power joins the temperatures
    QCOMPARE(values.Maximum(), 80.0);
    f.series->AddXY(45000.3, kNaN);
    f.series->AddXY(45000.4, -kInf);
    QCOMPARE(values.Minimum(), 20.0);
    QCOMPARE(values.Maximum(), 80.0);
    QVERIFY(std::fabs(time.Minimum() - 45000.0) < 1e-9);
    QVERIFY(std::fabs(time.Maximum() - 45000.4) < 1e-9);
    values.SetMinMax(0, 1);
    f.series->AddXY(45000.5, 500.0);
    QCOMPARE(values.Maximum(), 1.0); // manual again: no more fitting
}

void TestChart::changesCloseTogetherShareOneRedraw()
{
    ChartFixture f;
    TLineSeries* other = f.chart.AddSeries(f.chart.BottomAxis(), f.chart.RightAxis());
    f.chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.chart));
    QTRY_VERIFY(!f.chart.replotPending());
    int redraws = 0;
    connect(&f.chart, &QCustomPlot::afterReplot, [&redraws] { ++redraws; });

    // The readings of one poll cycle come in separate turns of the event loop.
    f.series->AddXY(45000.0, 20.0);
    QApplication::processEvents();
    other->AddXY(45000.0, 80.0);
    QApplication::processEvents();
    f.series->AddXY(45000.1, 21.0);
    QCOMPARE(redraws, 0);
    QTRY_COMPARE(redraws, 1);
    QTest::qWait(3 * TPlotChart::kReplotDelayMs);
    QCOMPARE(redraws, 1);

    // A redraw made meanwhile takes the place of the waiting one.
    other->AddXY(45000.1, 81.0);
    f.chart.replot(QCustomPlot::rpImmediateRefresh);
    QCOMPARE(redraws, 2);
    QVERIFY(!f.chart.replotPending());
}

void TestChart::decimationKeepsEveryColumnsExtremes()
{
    ChartFixture f;
    auto* probe = new ProbeSeries(f.chart, f.chart.BottomAxis(), f.chart.RightAxis());
    const int n = 200000;
    QVector<double> x(n);
    QVector<double> y(n);
    for (int i = 0; i < n; ++i) {
        x[i] = 45000.0 + i / 86400.0;
        y[i] = std::sin(i * 0.001) * 10 + (i == 123456 ? 500 : 0);
    }
    y[1000] = kNaN;
    probe->AssignPoints(x, y);
    f.chart.BottomAxis().SetMinMax(x.front(), x.back());
    f.chart.RightAxis().SetMinMax(-20, 20);
    f.layout();

    const QVector<QCPGraphData> drawn = probe->drawn();
    const int width = f.chart.axisRect()->width();
    QVERIFY2(drawn.size() <= 4 * (width + 4), qPrintable(QString::number(drawn.size())));
    double hi = -kInf;
    double lo = kInf;
    for (int i = 1; i < drawn.size(); ++i) {
        QVERIFY(drawn[i].key >= drawn[i - 1].key);
        if (std::isfinite(drawn[i].value)) {
            hi = std::max(hi, drawn[i].value);
            lo = std::min(lo, drawn[i].value);
        }
    }
    QCOMPARE(hi, 500.0 + std::sin(123456 * 0.001) * 10); // a one-point spike stays visible
    QVERIFY(lo <= -9.99);
}

void TestChart::decimatedLineCostDoesNotGrowWithPoints()
{
    // A hundred times the points give the same number of drawn points.
    qsizetype drawnCount[2] = {};
    const int sizes[2] = {20000, 2000000};
    for (int k = 0; k < 2; ++k) {
        ChartFixture f;
        auto* probe = new ProbeSeries(f.chart, f.chart.BottomAxis(), f.chart.RightAxis());
        QVector<double> x(sizes[k]);
        QVector<double> y(sizes[k]);
        for (int i = 0; i < sizes[k]; ++i) {
            x[i] = double(i) / sizes[k];
            y[i] = (i % 7) - 3.0;
        }
        probe->AssignPoints(x, y);
        f.chart.BottomAxis().SetMinMax(0, 1);
        f.layout();
        drawnCount[k] = probe->drawn().size();
    }
    QVERIFY(drawnCount[1] <= drawnCount[0] + 8);
}

void TestChart::hitTestFindsPointOrEarlierEndOfSegment()
{
    ChartFixture f;
    f.chart.BottomAxis().SetMinMax(0, 10);
    f.chart.RightAxis().SetMinMax(0, 10);
    f.series->AddXY(2, 2);
    f.series->AddXY(4, 8);
    f.series->AddXY(6, 8);
    f.layout();
    auto pixel = [&](double x, double y) { return f.series->coordsToPixels(f.chart.BottomAxis().toPlot(x), y); };

    QCOMPARE(f.series->HitTest(pixel(4, 8), 8), 1);                           // on a point
    QCOMPARE(f.series->HitTest(pixel(4, 8) + QPointF(3, 2), 8), 1);           // near it
    QCOMPARE(f.series->HitTest(pixel(5, 8), 8), 1);                           // middle of 1..2
    QCOMPARE(f.series->HitTest(pixel(3, 5), 8), 0);                           // middle of 0..1
    QCOMPARE(f.series->HitTest(pixel(5, 3), 8), -1);                          // open space
    QCOMPARE(f.series->HitTest(pixel(8, 8), 8), -1);                          // past the last point
}

void TestChart::clickOnLineReportsSeriesAndIndex()
{
    ChartFixture f;
    f.chart.BottomAxis().SetMinMax(0, 10);
    f.chart.RightAxis().SetMinMax(0, 10);
    f.series->AddXY(2, 2);
    f.series->AddXY(6, 6);
    f.chart.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.chart));
    f.layout();
    struct Click {
        TLineSeries* series;
        int index;
        Qt::MouseButton button;
    };
    std::vector<Click> clicks;
    int chartClicks = 0;
    connect(f.series, &TLineSeries::clicked, this,
            [&](TLineSeries* s, int i, Qt::MouseButton b) { clicks.push_back({s, i, b}); });
    connect(&f.chart, &TPlotChart::clicked, this, [&] { ++chartClicks; });
    auto pixel = [&](double x, double y) {
        return f.series->coordsToPixels(f.chart.BottomAxis().toPlot(x), y).toPoint();
    };

    QTest::mouseClick(&f.chart, Qt::LeftButton, {}, pixel(4, 4));
    QTest::mouseClick(&f.chart, Qt::RightButton, {}, pixel(6, 6));
    QTest::mouseClick(&f.chart, Qt::LeftButton, {}, pixel(8, 1)); // no line there
    QCOMPARE(int(clicks.size()), 2);
    QCOMPARE(clicks[0].series, f.series);
    QCOMPARE(clicks[0].index, 0);
    QCOMPARE(clicks[0].button, Qt::LeftButton);
    QCOMPARE(clicks[1].index, 1);
    QCOMPARE(clicks[1].button, Qt::RightButton);
    QCOMPARE(chartClicks, 3);

    // Over the line the pointer is the series' own.
    f.series->SetCursor(Qt::PointingHandCursor);
    QTest::mouseMove(&f.chart, pixel(4, 4));
    QCOMPARE(f.chart.cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(&f.chart, pixel(8, 1));
    QCOMPARE(f.chart.cursor().shape(), Qt::ArrowCursor);

    // A drag draws the zoom rectangle: both axes of the series take its range.
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), f.chart.mapToGlobal(QPointF(at)), button, held, {});
        QApplication::sendEvent(&f.chart, &event);
    };
    send(QEvent::MouseButtonPress, pixel(2, 8), Qt::LeftButton, Qt::LeftButton);
    send(QEvent::MouseMove, pixel(5, 3), Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, pixel(5, 3), Qt::LeftButton, Qt::NoButton);
    QVERIFY(std::fabs(f.chart.BottomAxis().Minimum() - 2) < 0.1);
    QVERIFY(std::fabs(f.chart.BottomAxis().Maximum() - 5) < 0.1);
    QVERIFY(std::fabs(f.chart.RightAxis().Minimum() - 3) < 0.1);
    QVERIFY(std::fabs(f.chart.RightAxis().Maximum() - 8) < 0.1);
    QCOMPARE(int(clicks.size()), 2); // a drag is no click
}

void TestChart::timeLabelsCountRecordDays()
{
    ChartFixture f;
    TChartAxis& time = f.chart.BottomAxis();
    const double origin = 45291.0; // 1 January 2024
    time.SetDayOrigin(origin);
    time.SetDateTimeFormat(QStringLiteral(" d h:nn:ss"));
    time.SetMinMax(origin + 31.5, origin + 32.5); // 1 and 2 February
    f.layout();
    const QVector<QString> labels = f.chart.xAxis->tickVectorLabels();
    QVERIFY(!labels.isEmpty());
    for (const QString& label : labels)
        QVERIFY2(label.startsWith(QLatin1String(" 32 ")) || label.startsWith(QLatin1String(" 33 ")),
                 qPrintable(label));
    time.SetDateTimeFormat(QStringLiteral("h:nn:ss"));
    time.SetMinMax(origin + 0.5, origin + 0.5 + 10.0 / 86400);
    f.layout();
    QVERIFY(f.chart.xAxis->tickVectorLabels().contains(QStringLiteral("12:00:05")));
}

void TestChart::printRectKeepsProportions_data()
{
    QTest::addColumn<QSizeF>("page");
    QTest::addColumn<QSizeF>("chart");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("wide chart: 70 % of the width") << QSizeF(1000, 700) << QSizeF(800, 400)
                                                  << QRectF(150, 175, 700, 350);
    QTest::newRow("tall chart: 70 % of the height") << QSizeF(1000, 700) << QSizeF(300, 600)
                                                   << QRectF(377.5, 105, 245, 490);
    QTest::newRow("square counts as tall") << QSizeF(1000, 700) << QSizeF(500, 500)
                                           << QRectF(255, 105, 490, 490);
}

void TestChart::printRectKeepsProportions()
{
    QFETCH(QSizeF, page);
    QFETCH(QSizeF, chart);
    QFETCH(QRectF, expected);
    QCOMPARE(LandscapePrintRect(page, chart), expected);
}

QTEST_MAIN(TestChart)
#include "tst_chart.moc"
