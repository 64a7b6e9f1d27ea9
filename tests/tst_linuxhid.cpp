// The Linux backend: what it reads from sysfs (on a fake tree), its node
// connection (over a socket pair), its messages, the real enumeration where
// this machine has hidraw devices, and the udev rule it ships.

#include "link/hid/LinuxHidPlatform.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fnmatch.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {

using ReadStatus = HidConnection::ReadStatus;

const QByteArray kVendorDescriptor = QByteArray::fromHex("06 00 FF 09 01 A1 01 09 02 15 00 26 FF 00 75 08 95 40 81 02"
                                                         "09 03 15 00 26 FF 00 75 08 95 40 91 02 C0");
const QByteArray kNumberedDescriptor = QByteArray::fromHex("06 00 FF 09 01 A1 01 85 05 75 08 95 07 81 02 C0");

// A sysfs tree in a temporary folder, laid out as the kernel lays out a USB HID device.
class FakeSysfs {
public:
    bool write(const QString& path, const QByteArray& bytes)
    {
        const QString full = dir.filePath(path);
        QDir().mkpath(QFileInfo(full).path());
        QFile file(full);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }
    bool link(const QString& path, const QString& target)
    {
        const QString full = dir.filePath(path);
        QDir().mkpath(QFileInfo(full).path());
        return QFile::link(target, full);
    }
    // A hidraw device below hidDevice, with its "device" link; returns its sys path.
    QString hidraw(const QString& hidDevice, const QString& name)
    {
        const QString path = hidDevice + QStringLiteral("/hidraw/") + name;
        QDir().mkpath(dir.filePath(path));
        link(path + QStringLiteral("/device"), QStringLiteral("../.."));
        return dir.filePath(path);
    }
    QTemporaryDir dir;
};

} // namespace

class LinuxHidTest : public QObject {
    Q_OBJECT

private slots:
    void sysfsDescription_data();
    void sysfsDescription();
    void connectionPutsTheReportIdInFront_data();
    void connectionPutsTheReportIdInFront();
    void interruptWakesAWaitingRead();
    void hangUpIsDeviceGone();
    void openErrorNamesPathReasonAndRule_data();
    void openErrorNamesPathReasonAndRule();
    void realHidrawDevicesAreListed();
    void udevRuleGivesTheUserTheMakersDevicesOnly();
};

void LinuxHidTest::sysfsDescription_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("described");
    QTest::addColumn<bool>("identified");
    QTest::addColumn<QString>("manufacturer");
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("inputLength");
    QTest::addColumn<bool>("numbered");

    QTest::newRow("usb bath") << "usb" << true << true << "Orvelle" << "Kelmora thermostat" << "VB-0001" << 0x1209
                              << 65 << false;
    QTest::newRow("usb without serial") << "usb-no-serial" << true << true << "Orvelle" << "Kelmora thermostat" << ""
                                        << 0x1209 << 65 << false;
    QTest::newRow("numbered reports") << "usb-numbered" << true << true << "Orvelle" << "Kelmora thermostat"
                                      << "VB-0001" << 0x1209 << 8 << true;
    QTest::newRow("no usb parent") << "virtual" << true << true << "" << "" << "" << 0x046D << 65 << false;
    QTest::newRow("no ids anywhere") << "anonymous" << true << false << "" << "" << "" << 0 << 65 << false;
    QTest::newRow("no report descriptor") << "no-descriptor" << false << false << "" << "" << "" << 0 << 0 << false;
}

