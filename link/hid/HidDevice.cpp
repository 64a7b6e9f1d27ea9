#include "link/hid/HidDevice.h"

#include "link/hid/HidDeviceController.h"
#include "link/hid/HidDeviceReadThread.h"

#include <atomic>
#include <cerrno>
#include <mutex>

namespace {

constexpr int kMinPollingDelay = 0;
constexpr int kMaxPollingDelay = 10000;
constexpr int kMinThreadSleep = 10;
constexpr int kMaxThreadSleep = 10000;
// The descriptor strings hold at most this many UTF-16 code units.
constexpr int kMaxStringUnits = 254;

} // namespace

struct THidDevice::Private {
    THidDeviceController* controller = nullptr;
    HidPlatform* platform = nullptr;
    THidPnPInfo info;
    HidDeviceDescription description;
    HIDD_ATTRIBUTES attributes;

    QString vendorName;
    QString productName;
    QString serialNumber;
    bool capsHeld = false;

    // Read by the read thread: plugged-in, checked-out and being-announced make up CanAccess.
    std::atomic<bool> pluggedIn = true;
    std::atomic<bool> checkedOut = false;
    std::atomic<bool> enumerated = false;
    bool hasReadWriteAccess = false;
    int openError = 0;

    bool syncOpen = false;
    std::shared_ptr<HidConnection> sync;
    // Shared with the read thread, which opens it; the GUI thread closes it.
    mutable std::mutex readMutex;
    std::shared_ptr<HidConnection> read;

    int numInputBuffers = 0;
    int numOverlappedBuffers = 0;
    std::atomic<int> pollingDelayTime = 0;
    std::atomic<int> threadSleepTime = 100;

    THidDataEvent onData;
    THidDataErrorEvent onDataError;
    bool dataErrorFromController = false;
    THidPlugEvent onUnplug;

    std::unique_ptr<THidDeviceReadThread> reader;
};

THidDevice::THidDevice(THidDeviceController* controller, HidPlatform& platform, THidPnPInfo info)
    : d(new Private)
{
    d->controller = controller;
    d->platform = &platform;
    d->info = std::move(info);
    if (controller) {
        d->pollingDelayTime = controller->DevPollingDelayTime();
        d->threadSleepTime = controller->DevThreadSleepTime();
        d->onData = controller->OnDeviceData();
        d->onUnplug = controller->OnDeviceUnplug();
        d->onDataError = controller->OnDeviceDataError();
        d->dataErrorFromController = true;
    }

    // Whether the node opens for reading and writing decides whether the device
    // can be read and written; its description needs no open node.
    int error = 0;
    d->hasReadWriteAccess = platform.open(d->info, error) != nullptr;
    d->openError = d->hasReadWriteAccess ? 0 : error;

    std::optional<HidDeviceDescription> description = platform.describe(d->info);
    if (!description)
        throw EControllerError("Device cannot be opened");
    if (!description->Identified)
        throw EControllerError("Device cannot be identified");
    d->description = std::move(*description);
    d->attributes = d->description.Attributes;
}

THidDevice::~THidDevice()
{
    SetOnData(nullptr);
    d->onUnplug = nullptr;
    CloseFile();
    CloseReadHandle();
}

QString THidDevice::VendorName()
{
    if (d->vendorName.isEmpty() && CanAccess())
        d->vendorName = d->description.Manufacturer.left(kMaxStringUnits);
    return d->vendorName;
}

QString THidDevice::ProductName()
{
    if (d->productName.isEmpty() && CanAccess())
        d->productName = d->description.Product.left(kMaxStringUnits);
    return d->productName;
}

QString THidDevice::SerialNumber()
{
    if (d->serialNumber.isEmpty() && CanAccess())
        d->serialNumber =
            SerialWithoutLanguageIds(d->description.Serial, d->description.LanguageIds).left(kMaxStringUnits);
    return d->serialNumber;
}

QString SerialWithoutLanguageIds(const QString& serial, const std::optional<std::vector<uint16_t>>& languageIds)
{
    if (!languageIds)
        return serial;
    // The list fills a buffer of 0xFFFF words; its length ends at the last word
    // that is not 0xFFFF, a terminating 0 not counted.
    const std::vector<uint16_t>& ids = *languageIds;
    size_t length = 0;
    for (size_t i = std::min(ids.size(), size_t(kMaxStringUnits)); i-- > 0;) {
        if (ids[i] != 0xFFFF) {
            length = ids[i] == 0 ? i : i + 1;
            break;
        }
    }
    for (size_t i = 0; i < length; ++i) {
        const uint16_t unit = i < size_t(serial.size()) ? serial.at(qsizetype(i)).unicode() : 0;
        if (ids[i] != unit)
            return serial;
    }
    return QString();
}

HIDP_CAPS THidDevice::Caps()
{
    if (!d->capsHeld && CanAccess())
        d->capsHeld = true;
    return d->capsHeld ? d->description.Caps : HIDP_CAPS{};
}

const HIDD_ATTRIBUTES& THidDevice::Attributes() const { return d->attributes; }
const THidPnPInfo& THidDevice::PnPInfo() const { return d->info; }

// hidraw has no per-handle ring of input reports (the kernel keeps its own
// queue per open node): the sizes are kept as set and applied nowhere.
int THidDevice::NumInputBuffers() const { return d->numInputBuffers; }
void THidDevice::SetNumInputBuffers(int count) { d->numInputBuffers = count; }
int THidDevice::NumOverlappedBuffers() const { return d->numOverlappedBuffers; }
void THidDevice::SetNumOverlappedBuffers(int count) { d->numOverlappedBuffers = count; }

