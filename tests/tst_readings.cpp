// Numbers from the bath and how the window shows them: parsing, formatting,
// readiness colours, alarm captions, the setpoint field and the poll period.

#include "app/Astr.h"
#include "app/Formats.h"
#include "app/MainForm.h"
#include "support/WindowFixture.h"

#include <QTest>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TFormatSettings withSeparator(QChar separator)
{
    TFormatSettings format;
    format.DecimalSeparator = separator;
    return format;
}

// The same value, or both NaN; +0 and -0 told apart.
bool sameNumber(double a, double b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b && std::signbit(a) == std::signbit(b);
}

} // namespace

class TestReadings : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void parseNumber_data();
    void parseNumber();
    void formatFixed2_data();
    void formatFixed2();
    void formatGeneral8_data();
    void formatGeneral8();
    void splitDelimited_data();
    void splitDelimited();

    void readinessColour_data();
    void readinessColour();
    void alarmCaption_data();
    void alarmCaption();
    void setpointShownInTheLocalesFormat_data();
    void setpointShownInTheLocalesFormat();
    void applyPollTime_data();
    void applyPollTime();
    void noBathLeavesTheFieldsEmpty();
};

void TestReadings::cleanup()
{
    QLocale::setDefault(QLocale::c());
}

void TestReadings::parseNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<double>("expected");

    const QChar point = u'.';
    const QChar comma = u',';
    QTest::newRow("decimal") << "21.5" << point << 21.5;
    QTest::newRow("blanks around") << " \t21.5 " << point << 21.5;
    QTest::newRow("negative") << "-3" << point << -3.0;
    QTest::newRow("plus sign") << "+3" << point << 3.0;
    QTest::newRow("exponent") << "1.5E-2" << point << 0.015;
    QTest::newRow("no integer digits") << ".5" << point << 0.5;
    QTest::newRow("no fraction digits") << "2." << point << 2.0;
    QTest::newRow("comma with the point format") << "21,5" << point << kNaN;
    QTest::newRow("comma with the comma format") << "21,5" << comma << 21.5;
    QTest::newRow("point with the comma format") << "21.5" << comma << kNaN;
    QTest::newRow("empty") << "" << point << kNaN;
    QTest::newRow("blanks only") << "  " << point << kNaN;
    QTest::newRow("word") << "abc" << point << kNaN;
    QTest::newRow("two points") << "1.2.3" << point << kNaN;
    QTest::newRow("exponent without digits") << "1e" << point << kNaN;
    QTest::newRow("point alone") << "." << point << kNaN;
    QTest::newRow("hex") << "0x10" << point << kNaN;
    QTest::newRow("blank inside") << "1 000" << point << kNaN;
    QTest::newRow("nan") << "nan" << point << kNaN;
    QTest::newRow("inf") << "inf" << point << kInf;
    QTest::newRow("minus inf is plus infinity") << "-inf" << point << kInf;
    QTest::newRow("INF in capitals") << "INF" << point << kInf;
    QTest::newRow("inf inside a word") << "xInfy" << point << kInf;
    QTest::newRow("infinity") << "Infinity" << point << kInf;
    QTest::newRow("too large") << "1e400" << point << kInf;
    QTest::newRow("too large, negative") << "-1e400" << point << -kInf;
    QTest::newRow("too small is zero, not infinity") << "1e-400" << point << 0.0;
    QTest::newRow("too small, negative") << "-0.0001e-400" << point << -0.0;
    QTest::newRow("subnormal") << "1e-310" << point << 1e-310;
}

void TestReadings::parseNumber()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(double, expected);
    const double value = ParseNumber(text, withSeparator(separator));
    QVERIFY2(sameNumber(value, expected), qPrintable(QString::number(value)));
}

