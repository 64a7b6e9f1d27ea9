#pragma once

#include <cstdint>
#include <random>

// The physics of the virtual bath: the internal temperature moves towards the
// setpoint at about 1 °C a minute with a little noise, the external one follows
// it with a lag, the heater power comes from a simple controller. Time is given
// by the caller (seconds on any scale), so tests can drive it.
class ThermalModel {
public:
    static constexpr double kRatePerSecond = 1.0 / 60; // about 1 °C a minute
    static constexpr double kExternalLagSeconds = 90;
    static constexpr double kReadyBand = 0.1;          // °C around the setpoint
    static constexpr double kNoise = 0.01;             // °C, at most, per step

    explicit ThermalModel(double ambient = 20.0, double setpoint = 25.0, uint32_t seed = 1);

    // Moves the model on to the given time; the first call only sets the clock,
    // and time that runs backwards is ignored.
    void advanceTo(double seconds);

    double internal() const { return internal_; }
    double external() const { return external_; }
    double power() const { return power_; }
    double setpoint() const { return setpoint_; }
    void setSetpoint(double setpoint);
    // Within the ready band of the setpoint.
    bool ready() const;

private:
    void step(double seconds);

    double ambient_;
    double setpoint_;
    double internal_;
    double external_;
    double power_ = 0;
    double now_ = 0;
    bool started_ = false;
    std::mt19937 random_;
};
