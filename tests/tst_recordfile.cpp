// Reading and writing record files, without the window.

#include "app/Clock.h"
#include "app/Errors.h"
#include "app/Formats.h"
#include "record/RecordFile.h"
#include "record/RecordLines.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

// The display format of a system whose decimal separator is sep.
TFormatSettings displayWith(char sep)
{
    return MakeDisplayFormat(QLocale(sep == ',' ? QLocale::German : QLocale::English));
}

TDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return DateTimeFromQt(QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC));
}

QString text(TDateTime value)
{
    return DateTimeToQt(value).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString text(const std::optional<TDateTime>& value)
{
    return value ? text(*value) : QStringLiteral("none");
}

// The x values of a series as date-times, "|" between them.
QString xs(const TSeriesPoints& points)
{
    QStringList result;
    for (double x : points.x)
        result << text(x);
    return result.join(u'|');
}

// The y values, blank between them; NaN and infinity read "nan" and "inf".
QString ys(const TSeriesPoints& points)
{
    QStringList result;
    for (double y : points.y)
        result << QString::number(y, 'g', 10);
    return result.join(u' ');
}

QStringList lines(const TRecordFileContent& content)
{
    QStringList result;
    for (qsizetype i = 0; i < content.lineCount(); ++i) {
        const std::string_view line = content.line(i);
        result << QString::fromUtf8(line.data(), qsizetype(line.size()));
    }
    return result;
}

bool allEmpty(const TRecordFileContent& content)
{
    return std::all_of(content.series.begin(), content.series.end(),
                       [](const TSeriesPoints& p) { return p.x.isEmpty() && p.y.isEmpty(); });
}

bool sameSizes(const TRecordFileContent& content)
{
    return std::all_of(content.series.begin(), content.series.end(),
                       [](const TSeriesPoints& p) { return p.x.size() == p.y.size(); });
}

} // namespace

class TestRecordFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    // ---- Field splitting ----
    void splitDelimited_data();
    void splitDelimited();
    void fieldSplitterStopsAtItsLimit();

    // ---- Date, time and day conversions ----
    void timeOfDay_data();
    void timeOfDay();
    void dateTime_data();
    void dateTime();
    void dayNumber_data();
    void dayNumber();
    void rowTimeAndMarkerText_data();
    void rowTimeAndMarkerText();

    // ---- Reading ----
    void currentVersionReadsEveryRecording();
    void rowsFeedOneSeriesPerValue();
    void unreadableRowsAreSkipped();
    void filesThatGiveNoPoints_data();
    void filesThatGiveNoPoints();
    void previousVersionIsConverted();
    void previousVersionSavesAsCurrentVersion();
    void encodingsAndLineEnds_data();
    void encodingsAndLineEnds();
    void undecodableBytesAreReplaced();
    void decimalSeparator_data();
    void decimalSeparator();
    void longRecordKeepsCountingDays();
    void dayCountsFromTheMarkersMonth_data();
    void dayCountsFromTheMarkersMonth();
    void markerWithAppendedValueStillStartsTheRecord();
    void valuesReadAsParseNumberReadsThem_data();
    void valuesReadAsParseNumberReadsThem();
    void progressFollowsTheLines();
    void unreadableFileRaisesAnError_data();
    void unreadableFileRaisesAnError();
    void damagedFilesReadWithoutHarm_data();
    void damagedFilesReadWithoutHarm();
    void fileWithAnEnormousLineIsRefused_data();
    void fileWithAnEnormousLineIsRefused();

    // ---- Writing ----
    void roundTrip_data();
    void roundTrip();
    void writtenFileHasCrLfAndNoByteOrderMark();
    void failedWriteKeepsTheEarlierFile_data();
    void failedWriteKeepsTheEarlierFile();

    // ---- Dialog texts ----
    void dialogTextsInEnglish();
};

void TestRecordFile::initTestCase()
{
    QVERIFY(displayWith('.').DecimalSeparator == u'.');
    QVERIFY(displayWith(',').DecimalSeparator == u',');
}

void TestRecordFile::cleanup()
{
    SetClockForTesting({});
}

// ---- Field splitting ----

