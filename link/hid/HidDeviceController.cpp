#include "link/hid/HidDeviceController.h"

#include <QDebug>
#include <QMetaObject>

#include <algorithm>

namespace {
constexpr int kDefaultThreadSleepTime = 100;
constexpr int kDefaultPollingDelayTime = 0;
} // namespace

struct THidDeviceController::Private {
    HidPlatform* platform = nullptr;
    bool dormant = true;
    bool destroying = false;

    THidPlugEvent onArrival;
    THidPlugEvent onRemoval;
    THidNotifyEvent onDeviceChange;
    THidDataEvent onDeviceData;
    THidDataErrorEvent onDeviceDataError;
    THidPlugEvent onDeviceUnplug;
    THidErrorEvent onError;

    int devPollingDelayTime = kDefaultPollingDelayTime;
    int devThreadSleepTime = kDefaultThreadSleepTime;

    std::vector<std::unique_ptr<THidDevice>> list;
    bool inDeviceChange = false;
    // A notice came while a rebuild ran: one more rebuild follows it.
    bool noticeDuringRebuild = false;
    // The rebuild runs for the controller's own first notice: it always reports a change.
    bool firstNotice = false;
};

THidDeviceController::THidDeviceController(HidPlatform& platform, QObject* owner)
    : QObject(owner), d(new Private)
{
    d->platform = &platform;
    d->dormant = !platform.isAvailable();
    if (d->dormant)
        return;
    connect(&platform, &HidPlatform::devicesChanged, this, [this] { Notice(false); });
    // Posted, so the devices present at start are announced only once the window
    // that handles them is complete and the event loop runs.
    QMetaObject::invokeMethod(this, [this] { Notice(true); }, Qt::QueuedConnection);
}

THidDeviceController::~THidDeviceController()
{
    // Notices that come while the devices go are ignored; the connection to the
    // platform ends with this object.
    d->destroying = true;
    std::vector<std::unique_ptr<THidDevice>> devices = std::move(d->list);
    d->list.clear();
    for (std::unique_ptr<THidDevice>& device : devices) {
        device->DetachFromController();
        if (device->IsCheckedOut())
            device->MarkUnplugged();
        device.reset();
    }
}

void THidDeviceController::SetOnArrival(THidPlugEvent handler) { d->onArrival = std::move(handler); }
void THidDeviceController::SetOnRemoval(THidPlugEvent handler) { d->onRemoval = std::move(handler); }
void THidDeviceController::SetOnDeviceChange(THidNotifyEvent handler) { d->onDeviceChange = std::move(handler); }

void THidDeviceController::SetOnDeviceDataError(THidDataErrorEvent handler)
{
    for (const std::unique_ptr<THidDevice>& device : d->list)
        if (device->UsesControllerDataError())
            device->SetControllerDataError(handler);
    d->onDeviceDataError = std::move(handler);
}

const THidDataErrorEvent& THidDeviceController::OnDeviceDataError() const { return d->onDeviceDataError; }
void THidDeviceController::SetOnDeviceData(THidDataEvent handler) { d->onDeviceData = std::move(handler); }
const THidDataEvent& THidDeviceController::OnDeviceData() const { return d->onDeviceData; }
void THidDeviceController::SetOnDeviceUnplug(THidPlugEvent handler) { d->onDeviceUnplug = std::move(handler); }
const THidPlugEvent& THidDeviceController::OnDeviceUnplug() const { return d->onDeviceUnplug; }
void THidDeviceController::SetOnError(THidErrorEvent handler) { d->onError = std::move(handler); }

int THidDeviceController::DevPollingDelayTime() const { return d->devPollingDelayTime; }
void THidDeviceController::SetDevPollingDelayTime(int ms) { d->devPollingDelayTime = ms; }
int THidDeviceController::DevThreadSleepTime() const { return d->devThreadSleepTime; }
void THidDeviceController::SetDevThreadSleepTime(int ms) { d->devThreadSleepTime = ms; }

bool THidDeviceController::IsDormant() const { return d->dormant; }

std::vector<THidDevice*> THidDeviceController::ListedDevices() const
{
    std::vector<THidDevice*> devices;
    for (const std::unique_ptr<THidDevice>& device : d->list)
        devices.push_back(device.get());
    return devices;
}

bool THidDeviceController::IsListed(const THidDevice* device) const
{
    return std::any_of(d->list.begin(), d->list.end(),
                       [device](const std::unique_ptr<THidDevice>& listed) { return listed.get() == device; });
}

void THidDeviceController::Destroy(THidDevice* device)
{
    auto at = std::find_if(d->list.begin(), d->list.end(),
                           [device](const std::unique_ptr<THidDevice>& listed) { return listed.get() == device; });
    if (at == d->list.end())
        return;
    // Out of the list before it goes: its destruction may run a handler that
    // looks at the list.
    std::unique_ptr<THidDevice> gone = std::move(*at);
    d->list.erase(at);
    gone.reset();
}

