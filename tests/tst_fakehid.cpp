// The scripted HID platform of the tests behaves like a platform: it is the
// ground the controller and protocol tests stand on.

#include "support/FakeHidPlatform.h"

#include <QSignalSpy>
#include <QTest>

#include <thread>

using ReadStatus = HidConnection::ReadStatus;

class FakeHidTest : public QObject {
    Q_OBJECT

private slots:
    void plugAndUnplugChangeTheListAndNotify();
    void describeGivesTheScriptedStrings();
    void openFollowsTheScriptedAccess_data();
    void openFollowsTheScriptedAccess();
    void readDeliversPushedReportsInOrder();
    void readWaitsTimesOutAndCanBeInterrupted();
    void readErrorsAndUnplugFailTheRead();
    void writesAreRecordedAndCanFail();
    void handledCountsReportsWhoseReaderCameBack();
};

void FakeHidTest::plugAndUnplugChangeTheListAndNotify()
{
    FakeHidPlatform fake;
    QSignalSpy changed(&fake, &HidPlatform::devicesChanged);

    FakeHidPlatform::Device& before = fake.add({.id = QStringLiteral("a")});
    QCOMPARE(changed.count(), 0);
    FakeHidPlatform::Device& later = fake.plug({.id = QStringLiteral("b")});
    QCOMPARE(changed.count(), 1);

    std::vector<THidPnPInfo> present = fake.enumerate();
    QCOMPARE(present.size(), size_t(2));
    QCOMPARE(present[0].DeviceID, QStringLiteral("a"));
    QCOMPARE(present[0].DevicePath, QStringLiteral("/dev/fake-a"));
    QCOMPARE(present[1].DeviceID, QStringLiteral("b"));

    fake.unplug(before);
    QCOMPARE(changed.count(), 2);
    QVERIFY(!before.present());
    QVERIFY(later.present());
    present = fake.enumerate();
    QCOMPARE(present.size(), size_t(1));
    QCOMPARE(present[0].DeviceID, QStringLiteral("b"));
    QCOMPARE(fake.scans(), 2);
}

void FakeHidTest::describeGivesTheScriptedStrings()
{
    FakeHidPlatform fake;
    fake.add({.id = QStringLiteral("bath"), .vendor = QStringLiteral("Orvelle"),
              .product = QStringLiteral("USB-RS adapter"), .serial = QStringLiteral("S-1"),
              .inputLength = 9, .outputLength = 17, .numbered = true});
    fake.add({.id = QStringLiteral("mute"), .describable = false});
    fake.add({.id = QStringLiteral("anon"), .identified = false});

    const std::optional<HidDeviceDescription> bath = fake.describe({QStringLiteral("bath"), {}});
    QVERIFY(bath);
    QVERIFY(bath->Identified);
    QCOMPARE(bath->Manufacturer, QStringLiteral("Orvelle"));
    QCOMPARE(bath->Product, QStringLiteral("USB-RS adapter"));
    QCOMPARE(bath->Serial, QStringLiteral("S-1"));
    QCOMPARE(bath->Caps.InputReportByteLength, uint16_t(9));
    QCOMPARE(bath->Caps.OutputReportByteLength, uint16_t(17));
    QVERIFY(bath->Caps.NumberedReports);
    QVERIFY(!bath->LanguageIds);

    QVERIFY(!fake.describe({QStringLiteral("mute"), {}}));
    QVERIFY(!fake.describe({QStringLiteral("anon"), {}})->Identified);
    QVERIFY(!fake.describe({QStringLiteral("absent"), {}}));
}

void FakeHidTest::openFollowsTheScriptedAccess_data()
{
    QTest::addColumn<bool>("readWrite");
    QTest::addColumn<bool>("unplugged");
    QTest::addColumn<int>("expectedError");

    QTest::newRow("read/write") << true << false << 0;
    QTest::newRow("no access") << false << false << int(EACCES);
    QTest::newRow("unplugged") << true << true << int(ENOENT);
}

void FakeHidTest::openFollowsTheScriptedAccess()
{
    QFETCH(bool, readWrite);
    QFETCH(bool, unplugged);
    QFETCH(int, expectedError);

    FakeHidPlatform fake;
    FakeHidPlatform::Device& device = fake.add({.id = QStringLiteral("d"), .readWrite = readWrite});
    if (unplugged)
        fake.unplug(device);
    int error = -1;
    std::shared_ptr<HidConnection> connection = fake.open(device.pnp(), error);
    QCOMPARE(error, expectedError);
    QCOMPARE(bool(connection), expectedError == 0);
    QCOMPARE(device.openConnections(), expectedError == 0 ? 1 : 0);
    connection.reset();
    QCOMPARE(device.openConnections(), 0);
}

