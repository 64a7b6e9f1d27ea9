#include "link/hid/LinuxHidPlatform.h"

#include "link/hid/ReportDescriptor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <libudev.h>
#include <linux/hidraw.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

Q_LOGGING_CATEGORY(lcHid, "quintara.hid", QtWarningMsg)

namespace {

// ---- Ownership of file descriptors and udev objects ----

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

template <class T, T* (*Unref)(T*)>
struct UdevDeleter {
    void operator()(T* object) const { Unref(object); }
};
using UdevPtr = std::unique_ptr<udev, UdevDeleter<udev, udev_unref>>;
using UdevMonitorPtr = std::unique_ptr<udev_monitor, UdevDeleter<udev_monitor, udev_monitor_unref>>;
using UdevEnumeratePtr = std::unique_ptr<udev_enumerate, UdevDeleter<udev_enumerate, udev_enumerate_unref>>;
using UdevDevicePtr = std::unique_ptr<udev_device, UdevDeleter<udev_device, udev_device_unref>>;

QString SystemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// ---- sysfs ----

std::optional<QByteArray> ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// A sysfs attribute as text, without the line feed the kernel puts after it.
QString ReadAttribute(const QString& dir, const char* name)
{
    std::optional<QByteArray> value = ReadFile(dir + QLatin1Char('/') + QLatin1String(name));
    if (!value)
        return QString();
    if (value->endsWith('\n'))
        value->chop(1);
    return QString::fromUtf8(*value);
}

std::optional<uint16_t> ReadHexAttribute(const QString& dir, const char* name)
{
    bool ok = false;
    const uint value = ReadAttribute(dir, name).toUInt(&ok, 16);
    if (!ok || value > 0xFFFF)
        return std::nullopt;
    return uint16_t(value);
}

// The USB device above a HID device: the nearest folder upwards with an idVendor
// attribute (the USB interface between them has none). Empty without one.
QString UsbDeviceAbove(const QString& hidDevicePath)
{
    QDir dir(hidDevicePath);
    while (dir.cdUp() && !dir.isRoot()) {
        if (QFileInfo::exists(dir.filePath(QStringLiteral("idVendor"))))
            return dir.path();
        if (dir.path() == QLatin1String("/sys/devices"))
            break;
    }
    return QString();
}

// HID_ID=0003:0000046D:0000C52B in the HID device's uevent: bus, vendor, product.
bool ReadHidIds(const QString& hidDevicePath, HIDD_ATTRIBUTES& attributes)
{
    const std::optional<QByteArray> uevent = ReadFile(hidDevicePath + QStringLiteral("/uevent"));
    if (!uevent)
        return false;
    for (const QByteArray& line : uevent->split('\n')) {
        if (!line.startsWith("HID_ID="))
            continue;
        const QList<QByteArray> parts = line.mid(7).split(':');
        if (parts.size() != 3)
            return false;
        bool vendorOk = false;
        bool productOk = false;
        const uint vendor = parts[1].toUInt(&vendorOk, 16);
        const uint product = parts[2].toUInt(&productOk, 16);
        if (!vendorOk || !productOk)
            return false;
        attributes.VendorID = uint16_t(vendor);
        attributes.ProductID = uint16_t(product);
        return true;
    }
    return false;
}

// The report descriptor through the node, for a kernel without the sysfs file.
std::optional<QByteArray> ReadDescriptorFromNode(const QString& devNode)
{
    UniqueFd fd(::open(QFile::encodeName(devNode).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return std::nullopt;
    int size = 0;
    if (::ioctl(fd.get(), HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE)
        return std::nullopt;
    hidraw_report_descriptor descriptor{};
    descriptor.size = uint32_t(size);
    if (::ioctl(fd.get(), HIDIOCGRDESC, &descriptor) < 0)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(descriptor.value), size);
}

// The HID device a hidraw device belongs to (the target of its "device" link).
QString HidDeviceOf(const QString& sysPath)
{
    return QFileInfo(sysPath + QStringLiteral("/device")).canonicalFilePath();
}

HidDeviceDescription Describe(const QString& hidDevice, const QByteArray& descriptor)
{
    HidDeviceDescription description;
    description.Caps =
        ParseReportDescriptor(reinterpret_cast<const uint8_t*>(descriptor.constData()), size_t(descriptor.size()));
    description.Identified = ReadHidIds(hidDevice, description.Attributes);

    const QString usb = UsbDeviceAbove(hidDevice);
    if (!usb.isEmpty()) {
        description.Manufacturer = ReadAttribute(usb, "manufacturer");
        description.Product = ReadAttribute(usb, "product");
        description.Serial = ReadAttribute(usb, "serial");
        const std::optional<uint16_t> vendor = ReadHexAttribute(usb, "idVendor");
        const std::optional<uint16_t> product = ReadHexAttribute(usb, "idProduct");
        if (vendor && product) {
            description.Attributes.VendorID = *vendor;
            description.Attributes.ProductID = *product;
            description.Identified = true;
        }
        if (const std::optional<uint16_t> version = ReadHexAttribute(usb, "bcdDevice"))
            description.Attributes.VersionNumber = *version;
    }
    return description;
}

// ---- The node ----

class HidrawConnection : public HidConnection {
public:
    HidrawConnection(UniqueFd node, UniqueFd wake, bool numbered)
        : node_(std::move(node)), wake_(std::move(wake)), numbered_(numbered)
    {
    }

    ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override
    {
        pollfd fds[2] = {{node_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0)
            return errno == EINTR ? ReadResult{ReadStatus::TimedOut, 0, 0} : ReadResult{ReadStatus::Failed, 0, errno};
        if (ready == 0)
            return {ReadStatus::TimedOut, 0, 0};
        if (fds[1].revents & POLLIN) {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t drained = ::read(wake_.get(), &count, sizeof count);
            return {ReadStatus::Interrupted, 0, 0};
        }
        // Reports still queued are read before a hang-up is believed.
        if (fds[0].revents & POLLIN) {
            // hidraw leaves the report-id byte out for devices that do not
            // number their reports; put a 0 there, so every report reads id first.
            const size_t offset = numbered_ ? 0 : 1;
            if (capacity <= offset)
                return {ReadStatus::Failed, 0, EINVAL};
            const ssize_t count = ::read(node_.get(), buffer + offset, capacity - offset);
            if (count > 0) {
                if (!numbered_)
                    buffer[0] = 0;
                return {ReadStatus::Report, size_t(count) + offset, 0};
            }
            if (count < 0 && (errno == EAGAIN || errno == EINTR))
                return {ReadStatus::TimedOut, 0, 0};
            return {ReadStatus::Failed, 0, count < 0 ? errno : ENODEV};
        }
        // The device is gone (the node reports a hang-up or an error).
        return {ReadStatus::Failed, 0, ENODEV};
    }

    void interrupt() override
    {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_.get(), &one, sizeof one);
    }

    bool write(const uint8_t* report, size_t length, size_t& written, int& error) override
    {
        written = 0;
        error = 0;
        for (;;) {
            const ssize_t count = ::write(node_.get(), report, length);
            if (count >= 0) {
                written = size_t(count);
                return written == length;
            }
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                // The node is non-blocking for the reader; a write still waits until done.
                pollfd fd = {node_.get(), POLLOUT, 0};
                if (::poll(&fd, 1, -1) >= 0 && !(fd.revents & (POLLERR | POLLHUP | POLLNVAL)))
                    continue;
                error = ENODEV;
                return false;
            }
            error = errno;
            return false;
        }
    }

private:
    UniqueFd node_;
    UniqueFd wake_;
    bool numbered_;
};

} // namespace

// ---- Free functions ----

std::optional<HidDeviceDescription> ReadHidrawDescription(const QString& sysPath)
{
    const QString hidDevice = HidDeviceOf(sysPath);
    if (hidDevice.isEmpty())
        return std::nullopt;
    const std::optional<QByteArray> descriptor = ReadFile(hidDevice + QStringLiteral("/report_descriptor"));
    if (!descriptor || descriptor->isEmpty())
        return std::nullopt;
    return Describe(hidDevice, *descriptor);
}

std::shared_ptr<HidConnection> MakeHidrawConnection(int fd, bool numberedReports)
{
    UniqueFd node(fd);
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!node || !wake)
        return nullptr;
    return std::make_shared<HidrawConnection>(std::move(node), std::move(wake), numberedReports);
}

