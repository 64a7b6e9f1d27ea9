// The virtual bath: its answers (without threads), its thermal model on a
// driven clock, its two framings and faults, and one pass through the
// controller and a device's read thread.

#include "link/Framing.h"
#include "link/Request.h"
#include "link/hid/HidDeviceController.h"
#include "link/hid/HidDeviceReadThread.h"
#include "sim/BathResponder.h"
#include "sim/VirtualBath.h"
#include "sim/VirtualHidPlatform.h"
#include "support/WindowFixture.h"

#include <QTest>

#include <cmath>

namespace {

QByteArray DirectReport(const QByteArray& payload)
{
    QByteArray report(VirtualBath::kReportLength, '\0');
    report.replace(1, payload.size(), payload);
    return report;
}

QByteArray AdapterReport(const QByteArray& payload)
{
    QByteArray report(VirtualBath::kReportLength, '\0');
    report[1] = char(payload.size());
    report.replace(5, payload.size(), payload);
    return report;
}

QByteArray AdapterSetup()
{
    QByteArray report(VirtualBath::kReportLength, '\0');
    Framing::BuildAdapterSetup(reinterpret_cast<uint8_t*>(report.data()), uint32_t(report.size()));
    return report;
}

// The response bytes an input report carries, as the program scans them.
QByteArray Payload(const QByteArray& report, bool adapter)
{
    const auto* data = reinterpret_cast<const uint8_t*>(report.constData()) + 1;
    const Framing::ScanRange range = Framing::InputScanRange(data, uint16_t(report.size() - 1), adapter);
    QByteArray bytes = report.mid(1 + range.begin, range.count);
    if (!adapter) // direct reports are filled up with zero bytes after the line
        bytes.truncate(bytes.indexOf('\r') + 1 > 0 ? bytes.indexOf('\r') + 1 : bytes.indexOf('\0'));
    return bytes;
}

} // namespace

class VirtualBathTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void responderAnswers_data();
    void responderAnswers();
    void faultsOverrideEveryAnswer_data();
    void faultsOverrideEveryAnswer();
    void modelHeatsAtAboutOneDegreeAMinute();
    void modelCoolsWithTheHeaterOff();
    void framing_data();
    void framing();
    void throughTheControllerInBothFramings_data();
    void throughTheControllerInBothFramings();
    void unplugAndReplugGiveRemovalAndANewDevice();
    void theWindowHearsOfTheBathOnceItExists();
};

void VirtualBathTest::cleanup()
{
    QTRY_COMPARE(THidDeviceReadThread::LiveCount(), 0);
}

void VirtualBathTest::responderAnswers_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("answer"); // empty: no answer at all

    // A fresh bath at 20 °C with its setpoint at 25 °C: full power, not ready.
    QTest::newRow("internal") << QByteArray(":00000000 dat.t.1 rd") << QByteArray(":00000000 0 20.00");
    QTest::newRow("external") << QByteArray(":00000000 dat.t.2 rd") << QByteArray(":00000000 0 20.00");
    QTest::newRow("power") << QByteArray(":00000000 pid.1.pwr rd") << QByteArray(":00000000 0 100.0");
    QTest::newRow("alarm") << QByteArray(":00000000 alm.status rd") << QByteArray(":00000000 0 000000");
    QTest::newRow("ready") << QByteArray(":00000000 isrdy rd") << QByteArray(":00000000 0 0");
    QTest::newRow("setpoint") << QByteArray(":00000000 set.val rd") << QByteArray(":00000000 0 25.00");
    QTest::newRow("new setpoint") << QByteArray(":00000000 set.val wr 37.5") << QByteArray(":00000000 0");
    QTest::newRow("lowest setpoint") << QByteArray(":00000000 set.val wr -40") << QByteArray(":00000000 0");
    QTest::newRow("extra blanks") << QByteArray("  :00000000   isrdy  rd ") << QByteArray(":00000000 0 0");
    QTest::newRow("setpoint too high") << QByteArray(":00000000 set.val wr 200.5") << QByteArray(":00000000 5");
    QTest::newRow("setpoint too low") << QByteArray(":00000000 set.val wr -41") << QByteArray(":00000000 5");
    QTest::newRow("value not a number") << QByteArray(":00000000 set.val wr warm") << QByteArray(":00000000 2");
    QTest::newRow("value not finite") << QByteArray(":00000000 set.val wr nan") << QByteArray(":00000000 2");
    QTest::newRow("value missing") << QByteArray(":00000000 set.val wr") << QByteArray(":00000000 2");
    QTest::newRow("unknown parameter") << QByteArray(":00000000 dat.t.9 rd") << QByteArray(":00000000 3");
    QTest::newRow("unknown operation") << QByteArray(":00000000 dat.t.1 get") << QByteArray(":00000000 4");
    QTest::newRow("read-only parameter") << QByteArray(":00000000 dat.t.1 wr 5") << QByteArray(":00000000 4");
    QTest::newRow("no operation") << QByteArray(":00000000 dat.t.1") << QByteArray(":00000000 1");
    QTest::newRow("no address") << QByteArray("dat.t.1 rd x") << QByteArray(":00000000 1");
    QTest::newRow("short address") << QByteArray(":0000 dat.t.1 rd") << QByteArray(":00000000 1");
    QTest::newRow("blank line") << QByteArray("  ") << QByteArray();
}

