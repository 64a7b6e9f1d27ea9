// A device and its read thread: reports reach the GUI thread in order, one at a
// time; stopping never deadlocks, also from inside a handler; errors are handed
// over; a throwing handler ends its reader quietly.
//
// The node is one end of a SOCK_SEQPACKET socket pair, which keeps report
// boundaries like hidraw, read through the Linux backend's own connection.

#include "link/hid/HidDeviceController.h"
#include "link/hid/HidDeviceReadThread.h"
#include "link/hid/LinuxHidPlatform.h"
#include "support/FakeHidPlatform.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <thread>

namespace {

// One device whose node is a socket: the test holds the other end.
class SocketPlatform : public HidPlatform {
public:
    explicit SocketPlatform(bool numbered) : numbered_(numbered)
    {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) == 0) {
            deviceEnd_ = ends[0];
            testEnd_ = ends[1];
        }
    }
    ~SocketPlatform() override
    {
        hangUp();
        if (deviceEnd_ >= 0)
            ::close(deviceEnd_);
    }

    bool isAvailable() const override { return true; }
    std::vector<THidPnPInfo> enumerate() override
    {
        if (!present_)
            return {};
        return {THidPnPInfo{QStringLiteral("/sys/devices/test/hidraw/hidraw0"), QStringLiteral("/dev/hidraw0")}};
    }
    std::optional<HidDeviceDescription> describe(const THidPnPInfo&) override
    {
        HidDeviceDescription description;
        description.Identified = true;
        description.Manufacturer = QStringLiteral("Orvelle");
        description.Product = QStringLiteral("Kelmora thermostat");
        description.Caps.InputReportByteLength = 9;
        description.Caps.OutputReportByteLength = 9;
        description.Caps.NumberedReports = numbered_;
        return description;
    }
    std::shared_ptr<HidConnection> open(const THidPnPInfo&, int& error) override
    {
        if (!present_) {
            error = ENOENT;
            return nullptr;
        }
        error = 0;
        return MakeHidrawConnection(::fcntl(deviceEnd_, F_DUPFD_CLOEXEC, 0), numbered_);
    }

    // What the device sends: for an unnumbered device without the id byte, as hidraw gives it.
    void send(const QByteArray& report) { ::send(testEnd_, report.constData(), size_t(report.size()), 0); }
    // What the program wrote, one report per call; empty when nothing waits.
    QByteArray receive()
    {
        char buffer[256];
        const ssize_t count = ::recv(testEnd_, buffer, sizeof buffer, MSG_DONTWAIT);
        return count > 0 ? QByteArray(buffer, count) : QByteArray();
    }
    // The device goes away under the reader: the node reports a hang-up.
    void hangUp()
    {
        if (testEnd_ >= 0)
            ::close(testEnd_);
        testEnd_ = -1;
    }
    void setPresent(bool present) { present_ = present; }

private:
    bool numbered_;
    bool present_ = true;
    int deviceEnd_ = -1;
    int testEnd_ = -1;
};

struct Delivered {
    uint8_t id;
    QByteArray data;
};

// A controller over a platform with the device checked out as the window does.
template <class Platform>
struct Held {
    Platform& platform;
    THidDeviceController controller;
    THidDevice* device = nullptr;
    std::vector<Delivered> delivered;
    std::vector<uint32_t> errors;

    explicit Held(Platform& p) : platform(p), controller(p)
    {
        controller.SetDevThreadSleepTime(10);
        controller.SetOnArrival([this](THidDevice* arrived) {
            if (!device)
                controller.CheckOutByProductName(device, arrived->ProductName());
        });
        controller.SetOnDeviceDataError([this](THidDevice*, uint32_t error) { errors.push_back(error); });
        QCoreApplication::processEvents();
    }
    ~Held()
    {
        if (device)
            controller.CheckIn(device);
    }
    THidDataEvent recorder()
    {
        return [this](THidDevice*, uint8_t id, const uint8_t* data, uint16_t size) {
            delivered.push_back({id, QByteArray(reinterpret_cast<const char*>(data), size)});
        };
    }
};

void settle(int ms)
{
    QTest::qWait(ms);
}

} // namespace

class HidDeviceTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void reportsArriveInOrderWithIdAndData_data();
    void reportsArriveInOrderWithIdAndData();
    void writeSendsTheWholeReport();
    void stopServesAHandOverThatIsPending();
    void stopFromInsideTheOwnHandOverReturnsAtOnce();
    void unplugInsideAHandlersModalLoopIsSafe();
    void settingTheSameHandlerAgainStartsNothing();
    void onDataNoneThenSetRestartsReading();
    void readErrorsAreHandedOverAndReadingGoesOn();
    void aReadThatTransferredNothingStartsTheNext();
    void pollingDelayPausesAfterEachReportAndAStopCutsItShort();
    void hangUpGivesDataErrorsUntilCheckIn();
    void handlerThatThrowsEndsTheReaderQuietly();
    void timesOutsideTheirRangeKeepTheOldValue_data();
    void timesOutsideTheirRangeKeepTheOldValue();
    void serialEqualToTheLanguageIdsIsEmpty_data();
    void serialEqualToTheLanguageIdsIsEmpty();
};

void HidDeviceTest::cleanup()
{
    QTRY_COMPARE(THidDeviceReadThread::LiveCount(), 0);
}

void HidDeviceTest::reportsArriveInOrderWithIdAndData_data()
{
    QTest::addColumn<bool>("numbered");
    QTest::addColumn<QList<QByteArray>>("sent");       // as the node gives them
    QTest::addColumn<QList<QByteArray>>("delivered"); // id byte, then the data
    QTest::newRow("unnumbered: id 0 put in front")
        << false << QList<QByteArray>{"abc", QByteArray("\r\0\0", 3), "12345678"}
        << QList<QByteArray>{QByteArray("\0abc", 4), QByteArray("\0\r\0\0", 4), QByteArray("\0" "12345678", 9)};
    QTest::newRow("numbered: the id as sent")
        << true << QList<QByteArray>{"\x01xy", "\x02z"} << QList<QByteArray>{"\x01xy", "\x02z"};
}

void HidDeviceTest::reportsArriveInOrderWithIdAndData()
{
    QFETCH(bool, numbered);
    QFETCH(QList<QByteArray>, sent);
    QFETCH(QList<QByteArray>, delivered);

    SocketPlatform node(numbered);
    Held held(node);
    QVERIFY(held.device);
    const std::thread::id gui = std::this_thread::get_id();
    bool onGuiThread = true;
    held.device->SetOnData([&](THidDevice* device, uint8_t id, const uint8_t* data, uint16_t size) {
        onGuiThread = onGuiThread && std::this_thread::get_id() == gui && device == held.device;
        held.delivered.push_back({id, QByteArray(reinterpret_cast<const char*>(data), size)});
    });
    for (const QByteArray& report : sent)
        node.send(report);
    QTRY_COMPARE(held.delivered.size(), size_t(delivered.size()));
    for (qsizetype i = 0; i < delivered.size(); ++i) {
        QCOMPARE(held.delivered[size_t(i)].id, uint8_t(delivered[i][0]));
        QCOMPARE(held.delivered[size_t(i)].data, delivered[i].mid(1));
    }
    QVERIFY(onGuiThread);
}

void HidDeviceTest::writeSendsTheWholeReport()
{
    SocketPlatform node(false);
    Held held(node);
    const QByteArray report("\0:00000000 isrdy rd\r", 20);
    uint32_t written = 0;
    QVERIFY(held.device->WriteFile(report.constData(), uint32_t(report.size()), written));
    QCOMPARE(written, uint32_t(report.size()));
    QCOMPARE(node.receive(), report);
}

void HidDeviceTest::stopServesAHandOverThatIsPending()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath = fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    held.device->SetOnData(held.recorder());
    bath.pushInput(QByteArray("\0ok\r", 4));
    // The reader takes the report and waits for the GUI thread, which does not
    // run its event loop here.
    for (int waited = 0; bath.pending() > 0 && waited < 5000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    QCOMPARE(bath.pending(), 0);
    // Time for the reader to queue its hand-over (microseconds; generous for loaded machines).
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QVERIFY(held.delivered.empty());

    held.device->SetOnData(nullptr);
    QCOMPARE(held.delivered.size(), size_t(1)); // run by the stop itself
    QVERIFY(!held.device->IsReading());
    QCOMPARE(THidDeviceReadThread::LiveCount(), 0);
    settle(20); // the queued call finds its slot served
    QCOMPARE(held.delivered.size(), size_t(1));
}

void HidDeviceTest::stopFromInsideTheOwnHandOverReturnsAtOnce()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath = fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    bool readingAfterStop = true;
    int readersDuringHandler = -1;
    held.device->SetOnData([&](THidDevice* device, uint8_t, const uint8_t*, uint16_t) {
        device->SetOnData(nullptr); // would wait for itself
        readingAfterStop = device->IsReading();
        readersDuringHandler = THidDeviceReadThread::LiveCount();
    });
    bath.pushInput(QByteArray("\0a", 2));
    bath.pushInput(QByteArray("\0b", 2));
    QTRY_COMPARE(readersDuringHandler, 1); // detached, not yet reaped
    QVERIFY(!readingAfterStop);
    QCOMPARE(THidDeviceReadThread::LiveCount(), 0); // reaped when the hand-over returned
    settle(30);
    QCOMPARE(bath.pending(), 1); // the second report was never read
}

