#pragma once

#include "link/hid/HidPlatform.h"

#include <QString>

#include <memory>

// The HID platform of Linux: the hidraw devices as udev lists them (identity:
// the udev sys path), their USB strings and report lengths from sysfs, their
// /dev/hidrawN nodes for reading and writing, and hot-plug through a udev
// monitor watched by the event loop.
class LinuxHidPlatform : public HidPlatform {
    Q_OBJECT
public:
    explicit LinuxHidPlatform(QObject* parent = nullptr);
    ~LinuxHidPlatform() override;

    bool isAvailable() const override;
    std::vector<THidPnPInfo> enumerate() override;
    std::optional<HidDeviceDescription> describe(const THidPnPInfo& device) override;
    std::shared_ptr<HidConnection> open(const THidPnPInfo& device, int& error) override;

private:
    void receiveEvents();

    struct Private;
    std::unique_ptr<Private> d;
};

// What sysfs tells of one hidraw device, given its sys path (…/hidraw/hidrawN;
// a fake tree in a temporary folder works the same): the report lengths from
// the HID device's report_descriptor, the ids from its uevent, and the
// manufacturer, product and serial strings of the USB device above it (empty
// where there is none). nullopt when the report descriptor cannot be read.
std::optional<HidDeviceDescription> ReadHidrawDescription(const QString& sysPath);

// A connection over an open node that keeps report boundaries (a hidraw node,
// or a SOCK_SEQPACKET socket in tests); it takes ownership of fd. For a device
// that does not number its reports, reads get a 0 report-id byte in front.
std::shared_ptr<HidConnection> MakeHidrawConnection(int fd, bool numberedReports);

// The message for a node that cannot be opened for reading and writing: the path
// and the system's reason; for missing permission, where the udev rule is.
QString HidOpenErrorMessage(const QString& path, int error);
