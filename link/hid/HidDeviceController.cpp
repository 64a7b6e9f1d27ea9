#include "link/hid/HidDeviceController.h"

// Interim body: no device is ever listed yet.

struct THidDeviceController::Private {
    HidPlatform* platform = nullptr;
};

THidDeviceController::THidDeviceController(HidPlatform& platform, QObject* owner)
    : QObject(owner), d(new Private)
{
    d->platform = &platform;
}
THidDeviceController::~THidDeviceController() = default;
void THidDeviceController::SetOnArrival(THidPlugEvent) {}
void THidDeviceController::SetOnRemoval(THidPlugEvent) {}
void THidDeviceController::SetOnDeviceChange(THidNotifyEvent) {}
void THidDeviceController::SetOnDeviceDataError(THidDataErrorEvent) {}
bool THidDeviceController::CheckOutByProductName(THidDevice*& HidDev, const QString&)
{
    HidDev = nullptr;
    return false;
}
void THidDeviceController::CheckIn(THidDevice*& HidDev) { HidDev = nullptr; }
void THidDeviceController::DeviceChange() {}
bool THidDeviceController::IsDormant() const { return true; }