void FakeHidTest::readDeliversPushedReportsInOrder()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& device = fake.add({.id = QStringLiteral("d")});
    device.pushInput(QByteArray::fromHex("00414243"));
    int error = 0;
    std::shared_ptr<HidConnection> connection = fake.open(device.pnp(), error);
    device.pushInput(QByteArray::fromHex("0144"));
    QCOMPARE(device.pending(), 2);

    uint8_t buffer[8] = {};
    HidConnection::ReadResult result = connection->read(buffer, sizeof buffer, 1000);
    QCOMPARE(result.Status, ReadStatus::Report);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buffer), qsizetype(result.Length)), QByteArray::fromHex("00414243"));
    result = connection->read(buffer, sizeof buffer, 1000);
    QCOMPARE(result.Status, ReadStatus::Report);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buffer), qsizetype(result.Length)), QByteArray::fromHex("0144"));
    QCOMPARE(device.pending(), 0);
}

void FakeHidTest::readWaitsTimesOutAndCanBeInterrupted()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& device = fake.add({.id = QStringLiteral("d")});
    int error = 0;
    std::shared_ptr<HidConnection> connection = fake.open(device.pnp(), error);
    uint8_t buffer[4];
    QCOMPARE(connection->read(buffer, sizeof buffer, 10).Status, ReadStatus::TimedOut);

    ReadStatus status = ReadStatus::Report;
    std::thread reader([&] { status = connection->read(buffer, sizeof buffer, 10000).Status; });
    QTest::qWait(20);
    connection->interrupt();
    reader.join();
    QCOMPARE(status, ReadStatus::Interrupted);
    // The interruption is used up; the connection goes on working.
    device.pushInput(QByteArray::fromHex("00"));
    QCOMPARE(connection->read(buffer, sizeof buffer, 1000).Status, ReadStatus::Report);
}

void FakeHidTest::readErrorsAndUnplugFailTheRead()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& device = fake.add({.id = QStringLiteral("d")});
    int error = 0;
    std::shared_ptr<HidConnection> connection = fake.open(device.pnp(), error);
    uint8_t buffer[4];
    device.pushReadError(EIO);
    device.pushInput(QByteArray::fromHex("00"));
    HidConnection::ReadResult result = connection->read(buffer, sizeof buffer, 1000);
    QCOMPARE(result.Status, ReadStatus::Failed);
    QCOMPARE(result.Error, EIO);
    QCOMPARE(connection->read(buffer, sizeof buffer, 1000).Status, ReadStatus::Report);

    fake.unplug(device);
    result = connection->read(buffer, sizeof buffer, 1000);
    QCOMPARE(result.Status, ReadStatus::Failed);
    QCOMPARE(result.Error, ENODEV);
}

void FakeHidTest::writesAreRecordedAndCanFail()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& device = fake.add({.id = QStringLiteral("d")});
    QByteArray answered;
    device.onWrite = [&](const QByteArray& report) { answered = report; };
    int error = 0;
    std::shared_ptr<HidConnection> connection = fake.open(device.pnp(), error);
    const uint8_t first[] = {0, 'a'};
    const uint8_t second[] = {0, 'b', 'c'};
    size_t written = 0;
    QVERIFY(connection->write(first, sizeof first, written, error));
    QCOMPARE(written, sizeof first);
    QVERIFY(connection->write(second, sizeof second, written, error));
    QCOMPARE(device.writes(), (std::vector<QByteArray>{QByteArray("\0a", 2), QByteArray("\0bc", 3)}));
    QCOMPARE(answered, QByteArray("\0bc", 3));

    device.failWrites(EPIPE);
    QVERIFY(!connection->write(first, sizeof first, written, error));
    QCOMPARE(error, EPIPE);
    QCOMPARE(written, size_t(0));
    device.failWrites(0);
    fake.unplug(device);
    QVERIFY(!connection->write(first, sizeof first, written, error));
    QCOMPARE(error, ENODEV);
    QCOMPARE(device.writes().size(), size_t(2));
}

void FakeHidTest::handledCountsReportsWhoseReaderCameBack()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& device = fake.add({.id = QStringLiteral("d")});
    int error = 0;
    std::shared_ptr<HidConnection> connection = fake.open(device.pnp(), error);
    for (int i = 0; i < 3; ++i)
        device.pushInput(QByteArray(1, char(i)));

    std::atomic<bool> stop = false;
    std::thread reader([&] {
        uint8_t buffer[4];
        while (!stop)
            connection->read(buffer, sizeof buffer, 10);
    });
    QTRY_HANDLED(device, 3);
    QVERIFY(device.waitHandled(3, 100));
    QVERIFY(!device.waitHandled(4, 50));
    stop = true;
    reader.join();

    // A reader that stops after a report still counts it once its connection closes.
    device.pushInput(QByteArray(1, 'x'));
    uint8_t buffer[4];
    QCOMPARE(connection->read(buffer, sizeof buffer, 1000).Status, ReadStatus::Report);
    QCOMPARE(device.handled(), 3);
    connection.reset();
    QCOMPARE(device.handled(), 4);
}

QTEST_GUILESS_MAIN(FakeHidTest)
#include "tst_fakehid.moc"