bool THidDeviceController::CheckOutByProductName(THidDevice*& HidDev, const QString& ProductName)
{
    HidDev = nullptr;
    if (ProductName.isEmpty())
        return false;
    for (const std::unique_ptr<THidDevice>& device : d->list) {
        if (device->ProductName() == ProductName && !device->IsCheckedOut()) {
            device->SetCheckedOut(true);
            device->StartReading();
            HidDev = device.get();
            return true;
        }
    }
    return false;
}

void THidDeviceController::CheckIn(THidDevice*& HidDev)
{
    THidDevice* device = HidDev;
    HidDev = nullptr;
    if (!device || !IsListed(device))
        return;
    device->StopReading();
    // Stopping may have run a pending handler that checked the device in itself.
    if (!IsListed(device))
        return;
    device->CloseFile();
    device->CloseReadHandle();
    if (device->IsPluggedIn())
        device->SetCheckedOut(false);
    else
        Destroy(device);
}

void THidDeviceController::Announce(const THidPlugEvent& handler, THidDevice* device)
{
    if (!handler)
        return;
    const THidPlugEvent call = handler; // the handler may replace itself
    device->SetEnumerated(true);
    call(device);
    // A removal handler may have checked the device in, which destroyed it.
    if (IsListed(device))
        device->SetEnumerated(false);
}

void THidDeviceController::Notice(bool first)
{
    if (d->destroying)
        return;
    if (d->inDeviceChange) {
        // A handler of the running rebuild opened a modal box, whose event loop
        // delivered this notice. Dropping it could miss a device.
        d->noticeDuringRebuild = true;
        return;
    }
    d->inDeviceChange = true;
    std::exception_ptr failure;
    do {
        d->noticeDuringRebuild = false;
        d->firstNotice = first;
        try {
            DeviceChange();
            failure = nullptr;
            first = false;
        } catch (...) {
            failure = std::current_exception();
        }
    } while (d->noticeDuringRebuild && !d->destroying);
    d->inDeviceChange = false;

    if (!failure)
        return;
    // Shown once the rebuild guard is released, so notices during the error box rebuild again.
    if (d->onError) {
        d->onError(failure);
        return;
    }
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        qWarning("HID device list not rebuilt: %s", error.what());
    } catch (...) {
        qWarning("HID device list not rebuilt");
    }
}

void THidDeviceController::DeviceChange()
{
    bool changed = d->firstNotice;
    d->firstNotice = false;
    if (d->dormant)
        return;

    // The scan: a device that cannot be created ends it, and the list stays as it was.
    std::vector<std::unique_ptr<THidDevice>> scanned;
    for (THidPnPInfo& info : d->platform->enumerate())
        scanned.emplace_back(new THidDevice(this, *d->platform, std::move(info)));
    const auto presentNow = [&scanned](const QString& id) {
        return std::any_of(scanned.begin(), scanned.end(),
                           [&id](const std::unique_ptr<THidDevice>& device) { return device->PnPInfo().DeviceID == id; });
    };

    // Removal, from last to first. A gone device that is still checked out stays
    // listed and is announced again at every rebuild until it is checked in.
    std::vector<THidDevice*> listed = ListedDevices();
    for (auto at = listed.rbegin(); at != listed.rend(); ++at) {
        THidDevice* device = *at;
        if (!IsListed(device))
            continue; // checked in by a handler meanwhile
        if (device->IsPluggedIn() && presentNow(device->PnPInfo().DeviceID))
            continue;
        device->MarkUnplugged();
        Announce(d->onRemoval, device);
        if (IsListed(device) && !device->IsCheckedOut())
            Destroy(device);
        changed = true;
    }

    // A device listed already (and plugged in) is not adopted a second time.
    for (std::unique_ptr<THidDevice>& device : scanned) {
        const QString& id = device->PnPInfo().DeviceID;
        const bool known = std::any_of(d->list.begin(), d->list.end(), [&id](const std::unique_ptr<THidDevice>& listed) {
            return listed->IsPluggedIn() && listed->PnPInfo().DeviceID == id;
        });
        if (known) {
            device->DetachFromController();
            device.reset();
        }
    }

    // Arrival, in scan order.
    for (std::unique_ptr<THidDevice>& device : scanned) {
        if (!device)
            continue;
        THidDevice* arrived = device.get();
        d->list.push_back(std::move(device));
        changed = true;
        Announce(d->onArrival, arrived);
    }

    if (changed && d->onDeviceChange) {
        const THidNotifyEvent notify = d->onDeviceChange;
        notify();
    }
}