void HidDeviceTest::unplugInsideAHandlersModalLoopIsSafe()
{
    // A handler shows a modal box; meanwhile the bath is unplugged, and the
    // removal handler gives it back, which destroys it under the running hand-over.
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath = fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    held.controller.SetOnRemoval([&](THidDevice* removed) {
        held.controller.CheckIn(removed);
        held.device = nullptr;
    });
    int handled = 0;
    held.device->SetOnData([&](THidDevice*, uint8_t, const uint8_t*, uint16_t) {
        ++handled;
        QEventLoop modal;
        QTimer::singleShot(0, &modal, [&] {
            fake.unplug(bath);
            modal.quit();
        });
        modal.exec();
    });
    bath.pushInput(QByteArray("\0a", 2));
    QTRY_VERIFY(!held.device);
    QCOMPARE(handled, 1);
    QVERIFY(held.controller.ListedDevices().empty());
}

void HidDeviceTest::settingTheSameHandlerAgainStartsNothing()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath = fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    const THidDataEvent handler = held.recorder();
    held.device->SetOnData(handler);
    held.device->SetOnData(handler);
    QCOMPARE(THidDeviceReadThread::LiveCount(), 1);
    bath.pushInput(QByteArray("\0a", 2));
    QTRY_HANDLED(bath, 1);
    QCOMPARE(held.delivered.size(), size_t(1));
}

void HidDeviceTest::onDataNoneThenSetRestartsReading()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath = fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    held.device->SetOnData(held.recorder());
    QVERIFY(held.device->IsReading());
    held.device->SetOnData(nullptr);
    QVERIFY(!held.device->IsReading());
    bath.pushInput(QByteArray("\0late", 5));
    settle(50);
    QVERIFY(held.delivered.empty());
    held.device->SetOnData(held.recorder());
    QTRY_COMPARE(held.delivered.size(), size_t(1));
    QCOMPARE(held.delivered[0].data, QByteArray("late"));
}

void HidDeviceTest::readErrorsAreHandedOverAndReadingGoesOn()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath = fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    held.device->SetOnData(held.recorder());
    bath.pushReadError(EIO);
    bath.pushInput(QByteArray("\0after", 6));
    QTRY_COMPARE(held.delivered.size(), size_t(1));
    QCOMPARE(held.errors, std::vector<uint32_t>{EIO});
}

void HidDeviceTest::aReadThatTransferredNothingStartsTheNext()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath = fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    held.device->SetOnData(held.recorder());
    bath.pushInput(QByteArray());
    bath.pushInput(QByteArray("\0next", 5));
    QTRY_COMPARE(held.delivered.size(), size_t(1));
    QCOMPARE(held.delivered[0].data, QByteArray("next"));
    QVERIFY(held.errors.empty());
}

void HidDeviceTest::pollingDelayPausesAfterEachReportAndAStopCutsItShort()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath = fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    held.device->SetPollingDelayTime(10000);
    held.device->SetOnData(held.recorder());
    bath.pushInput(QByteArray("\0a", 2));
    bath.pushInput(QByteArray("\0b", 2));
    QTRY_COMPARE(held.delivered.size(), size_t(1));
    settle(100);
    QCOMPARE(held.delivered.size(), size_t(1)); // the reader pauses before the next read
    held.device->SetOnData(nullptr);              // and a stop does not wait the pause out
    QVERIFY(!held.device->IsReading());
    QCOMPARE(bath.pending(), 1);
}

void HidDeviceTest::hangUpGivesDataErrorsUntilCheckIn()
{
    SocketPlatform node(false);
    Held held(node);
    held.device->SetOnData(held.recorder());
    node.send("last");
    QTRY_COMPARE(held.delivered.size(), size_t(1));

    // Gone under the reader before the program noticed: the node hangs up.
    node.hangUp();
    QTRY_VERIFY(held.errors.size() >= 2);
    QVERIFY(std::all_of(held.errors.begin(), held.errors.end(), [](uint32_t e) { return e == ENODEV; }));

    // Noticed: the device is marked unplugged and stays held; errors go on.
    node.setPresent(false);
    Q_EMIT node.devicesChanged();
    QVERIFY(!held.device->IsPluggedIn());
    const size_t before = held.errors.size();
    QTRY_VERIFY(held.errors.size() >= before + 2);

    held.controller.CheckIn(held.device);
    const size_t atCheckIn = held.errors.size();
    settle(50);
    QCOMPARE(held.errors.size(), atCheckIn);
    QCOMPARE(held.delivered.size(), size_t(1));
}

