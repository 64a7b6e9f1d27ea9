// The HID device controller on the scripted platform: the list, the events,
// check-out and check-in.

#include "link/hid/HidDeviceController.h"
#include "link/hid/HidDeviceReadThread.h"
#include "support/FakeHidPlatform.h"

#include <QTest>

using Traits = FakeHidPlatform::Traits;

namespace {

Traits bath(const QString& id, const QString& product = QStringLiteral("Kelmora thermostat"))
{
    return Traits{.id = id, .product = product, .serial = id.toUpper()};
}

// A controller on a fake platform with every event logged as "arrival:<id>",
// "removal:<id>" or "change". The handlers can be extended per test.
struct ControllerFixture {
    FakeHidPlatform fake;
    std::unique_ptr<THidDeviceController> controller;
    QStringList log;
    std::function<void(THidDevice*)> onArrival;
    std::function<void(THidDevice*)> onRemoval;
    std::vector<std::exception_ptr> errors;

    void start()
    {
        controller = std::make_unique<THidDeviceController>(fake);
        controller->SetDevThreadSleepTime(10);
        controller->SetOnArrival([this](THidDevice* device) {
            log << QStringLiteral("arrival:") + device->PnPInfo().DeviceID;
            if (onArrival)
                onArrival(device);
        });
        controller->SetOnRemoval([this](THidDevice* device) {
            log << QStringLiteral("removal:") + device->PnPInfo().DeviceID;
            if (onRemoval)
                onRemoval(device);
        });
        controller->SetOnDeviceChange([this] { log << QStringLiteral("change"); });
        controller->SetOnError([this](std::exception_ptr error) { errors.push_back(error); });
    }
    // Lets the queued first rebuild run.
    void startAndSettle()
    {
        start();
        QCoreApplication::processEvents();
    }
    THidDevice* listed(const QString& id) const
    {
        for (THidDevice* device : controller->ListedDevices())
            if (device->PnPInfo().DeviceID == id)
                return device;
        return nullptr;
    }
    QStringList ids() const
    {
        QStringList result;
        for (THidDevice* device : controller->ListedDevices())
            result << device->PnPInfo().DeviceID;
        return result;
    }
};

QString errorText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
}

} // namespace

class HidControllerTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void firstRebuildWithoutDevicesRaisesOnlyDeviceChange();
    void devicesPresentAtStartArriveInScanOrderOnceTheLoopRuns();
    void dormantPlatformIsNeverScanned();
    void aNoticeWithoutChangeRaisesNothing();
    void removalOfACheckedInDeviceDestroysItAfterOnRemoval();
    void removalOfACheckedOutDeviceKeepsItUntilCheckIn();
    void checkInFromInsideOnRemovalIsNotTouchedAgain_data();
    void checkInFromInsideOnRemovalIsNotTouchedAgain();
    void replugGivesANewObject();
    void checkOutByProductName_data();
    void checkOutByProductName();
    void namesOutsideAnnouncementAreOnlyThoseReadBefore();
    void checkInOfAPluggedInDeviceMakesItAvailableAgain();
    void creationErrorLeavesTheListUntouched_data();
    void creationErrorLeavesTheListUntouched();
    void noticeDuringARebuildLeadsToOneMoreRebuild();
    void deviceDataErrorHandlerReplacesOnlyTheInheritedOne();
    void queryOnlyDeviceIsListedButNeverRead();
    void destructionEndsReadingAndUnplugsCheckedOutDevices();
};

void HidControllerTest::cleanup()
{
    QCOMPARE(THidDeviceReadThread::LiveCount(), 0);
}

void HidControllerTest::firstRebuildWithoutDevicesRaisesOnlyDeviceChange()
{
    ControllerFixture f;
    f.start();
    QVERIFY(!f.controller->IsDormant());
    QCOMPARE(f.fake.scans(), 0); // queued, not run in the constructor
    QCoreApplication::processEvents();
    QCOMPARE(f.log, QStringList{QStringLiteral("change")});
    QCOMPARE(f.fake.scans(), 1);
}