void VirtualBathTest::responderAnswers()
{
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, answer);
    ThermalModel model(20.0, 25.0);
    BathResponder responder(model);
    const std::optional<QByteArray> got = responder.answer(command, 0);
    QCOMPARE(got.value_or(QByteArray()), answer);
}

void VirtualBathTest::faultsOverrideEveryAnswer_data()
{
    QTest::addColumn<int>("forcedStatus");
    QTest::addColumn<bool>("off");
    QTest::addColumn<QByteArray>("answer");
    QTest::newRow("a given status") << 4 << false << QByteArray(":00000000 4");
    QTest::newRow("bath off") << 0 << true << QByteArray(":00000000 6");
    QTest::newRow("off wins") << 2 << true << QByteArray(":00000000 6");
}

void VirtualBathTest::faultsOverrideEveryAnswer()
{
    QFETCH(int, forcedStatus);
    QFETCH(bool, off);
    QFETCH(QByteArray, answer);
    ThermalModel model;
    BathResponder responder(model);
    responder.setForcedStatus(forcedStatus);
    responder.setOff(off);
    for (const QByteArray& command : {Cmd::ReadInternal, Cmd::ReadSetpoint, QByteArray("nonsense")})
        QCOMPARE(responder.answer(command.trimmed(), 0).value_or(QByteArray()), answer);
}

void VirtualBathTest::modelHeatsAtAboutOneDegreeAMinute()
{
    ThermalModel model(20.0, 25.0);
    model.advanceTo(1000); // the first time only starts the clock
    QCOMPARE(model.internal(), 20.0);
    model.advanceTo(1060);
    QVERIFY2(std::abs(model.internal() - 21.0) < 0.15, qPrintable(QString::number(model.internal())));
    QVERIFY(model.external() < model.internal()); // lags behind
    QVERIFY(model.external() > 20.0);
    QCOMPARE(model.power(), 100.0);
    QVERIFY(!model.ready());

    model.advanceTo(1060 + 6 * 60);
    QVERIFY2(std::abs(model.internal() - 25.0) <= ThermalModel::kReadyBand, qPrintable(QString::number(model.internal())));
    QVERIFY(model.ready());
    QVERIFY(model.power() > 0 && model.power() < 20); // holds the temperature
    model.advanceTo(1060 + 30 * 60);
    QVERIFY(std::abs(model.external() - 25.0) < 0.2);

    model.advanceTo(500); // time running backwards changes nothing
    QVERIFY(model.ready());
}

void VirtualBathTest::modelCoolsWithTheHeaterOff()
{
    ThermalModel model(20.0, 20.0);
    model.advanceTo(0);
    model.setSetpoint(10.0);
    model.advanceTo(120);
    QVERIFY2(std::abs(model.internal() - 18.0) < 0.15, qPrintable(QString::number(model.internal())));
    QCOMPARE(model.power(), 0.0);
}

