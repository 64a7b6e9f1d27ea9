#pragma once

#include "link/hid/HidDevice.h"
#include "link/hid/HidPlatform.h"
#include "link/hid/HidTypes.h"

#include <QObject>
#include <QString>

#include <memory>
#include <stdexcept>

// The error of the controller and its devices ("Device cannot be opened", ...).
class EControllerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Keeps the list of every present HID device interface, announces arrivals and
// removals on the GUI thread, and hands devices out for exclusive use.
class THidDeviceController : public QObject {
    Q_OBJECT
public:
    // The first rebuild is queued here and runs once the event loop runs.
    explicit THidDeviceController(HidPlatform& platform, QObject* owner = nullptr);
    ~THidDeviceController() override;

    void SetOnArrival(THidPlugEvent handler);
    void SetOnRemoval(THidPlugEvent handler);
    void SetOnDeviceChange(THidNotifyEvent handler);
    // Also given to every listed device that still uses the previous one.
    void SetOnDeviceDataError(THidDataErrorEvent handler);

    // Takes the first device, in list order, that nobody holds and whose product
    // name equals ProductName exactly. HidDev is none when it returns false.
    bool CheckOutByProductName(THidDevice*& HidDev, const QString& ProductName);
    // Gives a device back; a device that is gone is destroyed. HidDev becomes none.
    void CheckIn(THidDevice*& HidDev);

    // Rebuilds the device list and raises the events.
    void DeviceChange();

    // The platform cannot enumerate: no scans, no events.
    bool IsDormant() const;

private:
    friend class THidDevice;
    struct Private;
    std::unique_ptr<Private> d;
};
