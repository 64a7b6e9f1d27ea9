#include "sim/ThermalModel.h"

#include <algorithm>
#include <cmath>

namespace {
// Longest step of the integration, so a long pause between polls stays smooth.
constexpr double kMaxStepSeconds = 1.0;
// Controller: the power that holds a temperature, plus a share of the error.
constexpr double kHoldingPowerPerDegree = 0.5; // % per °C above ambient
constexpr double kPowerPerDegreeOfError = 50;  // % per °C below the setpoint
} // namespace

ThermalModel::ThermalModel(double ambient, double setpoint, uint32_t seed)
    : ambient_(ambient), setpoint_(setpoint), internal_(ambient), external_(ambient), random_(seed)
{
}

void ThermalModel::setSetpoint(double setpoint)
{
    setpoint_ = setpoint;
}

bool ThermalModel::ready() const
{
    return std::abs(internal_ - setpoint_) <= kReadyBand;
}

void ThermalModel::advanceTo(double seconds)
{
    if (!started_) {
        started_ = true;
        now_ = seconds;
        step(0);
        return;
    }
    while (seconds > now_) {
        const double dt = std::min(kMaxStepSeconds, seconds - now_);
        step(dt);
        now_ += dt;
    }
}

void ThermalModel::step(double dt)
{
    const double error = setpoint_ - internal_;
    const double reach = kRatePerSecond * dt;
    std::uniform_real_distribution<double> noise(-kNoise, kNoise);
    internal_ += std::clamp(error, -reach, reach) + (dt > 0 ? noise(random_) * std::min(dt, 1.0) : 0);
    // The outer sensor lags behind the bath.
    external_ += (internal_ - external_) * std::min(1.0, dt / kExternalLagSeconds);
    const double holding = std::max(0.0, (setpoint_ - ambient_) * kHoldingPowerPerDegree);
    power_ = std::clamp(holding + kPowerPerDegreeOfError * (setpoint_ - internal_), 0.0, 100.0);
}