void HidDeviceTest::handlerThatThrowsEndsTheReaderQuietly()
{
    FakeHidPlatform fake;
    FakeHidPlatform::Device& bath = fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    int calls = 0;
    const THidDataEvent throwing = [&](THidDevice*, uint8_t, const uint8_t*, uint16_t) {
        ++calls;
        throw std::runtime_error("handler failed");
    };
    held.device->SetOnData(throwing);
    bath.pushInput(QByteArray("\0a", 2));
    bath.pushInput(QByteArray("\0b", 2));
    QTRY_COMPARE(calls, 1);
    QTRY_VERIFY(!held.device->IsReading());
    settle(30);
    QCOMPARE(calls, 1);
    QCOMPARE(bath.pending(), 1);

    // The ended reader still exists: setting a handler starts nothing.
    held.device->SetOnData(held.recorder());
    settle(30);
    QVERIFY(held.delivered.empty());
    // Cleared and set again, reading restarts.
    held.device->SetOnData(nullptr);
    held.device->SetOnData(held.recorder());
    QTRY_COMPARE(held.delivered.size(), size_t(1));
    QCOMPARE(held.delivered[0].data, QByteArray("b"));
}

void HidDeviceTest::timesOutsideTheirRangeKeepTheOldValue_data()
{
    QTest::addColumn<bool>("sleepTime");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("delay 0") << false << 0 << 0;
    QTest::newRow("delay 10000") << false << 10000 << 10000;
    QTest::newRow("delay -1") << false << -1 << 5;
    QTest::newRow("delay 10001") << false << 10001 << 5;
    QTest::newRow("slice 10") << true << 10 << 10;
    QTest::newRow("slice 10000") << true << 10000 << 10000;
    QTest::newRow("slice 9") << true << 9 << 50;
    QTest::newRow("slice 10001") << true << 10001 << 50;
}

void HidDeviceTest::timesOutsideTheirRangeKeepTheOldValue()
{
    QFETCH(bool, sleepTime);
    QFETCH(int, value);
    QFETCH(int, expected);
    FakeHidPlatform fake;
    fake.add({.id = QStringLiteral("bath")});
    Held held(fake);
    held.device->SetPollingDelayTime(5);
    held.device->SetThreadSleepTime(50);
    if (sleepTime) {
        held.device->SetThreadSleepTime(value);
        QCOMPARE(held.device->ThreadSleepTime(), expected);
    } else {
        held.device->SetPollingDelayTime(value);
        QCOMPARE(held.device->PollingDelayTime(), expected);
    }
}

void HidDeviceTest::serialEqualToTheLanguageIdsIsEmpty_data()
{
    using Ids = std::optional<std::vector<uint16_t>>;
    QTest::addColumn<QString>("serial");
    QTest::addColumn<Ids>("languageIds");
    QTest::addColumn<QString>("expected");
    const QString usEnglish(QChar(0x0409));
    QTest::newRow("no list on this platform") << "VB-0001" << Ids() << "VB-0001";
    QTest::newRow("list differs") << "VB-0001" << Ids(std::vector<uint16_t>{0x0409}) << "VB-0001";
    QTest::newRow("serial is the list") << usEnglish << Ids(std::vector<uint16_t>{0x0409}) << "";
    QTest::newRow("list with its terminating 0") << usEnglish << Ids(std::vector<uint16_t>{0x0409, 0, 0xFFFF}) << "";
    QTest::newRow("list unreadable") << "VB-0001" << Ids(std::vector<uint16_t>{}) << "";
    QTest::newRow("serial longer than the list") << usEnglish + "7" << Ids(std::vector<uint16_t>{0x0409}) << "";
}

void HidDeviceTest::serialEqualToTheLanguageIdsIsEmpty()
{
    using Ids = std::optional<std::vector<uint16_t>>;
    QFETCH(QString, serial);
    QFETCH(Ids, languageIds);
    QFETCH(QString, expected);
    QCOMPARE(SerialWithoutLanguageIds(serial, languageIds), expected);
}

QTEST_GUILESS_MAIN(HidDeviceTest)
#include "tst_hiddevice.moc"