void TestRecordFile::splitDelimited_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("data row") << "1;00:00:02; 25.03; 24.87; 12.50"
                              << QStringList{"1", "00:00:02", "25.03", "24.87", "12.50"};
    QTest::newRow("previous version, blanks around ;") << "10:00:02 ; 25.10 ;24.90"
                                                         << QStringList{"10:00:02", "25.10", "24.90"};
    QTest::newRow("leading blanks and controls") << " \t 1;2" << QStringList{"1", "2"};
    QTest::newRow("blank ends a field") << "a b;c" << QStringList{"a", "b", "c"};
    QTest::newRow("control ends a field") << "a\tb" << QStringList{"a", "b"};
    QTest::newRow("empty field between") << "a;;b" << QStringList{"a", "", "b"};
    QTest::newRow("blank field between") << "a; ;b" << QStringList{"a", "", "b"};
    QTest::newRow("; last adds an empty field") << "1;00:00:08;" << QStringList{"1", "00:00:08", ""};
    QTest::newRow("; before a blank adds none") << "1;00:00:08; " << QStringList{"1", "00:00:08"};
    QTest::newRow("lone ;") << ";" << QStringList{"", ""};
    QTest::newRow("two ;") << ";;" << QStringList{"", "", ""};
    QTest::newRow("empty line") << "" << QStringList{};
    QTest::newRow("blanks only") << "   " << QStringList{};
    QTest::newRow("quoted field keeps ; and blanks") << "\"a; b\";c" << QStringList{"a; b", "c"};
    QTest::newRow("doubled quotes") << "\"say \"\"hi\"\"\";x" << QStringList{"say \"hi\"", "x"};
    QTest::newRow("unclosed quote runs to the end") << "\"abc;d" << QStringList{"abc;d"};
    QTest::newRow("unclosed after doubled quote") << "\"a\"\"" << QStringList{"a\""};
    QTest::newRow("quote inside a field is text") << "ab\"c\";d" << QStringList{"ab\"c\"", "d"};
    QTest::newRow("text right after a closing quote") << "\"ab\"cd;e" << QStringList{"ab", "cd", "e"};
    QTest::newRow("NUL ends the line") << QString::fromUtf8("a\0b;c", 5) << QStringList{"a"};
    QTest::newRow("non-ASCII text") << "Термостат °C;1" << QStringList{"Термостат", "°C", "1"};
    QTest::newRow("marker") << ">05/03/2024 10:15:00" << QStringList{">05/03/2024", "10:15:00"};
}

void TestRecordFile::splitDelimited()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);

    QCOMPARE(SplitDelimited(line, u';'), fields);

    // The reader's byte splitter follows the same rules.
    const QByteArray utf8 = line.toUtf8();
    TFieldSplitter splitter;
    const int count = splitter.split(std::string_view(utf8.constData(), size_t(utf8.size())), ';');
    QStringList fast;
    for (int i = 0; i < count; ++i) {
        const std::string_view field = splitter.field(i);
        fast << QString::fromUtf8(field.data(), qsizetype(field.size()));
    }
    QCOMPARE(fast, fields);
}

void TestRecordFile::fieldSplitterStopsAtItsLimit()
{
    TFieldSplitter splitter;
    QCOMPARE(splitter.split("1;2;3;4;5;6", ';', 5), 5);
    QCOMPARE(splitter.field(4), std::string_view("5"));
    QCOMPARE(splitter.split("1;2", ';', 5), 2);
    // A quoted field of an earlier line does not leak into the next one.
    QCOMPARE(splitter.split("\"a\"\"b\";c", ';'), 2);
    QCOMPARE(splitter.field(0), std::string_view("a\"b"));
    QCOMPARE(splitter.split("x;y", ';'), 2);
    QCOMPARE(splitter.field(0), std::string_view("x"));
}

// ---- Date, time and day conversions ----

void TestRecordFile::timeOfDay_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("seconds"); // -1: not a time

    QTest::newRow("hh:nn:ss") << "10:15:30" << 36930;
    QTest::newRow("midnight") << "00:00:00" << 0;
    QTest::newRow("last second") << "23:59:59" << 86399;
    QTest::newRow("h:nn:ss") << "7:08:09" << 25689;
    QTest::newRow("h:nn") << "1:05" << 3900;
    QTest::newRow("one-digit seconds") << "12:00:5" << 43205;
    QTest::newRow("blanks around") << " 12:00 " << 43200;
    QTest::newRow("hour 24") << "24:00:00" << -1;
    QTest::newRow("minute 60") << "12:60" << -1;
    QTest::newRow("second 60") << "12:00:60" << -1;
    QTest::newRow("hours only") << "12" << -1;
    QTest::newRow("three digits") << "012:00" << -1;
    QTest::newRow("four parts") << "12:00:00:00" << -1;
    QTest::newRow("trailing separator") << "12:00:" << -1;
    QTest::newRow("fraction") << "12:00:00.5" << -1;
    QTest::newRow("letters") << "ab:cd" << -1;
    QTest::newRow("sign") << "-1:00" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestRecordFile::timeOfDay()
{
    QFETCH(QString, input);
    QFETCH(int, seconds);
    const QByteArray bytes = input.toUtf8();
    const std::optional<double> time = ParseTimeOfDay(bytes.toStdString(), displayWith('.'));
    QCOMPARE(time.has_value(), seconds >= 0);
    if (time)
        QCOMPARE(std::llround(*time * kSecondsPerDay), qint64(seconds));
}

