#pragma once

#include <optional>

// The arithmetic of the value axis and the time window, apart from the
// widgets that show it.

struct TAxisLimits {
    double min;
    double max;
};

// The limits of scale step position (0..11, clamped): +-maxY / divisor.
TAxisLimits ScaleStepLimits(double maxY, int position);

// New limits that centre the axis on value, keeping the span, when value lies
// outside [min, max]. A value on a limit, or one that is not finite, leaves
// the axis alone.
std::optional<TAxisLimits> RecentredLimits(double value, double min, double max);

// Right end of a re-anchored time window: a sixtieth of the window past the
// newest point when the data have reached viewMax (or cannot be compared),
// else viewMax.
double ReanchoredViewMax(double maxTime, double viewMax, double frameSpan);

// The time span the scroll bar's full travel stands for: the record's span
// from its first to its last point, the window length while that is 0.
double ScrollTravelSpan(double minTime, double maxTime, double frameSpan);

// The shift of the time window for a move of the bar from lastPosition to
// position; linear, so a move and its reverse cancel.
double ScrollOffset(int position, int lastPosition, double travelSpan, int barMinimum, int barMaximum);

// The time-axis label pattern: with the day once the data span more than a day.
const char* TimeLabelPattern(double minTime, double maxTime);

// A stored frame choice; one outside the menu gives the default, 15 minutes.
int ValidFrameIndex(int stored);
