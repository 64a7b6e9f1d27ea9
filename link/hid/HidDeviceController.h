#pragma once

#include "link/hid/HidDevice.h"
#include "link/hid/HidPlatform.h"
#include "link/hid/HidTypes.h"

#include <QObject>
#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

// The error of the controller and its devices ("Device cannot be opened", ...).
class EControllerError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An error of a rebuild that ran from the event loop, for the application's error box.
using THidErrorEvent = std::function<void(std::exception_ptr error)>;

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
    const THidDataErrorEvent& OnDeviceDataError() const;
    // Defaults for new devices (none here).
    void SetOnDeviceData(THidDataEvent handler);
    const THidDataEvent& OnDeviceData() const;
    void SetOnDeviceUnplug(THidPlugEvent handler);
    const THidPlugEvent& OnDeviceUnplug() const;
    // A rebuild that failed (a device that cannot be created ends its scan and
    // leaves the list untouched). Without a handler the error is logged.
    void SetOnError(THidErrorEvent handler);

    // PollingDelayTime and ThreadSleepTime given to new devices (0 and 100 ms).
    int DevPollingDelayTime() const;
    void SetDevPollingDelayTime(int ms);
    int DevThreadSleepTime() const;
    void SetDevThreadSleepTime(int ms);

    // Takes the first device, in list order, that nobody holds and whose product
    // name equals ProductName exactly. HidDev is none when it returns false.
    bool CheckOutByProductName(THidDevice*& HidDev, const QString& ProductName);
    // Gives a device back; a device that is gone is destroyed. HidDev becomes none.
    void CheckIn(THidDevice*& HidDev);

    // Rebuilds the device list and raises the events. Raises EControllerError
    // when a present device cannot be created; the list is then untouched.
    void DeviceChange();

    // The platform cannot enumerate: no scans, no events.
    bool IsDormant() const;
    // The listed devices in list order (the controller owns them), for inspection.
    std::vector<THidDevice*> ListedDevices() const;

private:
    friend class THidDevice;
    struct Private;

    // A change notice: rebuilds now, or once more after the rebuild that runs.
    void Notice(bool first);
    void Announce(const THidPlugEvent& handler, THidDevice* device);
    bool IsListed(const THidDevice* device) const;
    void Destroy(THidDevice* device);

    std::unique_ptr<Private> d;
};