void TestRecordFile::dateTime_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected"); // "none": not a date

    QTest::newRow("as written") << "05/03/2024 10:15:00" << "2024-03-05 10:15:00";
    QTest::newRow("blanks around") << "  05/03/2024 10:15:00  " << "2024-03-05 10:15:00";
    QTest::newRow("short fields") << "5/3/2024 9:07" << "2024-03-05 09:07:00";
    QTest::newRow("date only") << "05/03/2024" << "2024-03-05 00:00:00";
    QTest::newRow("two-digit year, this century") << "05/03/24 10:15:00" << "2024-03-05 10:15:00";
    QTest::newRow("two-digit year, last century") << "05/03/80" << "1980-03-05 00:00:00";
    QTest::newRow("29 February of a leap year") << "29/02/2024 00:00:00" << "2024-02-29 00:00:00";
    QTest::newRow("31 February") << "31/02/2024 10:15:00" << "none";
    QTest::newRow("month 13") << "05/13/2024" << "none";
    QTest::newRow("day 0") << "00/03/2024" << "none";
    QTest::newRow("bad time") << "05/03/2024 25:00:00" << "none";
    QTest::newRow("junk after") << "05/03/2024x" << "none";
    QTest::newRow("dashes") << "05-03-2024" << "none";
    QTest::newRow("two parts") << "05/03" << "none";
    QTest::newRow("time only") << "10:15:00" << "none";
    QTest::newRow("empty") << "" << "none";
}

void TestRecordFile::dateTime()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    SetClockForTesting([] { return QDateTime(QDate(2025, 7, 14), QTime(9, 30, 15)); });
    const QByteArray bytes = input.toUtf8();
    QCOMPARE(text(ParseDateTime(bytes.toStdString(), displayWith('.'))), expected);
}

void TestRecordFile::dayNumber_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("day");
    QTest::addColumn<bool>("valid");

    QTest::newRow("1") << "1" << 1 << true;
    QTest::newRow("32: a record longer than a month") << "32" << 32 << true;
    QTest::newRow("plus sign") << "+3" << 3 << true;
    QTest::newRow("minus sign") << "-2" << -2 << true;
    QTest::newRow("zero") << "0" << 0 << true;
    QTest::newRow("leading zeros") << "007" << 7 << true;
    QTest::newRow("empty") << "" << 0 << false;
    QTest::newRow("sign only") << "-" << 0 << false;
    QTest::newRow("decimal") << "1.5" << 0 << false;
    QTest::newRow("letters") << "x" << 0 << false;
    QTest::newRow("hexadecimal") << "0x1F" << 0 << false;
    QTest::newRow("too long") << "1234567890" << 0 << false;
}

void TestRecordFile::dayNumber()
{
    QFETCH(QString, input);
    QFETCH(int, day);
    QFETCH(bool, valid);
    const std::optional<int> parsed = ParseDayNumber(input.toStdString());
    QCOMPARE(parsed.has_value(), valid);
    if (parsed)
        QCOMPARE(*parsed, day);
}

void TestRecordFile::rowTimeAndMarkerText_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("monthStart");
    QTest::addColumn<QString>("row");

    const double march = at(2024, 3, 1);
    QTest::newRow("first day") << at(2024, 3, 1, 0, 0, 2) << march << "1;00:00:02";
    QTest::newRow("no leading zero on the day") << at(2024, 3, 9, 17, 5, 9) << march << "9;17:05:09";
    QTest::newRow("past the month's end") << at(2024, 4, 1, 0, 0, 1) << march << "32;00:00:01";
    QTest::newRow("a second before midnight rounds up")
        << at(2024, 3, 1, 23, 59, 59) + 0.9996 / kSecondsPerDay << march << "2;00:00:00";
    QTest::newRow("milliseconds are cut") << at(2024, 3, 1, 12, 0, 0) + 0.7 / kSecondsPerDay << march
                                          << "1;12:00:00";
}

void TestRecordFile::rowTimeAndMarkerText()
{
    QFETCH(double, x);
    QFETCH(double, monthStart);
    QFETCH(QString, row);
    QCOMPARE(FormatRowTime(x, monthStart, displayWith(',')), row);
    QCOMPARE(FormatStartMarker(at(2024, 3, 5, 9, 7, 3), displayWith(',')), QStringLiteral(">05/03/2024 09:07:03"));
}

// ---- Reading ----

void TestRecordFile::currentVersionReadsEveryRecording()
{
    const TRecordFileContent content = ReadRecordFile(TestDataPath("record_two_recordings.csv"), displayWith('.'));

    QVERIFY(!content.previousVersion);
    QCOMPARE(lines(content), TestDataLines("record_two_recordings.csv"));
    // The last of the leading markers starts the record; the later one only
    // separates the second recording.
    QCOMPARE(text(content.recStart), QStringLiteral("2024-03-05 10:15:00"));
    QCOMPARE(text(content.timeBase), QStringLiteral("2024-03-01 00:00:00"));
    QVERIFY(sameSizes(content));
    QCOMPARE(xs(content.series[0]), QStringLiteral("2024-03-01 00:00:02|2024-03-01 00:00:04|"
                                                   "2024-03-01 00:00:07|2024-03-01 00:00:09"));
    QCOMPARE(ys(content.series[0]), QStringLiteral("25.03 25.1 25.2 25.3"));
    QCOMPARE(xs(content.series[1]),
             QStringLiteral("2024-03-01 00:00:02|2024-03-01 00:00:04|2024-03-01 00:00:09"));
    QCOMPARE(ys(content.series[1]), QStringLiteral("24.87 24.9 24.95"));
    QCOMPARE(ys(content.series[2]), QStringLiteral("12.5 13 14.25"));
}

