#pragma once

#include <QDateTime>

#include <functional>

// Date-time values count days from 30 December 1899 00:00; the fraction is the
// time of day. Record times, start markers and "now" all use this measure.
using TDateTime = double;

// The current local date and time. Tests replace the source with SetClockForTesting.
TDateTime Now();

// Installs a replacement for the system clock; an empty function restores it.
void SetClockForTesting(std::function<QDateTime()> source);

TDateTime DateTimeFromQt(const QDateTime& local);
// The wall-clock reading of value, as a UTC QDateTime (no time-zone shifts).
QDateTime DateTimeToQt(TDateTime value);

// 00:00 of the first day of the month that holds value.
TDateTime StartOfMonth(TDateTime value);

constexpr double kMsPerDay = 86400000.0;
constexpr double kSecondsPerDay = 86400.0;