QString HidOpenErrorMessage(const QString& path, int error)
{
    QString message = QStringLiteral("Cannot open %1 for reading and writing: %2.").arg(path, SystemReason(error));
    if (error == EACCES || error == EPERM)
        message += QStringLiteral(" Install the udev rule 70-quintara.rules (see \"Using a real bath\" in the "
                                  "README) and plug the bath in again.");
    return message;
}

// ---- The platform ----

struct LinuxHidPlatform::Private {
    UdevPtr udev;
    UdevMonitorPtr monitor;
    QSocketNotifier* notifier = nullptr;

    // What the last scan learned of each device, by sys path: a device that
    // vanishes during a later scan is still described consistently. Read
    // threads ask for the numbering when they open a node.
    std::mutex mutex;
    struct Known {
        QString devNode;
        std::optional<HidDeviceDescription> description;
    };
    std::map<QString, Known> known;

    std::optional<HidDeviceDescription> describePath(const QString& sysPath, const QString& devNode)
    {
        std::optional<HidDeviceDescription> description = ReadHidrawDescription(sysPath);
        if (description || devNode.isEmpty())
            return description;
        // Older kernels have no report_descriptor file; the node can tell, where it may be opened.
        const QString hidDevice = HidDeviceOf(sysPath);
        const std::optional<QByteArray> bytes = ReadDescriptorFromNode(devNode);
        if (!bytes || hidDevice.isEmpty())
            return std::nullopt;
        return Describe(hidDevice, *bytes);
    }
};

