#include "link/hid/HidDevice.h"

// Interim body: the controller does not create devices yet.

struct THidDevice::Private {
    THidPnPInfo info;
    HIDD_ATTRIBUTES attributes;
    THidDataEvent onData;
    THidDataErrorEvent onDataError;
    THidPlugEvent onUnplug;
};

THidDevice::THidDevice(THidDeviceController*, HidPlatform&, THidPnPInfo info) : d(new Private)
{
    d->info = std::move(info);
}
THidDevice::~THidDevice() = default;
QString THidDevice::VendorName() { return {}; }
QString THidDevice::ProductName() { return {}; }
QString THidDevice::SerialNumber() { return {}; }
HIDP_CAPS THidDevice::Caps() { return {}; }
const HIDD_ATTRIBUTES& THidDevice::Attributes() const { return d->attributes; }
const THidPnPInfo& THidDevice::PnPInfo() const { return d->info; }
int THidDevice::NumInputBuffers() const { return 0; }
void THidDevice::SetNumInputBuffers(int) {}
int THidDevice::NumOverlappedBuffers() const { return 0; }
void THidDevice::SetNumOverlappedBuffers(int) {}
int THidDevice::PollingDelayTime() const { return 0; }
void THidDevice::SetPollingDelayTime(int) {}
int THidDevice::ThreadSleepTime() const { return 100; }
void THidDevice::SetThreadSleepTime(int) {}
const THidDataEvent& THidDevice::OnData() const { return d->onData; }
void THidDevice::SetOnData(THidDataEvent handler) { d->onData = std::move(handler); }
const THidDataErrorEvent& THidDevice::OnDataError() const { return d->onDataError; }
void THidDevice::SetOnDataError(THidDataErrorEvent handler) { d->onDataError = std::move(handler); }
const THidPlugEvent& THidDevice::OnUnplug() const { return d->onUnplug; }
void THidDevice::SetOnUnplug(THidPlugEvent handler) { d->onUnplug = std::move(handler); }
bool THidDevice::WriteFile(const void*, uint32_t, uint32_t& BytesWritten)
{
    BytesWritten = 0;
    return false;
}
bool THidDevice::IsPluggedIn() const { return false; }
bool THidDevice::IsCheckedOut() const { return false; }
bool THidDevice::HasReadWriteAccess() const { return false; }
int THidDevice::OpenError() const { return 0; }
bool THidDevice::CanAccess() const { return false; }
