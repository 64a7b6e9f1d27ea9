#include "plot/AxisMath.h"

#include "app/MainForm.h"

#include <algorithm>
#include <cmath>

TAxisLimits ScaleStepLimits(double maxY, int position)
{
    const double divisor = MainFormConst::ScaleDivisors[std::clamp(position, 0, 11)];
    return {-maxY / divisor, maxY / divisor};
}

std::optional<TAxisLimits> RecentredLimits(double value, double min, double max)
{
    if (!std::isfinite(value) || !(value > max || value < min))
        return std::nullopt;
    const double span = max - min;
    return TAxisLimits{value - span / 2, value + span / 2};
}

double ReanchoredViewMax(double maxTime, double viewMax, double frameSpan)
{
    return maxTime < viewMax ? viewMax : maxTime + frameSpan / 60;
}

double ScrollTravelSpan(double minTime, double maxTime, double frameSpan)
{
    const double span = std::fabs(maxTime - minTime);
    return span > 0 && std::isfinite(span) ? span : frameSpan;
}

double ScrollOffset(int position, int lastPosition, double travelSpan, int barMinimum, int barMaximum)
{
    const int travel = barMaximum - barMinimum;
    if (travel <= 0)
        return 0;
    return double(position - lastPosition) * travelSpan / travel;
}

const char* TimeLabelPattern(double minTime, double maxTime)
{
    return std::fabs(maxTime - minTime) > 1.0 ? " d h:nn:ss" : "h:nn:ss";
}

int ValidFrameIndex(int stored)
{
    return stored >= 0 && stored <= 4 ? stored : 1;
}