void TestRecordFile::rowsFeedOneSeriesPerValue()
{
    const TRecordFileContent content = ReadRecordFile(TestDataPath("record_value_counts.csv"), displayWith('.'));

    QVERIFY(sameSizes(content));
    // Four values: the fourth has no series. One value: series 1 only. No value:
    // skipped. A ";" at the end: an empty value, read as NaN. "INF" with or
    // without a sign: +infinity.
    QCOMPARE(ys(content.series[0]), QStringLiteral("25.03 25.1 nan nan"));
    QCOMPARE(xs(content.series[0]), QStringLiteral("2024-03-01 00:00:02|2024-03-01 00:00:04|"
                                                   "2024-03-01 00:00:08|2024-03-01 00:00:10"));
    QCOMPARE(ys(content.series[1]), QStringLiteral("24.87 inf"));
    QCOMPARE(ys(content.series[2]), QStringLiteral("12.5 inf"));
    QCOMPARE(lines(content), TestDataLines("record_value_counts.csv"));
}

void TestRecordFile::unreadableRowsAreSkipped()
{
    const TRecordFileContent content = ReadRecordFile(TestDataPath("record_unreadable_rows.csv"), displayWith('.'));

    QCOMPARE(xs(content.series[0]),
             QStringLiteral("2024-03-01 00:00:02|2024-03-02 01:05:00|2024-03-03 07:08:09"));
    QCOMPARE(ys(content.series[0]), QStringLiteral("25.03 25.4 25.5"));
    QVERIFY(content.series[1].x.isEmpty());
    // The table keeps every line, the unreadable ones too.
    QCOMPARE(lines(content), TestDataLines("record_unreadable_rows.csv"));
}

void TestRecordFile::filesThatGiveNoPoints_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("recStart");

    QTest::newRow("markers only") << "record_markers_only.csv" << "2024-03-05 10:15:00";
    QTest::newRow("empty first line") << "record_empty_first_line.csv" << "none";
    QTest::newRow("unreadable marker") << "record_bad_marker.csv" << "none";
}

void TestRecordFile::filesThatGiveNoPoints()
{
    QFETCH(QString, file);
    QFETCH(QString, recStart);
    const TRecordFileContent content = ReadRecordFile(TestDataPath(file), displayWith('.'));

    QVERIFY(!content.previousVersion);
    QVERIFY(allEmpty(content));
    QCOMPARE(text(content.recStart), recStart);
    QCOMPARE(content.timeBase.has_value(), content.recStart.has_value());
    QCOMPARE(lines(content), TestDataLines(file));
}

void TestRecordFile::previousVersionIsConverted()
{
    SetClockForTesting([] { return QDateTime(QDate(2025, 7, 14), QTime(9, 30, 15)); });

    const TRecordFileContent content = ReadRecordFile(TestDataPath("record_previous.csv"), displayWith('.'));

    QVERIFY(content.previousVersion);
    QCOMPARE(text(content.recStart), QStringLiteral("2025-07-14 09:30:15"));
    QCOMPARE(text(content.timeBase), QStringLiteral("2025-07-01 00:00:00"));
    QCOMPARE(lines(content), (QStringList{">14/07/2025 09:30:15", "1; 10:00:00;25.03;24.87;12.50",
                                          "1; 10:00:02 ; 25.10 ; 24.90", "1; not a row",
                                          "1; 10:00:04;25.20;24.95;13.00;77.00"}));
    QVERIFY(sameSizes(content));
    // All within the first day of the current month.
    QCOMPARE(xs(content.series[0]),
             QStringLiteral("2025-07-01 10:00:00|2025-07-01 10:00:02|2025-07-01 10:00:04"));
    QCOMPARE(ys(content.series[0]), QStringLiteral("25.03 25.1 25.2"));
    QCOMPARE(ys(content.series[1]), QStringLiteral("24.87 24.9 24.95"));
    QCOMPARE(xs(content.series[2]), QStringLiteral("2025-07-01 10:00:00|2025-07-01 10:00:04"));
    QCOMPARE(ys(content.series[2]), QStringLiteral("12.5 13"));
}