void TestReadings::formatFixed2_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");

    QTest::newRow("two decimals") << 21.5 << QChar(u'.') << "21.50";
    QTest::newRow("the locale's comma") << 21.5 << QChar(u',') << "21,50";
    QTest::newRow("negative") << -10.0 << QChar(u'.') << "-10.00";
    QTest::newRow("zero") << 0.0 << QChar(u'.') << "0.00";
    QTest::newRow("tiny negative shows no minus") << -0.001 << QChar(u'.') << "0.00";
    QTest::newRow("rounded") << 36.6666 << QChar(u'.') << "36.67";
    QTest::newRow("half rounds up") << 0.125 << QChar(u'.') << "0.13";
    QTest::newRow("six integer digits") << 123456.789 << QChar(u'.') << "123456.79";
    QTest::newRow("seven integer digits: 8 significant") << 1234567.891 << QChar(u'.') << "1234567.90";
    QTest::newRow("eight integer digits") << 12345678.9 << QChar(u'.') << "12345679.00";
    QTest::newRow("nine integer digits: general form") << 123456789.0 << QChar(u'.') << "1.2345679E+8";
    QTest::newRow("NaN") << kNaN << QChar(u'.') << "NAN";
    QTest::newRow("infinity") << kInf << QChar(u'.') << "INF";
    QTest::newRow("minus infinity") << -kInf << QChar(u'.') << "-INF";
}

void TestReadings::formatFixed2()
{
    QFETCH(double, value);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    QCOMPARE(FormatFixed2(value, withSeparator(separator)), expected);
}

void TestReadings::formatGeneral8_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << 0.0 << QChar(u'.') << "0";
    QTest::newRow("integer") << 100.0 << QChar(u'.') << "100";
    QTest::newRow("fraction") << 21.5 << QChar(u'.') << "21.5";
    QTest::newRow("the locale's comma") << 21.5 << QChar(u',') << "21,5";
    QTest::newRow("negative") << -3.25 << QChar(u'.') << "-3.25";
    QTest::newRow("eight significant digits") << 1.0 / 3 << QChar(u'.') << "0.33333333";
    QTest::newRow("rounded at the eighth digit") << 2.0 / 3 << QChar(u'.') << "0.66666667";
    QTest::newRow("smallest plain") << 0.0001 << QChar(u'.') << "0.0001";
    QTest::newRow("below 0.0001: scientific") << 0.00001 << QChar(u'.') << "1E-5";
    QTest::newRow("scientific with digits") << 1.5e-7 << QChar(u',') << "1,5E-7";
    QTest::newRow("largest plain") << 12345678.0 << QChar(u'.') << "12345678";
    QTest::newRow("nine digits: scientific") << 123456789.0 << QChar(u'.') << "1.2345679E+8";
    QTest::newRow("1E+8") << 1e8 << QChar(u'.') << "1E+8";
    QTest::newRow("NaN") << kNaN << QChar(u'.') << "NAN";
    QTest::newRow("minus infinity") << -kInf << QChar(u'.') << "-INF";
}

void TestReadings::formatGeneral8()
{
    QFETCH(double, value);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    QCOMPARE(FormatGeneral8(value, withSeparator(separator)), expected);
}

void TestReadings::splitDelimited_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("delimiter");
    QTest::addColumn<QStringList>("fields");

    const QChar blank = u' ';
    QTest::newRow("response line") << ":00000000 0 25.3" << blank << QStringList{":00000000", "0", "25.3"};
    QTest::newRow("runs of blanks") << "  a   b  " << blank << QStringList{"a", "b"};
    QTest::newRow("control characters separate") << "a\tb\x01" "c" << blank << QStringList{"a", "b", "c"};
    QTest::newRow("quoted field") << "\"a b\" c" << blank << QStringList{"a b", "c"};
    QTest::newRow("doubled quote inside quotes") << "\"a\"\"b\"" << blank << QStringList{"a\"b"};
    QTest::newRow("unclosed quote runs to the end") << "x \"a b" << blank << QStringList{"x", "a b"};
    QTest::newRow("text right after a closing quote") << "\"a\"b" << blank << QStringList{"a", "b"};
    QTest::newRow("empty") << "" << blank << QStringList{};
    QTest::newRow("blanks only") << "   " << blank << QStringList{};
    QTest::newRow("NUL ends the text") << QString("a b").insert(1, QChar(0)) << blank << QStringList{"a"};
    QTest::newRow("comma") << "a, b" << QChar(u',') << QStringList{"a", "b"};
    QTest::newRow("two commas") << "a,,b" << QChar(u',') << QStringList{"a", "", "b"};
    QTest::newRow("comma at the end") << "a," << QChar(u',') << QStringList{"a", ""};
}

void TestReadings::splitDelimited()
{
    QFETCH(QString, text);
    QFETCH(QChar, delimiter);
    QFETCH(QStringList, fields);
    QCOMPARE(SplitDelimited(text, delimiter), fields);
}

