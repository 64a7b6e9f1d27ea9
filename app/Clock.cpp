#include "app/Clock.h"

#include <cmath>

namespace {

std::function<QDateTime()>& clockSource()
{
    static std::function<QDateTime()> source;
    return source;
}

// Julian day number of 30 December 1899, day 0 of the date-time measure.
constexpr qint64 kEpochJulianDay = 2415019;

} // namespace

TDateTime Now()
{
    const auto& source = clockSource();
    return DateTimeFromQt(source ? source() : QDateTime::currentDateTime());
}

void SetClockForTesting(std::function<QDateTime()> source)
{
    clockSource() = std::move(source);
}

TDateTime DateTimeFromQt(const QDateTime& local)
{
    const double days = double(local.date().toJulianDay() - kEpochJulianDay);
    return days + local.time().msecsSinceStartOfDay() / kMsPerDay;
}

QDateTime DateTimeToQt(TDateTime value)
{
    double day = std::floor(value);
    qint64 ms = std::llround((value - day) * kMsPerDay);
    if (ms >= qint64(kMsPerDay)) {
        day += 1;
        ms -= qint64(kMsPerDay);
    }
    const QDate date = QDate::fromJulianDay(qint64(day) + kEpochJulianDay);
    // UTC keeps the value as it is: no daylight-saving gap or fold can move it.
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)), Qt::UTC);
}

TDateTime StartOfMonth(TDateTime value)
{
    const QDate date = DateTimeToQt(value).date();
    return DateTimeFromQt(QDateTime(QDate(date.year(), date.month(), 1), QTime(0, 0), Qt::UTC));
}