void VirtualBathTest::framing_data()
{
    QTest::addColumn<bool>("adapter");
    QTest::addColumn<VirtualBathFaults>("faults");
    QTest::addColumn<QList<QByteArray>>("written");
    QTest::addColumn<QList<QByteArray>>("answered"); // payloads of the input reports

    const QByteArray ask = Cmd::ReadSetpoint;
    const QByteArray line = ":00000000 0 25.00\r";
    const VirtualBathFaults none;
    QTest::newRow("direct") << false << none << QList<QByteArray>{DirectReport(ask)} << QList<QByteArray>{line};
    QTest::newRow("direct, console line ended by LF")
        << false << none << QList<QByteArray>{DirectReport(":00000000 set.val rd\n")} << QList<QByteArray>{line};
    QTest::newRow("direct, CR LF answers once")
        << false << none << QList<QByteArray>{DirectReport(":00000000 set.val rd\r\n")} << QList<QByteArray>{line};
    QTest::newRow("direct, command in two reports")
        << false << none << QList<QByteArray>{DirectReport(":00000000 set."), DirectReport("val rd\r")}
        << QList<QByteArray>{line};
    QTest::newRow("direct, two commands in one report")
        << false << none << QList<QByteArray>{DirectReport(ask + Cmd::ReadReadiness)}
        << QList<QByteArray>{line, ":00000000 0 0\r"};
    QTest::newRow("adapter before set-up: silent")
        << true << none << QList<QByteArray>{AdapterReport(ask)} << QList<QByteArray>{};
    QTest::newRow("adapter after set-up")
        << true << none << QList<QByteArray>{AdapterSetup(), AdapterReport(ask)} << QList<QByteArray>{line};
    QByteArray padded = AdapterReport(ask);
    padded.replace(5 + ask.size(), 4, ":000"); // behind the payload length: not a command
    QTest::newRow("adapter reads only its payload length")
        << true << none << QList<QByteArray>{AdapterSetup(), padded} << QList<QByteArray>{line};

    VirtualBathFaults silent;
    silent.noReply = true;
    QTest::newRow("no reply") << false << silent << QList<QByteArray>{DirectReport(ask)} << QList<QByteArray>{};
    VirtualBathFaults split;
    split.splitReply = true;
    QTest::newRow("reply in two reports") << false << split << QList<QByteArray>{DirectReport(ask)}
                                          << QList<QByteArray>{":00000000", " 0 25.00\r"};
    QTest::newRow("adapter reply in two reports") << true << split << QList<QByteArray>{AdapterSetup(), AdapterReport(ask)}
                                                  << QList<QByteArray>{":00000000", " 0 25.00\r"};
    VirtualBathFaults partial;
    partial.partialLine = true;
    QTest::newRow("partial line") << false << partial << QList<QByteArray>{DirectReport(ask)}
                                  << QList<QByteArray>{":00000000 0 25.00"};
    VirtualBathFaults off;
    off.off = true;
    QTest::newRow("adapter, bath off") << true << off << QList<QByteArray>{AdapterSetup(), AdapterReport(ask)}
                                       << QList<QByteArray>{":00000000 6\r"};
}

void VirtualBathTest::framing()
{
    QFETCH(bool, adapter);
    QFETCH(VirtualBathFaults, faults);
    QFETCH(QList<QByteArray>, written);
    QFETCH(QList<QByteArray>, answered);

    VirtualBath bath(VirtualBathConfig{.adapter = adapter});
    bath.setFaults(faults);
    QList<QByteArray> got;
    for (const QByteArray& report : written) {
        for (const QByteArray& reply : bath.receive(report, 0)) {
            QCOMPARE(reply.size(), VirtualBath::kReportLength);
            QCOMPARE(reply[0], '\0');
            got << Payload(reply, adapter);
        }
    }
    QCOMPARE(got, answered);
}

void VirtualBathTest::throughTheControllerInBothFramings_data()
{
    QTest::addColumn<bool>("adapter");
    QTest::newRow("direct") << false;
    QTest::newRow("adapter") << true;
}

