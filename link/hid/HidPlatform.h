#pragma once

#include "link/hid/HidTypes.h"

#include <QObject>

#include <memory>
#include <optional>
#include <vector>

// The operating-system side of HID: everything the controller and its devices
// need, and nothing else. Implementations: the Linux backend (udev + hidraw),
// the virtual bath, and the scripted fake of the tests.

// What can be learned of a device without opening its node.
struct HidDeviceDescription {
    // False when the device's identification cannot be read ("Device cannot be identified").
    bool Identified = false;
    HIDD_ATTRIBUTES Attributes;
    HIDP_CAPS Caps;
    // Empty where the device has no such string.
    QString Manufacturer;
    QString Product;
    QString Serial;
    // The device's language-id list, where the platform gives one (Linux does not).
    std::optional<std::vector<uint16_t>> LanguageIds;
};

// One open read/write node. read() runs on a device's read thread, interrupt()
// and write() on the GUI thread.
class HidConnection {
public:
    virtual ~HidConnection() = default;

    enum class ReadStatus {
        Report,      // one whole input report, report id first
        TimedOut,    // nothing within the wait
        Interrupted, // interrupt() was called; the connection stays usable
        Failed       // the node reported an error or is gone; error holds errno
    };
    struct ReadResult {
        ReadStatus Status = ReadStatus::TimedOut;
        size_t Length = 0;
        int Error = 0;
    };

    // Waits up to timeoutMs for one input report and copies it to buffer with the
    // report-id byte first (0 for devices that do not number their reports).
    virtual ReadResult read(uint8_t* buffer, size_t capacity, int timeoutMs) = 0;
    // Wakes a read that is waiting, from any thread.
    virtual void interrupt() = 0;
    // Writes one whole output report, report-id byte first; blocks until done.
    virtual bool write(const uint8_t* report, size_t length, size_t& written, int& error) = 0;
};

class HidPlatform : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~HidPlatform() override = default;

    // False when the platform cannot enumerate devices at all: the controller stays dormant.
    virtual bool isAvailable() const = 0;
    // The devices present now, in a stable order.
    virtual std::vector<THidPnPInfo> enumerate() = 0;
    // Identification, strings and report lengths, read without opening the node;
    // nullopt when nothing at all can be learned ("Device cannot be opened").
    virtual std::optional<HidDeviceDescription> describe(const THidPnPInfo& device) = 0;
    // Opens the node for reading and writing; null with error (an errno value)
    // when that is not possible, for example without the access rule. Called on
    // the GUI thread and on read threads (a reader opens its own node).
    virtual std::shared_ptr<HidConnection> open(const THidPnPInfo& device, int& error) = 0;

Q_SIGNALS:
    // The set of present devices may have changed. Emitted on the GUI thread.
    void devicesChanged();
};