void TestRecordFile::previousVersionSavesAsCurrentVersion()
{
    SetClockForTesting([] { return QDateTime(QDate(2025, 7, 14), QTime(9, 30, 15)); });
    const TRecordFileContent converted = ReadRecordFile(TestDataPath("record_previous.csv"), displayWith('.'));
    TRecordLines table;
    table.assign(converted.lineBuffer, converted.lineStarts);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("converted.csv"));
    WriteRecordFile(path, table);
    SetClockForTesting([] { return QDateTime(QDate(2030, 1, 1), QTime(0, 0)); });
    const TRecordFileContent reread = ReadRecordFile(path, displayWith('.'));

    QVERIFY(!reread.previousVersion);
    QCOMPARE(text(reread.recStart), text(converted.recStart));
    QCOMPARE(lines(reread), lines(converted));
    for (size_t s = 0; s < converted.series.size(); ++s) {
        QCOMPARE(xs(reread.series[s]), xs(converted.series[s]));
        QCOMPARE(ys(reread.series[s]), ys(converted.series[s]));
    }
}

void TestRecordFile::encodingsAndLineEnds_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("UTF-8 with mark") << "record_utf8_bom.csv";
    QTest::newRow("UTF-16 LE") << "record_utf16le.csv";
    QTest::newRow("UTF-16 BE") << "record_utf16be.csv";
    QTest::newRow("CR only") << "record_cr_only.csv";
    QTest::newRow("LF only") << "record_lf_only.csv";
}

void TestRecordFile::encodingsAndLineEnds()
{
    QFETCH(QString, file);
    const TRecordFileContent content = ReadRecordFile(TestDataPath(file), displayWith('.'));

    QCOMPARE(lines(content), (QStringList{">05/03/2024 10:15:00", "1;00:00:02; 25.03; 24.87; 12.50",
                                          "Термостат °C", "1;00:00:04; 25.10; 24.90; 13.00"}));
    QCOMPARE(xs(content.series[0]), QStringLiteral("2024-03-01 00:00:02|2024-03-01 00:00:04"));
    QCOMPARE(ys(content.series[0]), QStringLiteral("25.03 25.1"));
    QCOMPARE(ys(content.series[2]), QStringLiteral("12.5 13"));
}

void TestRecordFile::undecodableBytesAreReplaced()
{
    const QByteArray bytes(">05/03/2024 10:15:00\r\n1;00:00:02; 25.03\r\n1;00:00:04; 25.10\xff\r\n\xc3(\r\n");
    const TRecordFileContent content = ParseRecordBytes(bytes, displayWith('.'));

    QVERIFY(QByteArrayView(content.lineBuffer).isValidUtf8());
    QCOMPARE(lines(content), (QStringList{">05/03/2024 10:15:00", "1;00:00:02; 25.03",
                                          QStringLiteral("1;00:00:04; 25.10\uFFFD"), QStringLiteral("\uFFFD(")}));
    QCOMPARE(ys(content.series[0]), QStringLiteral("25.03 nan"));
}

void TestRecordFile::decimalSeparator_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("series1");
    QTest::addColumn<QString>("line2");

    QTest::newRow("point file, point system")
        << "record_two_recordings.csv" << "." << "25.03 25.1 25.2 25.3" << "1;00:00:02; 25.03; 24.87; 12.50";
    QTest::newRow("point file, comma system")
        << "record_two_recordings.csv" << "," << "25.03 25.1 25.2 25.3" << "1;00:00:02; 25,03; 24,87; 12,50";
    // The first row holds no ".", so the file is taken to use ",": on a comma
    // system the values written with a point are then not numbers.
    QTest::newRow("guessed comma, comma system")
        << "record_separator_guess.csv" << "," << "nan nan" << "1;00:00:03; 25.03; 24.87; 12.50";
    QTest::newRow("guessed comma, point system")
        << "record_separator_guess.csv" << "." << "nan 25.03" << "1;00:00:03; 25.03; 24.87; 12.50";
}

void TestRecordFile::decimalSeparator()
{
    QFETCH(QString, file);
    QFETCH(QString, display);
    QFETCH(QString, series1);
    QFETCH(QString, line2);

    const TRecordFileContent content =
        ReadRecordFile(TestDataPath(file), displayWith(display.toLatin1().at(0)));
    QCOMPARE(ys(content.series[0]), series1);
    QCOMPARE(lines(content).value(2), line2);
}

void TestRecordFile::longRecordKeepsCountingDays()
{
    const TRecordFileContent content = ReadRecordFile(TestDataPath("record_longer_than_a_month.csv"), displayWith('.'));

    QCOMPARE(text(content.recStart), QStringLiteral("2024-01-30 22:00:00"));
    QCOMPARE(text(content.timeBase), QStringLiteral("2024-01-01 00:00:00"));
    QCOMPARE(xs(content.series[0]), QStringLiteral("2024-01-01 00:00:02|2024-01-31 23:59:59|"
                                                   "2024-02-01 00:00:01|2024-02-14 12:30:00"));
    QVERIFY(std::is_sorted(content.series[0].x.begin(), content.series[0].x.end()));
}

