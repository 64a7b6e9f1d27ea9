// Framing of commands into output reports, the scan range of input reports and
// the splitting of response lines.

#include "link/Framing.h"

#include <QtTest>

#include <vector>

namespace {

// All reports of a command, as SendRequest writes them.
std::vector<QByteArray> frame(const QByteArray& command, uint32_t reportLength, bool adapter)
{
    std::vector<QByteArray> reports;
    const uint32_t pieces = Framing::PieceCount(command.size(), reportLength, adapter);
    for (uint32_t piece = 0; piece < pieces; ++piece) {
        QByteArray report(int(reportLength), '\xAA'); // garbage that BuildReport must clear
        Framing::BuildReport(reinterpret_cast<uint8_t*>(report.data()), reportLength, command, piece, adapter);
        reports.push_back(report);
    }
    return reports;
}

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

} // namespace

class TestFraming : public QObject {
    Q_OBJECT
private slots:
    void commandsBecomeWholeReports_data()
    {
        QTest::addColumn<bool>("adapter");
        QTest::addColumn<uint32_t>("reportLength");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QList<QByteArray>>("payloads");

        const QByteArray poll(":00000000 dat.t.1 rd\r");
        QTest::newRow("direct, shorter than one report") << false << 65u << poll << QList<QByteArray>{poll};
        QTest::newRow("adapter, shorter than one report") << true << 65u << poll << QList<QByteArray>{poll};
        const QByteArray exactDirect(64, 'd');
        QTest::newRow("direct, exactly one report") << false << 65u << exactDirect << QList<QByteArray>{exactDirect};
        const QByteArray exactAdapter(60, 'a');
        QTest::newRow("adapter, exactly one report") << true << 65u << exactAdapter << QList<QByteArray>{exactAdapter};
        QTest::newRow("direct, three reports") << false << 9u << poll
                                               << QList<QByteArray>{poll.mid(0, 8), poll.mid(8, 8), poll.mid(16)};
        QTest::newRow("adapter, three reports")
            << true << 13u << poll << QList<QByteArray>{poll.mid(0, 8), poll.mid(8, 8), poll.mid(16)};
    }

    void commandsBecomeWholeReports()
    {
        QFETCH(bool, adapter);
        QFETCH(uint32_t, reportLength);
        QFETCH(QByteArray, command);
        QFETCH(QList<QByteArray>, payloads);

        const auto reports = frame(command, reportLength, adapter);
        QCOMPARE(qsizetype(reports.size()), payloads.size());
        const int offset = adapter ? 5 : 1;
        for (size_t i = 0; i < reports.size(); ++i) {
            const QByteArray& report = reports[i];
            QCOMPARE(uint32_t(report.size()), reportLength);
            QCOMPARE(report.at(0), '\0'); // report id
            const QByteArray& payload = payloads[qsizetype(i)];
            QCOMPARE(report.mid(offset, payload.size()), payload);
            if (adapter) {
                // Each report's length bytes hold its own piece's length.
                QCOMPARE(uint8_t(report.at(1)) | (uint8_t(report.at(2)) << 8), int(payload.size()));
                QCOMPARE(report.mid(3, 2), QByteArray(2, '\0'));
            }
            // Cleared before every report: nothing of an earlier piece behind a short one.
            QCOMPARE(report.mid(offset + payload.size()), QByteArray(report.size() - offset - payload.size(), '\0'));
        }
    }

    void reportsWithoutRoomCarryNothing()
    {
        QCOMPARE(Framing::PieceCount(10, 1, false), 0u);
        QCOMPARE(Framing::PieceCount(10, 5, true), 0u);
        QCOMPARE(Framing::PieceCount(0, 65, false), 0u);
    }

    void adapterSetupReport()
    {
        QByteArray report(65, '\xAA');
        Framing::BuildAdapterSetup(reinterpret_cast<uint8_t*>(report.data()), 65);
        QByteArray expected(65, '\0');
        expected.replace(3, 4, hex("62778025"));
        QCOMPARE(report, expected);
    }

    void scanRange_data()
    {
        QTest::addColumn<bool>("adapter");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<uint32_t>("begin");
        QTest::addColumn<uint32_t>("count");

        QTest::newRow("direct scans every byte") << false << QByteArray(64, 'x') << 0u << 64u;
        QByteArray adapter(64, '\0');
        adapter[0] = 12;
        QTest::newRow("adapter scans the payload length") << true << adapter << 4u << 12u;
        adapter[0] = char(200);
        QTest::newRow("adapter length 200 scans 60") << true << adapter << 4u << 60u;
        QByteArray shortReport(10, '\0');
        shortReport[0] = 50;
        QTest::newRow("adapter never reads past the bytes delivered") << true << shortReport << 4u << 6u;
        QTest::newRow("adapter report of the header only") << true << QByteArray(3, '\x05') << 4u << 0u;
        QTest::newRow("adapter report with no data") << true << QByteArray() << 4u << 0u;
    }

    void scanRange()
    {
        QFETCH(bool, adapter);
        QFETCH(QByteArray, data);
        QFETCH(uint32_t, begin);
        QFETCH(uint32_t, count);
        const auto range = Framing::InputScanRange(reinterpret_cast<const uint8_t*>(data.constData()),
                                                   uint16_t(data.size()), adapter);
        QCOMPARE(range.begin, begin);
        QCOMPARE(range.count, count);
    }

    void splitResponse_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");

        QTest::newRow("reading") << ":00000000 0 25.03" << QStringList{":00000000", "0", "25.03"};
        QTest::newRow("several blanks and tabs")
            << "  :00000000 \t 0   21.50  " << QStringList{":00000000", "0", "21.50"};
        QTest::newRow("control characters separate") << QString(":1\x01" "0\x1f" "5") << QStringList{":1", "0", "5"};
        QTest::newRow("quoted field keeps blanks") << ":0 0 \"a b\"" << QStringList{":0", "0", "a b"};
        QTest::newRow("doubled quote stands for one") << "x \"say \"\"hi\"\"\"" << QStringList{"x", "say \"hi\""};
        QTest::newRow("empty quoted field") << "x \"\" y" << QStringList{"x", "", "y"};
        QTest::newRow("unclosed quote runs to the end") << "x \"open end" << QStringList{"x", "open end"};
        QTest::newRow("text after a closing quote is the next field") << "\"ab\"cd" << QStringList{"ab", "cd"};
        QTest::newRow("quote inside a plain field stays") << "ab\"cd e" << QStringList{"ab\"cd", "e"};
        QTest::newRow("empty line") << "" << QStringList{};
        QTest::newRow("one field") << "garbage" << QStringList{"garbage"};
    }

    void splitResponse()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        QCOMPARE(Framing::SplitResponse(line), fields);
    }

    void statusCode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("isInteger");
        QTest::newRow("0") << "0" << 0 << true;
        QTest::newRow("6") << "6" << 6 << true;
        QTest::newRow("12") << "12" << 12 << true;
        QTest::newRow("negative") << "-3" << -3 << true;
        QTest::newRow("letters") << "ok" << -1 << false;
        QTest::newRow("empty") << "" << -1 << false;
        QTest::newRow("decimal") << "1.5" << -1 << false;
    }

    void statusCode()
    {
        QFETCH(QString, text);
        QFETCH(int, status);
        QFETCH(bool, isInteger);
        int parsed = 0;
        QCOMPARE(Framing::TryParseStatusCode(text, parsed), isInteger);
        QCOMPARE(parsed, status);
        QCOMPARE(Framing::ParseStatusCode(text), status);
    }
};

QTEST_APPLESS_MAIN(TestFraming)
#include "tst_framing.moc"
