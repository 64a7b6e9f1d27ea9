// The tracked series and the click readout.

#include "support/RecordingHelpers.h"
#include "support/WindowFixture.h"

#include <QTest>

namespace {

constexpr double kSecond = 1.0 / 86400;

} // namespace

class TestTrace : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void readoutText_data();
    void readoutText();
    void clicksOnTheChartShowThePointHit();
    void traceMenuListsTheSeries();
    void choosingASeriesRecentresAtOnce();
    void emptySeriesChosenLeavesTheAxis();
    void languageSwitchKeepsTheChoice();

private:
    std::unique_ptr<WindowFixture> fixture;
    std::unique_ptr<TestClock> clock;
};

void TestTrace::init()
{
    clock = std::make_unique<TestClock>(QDateTime(QDate(2024, 3, 10), QTime(12, 0)));
    fixture = std::make_unique<WindowFixture>();
}

void TestTrace::cleanup()
{
    fixture.reset();
    clock.reset();
    QLocale::setDefault(QLocale::c());
}

void TestTrace::readoutText_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("point") << "en_US" << 25.37 << "X = 2 13:05:07, Y = 25.37";
    QTest::newRow("comma") << "de_DE" << 25.37 << "X = 2 13:05:07, Y = 25,37";
    QTest::newRow("eight significant digits") << "en_US" << 25.123456789 << "X = 2 13:05:07, Y = 25.123457";
    QTest::newRow("eight digits, comma") << "ru_RU" << -1234.56789 << "X = 2 13:05:07, Y = -1234,5679";
    QTest::newRow("scientific") << "de_DE" << 1.5e-7 << "X = 2 13:05:07, Y = 1,5E-7";
}

void TestTrace::readoutText()
{
    QFETCH(QString, locale);
    QFETCH(double, value);
    QFETCH(QString, text);
    QLocale::setDefault(QLocale(locale));
    TMainFrm& frm = fixture->window();
    const double origin = 45352.0;
    frm.RecordOrigin = origin;
    TLineSeries* series = frm.Chart->Series(1);
    series->AssignPoints({origin + 1 + (13 * 3600 + 5 * 60 + 7) * kSecond}, {value});
    frm.SeriesClick(series, 0, Qt::LeftButton);
    QCOMPARE(frm.StatusBar->panelText(2), text);
    frm.SeriesClick(series, 0, Qt::RightButton);
    QCOMPARE(frm.StatusBar->panelText(2), QString());
}

void TestTrace::clicksOnTheChartShowThePointHit()
{
    TMainFrm& frm = fixture->window();
    frm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frm));
    ClickRecord(frm);
    const double values[] = {2, 8, 4};
    for (int i = 0; i < 3; ++i)
        frm.AddSample(frm.TimeBase + 60 * kSecond * i, values[i], 1);
    TLineSeries* series = frm.Chart->Series(0);
    QCOMPARE(series->Count(), 3);
    frm.Chart->BottomAxis().SetMinMax(frm.TimeBase - 60 * kSecond, frm.TimeBase + 180 * kSecond);
    frm.Chart->RightAxis().SetMinMax(0, 10);
    frm.Chart->replot(QCustomPlot::rpImmediateRefresh);
    auto pixel = [&](double seconds, double y) {
        return series->coordsToPixels(frm.Chart->BottomAxis().toPlot(frm.TimeBase + seconds * kSecond), y).toPoint();
    };

    QTest::mouseClick(frm.Chart, Qt::LeftButton, {}, pixel(60, 8));
    QCOMPARE(frm.StatusBar->panelText(2), QStringLiteral("X = 1 0:01:00, Y = 8"));
    QTest::mouseClick(frm.Chart, Qt::LeftButton, {}, pixel(90, 6)); // middle of the second segment
    QCOMPARE(frm.StatusBar->panelText(2), QStringLiteral("X = 1 0:01:00, Y = 8"));
    QTest::mouseClick(frm.Chart, Qt::LeftButton, {}, pixel(30, 5)); // middle of the first
    QCOMPARE(frm.StatusBar->panelText(2), QStringLiteral("X = 1 0:00:00, Y = 2"));
    QTest::mouseClick(frm.Chart, Qt::LeftButton, {}, pixel(150, 9)); // no line there
    QCOMPARE(frm.StatusBar->panelText(2), QStringLiteral("X = 1 0:00:00, Y = 2"));
    QTest::mouseClick(frm.Chart, Qt::RightButton, {}, pixel(120, 4));
    QCOMPARE(frm.StatusBar->panelText(2), QString());
}

void TestTrace::traceMenuListsTheSeries()
{
    TMainFrm& frm = fixture->window();
    const QList<QAction*> items = frm.CatchPopup->actions();
    QCOMPARE(items.size(), 4);
    const char* captions[] = {"Nope", "T(int)", "T(ext)", "Power"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(items[i]->text(), QString::fromLatin1(captions[i]));
        QCOMPARE(items[i]->data().toInt(), i);
        QVERIFY(items[i]->isCheckable());
        QCOMPARE(items[i]->isChecked(), i == 0);
    }
    QCOMPARE(frm.CatchPnl->text(), QStringLiteral("Nope"));
    ChooseTracked(frm, 3);
    QVERIFY(items[3]->isChecked());
    QVERIFY(!items[0]->isChecked());
    QCOMPARE(frm.CatchSeries, 3);
    QCOMPARE(frm.CatchPnl->text(), QStringLiteral("Power"));
    ChooseTracked(frm, 0);
    QCOMPARE(frm.CatchSeries, 0);
    QCOMPARE(frm.CatchPnl->text(), QStringLiteral("Nope"));
}

void TestTrace::choosingASeriesRecentresAtOnce()
{
    TMainFrm& frm = fixture->window();
    frm.TrackBar->setValue(5); // +-1
    ClickRecord(frm);
    frm.TakeReading(QStringLiteral("25"), 1);
    QCOMPARE(frm.Chart->RightAxis().Maximum(), 1.0); // untracked: stays
    ChooseTracked(frm, 1);
    QCOMPARE(frm.Chart->RightAxis().Minimum(), 24.0);
    QCOMPARE(frm.Chart->RightAxis().Maximum(), 26.0);
}

void TestTrace::emptySeriesChosenLeavesTheAxis()
{
    TMainFrm& frm = fixture->window();
    frm.TrackBar->setValue(5);
    ClickRecord(frm);
    frm.TakeReading(QStringLiteral("25"), 1);
    ChooseTracked(frm, 2);
    QCOMPARE(frm.CatchPnl->text(), QStringLiteral("T(ext)"));
    QCOMPARE(frm.Chart->RightAxis().Minimum(), -1.0);
    QCOMPARE(frm.Chart->RightAxis().Maximum(), 1.0);
}

void TestTrace::languageSwitchKeepsTheChoice()
{
    TMainFrm& frm = fixture->window();
    ChooseTracked(frm, 3);
    frm.English = false;
    frm.OnLangChange();
    QCOMPARE(frm.CatchPnl->text(), QStringLiteral("Мощность"));
    const QList<QAction*> items = frm.CatchPopup->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[3]->text(), QStringLiteral("Мощность"));
    QVERIFY(items[3]->isChecked());
    QCOMPARE(frm.CatchSeries, 3);
}

QTEST_MAIN(TestTrace)
#include "tst_trace.moc"