void LinuxHidTest::sysfsDescription()
{
    QFETCH(QString, layout);
    QFETCH(bool, described);
    QFETCH(bool, identified);
    QFETCH(QString, manufacturer);
    QFETCH(QString, product);
    QFETCH(QString, serial);
    QFETCH(int, vendorId);
    QFETCH(int, inputLength);
    QFETCH(bool, numbered);

    FakeSysfs sys;
    QVERIFY(sys.dir.isValid());
    QString hidDevice;
    if (layout.startsWith(QLatin1String("usb"))) {
        const QString usb = QStringLiteral("devices/pci0000:00/0000:00:14.0/usb1/1-2");
        sys.write(usb + "/idVendor", "1209\n");
        sys.write(usb + "/idProduct", "0001\n");
        sys.write(usb + "/bcdDevice", "0100\n");
        sys.write(usb + "/manufacturer", "Orvelle\n");
        sys.write(usb + "/product", "Kelmora thermostat\n");
        if (layout != QLatin1String("usb-no-serial"))
            sys.write(usb + "/serial", "VB-0001\n");
        // The interface between the USB device and the HID device has no idVendor.
        sys.write(usb + "/1-2:1.0/bInterfaceNumber", "00\n");
        hidDevice = usb + "/1-2:1.0/0003:1209:0001.0004";
        sys.write(hidDevice + "/uevent", "DRIVER=hid-generic\nHID_ID=0003:00001209:00000001\nHID_NAME=Orvelle\n");
        sys.write(hidDevice + "/report_descriptor",
                  layout == QLatin1String("usb-numbered") ? kNumberedDescriptor : kVendorDescriptor);
    } else {
        hidDevice = QStringLiteral("devices/virtual/misc/uhid/0005:046D:B01A.0007");
        if (layout == QLatin1String("virtual"))
            sys.write(hidDevice + "/uevent", "HID_ID=0005:0000046D:0000B01A\nHID_NAME=Remote\n");
        else
            sys.write(hidDevice + "/uevent", "DRIVER=hid-generic\n");
        if (layout != QLatin1String("no-descriptor"))
            sys.write(hidDevice + "/report_descriptor", kVendorDescriptor);
    }
    const QString sysPath = sys.hidraw(hidDevice, QStringLiteral("hidraw4"));

    const std::optional<HidDeviceDescription> description = ReadHidrawDescription(sysPath);
    QCOMPARE(bool(description), described);
    if (!description)
        return;
    QCOMPARE(description->Identified, identified);
    QCOMPARE(description->Manufacturer, manufacturer);
    QCOMPARE(description->Product, product);
    QCOMPARE(description->Serial, serial);
    QCOMPARE(description->Attributes.VendorID, uint16_t(vendorId));
    QCOMPARE(description->Caps.InputReportByteLength, uint16_t(inputLength));
    QCOMPARE(description->Caps.NumberedReports, numbered);
    QVERIFY(!description->LanguageIds); // Linux gives none: the serial is taken as reported
}

void LinuxHidTest::connectionPutsTheReportIdInFront_data()
{
    QTest::addColumn<bool>("numbered");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("read");
    QTest::newRow("unnumbered") << false << QByteArray("abc") << QByteArray("\0abc", 4);
    QTest::newRow("numbered") << true << QByteArray("\x05xyz") << QByteArray("\x05xyz");
    // A report longer than the buffer is cut to it, never written past it.
    QTest::newRow("too long") << false << QByteArray("123456789") << QByteArray("\0" "1234567", 8);
}

void LinuxHidTest::connectionPutsTheReportIdInFront()
{
    QFETCH(bool, numbered);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, read);
    int ends[2];
    QCOMPARE(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    std::shared_ptr<HidConnection> connection = MakeHidrawConnection(ends[0], numbered);
    QVERIFY(connection);
    QCOMPARE(::send(ends[1], sent.constData(), size_t(sent.size()), 0), ssize_t(sent.size()));
    uint8_t buffer[8 + 4];
    std::fill(std::begin(buffer), std::end(buffer), uint8_t(0xEE));
    const HidConnection::ReadResult result = connection->read(buffer, 8, 1000);
    QCOMPARE(result.Status, ReadStatus::Report);
    QCOMPARE(QByteArray(reinterpret_cast<char*>(buffer), qsizetype(result.Length)), read);
    QCOMPARE(buffer[8], uint8_t(0xEE));
    ::close(ends[1]);
}

