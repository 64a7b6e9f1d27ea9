#pragma once

#include "link/hid/HidPlatform.h"

// A platform that cannot enumerate: the controller stays dormant and no device
// is ever announced. For windows that need no bath.
class DormantHidPlatform : public HidPlatform {
public:
    using HidPlatform::HidPlatform;
    bool isAvailable() const override { return false; }
    std::vector<THidPnPInfo> enumerate() override { return {}; }
    std::optional<HidDeviceDescription> describe(const THidPnPInfo&) override { return std::nullopt; }
    std::shared_ptr<HidConnection> open(const THidPnPInfo&, int& error) override
    {
        error = 19; // ENODEV
        return nullptr;
    }
};