void TestReadings::readinessColour_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QColor>("expected");

    const QColor red(255, 0, 0);
    const QColor green(0, 128, 0);
    const QColor black(0, 0, 0);
    QTest::newRow("0 not ready") << QStringList{"0"} << red;
    QTest::newRow("1 ready") << QStringList{"1"} << green;
    QTest::newRow("2 unknown to the bath") << QStringList{"2"} << black;
    QTest::newRow("another number") << QStringList{"7"} << black;
    QTest::newRow("not an integer counts as 0") << QStringList{"x"} << red;
    QTest::newRow("empty counts as 0") << QStringList{""} << red;
    QTest::newRow("changes follow") << QStringList{"1", "0", "2", "1"} << green;
}

void TestReadings::readinessColour()
{
    QFETCH(QStringList, answers);
    QFETCH(QColor, expected);
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    for (const QString& answer : answers)
        frm.ShowReadiness(answer);
    QCOMPARE(frm.stTemp->palette().color(QPalette::Text), expected);
}

void TestReadings::alarmCaption_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("ids");

    QTest::newRow("all zeros") << "000000" << 20;
    QTest::newRow("empty") << "" << 20;
    QTest::newRow("last one") << "000001" << 21;
    QTest::newRow("last two: the last wins") << "000011" << 21;
    QTest::newRow("second last") << "000010" << 22;
    QTest::newRow("third last") << "000100" << 23;
    QTest::newRow("fourth last") << "001000" << 24;
    QTest::newRow("fifth last") << "010000" << 25;
    QTest::newRow("sixth last") << "100000" << 26;
    QTest::newRow("seven characters, only the first set") << "1000000" << 20;
    QTest::newRow("shorter field") << "10" << 22;
    QTest::newRow("other characters are no alarm") << "2x2 2 " << 20;
}

void TestReadings::alarmCaption()
{
    QFETCH(QString, field);
    QFETCH(int, ids);
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    frm.ShowAlarm(field);
    QCOMPARE(frm.stAlarm->text(), IdsText(ids));
}

void TestReadings::setpointShownInTheLocalesFormat_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown");

    QTest::newRow("point locale") << "en_US" << "21.5" << "21.50";
    QTest::newRow("comma locale") << "de_DE" << "21.5" << "21,50";
    QTest::newRow("comma from the bath is no number") << "de_DE" << "21,5" << "NAN";
    QTest::newRow("negative") << "ru_RU" << "-10" << "-10,00";
}

void TestReadings::setpointShownInTheLocalesFormat()
{
    QFETCH(QString, locale);
    QFETCH(QString, answer);
    QFETCH(QString, shown);
    QLocale::setDefault(QLocale(locale)); // before the window takes its formats
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    frm.ShowSetpoint(answer);
    QCOMPARE(frm.edSet->text(), shown);
}

void TestReadings::applyPollTime_data()
{
    QTest::addColumn<int>("pollTime");
    QTest::addColumn<int>("expected");
    QTest::newRow("below 2000 is raised") << 1000 << 2000;
    QTest::newRow("2000 kept") << 2000 << 2000;
    QTest::newRow("no upper limit") << 100000 << 100000;
    QTest::newRow("negative is raised") << -5 << 2000;
}

void TestReadings::applyPollTime()
{
    QFETCH(int, pollTime);
    QFETCH(int, expected);
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    frm.DataTimer->start();
    frm.PollTime = pollTime;
    frm.ApplyPollTime();
    QCOMPARE(frm.PollTime, expected);
    QCOMPARE(frm.DataTimer->interval(), expected);
    QVERIFY(frm.DataTimer->isActive());
    frm.DataTimer->stop();

    // The raised value is the one the settings file gets.
    const QString path = fixture.iniPath();
    QVERIFY(fixture.close());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("\nPollTime=" + QByteArray::number(expected) + "\n"));
}

void TestReadings::noBathLeavesTheFieldsEmpty()
{
    WindowFixture fixture;
    TMainFrm& frm = fixture.window();
    QCOMPARE(frm.stTemp->text(), QString());
    QCOMPARE(frm.edSet->text(), QString());
    QCOMPARE(frm.stAlarm->text(), QString());
    QVERIFY(!frm.DataTimer->isActive());

    // A tick without a bath queues nothing.
    frm.DataTimerTimer();
    QVERIFY(frm.RequestQueue.empty());
}

QTEST_MAIN(TestReadings)
#include "tst_readings.moc"