int THidDevice::PollingDelayTime() const { return d->pollingDelayTime; }
void THidDevice::SetPollingDelayTime(int ms)
{
    if (ms >= kMinPollingDelay && ms <= kMaxPollingDelay)
        d->pollingDelayTime = ms;
}

int THidDevice::ThreadSleepTime() const { return d->threadSleepTime; }
void THidDevice::SetThreadSleepTime(int ms)
{
    if (ms >= kMinThreadSleep && ms <= kMaxThreadSleep)
        d->threadSleepTime = ms;
}

const THidDataEvent& THidDevice::OnData() const { return d->onData; }

void THidDevice::SetOnData(THidDataEvent handler)
{
    if (!handler)
        StopReading();
    d->onData = std::move(handler);
    StartReading();
}

const THidDataErrorEvent& THidDevice::OnDataError() const { return d->onDataError; }

void THidDevice::SetOnDataError(THidDataErrorEvent handler)
{
    d->onDataError = std::move(handler);
    d->dataErrorFromController = false;
}

void THidDevice::SetControllerDataError(const THidDataErrorEvent& handler)
{
    d->onDataError = handler;
    d->dataErrorFromController = true;
}

bool THidDevice::UsesControllerDataError() const { return d->dataErrorFromController; }

const THidPlugEvent& THidDevice::OnUnplug() const { return d->onUnplug; }
void THidDevice::SetOnUnplug(THidPlugEvent handler) { d->onUnplug = std::move(handler); }

bool THidDevice::WriteFile(const void* Report, uint32_t ToWrite, uint32_t& BytesWritten)
{
    BytesWritten = 0;
    if (!OpenFile() || !d->sync)
        return false;
    size_t written = 0;
    int error = 0;
    const bool ok = d->sync->write(static_cast<const uint8_t*>(Report), ToWrite, written, error);
    BytesWritten = uint32_t(written);
    return ok;
}

bool THidDevice::IsPluggedIn() const { return d->pluggedIn; }
bool THidDevice::IsCheckedOut() const { return d->checkedOut; }
bool THidDevice::HasReadWriteAccess() const { return d->hasReadWriteAccess; }
int THidDevice::OpenError() const { return d->openError; }
bool THidDevice::CanAccess() const { return d->pluggedIn && (d->checkedOut || d->enumerated); }
bool THidDevice::IsReading() const { return d->reader && !d->reader->Finished(); }

bool THidDevice::OpenFile()
{
    if (CanAccess() && !d->syncOpen) {
        int error = 0;
        d->sync = d->platform->open(d->info, error);
        d->hasReadWriteAccess = d->sync != nullptr;
        d->openError = d->hasReadWriteAccess ? 0 : error;
        d->syncOpen = true;
    }
    return d->syncOpen;
}

void THidDevice::CloseFile()
{
    d->sync.reset();
    d->syncOpen = false;
}

std::shared_ptr<HidConnection> THidDevice::OpenReadHandle(int& error)
{
    std::lock_guard lock(d->readMutex);
    if (!CanAccess()) {
        error = ENODEV;
        return nullptr;
    }
    if (!d->read) {
        error = 0;
        d->read = d->platform->open(d->info, error);
    }
    return d->read;
}

bool THidDevice::IsReadHandle(const std::shared_ptr<HidConnection>& connection) const
{
    std::lock_guard lock(d->readMutex);
    return d->read == connection;
}

void THidDevice::CloseReadHandle()
{
    std::shared_ptr<HidConnection> closing;
    {
        std::lock_guard lock(d->readMutex);
        closing.swap(d->read);
    }
    // The node closes once the read thread lets go of it: closing it under a
    // poll() that still watches it would be a race.
    if (closing)
        closing->interrupt();
}

void THidDevice::StartReading()
{
    if (!d->onData || !d->pluggedIn || !d->checkedOut || !d->hasReadWriteAccess || d->reader)
        return;
    const uint16_t length = Caps().InputReportByteLength;
    // A device without input reports has nothing to read.
    if (length == 0)
        return;
    d->reader.reset(new THidDeviceReadThread(this, length));
}

void THidDevice::StopReading()
{
    // Taken from the device first: a handler run while this stop waits may set
    // OnData again, which then starts a new reader instead of finding this one.
    std::unique_ptr<THidDeviceReadThread> reader = std::move(d->reader);
    if (!reader)
        return;
    if (reader->HandOverRunning()) {
        // Called from inside this device's own hand-over (its handler opened a
        // modal box, and meanwhile the bath went away): waiting here would wait
        // for ourselves. The hand-over reaps the reader when it returns.
        THidDeviceReadThread::Detach(std::move(reader));
        return;
    }
    reader->StopAndWait();
}

void THidDevice::MarkUnplugged()
{
    CloseFile();
    CloseReadHandle();
    d->pluggedIn = false;
    THidPlugEvent onUnplug = std::move(d->onUnplug);
    d->onUnplug = nullptr;
    if (onUnplug)
        onUnplug(this);
}

void THidDevice::SetCheckedOut(bool checkedOut) { d->checkedOut = checkedOut; }
void THidDevice::SetEnumerated(bool enumerated) { d->enumerated = enumerated; }
void THidDevice::DetachFromController() { d->controller = nullptr; }

void THidDevice::DeliverData(uint8_t reportId, const uint8_t* data, uint16_t size)
{
    // Looked up now: the handler may have changed while the report waited.
    const THidDataEvent handler = d->onData;
    if (handler)
        handler(this, reportId, data, size);
}

void THidDevice::DeliverDataError(uint32_t error)
{
    const THidDataErrorEvent handler = d->onDataError;
    if (handler)
        handler(this, error);
}