void TestRecordFile::dayCountsFromTheMarkersMonth_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("x");
    QTest::newRow("March marker") << "record_march.csv" << "2023-03-03 12:00:00";
    QTest::newRow("February marker") << "record_february.csv" << "2023-02-03 12:00:00";
}

void TestRecordFile::dayCountsFromTheMarkersMonth()
{
    QFETCH(QString, file);
    QFETCH(QString, x);
    const TRecordFileContent content = ReadRecordFile(TestDataPath(file), displayWith('.'));

    QCOMPARE(xs(content.series[0]), x);
    QCOMPARE(xs(content.series[1]), x);
    QCOMPARE(ys(content.series[0]), QStringLiteral("25"));
    QCOMPARE(ys(content.series[1]), QStringLiteral("26"));
    QVERIFY(content.series[2].x.isEmpty());
}

void TestRecordFile::markerWithAppendedValueStillStartsTheRecord()
{
    // A T(ext) reading that arrives between the click on Record and the first
    // T(int) reading is appended to the marker line; the file must still open.
    const TRecordFileContent content =
        ParseRecordBytes(">05/03/2024 10:15:00; 24.87\r\n1;00:00:02; 25.03; 24.90\r\n", displayWith('.'));
    QCOMPARE(text(content.recStart), QStringLiteral("2024-03-05 10:15:00"));
    QCOMPARE(ys(content.series[0]), QStringLiteral("25.03"));
    QCOMPARE(ys(content.series[1]), QStringLiteral("24.9"));
}

void TestRecordFile::valuesReadAsParseNumberReadsThem_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("display");

    const char* values[] = {"25.03", "25,03", "-3.5", "+5", "-0", "1.", ".5", "007", "1e3", "1E-2", "1e", "1.2.3",
                            "1,2,3", "--1", "5-", "0x1A", "-INF", "Inf", "1inf", "nan", "-nan", "1e400", "-1e400",
                            "123456789012345678901234567890123456.5", "٣", "25.03x"};
    for (const char* display : {".", ","}) {
        for (const char* value : values)
            QTest::addRow("%s with %s", value, display) << QString::fromUtf8(value) << QString::fromLatin1(display);
    }
}

void TestRecordFile::valuesReadAsParseNumberReadsThem()
{
    QFETCH(QString, value);
    QFETCH(QString, display);
    const TFormatSettings format = displayWith(display.toLatin1().at(0));
    // The first row settles the file's separator as the system's, so the value
    // reaches the number reader as it stands.
    const QString text = QStringLiteral(">05/03/2024 10:15:00\r\n1;00:00:01; 0") + format.DecimalSeparator +
                         QStringLiteral("5\r\n1;00:00:02; ") + value + QStringLiteral("\r\n");
    const TRecordFileContent content = ParseRecordBytes(text.toUtf8(), format);

    QCOMPARE(content.series[0].y.size(), 2);
    QCOMPARE(QString::number(content.series[0].y[1], 'g', 17),
             QString::number(ParseNumber(value, format), 'g', 17));
}

void TestRecordFile::progressFollowsTheLines()
{
    QByteArray bytes(">05/03/2024 10:15:00\r\n");
    const int rows = 10000;
    for (int i = 0; i < rows; ++i)
        bytes += "1;00:00:02; 25.03\r\n";
    std::vector<std::pair<qsizetype, qsizetype>> calls;
    const TRecordFileContent content = ParseRecordBytes(
        bytes, displayWith('.'), [&calls](qsizetype line, qsizetype count) { calls.emplace_back(line, count); });

    QCOMPARE(content.series[0].x.size(), rows);
    QVERIFY(!calls.empty());
    QVERIFY(calls.size() < 10); // a few calls, not one per line
    for (size_t i = 0; i < calls.size(); ++i) {
        QCOMPARE(calls[i].second, qsizetype(rows + 1));
        if (i > 0)
            QVERIFY(calls[i].first > calls[i - 1].first);
    }
    QCOMPARE(calls.back().first, qsizetype(rows));
}

void TestRecordFile::unreadableFileRaisesAnError_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("no permission") << "no permission";
}

void TestRecordFile::unreadableFileRaisesAnError()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("record.csv"));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("record.csv")));
    } else if (kind == QLatin1String("no permission")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(">05/03/2024 10:15:00\r\n");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
        if (file.open(QIODevice::ReadOnly))
            QSKIP("Running as root: permissions do not stop reading");
    }

    try {
        ReadRecordFile(path, displayWith('.'));
        QFAIL("no error raised");
    } catch (const EAppError& error) {
        QVERIFY2(error.message().contains(QDir::toNativeSeparators(path)), qPrintable(error.message()));
        QVERIFY2(error.message().size() > path.size() + 20, qPrintable(error.message())); // with a reason
    }
}