LinuxHidPlatform::LinuxHidPlatform(QObject* parent) : HidPlatform(parent), d(new Private)
{
    d->udev.reset(udev_new());
    if (!d->udev) {
        qCWarning(lcHid, "udev is not available (%s): no HID device can be found.", std::strerror(errno));
        return;
    }
    // The "udev" source, not "kernel": its events come after udev applied the
    // access rules, so a bath that arrives can be opened at once.
    d->monitor.reset(udev_monitor_new_from_netlink(d->udev.get(), "udev"));
    if (!d->monitor || udev_monitor_filter_add_match_subsystem_devtype(d->monitor.get(), "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(d->monitor.get()) < 0) {
        qCWarning(lcHid, "udev monitor is not available: baths plugged in later are not noticed.");
        d->monitor.reset();
        return;
    }
    d->notifier = new QSocketNotifier(udev_monitor_get_fd(d->monitor.get()), QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, &LinuxHidPlatform::receiveEvents);
}

LinuxHidPlatform::~LinuxHidPlatform()
{
    delete d->notifier;
}

void LinuxHidPlatform::receiveEvents()
{
    // Every pending event is taken; one rebuild covers them all.
    bool any = false;
    while (UdevDevicePtr device{udev_monitor_receive_device(d->monitor.get())})
        any = true;
    if (any)
        Q_EMIT devicesChanged();
}

bool LinuxHidPlatform::isAvailable() const
{
    return d->udev != nullptr;
}

std::vector<THidPnPInfo> LinuxHidPlatform::enumerate()
{
    std::vector<THidPnPInfo> present;
    if (!d->udev)
        return present;
    UdevEnumeratePtr enumerate(udev_enumerate_new(d->udev.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0 ||
        udev_enumerate_scan_devices(enumerate.get()) < 0)
        return present;

    std::map<QString, Private::Known> known;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        const char* sysPath = udev_list_entry_get_name(entry);
        UdevDevicePtr device(udev_device_new_from_syspath(d->udev.get(), sysPath));
        if (!device)
            continue; // gone since the list was made
        const char* devNode = udev_device_get_devnode(device.get());
        if (!devNode)
            continue;
        const QString path = QString::fromLocal8Bit(sysPath);
        const QString node = QString::fromLocal8Bit(devNode);
        std::optional<HidDeviceDescription> description = d->describePath(path, node);
        // A device unplugged while this scan runs is not present; one that is
        // present but cannot be described is listed, and its creation says so.
        if (!description && !QFileInfo::exists(path))
            continue;
        known[path] = Private::Known{node, std::move(description)};
        present.push_back(THidPnPInfo{path, node});
    }
    std::lock_guard lock(d->mutex);
    d->known = std::move(known);
    return present;
}

std::optional<HidDeviceDescription> LinuxHidPlatform::describe(const THidPnPInfo& device)
{
    {
        std::lock_guard lock(d->mutex);
        const auto at = d->known.find(device.DeviceID);
        if (at != d->known.end())
            return at->second.description;
    }
    return d->describePath(device.DeviceID, device.DevicePath);
}

std::shared_ptr<HidConnection> LinuxHidPlatform::open(const THidPnPInfo& device, int& error)
{
    bool numbered = false;
    {
        std::lock_guard lock(d->mutex);
        const auto at = d->known.find(device.DeviceID);
        if (at != d->known.end() && at->second.description)
            numbered = at->second.description->Caps.NumberedReports;
    }
    const int fd = ::open(QFile::encodeName(device.DevicePath).constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = errno;
        // Most nodes (keyboards, mice) are not ours to open: not worth a warning.
        qCDebug(lcHid).noquote() << HidOpenErrorMessage(device.DevicePath, error);
        return nullptr;
    }
    std::shared_ptr<HidConnection> connection = MakeHidrawConnection(fd, numbered);
    error = connection ? 0 : errno;
    return connection;
}
