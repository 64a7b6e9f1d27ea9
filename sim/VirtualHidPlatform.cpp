#include "sim/VirtualHidPlatform.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>

using Clock = std::chrono::steady_clock;

struct VirtualHidPlatform::Unit {
    Unit(const VirtualBathConfig& config, std::shared_ptr<std::function<double()>> clock_, uint32_t seed)
        : bath(config, seed), clock(std::move(clock_))
    {
    }

    QString id() const { return QStringLiteral("virtual:%1:%2").arg(bath.config().serial).arg(generation); }
    QString path() const { return QStringLiteral("/dev/virtual-bath/") + bath.config().serial; }

    std::mutex mutex;
    std::condition_variable changed;
    VirtualBath bath;
    std::shared_ptr<std::function<double()>> clock;
    bool present = true;
    int generation = 1;
    struct Pending {
        Clock::time_point due;
        QByteArray report;
    };
    std::deque<Pending> inputs;
};

namespace {

// One open node of a virtual bath; it dies with the plug-in it was opened on.
class VirtualConnection : public HidConnection {
public:
    VirtualConnection(std::shared_ptr<VirtualHidPlatform::Unit> unit, int generation)
        : unit_(std::move(unit)), generation_(generation)
    {
    }

    ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) override
    {
        VirtualHidPlatform::Unit& unit = *unit_;
        std::unique_lock lock(unit.mutex);
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (interrupted_) {
                interrupted_ = false;
                return {ReadStatus::Interrupted, 0, 0};
            }
            if (!alive())
                return {ReadStatus::Failed, 0, ENODEV};
            const Clock::time_point now = Clock::now();
            if (!unit.inputs.empty() && unit.inputs.front().due <= now) {
                const QByteArray report = std::move(unit.inputs.front().report);
                unit.inputs.pop_front();
                const size_t length = std::min(capacity, size_t(report.size()));
                std::memcpy(buffer, report.constData(), length);
                return {ReadStatus::Report, length, 0};
            }
            if (now >= deadline)
                return {ReadStatus::TimedOut, 0, 0};
            Clock::time_point wake = deadline;
            if (!unit.inputs.empty())
                wake = std::min(wake, unit.inputs.front().due);
            unit.changed.wait_until(lock, wake);
        }
    }

    void interrupt() override
    {
        std::lock_guard lock(unit_->mutex);
        interrupted_ = true;
        unit_->changed.notify_all();
    }

    bool write(const uint8_t* report, size_t length, size_t& written, int& error) override
    {
        VirtualHidPlatform::Unit& unit = *unit_;
        std::lock_guard lock(unit.mutex);
        written = 0;
        if (!alive()) {
            error = ENODEV;
            return false;
        }
        error = 0;
        const double now = (*unit.clock)();
        const std::vector<QByteArray> replies =
            unit.bath.receive(QByteArray(reinterpret_cast<const char*>(report), qsizetype(length)), now);
        const Clock::time_point due = Clock::now() + std::chrono::milliseconds(unit.bath.config().replyDelayMs);
        for (const QByteArray& reply : replies)
            unit.inputs.push_back({due, reply});
        if (!replies.empty())
            unit.changed.notify_all();
        written = length;
        return true;
    }

private:
    bool alive() const { return unit_->present && unit_->generation == generation_; }

    std::shared_ptr<VirtualHidPlatform::Unit> unit_;
    int generation_;
    bool interrupted_ = false; // guarded by the unit's lock
};

double SteadySeconds()
{
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

} // namespace

VirtualHidPlatform::VirtualHidPlatform(QObject* parent)
    : HidPlatform(parent), clock_(std::make_shared<std::function<double()>>(&SteadySeconds))
{
}

VirtualHidPlatform::~VirtualHidPlatform() = default;

void VirtualHidPlatform::setClock(std::function<double()> clock)
{
    *clock_ = std::move(clock);
}

void VirtualHidPlatform::addBath(const VirtualBathConfig& config)
{
    std::lock_guard lock(mutex_);
    units_.push_back(std::make_shared<Unit>(config, clock_, uint32_t(units_.size() + 1)));
}

void VirtualHidPlatform::plugBath(const VirtualBathConfig& config)
{
    addBath(config);
    Q_EMIT devicesChanged();
}

void VirtualHidPlatform::unplug(const QString& serial)
{
    if (std::shared_ptr<Unit> unit = findSerial(serial)) {
        std::lock_guard lock(unit->mutex);
        unit->present = false;
        unit->inputs.clear();
        unit->changed.notify_all();
    }
    Q_EMIT devicesChanged();
}

void VirtualHidPlatform::replug(const QString& serial)
{
    if (std::shared_ptr<Unit> unit = findSerial(serial)) {
        std::lock_guard lock(unit->mutex);
        ++unit->generation;
        unit->present = true;
        unit->inputs.clear();
        unit->changed.notify_all();
    }
    Q_EMIT devicesChanged();
}

void VirtualHidPlatform::setFaults(const QString& serial, const VirtualBathFaults& faults)
{
    withBath(serial, [&faults](VirtualBath& bath) { bath.setFaults(faults); });
}

void VirtualHidPlatform::withBath(const QString& serial, const std::function<void(VirtualBath&)>& f)
{
    if (std::shared_ptr<Unit> unit = findSerial(serial)) {
        std::lock_guard lock(unit->mutex);
        f(unit->bath);
    }
}

std::shared_ptr<VirtualHidPlatform::Unit> VirtualHidPlatform::findSerial(const QString& serial) const
{
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Unit>& unit : units_)
        if (unit->bath.config().serial == serial)
            return unit;
    return nullptr;
}

std::shared_ptr<VirtualHidPlatform::Unit> VirtualHidPlatform::find(const QString& id) const
{
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Unit>& unit : units_) {
        std::lock_guard unitLock(unit->mutex);
        if (unit->present && unit->id() == id)
            return unit;
    }
    return nullptr;
}

std::vector<THidPnPInfo> VirtualHidPlatform::enumerate()
{
    std::vector<THidPnPInfo> present;
    std::lock_guard lock(mutex_);
    for (const std::shared_ptr<Unit>& unit : units_) {
        std::lock_guard unitLock(unit->mutex);
        if (unit->present)
            present.push_back(THidPnPInfo{unit->id(), unit->path()});
    }
    return present;
}

std::optional<HidDeviceDescription> VirtualHidPlatform::describe(const THidPnPInfo& device)
{
    const std::shared_ptr<Unit> unit = find(device.DeviceID);
    if (!unit)
        return std::nullopt;
    std::lock_guard lock(unit->mutex);
    HidDeviceDescription description;
    description.Identified = true;
    // pid.codes' test ids: a simulated device claims no real maker's.
    description.Attributes.VendorID = 0x1209;
    description.Attributes.ProductID = 0x0001;
    description.Caps.UsagePage = 0xFF00;
    description.Caps.Usage = 0x01;
    description.Caps.InputReportByteLength = VirtualBath::kReportLength;
    description.Caps.OutputReportByteLength = VirtualBath::kReportLength;
    description.Manufacturer = unit->bath.config().vendor;
    description.Product = unit->bath.product();
    description.Serial = unit->bath.config().serial;
    return description;
}

std::shared_ptr<HidConnection> VirtualHidPlatform::open(const THidPnPInfo& device, int& error)
{
    const std::shared_ptr<Unit> unit = find(device.DeviceID);
    if (!unit) {
        error = ENOENT;
        return nullptr;
    }
    error = 0;
    std::lock_guard lock(unit->mutex);
    return std::make_shared<VirtualConnection>(unit, unit->generation);
}