void TestRecordFile::damagedFilesReadWithoutHarm_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("lineCount");      // lines of the table
    QTest::addColumn<QString>("internal");   // values of series 1
    QTest::addColumn<bool>("previousVersion");

    const QByteArray marker(">05/03/2024 10:15:00\r\n");
    const QByteArray row("1;00:00:02; 25.03; 24.87; 12.50\r\n");
    // Without a ">" a file reads as the previous version: a start marker is put above.
    QTest::newRow("empty") << QByteArray() << 1 << "" << true;
    static constexpr char kBinary[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0>\xff\xd8";
    QTest::newRow("binary") << QByteArray(kBinary, sizeof kBinary - 1) << 4 << "" << false;
    QTest::newRow("truncated mid-row") << marker + row + "1;00:00:04; 25.1" << 3 << "25.03 25.1" << false;
    QTest::newRow("truncated in the time") << marker + row + "1;00:0" << 3 << "25.03" << false;
    // Read as 8-bit text: zero bytes in every line, and no line that reads.
    QByteArray utf16;
    for (const char c : marker + row)
        utf16 += QByteArray(1, c) + '\0';
    QTest::newRow("UTF-16 without a mark") << utf16 << 5 << "" << false;
}

void TestRecordFile::damagedFilesReadWithoutHarm()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, lineCount);
    QFETCH(QString, internal);
    QFETCH(bool, previousVersion);
    SetClockForTesting([] { return QDateTime(QDate(2025, 7, 14), QTime(9, 30, 15)); });

    for (const char separator : {'.', ','}) {
        const TRecordFileContent content = ParseRecordBytes(bytes, displayWith(separator));
        QCOMPARE(content.previousVersion, previousVersion);
        QCOMPARE(content.lineCount(), qsizetype(lineCount));
        QVERIFY(QByteArrayView(content.lineBuffer).isValidUtf8());
        QVERIFY(sameSizes(content));
        QCOMPARE(ys(content.series[0]), internal);
    }
}

void TestRecordFile::fileWithAnEnormousLineIsRefused_data()
{
    QTest::addColumn<QByteArray>("head");  // the file's first bytes
    QTest::addColumn<qint64>("size");      // the whole file, zero bytes after the head
    QTest::addColumn<bool>("refused");

    const QByteArray rows(">05/03/2024 10:15:00\r\n1;00:00:02; 25.03\r\n");
    // Sparse: a gigabyte on disk costs nothing, and the reader stops long before its end.
    QTest::newRow("one line of a gigabyte") << QByteArray() << (qint64(1) << 30) << true;
    QTest::newRow("a long line after rows") << rows + QByteArray(kMaxRecordLineLength + 1, 'x') + "\r\n" << qint64(0)
                                            << true;
    QTest::newRow("a line just within the limit")
        << rows + QByteArray(kMaxRecordLineLength, 'x') + "\r\n" + rows << qint64(0) << false;
    // Within the limit as UTF-16, beyond it once decoded to UTF-8 (3 bytes a character).
    QByteArray wide("\xff\xfe");
    for (int i = 0; i < kMaxRecordLineLength / 2 - 100; ++i)
        wide += "\x2d\x4e"; // U+4E2D
    QTest::newRow("UTF-16 that grows when decoded") << wide << qint64(0) << true;
}

void TestRecordFile::fileWithAnEnormousLineIsRefused()
{
    QFETCH(QByteArray, head);
    QFETCH(qint64, size);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("record.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(head), head.size());
    if (size > 0)
        QVERIFY(file.resize(size));
    file.close();

    try {
        const TRecordFileContent content = ReadRecordFile(path, displayWith('.'));
        QVERIFY2(!refused, "not refused");
        QCOMPARE(ys(content.series[0]), QStringLiteral("25.03 25.03"));
    } catch (const EAppError& error) {
        QVERIFY2(refused, qPrintable(error.message()));
        QVERIFY2(error.message().contains(QDir::toNativeSeparators(path)), qPrintable(error.message()));
        QVERIFY2(error.message().contains(QStringLiteral("longer than 65536 bytes")), qPrintable(error.message()));
    }
    // Bytes already in memory are held to the same limit.
    if (size == 0) {
        bool parseRefused = false;
        try {
            ParseRecordBytes(head, displayWith('.'));
        } catch (const EAppError&) {
            parseRefused = true;
        }
        QCOMPARE(parseRefused, refused);
    }
}

// ---- Writing ----

void TestRecordFile::roundTrip_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("read");
    QTest::newRow("point") << "." << ".";
    QTest::newRow("comma") << "," << ",";
    QTest::newRow("written with a point, read with a comma") << "." << ",";
    QTest::newRow("written with a comma, read with a point") << "," << ".";
}

