#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class THidDevice;

// Identification of a device, as the platform reports it.
struct HIDD_ATTRIBUTES {
    uint32_t Size = 12;
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
};

// Report lengths of a device. Both lengths count the leading report-id byte.
struct HIDP_CAPS {
    uint16_t Usage = 0;
    uint16_t UsagePage = 0;
    uint16_t InputReportByteLength = 0;
    uint16_t OutputReportByteLength = 0;
    uint16_t FeatureReportByteLength = 0;
    // The device numbers its reports (the descriptor holds report ids).
    bool NumberedReports = false;
};

// Where a present device is: DeviceID is its identity from one scan to the next
// (the udev sys path on Linux; it changes when the device is plugged in again),
// DevicePath the node it is opened through (/dev/hidrawN).
struct THidPnPInfo {
    QString DeviceID;
    QString DevicePath;
};

// Events of a device and of the controller. They run on the GUI thread.
using THidPlugEvent = std::function<void(THidDevice* HidDev)>;
using THidDataEvent =
    std::function<void(THidDevice* HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size)>;
using THidDataErrorEvent = std::function<void(THidDevice* HidDev, uint32_t Error)>;
using THidNotifyEvent = std::function<void()>;
