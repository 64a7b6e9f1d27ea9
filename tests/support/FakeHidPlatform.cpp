#include "support/FakeHidPlatform.h"

#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstring>

// One open node of a fake device. The input queue belongs to the device, so a
// report pushed before the reader opened its connection is still delivered.
class FakeHidPlatform::Connection : public HidConnection {
public:
    explicit Connection(Device& device) : device_(device) {}

    ~Connection() override
    {
        std::lock_guard lock(device_.mutex_);
        if (lastWasReport_)
            ++device_.handled_;
        --device_.openNow_;
    }

    ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override
    {
        std::unique_lock lock(device_.mutex_);
        // The reader is back: the report it took last has been handled.
        if (lastWasReport_) {
            ++device_.handled_;
            lastWasReport_ = false;
        }
        const auto ready = [&] { return interrupted_ || !device_.present_ || !device_.inputs_.empty(); };
        if (!device_.changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
            return {ReadStatus::TimedOut, 0, 0};
        if (interrupted_) {
            interrupted_ = false;
            return {ReadStatus::Interrupted, 0, 0};
        }
        if (!device_.present_)
            return {ReadStatus::Failed, 0, ENODEV};
        Device::Input input = std::move(device_.inputs_.front());
        device_.inputs_.pop_front();
        if (input.error)
            return {ReadStatus::Failed, 0, input.error};
        const size_t length = std::min(capacity, size_t(input.report.size()));
        std::memcpy(buffer, input.report.constData(), length);
        lastWasReport_ = true;
        return {ReadStatus::Report, length, 0};
    }

    void interrupt() override
    {
        std::lock_guard lock(device_.mutex_);
        interrupted_ = true;
        device_.changed_.notify_all();
    }

    bool write(const uint8_t* report, size_t length, size_t& written, int& error) override
    {
        QByteArray bytes(reinterpret_cast<const char*>(report), qsizetype(length));
        std::function<void(const QByteArray&)> onWrite;
        {
            std::lock_guard lock(device_.mutex_);
            written = 0;
            error = !device_.present_ ? ENODEV : device_.writeError_;
            if (error)
                return false;
            device_.writes_.push_back(bytes);
            written = length;
            onWrite = device_.onWrite;
        }
        if (onWrite)
            onWrite(bytes);
        return true;
    }

private:
    Device& device_;
    bool interrupted_ = false; // guarded by the device's lock
    bool lastWasReport_ = false;
};

FakeHidPlatform::Device::Device(Traits traits) : traits_(std::move(traits))
{
    if (traits_.path.isEmpty())
        traits_.path = QStringLiteral("/dev/fake-") + traits_.id;
}

THidPnPInfo FakeHidPlatform::Device::pnp() const
{
    return THidPnPInfo{traits_.id, traits_.path};
}

bool FakeHidPlatform::Device::present() const
{
    std::lock_guard lock(mutex_);
    return present_;
}

std::vector<QByteArray> FakeHidPlatform::Device::writes() const
{
    std::lock_guard lock(mutex_);
    return writes_;
}

QByteArray FakeHidPlatform::Device::lastWrite() const
{
    std::lock_guard lock(mutex_);
    return writes_.empty() ? QByteArray() : writes_.back();
}

void FakeHidPlatform::Device::clearWrites()
{
    std::lock_guard lock(mutex_);
    writes_.clear();
}

void FakeHidPlatform::Device::failWrites(int error)
{
    std::lock_guard lock(mutex_);
    writeError_ = error;
}

void FakeHidPlatform::Device::pushInput(const QByteArray& report)
{
    std::lock_guard lock(mutex_);
    inputs_.push_back({report, 0});
    changed_.notify_all();
}

void FakeHidPlatform::Device::pushReadError(int error)
{
    std::lock_guard lock(mutex_);
    inputs_.push_back({QByteArray(), error});
    changed_.notify_all();
}

int FakeHidPlatform::Device::pending() const
{
    std::lock_guard lock(mutex_);
    return int(inputs_.size());
}

int FakeHidPlatform::Device::handled() const
{
    std::lock_guard lock(mutex_);
    return handled_;
}

bool FakeHidPlatform::Device::waitHandled(int count, int timeoutMs) const
{
    return QTest::qWaitFor([&] { return handled() >= count; }, timeoutMs);
}

int FakeHidPlatform::Device::openCount() const
{
    std::lock_guard lock(mutex_);
    return opens_;
}

int FakeHidPlatform::Device::openConnections() const
{
    std::lock_guard lock(mutex_);
    return openNow_;
}

FakeHidPlatform::FakeHidPlatform() = default;
FakeHidPlatform::~FakeHidPlatform() = default;

FakeHidPlatform::Device& FakeHidPlatform::add(Traits traits)
{
    std::lock_guard lock(mutex_);
    devices_.push_back(std::make_unique<Device>(std::move(traits)));
    return *devices_.back();
}

FakeHidPlatform::Device& FakeHidPlatform::plug(Traits traits)
{
    Device& device = add(std::move(traits));
    notify();
    return device;
}

void FakeHidPlatform::remove(Device& device)
{
    std::lock_guard lock(device.mutex_);
    device.present_ = false;
    device.changed_.notify_all();
}

void FakeHidPlatform::unplug(Device& device)
{
    remove(device);
    notify();
}

void FakeHidPlatform::notify()
{
    Q_EMIT devicesChanged();
}

FakeHidPlatform::Device* FakeHidPlatform::find(const QString& id) const
{
    std::lock_guard lock(mutex_);
    for (const auto& device : devices_)
        if (device->traits().id == id && device->present())
            return device.get();
    return nullptr;
}

std::vector<THidPnPInfo> FakeHidPlatform::enumerate()
{
    ++scans_;
    std::vector<THidPnPInfo> present;
    std::lock_guard lock(mutex_);
    for (const auto& device : devices_)
        if (device->present())
            present.push_back(device->pnp());
    return present;
}

std::optional<HidDeviceDescription> FakeHidPlatform::describe(const THidPnPInfo& info)
{
    const Device* device = find(info.DeviceID);
    if (!device || !device->traits().describable)
        return std::nullopt;
    const Traits& traits = device->traits();
    HidDeviceDescription description;
    description.Identified = traits.identified;
    description.Attributes.VendorID = traits.vendorId;
    description.Attributes.ProductID = traits.productId;
    description.Caps.InputReportByteLength = traits.inputLength;
    description.Caps.OutputReportByteLength = traits.outputLength;
    description.Caps.NumberedReports = traits.numbered;
    description.Manufacturer = traits.vendor;
    description.Product = traits.product;
    description.Serial = traits.serial;
    description.LanguageIds = traits.languageIds;
    return description;
}

std::shared_ptr<HidConnection> FakeHidPlatform::open(const THidPnPInfo& info, int& error)
{
    Device* device = find(info.DeviceID);
    if (!device) {
        error = ENOENT;
        return nullptr;
    }
    if (!device->traits().readWrite) {
        error = device->traits().openError;
        return nullptr;
    }
    {
        std::lock_guard lock(device->mutex_);
        ++device->opens_;
        ++device->openNow_;
    }
    error = 0;
    return std::make_shared<Connection>(*device);
}
