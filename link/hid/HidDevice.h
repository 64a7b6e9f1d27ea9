#pragma once

#include "link/hid/HidPlatform.h"
#include "link/hid/HidTypes.h"

#include <QString>

#include <memory>

class THidDeviceController;
class THidDeviceReadThread;

// One HID device interface as the controller lists it. It caches the device's
// strings, knows its report lengths, writes output reports on the calling thread
// and, once checked out with an OnData handler, reads input reports on its own
// thread and hands each one to the GUI thread. Only the controller creates and
// destroys device objects.
class THidDevice {
public:
    ~THidDevice();
    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;

    // Descriptor strings, read once and kept; an empty one is asked for again.
    QString VendorName();
    QString ProductName();
    QString SerialNumber();

    HIDP_CAPS Caps();
    const HIDD_ATTRIBUTES& Attributes() const;
    const THidPnPInfo& PnPInfo() const;

    // Input-report ring sizes. hidraw has no per-handle setting: the values are kept.
    int NumInputBuffers() const;
    void SetNumInputBuffers(int count);
    int NumOverlappedBuffers() const;
    void SetNumOverlappedBuffers(int count);

    // Pause after each delivered report (0..10000 ms) and the length of one wait
    // slice of the read thread (10..10000 ms); values outside keep the old one.
    int PollingDelayTime() const;
    void SetPollingDelayTime(int ms);
    int ThreadSleepTime() const;
    void SetThreadSleepTime(int ms);

    // Setting none stops reading before it returns; setting a handler starts
    // reading when the device is plugged in, checked out and writable.
    const THidDataEvent& OnData() const;
    void SetOnData(THidDataEvent handler);
    const THidDataErrorEvent& OnDataError() const;
    void SetOnDataError(THidDataErrorEvent handler);
    const THidPlugEvent& OnUnplug() const;
    void SetOnUnplug(THidPlugEvent handler);

    // Writes one whole output report (report id first); false when the device
    // cannot be reached or the write fails.
    bool WriteFile(const void* Report, uint32_t ToWrite, uint32_t& BytesWritten);

    bool IsPluggedIn() const;
    bool IsCheckedOut() const;
    // The last attempt to open the node for reading and writing succeeded.
    bool HasReadWriteAccess() const;
    // The errno of the last failed attempt to open the node (0 when none failed).
    int OpenError() const;
    // Plugged in, and checked out or being announced.
    bool CanAccess() const;

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;
    struct Private;

    THidDevice(THidDeviceController* controller, HidPlatform& platform, THidPnPInfo info);

    std::unique_ptr<Private> d;
};
