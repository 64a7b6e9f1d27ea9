#pragma once

#include "link/hid/HidPlatform.h"
#include "link/hid/HidTypes.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

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
    // A read thread exists and has not ended.
    bool IsReading() const;

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;
    struct Private;

    // Raises EControllerError "Device cannot be opened" when nothing can be learned
    // of the device, "Device cannot be identified" when its identification is missing.
    THidDevice(THidDeviceController* controller, HidPlatform& platform, THidPnPInfo info);

    // The synchronous node: writes go through it. On Linux a device without
    // read/write access still counts as open (query-only): its strings and
    // report lengths come from sysfs, only its writes fail.
    bool OpenFile();
    void CloseFile();
    // The read node of the read thread (any thread): null with an errno when the
    // device is not accessible or the node cannot be opened.
    std::shared_ptr<HidConnection> OpenReadHandle(int& error);
    bool IsReadHandle(const std::shared_ptr<HidConnection>& connection) const;
    // GUI thread: closes the read node; a read waiting on it returns at once.
    void CloseReadHandle();

    void StartReading();
    void StopReading();
    // The device is gone: handles closed, OnUnplug told once. A read thread goes
    // on and reports data errors until the device is checked in.
    void MarkUnplugged();
    void SetCheckedOut(bool checkedOut);
    void SetEnumerated(bool enumerated);
    void DetachFromController();
    // The controller's default handler, which it replaces while the device keeps it.
    void SetControllerDataError(const THidDataErrorEvent& handler);
    bool UsesControllerDataError() const;

    // Runs the handlers for the read thread's hand-over, on the GUI thread.
    void DeliverData(uint8_t reportId, const uint8_t* data, uint16_t size);
    void DeliverDataError(uint32_t error);

    std::unique_ptr<Private> d;
};

// The serial number as the device reports it, unless it merely repeats the
// device's language-id list (a device without a serial answers with that list);
// where the platform gives no such list it is taken as reported.
QString SerialWithoutLanguageIds(const QString& serial, const std::optional<std::vector<uint16_t>>& languageIds);