void VirtualBathTest::throughTheControllerInBothFramings()
{
    QFETCH(bool, adapter);
    VirtualHidPlatform platform;
    platform.addBath(VirtualBathConfig{.serial = QStringLiteral("VB-0001"), .adapter = adapter});
    platform.setClock([] { return 0.0; });
    THidDeviceController controller(platform);
    THidDevice* bath = nullptr;
    QString vendor, product, serial;
    controller.SetOnArrival([&](THidDevice* device) {
        vendor = device->VendorName();
        product = device->ProductName();
        serial = device->SerialNumber();
        controller.CheckOutByProductName(bath, product);
    });
    QTRY_VERIFY(bath);
    QCOMPARE(vendor, QStringLiteral("Orvelle"));
    QCOMPARE(product, adapter ? QStringLiteral("USB-RS adapter") : QStringLiteral("Kelmora thermostat"));
    QCOMPARE(serial, QStringLiteral("VB-0001"));
    QVERIFY(bath->HasReadWriteAccess());

    QByteArray received;
    bath->SetOnData([&](THidDevice*, uint8_t id, const uint8_t* data, uint16_t size) {
        QCOMPARE(id, uint8_t(0));
        const Framing::ScanRange range = Framing::InputScanRange(data, size, adapter);
        received.append(reinterpret_cast<const char*>(data) + range.begin, range.count);
        received.replace('\0', QByteArray()); // the zeros that fill a direct report
    });
    const HIDP_CAPS caps = bath->Caps();
    QCOMPARE(caps.InputReportByteLength, uint16_t(65));
    QCOMPARE(caps.OutputReportByteLength, uint16_t(65));

    std::vector<uint8_t> report(caps.OutputReportByteLength);
    uint32_t written = 0;
    if (adapter) {
        Framing::BuildAdapterSetup(report.data(), uint32_t(report.size()));
        QVERIFY(bath->WriteFile(report.data(), uint32_t(report.size()), written));
    }
    const QByteArray commands = Cmd::ReadSetpoint + ":00000000 set.val wr 30\r" + Cmd::ReadSetpoint;
    for (uint32_t piece = 0; piece < Framing::PieceCount(commands.size(), uint32_t(report.size()), adapter); ++piece) {
        Framing::BuildReport(report.data(), uint32_t(report.size()), commands, piece, adapter);
        QVERIFY(bath->WriteFile(report.data(), uint32_t(report.size()), written));
        QCOMPARE(written, uint32_t(report.size()));
    }
    const QByteArray expected = ":00000000 0 25.00\r:00000000 0\r:00000000 0 30.00\r";
    QTRY_COMPARE(received.left(expected.size()), expected);
    controller.CheckIn(bath);
}

void VirtualBathTest::unplugAndReplugGiveRemovalAndANewDevice()
{
    VirtualHidPlatform platform;
    platform.addBath(VirtualBathConfig{.serial = QStringLiteral("VB-0001")});
    THidDeviceController controller(platform);
    QStringList log;
    THidDevice* held = nullptr;
    std::vector<THidDevice*> arrived;
    controller.SetOnArrival([&](THidDevice* device) {
        log << QStringLiteral("arrival ") + device->SerialNumber();
        arrived.push_back(device);
        if (!held)
            controller.CheckOutByProductName(held, device->ProductName());
    });
    controller.SetOnRemoval([&](THidDevice* device) {
        log << QStringLiteral("removal ") + device->SerialNumber();
        if (device == held)
            controller.CheckIn(held);
    });
    QTRY_COMPARE(log.size(), 1);
    held->SetOnData([](THidDevice*, uint8_t, const uint8_t*, uint16_t) {});

    platform.unplug(QStringLiteral("VB-0001"));
    platform.replug(QStringLiteral("VB-0001"));
    QCOMPARE(log, (QStringList{"arrival VB-0001", "removal VB-0001", "arrival VB-0001"}));
    QCOMPARE(arrived.size(), size_t(2));
    QVERIFY(held);
    QCOMPARE(held, arrived[1]);
    controller.CheckIn(held);
}

void VirtualBathTest::theWindowHearsOfTheBathOnceItExists()
{
    // As quintara-demo starts: one direct bath, present before the window.
    VirtualHidPlatform platform;
    platform.addBath(VirtualBathConfig{.serial = QStringLiteral("VB-0001")});
    WindowFixture fixture(&platform);
    TMainFrm& window = fixture.window();
    QVERIFY(window.HidController->ListedDevices().empty()); // not during the window's construction
    QTRY_COMPARE(window.HidController->ListedDevices().size(), size_t(1));
    THidDevice* bath = window.HidController->ListedDevices().front();
    // The window's arrival handler read the vendor while the bath was announced.
    QVERIFY(!bath->CanAccess() || bath->IsCheckedOut());
    QCOMPARE(bath->VendorName(), QStringLiteral("Orvelle"));
    QVERIFY(fixture.close());
}

QTEST_MAIN(VirtualBathTest)
#include "tst_virtualbath.moc"