void LinuxHidTest::interruptWakesAWaitingRead()
{
    int ends[2];
    QCOMPARE(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    std::shared_ptr<HidConnection> connection = MakeHidrawConnection(ends[0], false);
    uint8_t buffer[8];
    QCOMPARE(connection->read(buffer, sizeof buffer, 10).Status, ReadStatus::TimedOut);
    ReadStatus status = ReadStatus::TimedOut;
    std::thread reader([&] { status = connection->read(buffer, sizeof buffer, 60000).Status; });
    QTest::qSleep(20);
    connection->interrupt();
    reader.join(); // a lost wake-up would hang here for a minute
    QCOMPARE(status, ReadStatus::Interrupted);
    // Used up: the connection reads again.
    ::send(ends[1], "r", 1, 0);
    QCOMPARE(connection->read(buffer, sizeof buffer, 1000).Status, ReadStatus::Report);

    size_t written = 0;
    int error = 0;
    const uint8_t report[] = {0, 'w'};
    QVERIFY(connection->write(report, sizeof report, written, error));
    QCOMPARE(written, sizeof report);
    char received[4] = {};
    QCOMPARE(::recv(ends[1], received, sizeof received, MSG_DONTWAIT), ssize_t(2));
    ::close(ends[1]);
}

void LinuxHidTest::hangUpIsDeviceGone()
{
    int ends[2];
    QCOMPARE(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
    std::shared_ptr<HidConnection> connection = MakeHidrawConnection(ends[0], false);
    ::send(ends[1], "q", 1, 0);
    ::close(ends[1]);
    uint8_t buffer[8];
    // A report still queued is delivered before the hang-up counts.
    QCOMPARE(connection->read(buffer, sizeof buffer, 1000).Status, ReadStatus::Report);
    const HidConnection::ReadResult gone = connection->read(buffer, sizeof buffer, 1000);
    QCOMPARE(gone.Status, ReadStatus::Failed);
    QCOMPARE(gone.Error, ENODEV);
    size_t written = 0;
    int error = 0;
    QVERIFY(!connection->write(buffer, 1, written, error));
    QVERIFY(error != 0);
}

void LinuxHidTest::openErrorNamesPathReasonAndRule_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("pointsToRule");
    QTest::newRow("permission") << int(EACCES) << true;
    QTest::newRow("gone") << int(ENOENT) << false;
}

void LinuxHidTest::openErrorNamesPathReasonAndRule()
{
    QFETCH(int, error);
    QFETCH(bool, pointsToRule);
    const QString message = HidOpenErrorMessage(QStringLiteral("/dev/hidraw3"), error);
    QVERIFY2(message.contains(QLatin1String("/dev/hidraw3")), qPrintable(message));
    QVERIFY2(message.contains(QString::fromLocal8Bit(strerror(error))), qPrintable(message));
    QCOMPARE(message.contains(QLatin1String("70-quintara.rules")), pointsToRule);
}

void LinuxHidTest::realHidrawDevicesAreListed()
{
    LinuxHidPlatform platform;
    if (!platform.isAvailable())
        QSKIP("udev is not available on this machine");
    const std::vector<THidPnPInfo> devices = platform.enumerate();
    if (devices.empty())
        QSKIP("this machine has no hidraw device; reading and writing a real bath needs one");
    for (const THidPnPInfo& device : devices) {
        QVERIFY2(device.DeviceID.startsWith(QLatin1String("/sys/")), qPrintable(device.DeviceID));
        QVERIFY2(device.DevicePath.startsWith(QLatin1String("/dev/")), qPrintable(device.DevicePath));
        // Never aborts for a node that is not ours to open.
        int error = 0;
        std::shared_ptr<HidConnection> connection = platform.open(device, error);
        QVERIFY(connection || error != 0);
        platform.describe(device);
    }
}

void LinuxHidTest::udevRuleGivesTheUserTheMakersDevicesOnly()
{
    QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../packaging/70-quintara.rules"));
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList rules;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty() && !line.trimmed().startsWith(QLatin1Char('#')))
            rules << line;
    QCOMPARE(rules.size(), 1);
    const QString rule = rules.first();
    QVERIFY(rule.contains(QLatin1String("SUBSYSTEM==\"hidraw\"")));
    QVERIFY(rule.contains(QLatin1String("TAG+=\"uaccess\"")));
    QVERIFY2(!rule.contains(QLatin1String("MODE")), "access goes to the seat's user, never by mode");

    const QString key = QStringLiteral("ATTRS{manufacturer}==\"");
    const qsizetype start = rule.indexOf(key);
    QVERIFY(start >= 0);
    const qsizetype end = rule.indexOf(QLatin1Char('"'), start + key.size());
    const QByteArray glob = rule.mid(start + key.size(), end - start - key.size()).toUtf8();
    for (const char* name : {"Orvelle", "ORVELLE", "orvelle", "oRvElLe"})
        QVERIFY2(fnmatch(glob.constData(), name, 0) == 0, name);
    for (const char* name : {"Orvelle Labs", "Orvel", "Logitech", ""})
        QVERIFY2(fnmatch(glob.constData(), name, 0) != 0, name);
}

QTEST_GUILESS_MAIN(LinuxHidTest)
#include "tst_linuxhid.moc"