void TestRecordFile::roundTrip()
{
    QFETCH(QString, written);
    QFETCH(QString, read);
    const TFormatSettings writeFormat = displayWith(written.toLatin1().at(0));
    const TFormatSettings readFormat = displayWith(read.toLatin1().at(0));

    // A record as the intake writes it: two recordings, the second running past
    // the end of the month it started in, rows of one to three values.
    const TDateTime monthStart = at(2024, 1, 1);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Row {
        double seconds;
        std::vector<double> values;
    };
    const std::vector<Row> rows = {
        {2, {25.03, 24.87, 12.5}},     {4, {-3.5, 0, 100}},     {6.7, {25.1}},
        {8, {1234567.89, -0.01}},      {10, {nan, inf, 7.25}},  {86399, {26, 25, 50}},
        {40 * 86400.0 + 5, {27.5, 26.25, 49.75}}, {40 * 86400.0 + 7, {27.75}},
    };
    TRecordLines table;
    table.append(FormatStartMarker(at(2024, 1, 30, 22, 0, 0), writeFormat));
    std::array<QStringList, kRecordSeriesCount> expectedX;
    std::array<QStringList, kRecordSeriesCount> expectedY;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r == 6)
            table.append(FormatStartMarker(at(2024, 3, 1, 8, 0, 0), writeFormat));
        const TDateTime x = monthStart + rows[r].seconds / kSecondsPerDay;
        QString line = FormatRowTime(x, monthStart, writeFormat);
        for (size_t k = 0; k < rows[r].values.size(); ++k) {
            const QString value = FormatFixed2(rows[r].values[k], writeFormat);
            line += QStringLiteral("; ") + value;
            // Read back at the second the row names, with the value it shows.
            expectedX[k] << text(monthStart + std::floor(rows[r].seconds) / kSecondsPerDay);
            expectedY[k] << QString::number(ParseNumber(value, writeFormat), 'g', 10);
        }
        table.append(line);
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("record.csv"));
    WriteRecordFile(path, table);
    const TRecordFileContent content = ReadRecordFile(path, readFormat);

    QStringList expectedLines;
    for (qsizetype i = 0; i < table.count(); ++i)
        expectedLines << table.line(i).replace(writeFormat.DecimalSeparator, readFormat.DecimalSeparator);
    QCOMPARE(lines(content), expectedLines);
    QCOMPARE(text(content.recStart), QStringLiteral("2024-01-30 22:00:00"));
    for (size_t s = 0; s < content.series.size(); ++s) {
        QCOMPARE(xs(content.series[s]), expectedX[s].join(u'|'));
        QCOMPARE(ys(content.series[s]), expectedY[s].join(u' '));
    }
}

void TestRecordFile::writtenFileHasCrLfAndNoByteOrderMark()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("record.csv"));
    TRecordLines table;
    table.append(QStringLiteral(">05/03/2024 10:15:00"));
    table.append(QStringLiteral("Термостат"));
    table.append(QString());
    WriteRecordFile(path, table);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(">05/03/2024 10:15:00\r\nТермостат\r\n\r\n"));
    file.close();

    WriteRecordFile(path, TRecordLines());
    QCOMPARE(QFileInfo(path).size(), qint64(0));
}

void TestRecordFile::failedWriteKeepsTheEarlierFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("onto a folder") << "folder";
    QTest::newRow("into a read-only folder") << "read-only folder";
    QTest::newRow("into a missing folder") << "missing folder";
}

void TestRecordFile::failedWriteKeepsTheEarlierFile()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    const QByteArray earlier(">01/01/2024 00:00:00\r\n1;00:00:02; 1.00\r\n");
    QString path = dir.filePath(QStringLiteral("record.csv"));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("record.csv")));
    } else if (kind == QLatin1String("missing folder")) {
        path = dir.filePath(QStringLiteral("gone/record.csv"));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
        file.close();
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (!PermissionsApply(dir.path())) {
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QSKIP("Running as root: permissions do not stop writing");
        }
    }

    TRecordLines table;
    table.append(QStringLiteral(">05/03/2024 10:15:00"));
    bool raised = false;
    try {
        WriteRecordFile(path, table);
    } catch (const EAppError& error) {
        raised = true;
        QVERIFY2(error.message().contains(QDir::toNativeSeparators(path)), qPrintable(error.message()));
    }
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(raised);

    if (kind == QLatin1String("folder")) {
        QVERIFY(QFileInfo(path).isDir());
    } else if (kind == QLatin1String("read-only folder")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"record.csv"});
    }
}

// ---- Dialog texts ----

void TestRecordFile::dialogTextsInEnglish()
{
    // The Russian forms are checked with the language switch.
    const TRecordFileDialogTexts texts = RecordFileDialogTexts();
    QCOMPARE(texts.openTitle, QStringLiteral("Open plot file"));
    QCOMPARE(texts.saveTitle, QStringLiteral("Save plot file"));
    QCOMPARE(texts.filter, QStringLiteral("Application files (*.csv);;All files (*)"));
    QCOMPARE(texts.defaultSuffix, QStringLiteral("csv"));
}

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
