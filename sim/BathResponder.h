#pragma once

#include "sim/ThermalModel.h"

#include <QByteArray>

#include <optional>

// The bath's command interpreter: one command line in, one response line out,
// ":00000000 <status>" followed by " <value>" where a read succeeds.
//
//   :00000000 dat.t.1 rd          internal temperature     :00000000 0 25.03
//   :00000000 set.val wr 37.5     new setpoint             :00000000 0
//
// Status: 0 done, 1 malformed request, 2 malformed value, 3 unknown parameter,
// 4 unknown operation, 5 value out of range, 6 bath off.
class BathResponder {
public:
    static constexpr double kMinSetpoint = -40;
    static constexpr double kMaxSetpoint = 200;

    explicit BathResponder(ThermalModel& model) : model_(model) {}

    // The response to one command line (its terminator removed), with the model
    // moved on to now (seconds); nothing for a blank line.
    std::optional<QByteArray> answer(const QByteArray& line, double now);

    // Faults: every command answered with this status (0: none), or the bath
    // switched off (status 6 for everything).
    void setForcedStatus(int status) { forcedStatus_ = status; }
    void setOff(bool off) { off_ = off; }

private:
    QByteArray respond(int status, const QByteArray& value = QByteArray()) const;

    ThermalModel& model_;
    int forcedStatus_ = 0;
    bool off_ = false;
};
