#pragma once

#include "link/hid/HidPlatform.h"

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// A HID platform whose devices the test scripts:
//
//     FakeHidPlatform fake;
//     FakeHidPlatform::Device& bath = fake.add({.id = "bath-1", .vendor = "Orvelle",
//                                               .product = "Kelmora thermostat", .serial = "B1"});
//     fake.plug({.id = "kbd", .readWrite = false});   // present + devicesChanged
//     bath.pushInput(QByteArray("\x00:00000000 0 25.00\r", 20));
//     QVERIFY(bath.waitHandled(1));
//     bath.writes();                                  // every output report, in order
//     fake.unplug(bath);                              // gone + devicesChanged
//
// Reads happen on a device's read thread: the input queue, the written reports
// and the counters are guarded by the device's own lock.
class FakeHidPlatform : public HidPlatform {
public:
    struct Traits {
        QString id = {};   // identity; a new id stands for a re-plugged device
        QString path = {}; // open path; "/dev/fake-<id>" when empty
        QString vendor = QStringLiteral("Orvelle");
        QString product = QStringLiteral("Kelmora thermostat");
        QString serial = {};
        uint16_t vendorId = 0x1209;
        uint16_t productId = 0x0001;
        uint16_t inputLength = 65;  // report lengths with the report-id byte
        uint16_t outputLength = 65;
        bool numbered = false;
        bool readWrite = true;   // the node opens for reading and writing
        int openError = EACCES;  // errno of open() otherwise
        bool describable = true; // false: nothing can be learned ("cannot be opened")
        bool identified = true;  // false: "cannot be identified"
        // Where the platform gives a language-id list (Linux does not).
        std::optional<std::vector<uint16_t>> languageIds = {};
    };

    class Connection;

    class Device {
    public:
        explicit Device(Traits traits);

        const Traits& traits() const { return traits_; }
        THidPnPInfo pnp() const;
        bool present() const;

        // Every output report written, report id first, in order.
        std::vector<QByteArray> writes() const;
        QByteArray lastWrite() const;
        void clearWrites();
        // Makes writes fail with this errno (0: they succeed again).
        void failWrites(int error);
        // Called on the writing thread after each successful write, e.g. to answer.
        std::function<void(const QByteArray& report)> onWrite;

        // Queues one input report (report id first); a read thread delivers it.
        void pushInput(const QByteArray& report);
        // The next read fails with this errno, once.
        void pushReadError(int error);
        // Inputs not yet taken by a read.
        int pending() const;
        // Reports taken by a read whose reader came back for more (or stopped
        // reading): with the synchronous hand-over, the handler has returned.
        int handled() const;
        // Spins the event loop until handled() >= count; false on time-out.
        bool waitHandled(int count, int timeoutMs = 5000) const;

        // Successful opens, and connections open now.
        int openCount() const;
        int openConnections() const;

    private:
        friend class FakeHidPlatform;
        friend class Connection;
        struct Input {
            QByteArray report;
            int error = 0;
        };

        Traits traits_;
        mutable std::mutex mutex_;
        std::condition_variable changed_;
        bool present_ = true;
        std::deque<Input> inputs_;
        std::vector<QByteArray> writes_;
        int writeError_ = 0;
        int handled_ = 0;
        int opens_ = 0;
        int openNow_ = 0;
    };

    FakeHidPlatform();
    ~FakeHidPlatform() override;

    // A device present from now on, without a notice (as if attached before start).
    Device& add(Traits traits);
    // A device attached now: add() and devicesChanged.
    Device& plug(Traits traits);
    // The device goes away without a notice: reads and writes fail from now on.
    void remove(Device& device);
    // The device goes away: remove() and devicesChanged.
    void unplug(Device& device);
    // Emits devicesChanged.
    void notify();
    // False makes the platform unable to enumerate (the controller stays dormant).
    void setAvailable(bool available) { available_ = available; }

    // Count of enumerate() calls, that is of scans.
    int scans() const { return scans_; }

    bool isAvailable() const override { return available_; }
    std::vector<THidPnPInfo> enumerate() override;
    std::optional<HidDeviceDescription> describe(const THidPnPInfo& device) override;
    std::shared_ptr<HidConnection> open(const THidPnPInfo& device, int& error) override;

private:
    Device* find(const QString& id) const;

    bool available_ = true;
    int scans_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Device>> devices_;
};

// Waits, spinning the event loop, until the device's read thread handled n reports.
#define QTRY_HANDLED(device, n) QTRY_VERIFY_WITH_TIMEOUT((device).handled() >= (n), 5000)
