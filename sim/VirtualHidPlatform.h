#pragma once

#include "link/hid/HidPlatform.h"
#include "sim/VirtualBath.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

// Simulated baths presented exactly as hardware would be: they arrive and go,
// report their strings and report lengths, take output reports and answer with
// input reports after a short delay. Reads run on a device's read thread; every
// bath is guarded by its own lock.
class VirtualHidPlatform : public HidPlatform {
    Q_OBJECT
public:
    explicit VirtualHidPlatform(QObject* parent = nullptr);
    ~VirtualHidPlatform() override;

    // A bath present from now on, without a notice (attached before start).
    void addBath(const VirtualBathConfig& config);
    // A bath attached now: addBath() and devicesChanged.
    void plugBath(const VirtualBathConfig& config);
    // The bath with this serial number goes away, or comes back under a new
    // identity (as a re-plugged USB device does); each with devicesChanged.
    void unplug(const QString& serial);
    void replug(const QString& serial);
    void setFaults(const QString& serial, const VirtualBathFaults& faults);
    // Runs f on the bath with this serial number, under its lock.
    void withBath(const QString& serial, const std::function<void(VirtualBath&)>& f);

    // Seconds for the thermal model; the steady clock unless a test drives it.
    void setClock(std::function<double()> clock);

    bool isAvailable() const override { return true; }
    std::vector<THidPnPInfo> enumerate() override;
    std::optional<HidDeviceDescription> describe(const THidPnPInfo& device) override;
    std::shared_ptr<HidConnection> open(const THidPnPInfo& device, int& error) override;

    struct Unit;

private:
    std::shared_ptr<Unit> find(const QString& id) const;
    std::shared_ptr<Unit> findSerial(const QString& serial) const;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Unit>> units_;
    std::shared_ptr<std::function<double()>> clock_;
};