void HidControllerTest::devicesPresentAtStartArriveInScanOrderOnceTheLoopRuns()
{
    ControllerFixture f;
    f.fake.add(bath(QStringLiteral("a")));
    f.fake.add(bath(QStringLiteral("b")));
    f.fake.add(Traits{.id = QStringLiteral("kbd"), .vendor = QStringLiteral("Logi"), .readWrite = false});
    f.start();
    QVERIFY(f.log.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(f.log, (QStringList{"arrival:a", "arrival:b", "arrival:kbd", "change"}));
    QCOMPARE(f.ids(), (QStringList{"a", "b", "kbd"}));
}

void HidControllerTest::dormantPlatformIsNeverScanned()
{
    ControllerFixture f;
    f.fake.add(bath(QStringLiteral("a")));
    f.fake.setAvailable(false);
    f.startAndSettle();
    f.fake.plug(bath(QStringLiteral("b")));
    QCoreApplication::processEvents();
    QVERIFY(f.controller->IsDormant());
    QCOMPARE(f.fake.scans(), 0);
    QVERIFY(f.log.isEmpty());
    QVERIFY(f.controller->ListedDevices().empty());
}

void HidControllerTest::aNoticeWithoutChangeRaisesNothing()
{
    ControllerFixture f;
    f.fake.add(bath(QStringLiteral("a")));
    f.startAndSettle();
    THidDevice* a = f.listed(QStringLiteral("a"));
    f.log.clear();
    // The same identity in the next scan is the same device: it is not adopted twice.
    f.fake.notify();
    QVERIFY(f.log.isEmpty());
    QCOMPARE(f.fake.scans(), 2);
    QCOMPARE(f.controller->ListedDevices(), std::vector<THidDevice*>{a});
}

void HidControllerTest::removalOfACheckedInDeviceDestroysItAfterOnRemoval()
{
    ControllerFixture f;
    FakeHidPlatform::Device& a = f.fake.add(bath(QStringLiteral("a")));
    f.fake.add(bath(QStringLiteral("b")));
    f.onArrival = [](THidDevice* device) { device->ProductName(); };
    f.startAndSettle();
    f.log.clear();

    bool pluggedInDuringRemoval = true;
    bool accessibleDuringRemoval = true;
    QString nameDuringRemoval;
    bool listedDuringRemoval = false;
    f.onRemoval = [&](THidDevice* device) {
        pluggedInDuringRemoval = device->IsPluggedIn();
        accessibleDuringRemoval = device->CanAccess();
        nameDuringRemoval = device->ProductName();
        listedDuringRemoval = f.listed(QStringLiteral("a")) == device;
    };
    f.fake.unplug(a);
    QCOMPARE(f.log, (QStringList{"removal:a", "change"}));
    QVERIFY(!pluggedInDuringRemoval);
    QVERIFY(!accessibleDuringRemoval);
    QCOMPARE(nameDuringRemoval, QStringLiteral("Kelmora thermostat")); // read earlier, kept
    QVERIFY(listedDuringRemoval);
    QCOMPARE(f.ids(), QStringList{"b"});
}

void HidControllerTest::removalOfACheckedOutDeviceKeepsItUntilCheckIn()
{
    ControllerFixture f;
    FakeHidPlatform::Device& a = f.fake.add(bath(QStringLiteral("a")));
    THidDevice* taken = nullptr;
    f.onArrival = [&](THidDevice* device) { f.controller->CheckOutByProductName(taken, device->ProductName()); };
    f.startAndSettle();
    QVERIFY(taken);
    int dataErrors = 0;
    taken->SetOnDataError([&](THidDevice*, uint32_t) { ++dataErrors; });
    taken->SetOnData([](THidDevice*, uint8_t, const uint8_t*, uint16_t) {});
    QVERIFY(taken->IsReading());
    f.onArrival = nullptr;
    f.log.clear();

    f.fake.unplug(a);
    QCOMPARE(f.log, (QStringList{"removal:a", "change"}));
    QCOMPARE(f.controller->ListedDevices(), std::vector<THidDevice*>{taken});
    QVERIFY(!taken->IsPluggedIn());
    QVERIFY(taken->IsCheckedOut());
    // Its reader goes on and reports that the device cannot be read.
    QTRY_VERIFY(dataErrors >= 2);

    // Announced again at every rebuild while it is held.
    f.log.clear();
    f.fake.plug(bath(QStringLiteral("c")));
    QCOMPARE(f.log, (QStringList{"removal:a", "arrival:c", "change"}));
    QVERIFY(f.listed(QStringLiteral("a")));

    f.controller->CheckIn(taken);
    QVERIFY(!taken);
    QCOMPARE(f.ids(), QStringList{"c"});
    f.log.clear();
    f.fake.notify();
    QVERIFY(f.log.isEmpty());
}

void HidControllerTest::checkInFromInsideOnRemovalIsNotTouchedAgain_data()
{
    QTest::addColumn<bool>("checkedOut");
    QTest::newRow("never checked out") << false;
    QTest::newRow("checked out") << true;
}

void HidControllerTest::checkInFromInsideOnRemovalIsNotTouchedAgain()
{
    QFETCH(bool, checkedOut);
    ControllerFixture f;
    FakeHidPlatform::Device& a = f.fake.add(bath(QStringLiteral("a")));
    f.onArrival = [&](THidDevice* device) {
        THidDevice* taken = nullptr;
        if (checkedOut)
            f.controller->CheckOutByProductName(taken, device->ProductName());
    };
    // As the window does: every removed bath is given back, held or not.
    f.onRemoval = [&](THidDevice* device) { f.controller->CheckIn(device); };
    f.startAndSettle();
    f.log.clear();
    f.fake.unplug(a); // under ASan, a second touch of the destroyed device fails here
    QCOMPARE(f.log, (QStringList{"removal:a", "change"}));
    QVERIFY(f.controller->ListedDevices().empty());
}

void HidControllerTest::replugGivesANewObject()
{
    ControllerFixture f;
    FakeHidPlatform::Device& first = f.fake.add(bath(QStringLiteral("usb-1")));
    std::vector<THidDevice*> arrived;
    f.onArrival = [&](THidDevice* device) { arrived.push_back(device); };
    THidDevice* removed = nullptr;
    f.onRemoval = [&](THidDevice* device) { removed = device; };
    f.startAndSettle();
    f.log.clear();

    // Unplugged and plugged in again before the program looked: the same bath
    // under a new identity.
    f.fake.remove(first);
    f.fake.plug(bath(QStringLiteral("usb-2"))); // same strings
    QCOMPARE(f.log, (QStringList{"removal:usb-1", "arrival:usb-2", "change"}));
    QCOMPARE(arrived.size(), size_t(2));
    QCOMPARE(removed, arrived[0]);
    QVERIFY(arrived[1] != arrived[0]);
    QCOMPARE(f.ids(), QStringList{"usb-2"});
}

void HidControllerTest::checkOutByProductName_data()
{
    QTest::addColumn<QStringList>("products");
    QTest::addColumn<QList<int>>("takenBefore");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<int>("expected"); // index in the list, -1 for none

    const QStringList two{"Kelmora thermostat", "Kelmora thermostat"};
    QTest::newRow("empty name") << QStringList{""} << QList<int>{} << "" << -1;
    QTest::newRow("exact name") << QStringList{"USB-RS adapter", "Kelmora thermostat"} << QList<int>{}
                                << "Kelmora thermostat" << 1;
    QTest::newRow("case counts") << QStringList{"Kelmora thermostat"} << QList<int>{} << "kelmora thermostat" << -1;
    QTest::newRow("part of a name is no match") << QStringList{"Kelmora thermostat"} << QList<int>{} << "Kelmora"
                                                << -1;
    QTest::newRow("two equal names: the first") << two << QList<int>{} << "Kelmora thermostat" << 0;
    QTest::newRow("first taken: the second") << two << QList<int>{0} << "Kelmora thermostat" << 1;
    QTest::newRow("all taken") << two << QList<int>{0, 1} << "Kelmora thermostat" << -1;
}

void HidControllerTest::checkOutByProductName()
{
    QFETCH(QStringList, products);
    QFETCH(QList<int>, takenBefore);
    QFETCH(QString, asked);
    QFETCH(int, expected);

    ControllerFixture f;
    for (int i = 0; i < products.size(); ++i)
        f.fake.add(bath(QString::number(i), products[i]));
    f.onArrival = [](THidDevice* device) { device->ProductName(); };
    f.startAndSettle();
    const std::vector<THidDevice*> devices = f.controller->ListedDevices();
    for (int index : takenBefore) {
        THidDevice* taken = nullptr;
        QVERIFY(f.controller->CheckOutByProductName(taken, products[index]));
        QCOMPARE(taken, devices[size_t(index)]);
    }

    THidDevice* device = reinterpret_cast<THidDevice*>(1);
    const bool ok = f.controller->CheckOutByProductName(device, asked);
    QCOMPARE(ok, expected >= 0);
    QCOMPARE(device, expected >= 0 ? devices[size_t(expected)] : nullptr);
    if (device)
        QVERIFY(device->IsCheckedOut());
}

void HidControllerTest::namesOutsideAnnouncementAreOnlyThoseReadBefore()
{
    ControllerFixture f;
    f.fake.add(bath(QStringLiteral("a")));
    QString vendorDuringArrival;
    f.onArrival = [&](THidDevice* device) { vendorDuringArrival = device->VendorName(); };
    f.startAndSettle();
    THidDevice* a = f.listed(QStringLiteral("a"));
    QCOMPARE(vendorDuringArrival, QStringLiteral("Orvelle"));
    QVERIFY(!a->CanAccess());
    QCOMPARE(a->VendorName(), QStringLiteral("Orvelle"));
    // The product name was not read while the device could be reached.
    QCOMPARE(a->ProductName(), QString());
    THidDevice* taken = nullptr;
    QVERIFY(!f.controller->CheckOutByProductName(taken, QStringLiteral("Kelmora thermostat")));
}

void HidControllerTest::checkInOfAPluggedInDeviceMakesItAvailableAgain()
{
    ControllerFixture f;
    FakeHidPlatform::Device& a = f.fake.add(bath(QStringLiteral("a")));
    f.onArrival = [](THidDevice* device) { device->ProductName(); };
    f.startAndSettle();
    THidDevice* taken = nullptr;
    QVERIFY(f.controller->CheckOutByProductName(taken, QStringLiteral("Kelmora thermostat")));
    taken->SetOnData([](THidDevice*, uint8_t, const uint8_t*, uint16_t) {});
    QVERIFY(taken->IsReading());
    THidDevice* held = taken;
    f.controller->CheckIn(taken);
    QVERIFY(!taken);
    QVERIFY(!held->IsCheckedOut());
    QVERIFY(!held->IsReading());
    QCOMPARE(a.openConnections(), 0); // every node closed
    QVERIFY(f.controller->CheckOutByProductName(taken, QStringLiteral("Kelmora thermostat")));
    QCOMPARE(taken, held);
}

void HidControllerTest::creationErrorLeavesTheListUntouched_data()
{
    QTest::addColumn<bool>("describable");
    QTest::addColumn<QString>("message");
    QTest::newRow("nothing readable") << false << "Device cannot be opened";
    QTest::newRow("no identification") << true << "Device cannot be identified";
}

void HidControllerTest::creationErrorLeavesTheListUntouched()
{
    QFETCH(bool, describable);
    QFETCH(QString, message);

    ControllerFixture f;
    FakeHidPlatform::Device& a = f.fake.add(bath(QStringLiteral("a")));
    f.startAndSettle();
    THidDevice* listedA = f.listed(QStringLiteral("a"));
    f.log.clear();

    // In one change: a goes, a new device comes that cannot be created.
    f.fake.remove(a);
    FakeHidPlatform::Device& broken = f.fake.plug(
        Traits{.id = QStringLiteral("broken"), .describable = describable, .identified = false});
    QVERIFY(f.log.isEmpty());
    QCOMPARE(f.controller->ListedDevices(), std::vector<THidDevice*>{listedA});
    QVERIFY(listedA->IsPluggedIn());
    QCOMPARE(f.errors.size(), size_t(1));
    QCOMPARE(errorText(f.errors.back()), message);

    // The guard was released: the next notice rebuilds.
    f.fake.unplug(broken);
    QCOMPARE(f.log, (QStringList{"removal:a", "change"}));
    QVERIFY(f.controller->ListedDevices().empty());
}

void HidControllerTest::noticeDuringARebuildLeadsToOneMoreRebuild()
{
    ControllerFixture f;
    f.fake.add(bath(QStringLiteral("a")));
    bool plugged = false;
    f.onArrival = [&](THidDevice*) {
        if (plugged)
            return;
        plugged = true;
        // As if a modal box in the handler let the event loop deliver two notices.
        f.fake.plug(bath(QStringLiteral("b")));
        f.fake.notify();
    };
    f.startAndSettle();
    QCOMPARE(f.log, (QStringList{"arrival:a", "change", "arrival:b", "change"}));
    QCOMPARE(f.fake.scans(), 2);
}

void HidControllerTest::deviceDataErrorHandlerReplacesOnlyTheInheritedOne()
{
    ControllerFixture f;
    f.fake.add(bath(QStringLiteral("a")));
    f.fake.add(bath(QStringLiteral("b")));
    QStringList calls;
    f.start();
    f.controller->SetOnDeviceDataError([&](THidDevice* device, uint32_t) { calls << "first:" + device->PnPInfo().DeviceID; });
    QCoreApplication::processEvents();
    THidDevice* a = f.listed(QStringLiteral("a"));
    THidDevice* b = f.listed(QStringLiteral("b"));
    b->SetOnDataError([&](THidDevice*, uint32_t) { calls << QStringLiteral("own:b"); });
    f.controller->SetOnDeviceDataError([&](THidDevice* device, uint32_t) { calls << "second:" + device->PnPInfo().DeviceID; });
    a->OnDataError()(a, 5);
    b->OnDataError()(b, 5);
    QCOMPARE(calls, (QStringList{"second:a", "own:b"}));
}

void HidControllerTest::queryOnlyDeviceIsListedButNeverRead()
{
    ControllerFixture f;
    FakeHidPlatform::Device& kbd = f.fake.add(Traits{.id = QStringLiteral("kbd"), .product = QStringLiteral("Keyboard"),
                                                   .readWrite = false, .openError = EACCES});
    f.onArrival = [](THidDevice* device) { device->ProductName(); };
    f.startAndSettle();
    THidDevice* device = nullptr;
    QVERIFY(f.controller->CheckOutByProductName(device, QStringLiteral("Keyboard")));
    QVERIFY(!device->HasReadWriteAccess());
    QCOMPARE(device->OpenError(), EACCES);
    device->SetOnData([](THidDevice*, uint8_t, const uint8_t*, uint16_t) {});
    QVERIFY(!device->IsReading());
    const uint8_t report[65] = {};
    uint32_t written = 7;
    QVERIFY(!device->WriteFile(report, sizeof report, written));
    QCOMPARE(written, 0u);
    QVERIFY(kbd.writes().empty());
    QCOMPARE(device->Caps().OutputReportByteLength, uint16_t(65)); // learned without the node
}

void HidControllerTest::destructionEndsReadingAndUnplugsCheckedOutDevices()
{
    ControllerFixture f;
    FakeHidPlatform::Device& a = f.fake.add(bath(QStringLiteral("a")));
    f.onArrival = [](THidDevice* device) { device->ProductName(); };
    f.startAndSettle();
    THidDevice* taken = nullptr;
    QVERIFY(f.controller->CheckOutByProductName(taken, QStringLiteral("Kelmora thermostat")));
    int unplugs = 0;
    taken->SetOnUnplug([&](THidDevice*) { ++unplugs; });
    taken->SetOnData([](THidDevice*, uint8_t, const uint8_t*, uint16_t) {});
    QTRY_COMPARE(a.openConnections(), 1);
    f.controller.reset();
    QCOMPARE(unplugs, 1);
    QCOMPARE(a.openConnections(), 0);
    QCOMPARE(THidDeviceReadThread::LiveCount(), 0);
}

QTEST_GUILESS_MAIN(HidControllerTest)
#include "tst_hidcontroller.moc"
