#pragma once

#include "sim/BathResponder.h"
#include "sim/ThermalModel.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

// How one virtual bath presents itself.
struct VirtualBathConfig {
    QString serial = QStringLiteral("VB-0001");
    // Reached through a USB adapter: adapter framing, answers only after the set-up report.
    bool adapter = false;
    QString vendor = QStringLiteral("Orvelle");
    // Empty: "Kelmora thermostat", or "USB-RS adapter" for an adapter.
    QString product = QString();
    // Time from a command to its answer; 0 answers at once (for benchmarks).
    int replyDelayMs = 5;
};

// Switches that make the bath misbehave, for tests.
struct VirtualBathFaults {
    bool noReply = false;   // commands are taken, never answered
    int forcedStatus = 0;   // every answer carries this status (0: none)
    bool off = false;       // switched off: status 6 for everything
    bool splitReply = false;  // each answer comes in two reports
    bool partialLine = false; // answers never end their line
};

// One bath behind its USB framing, without threads: output reports in, input
// reports out. Reports have 64 data bytes after the report id (length 65).
class VirtualBath {
public:
    static constexpr int kReportLength = 65;
    static constexpr int kMaxCommandLength = 256;

    explicit VirtualBath(VirtualBathConfig config, uint32_t seed = 1);

    const VirtualBathConfig& config() const { return config_; }
    QString product() const;
    ThermalModel& model() { return model_; }
    void setFaults(const VirtualBathFaults& faults);
    const VirtualBathFaults& faults() const { return faults_; }

    // One output report (report id first) as the program wrote it; the input
    // reports (report id first) the bath answers with, now being `now` seconds.
    std::vector<QByteArray> receive(const QByteArray& report, double now);

private:
    void takeCommandBytes(const char* bytes, int count, double now, std::vector<QByteArray>& replies);
    void frameReply(const QByteArray& bytes, std::vector<QByteArray>& replies) const;

    VirtualBathConfig config_;
    VirtualBathFaults faults_;
    ThermalModel model_;
    BathResponder responder_;
    QByteArray command_;
    bool setUp_ = false;
};
