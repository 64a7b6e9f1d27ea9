#include "record/RecordTime.h"

#include <cmath>

namespace {

// Beyond this many milliseconds (some 290,000 years) a time has no place on a
// record's axis; the bound keeps the conversion to an integer defined.
constexpr double kMaxMs = 9.0e15;

void appendNumber(QString& out, qint64 value, int width)
{
    out += QString::number(value).rightJustified(width, QLatin1Char('0'));
}

} // namespace

QString FormatRecordTime(TDateTime x, TDateTime origin, QStringView pattern, QChar timeSeparator)
{
    // Whole milliseconds first, so that a time a rounding error short of
    // midnight does not show as the day before at 23:59:59.
    const double ms = std::round((x - origin) * kMsPerDay);
    const qint64 total = std::abs(ms) < kMaxMs ? qint64(ms) : 0;
    const qint64 msPerDay = qint64(kMsPerDay);
    qint64 day = total / msPerDay;
    qint64 rest = total % msPerDay;
    if (rest < 0) { // floor division: a time before the origin is the day before
        rest += msPerDay;
        --day;
    }
    const qint64 seconds = rest / 1000;
    const qint64 hour = seconds / 3600;
    const qint64 minute = seconds / 60 % 60;
    const qint64 second = seconds % 60;

    QString out;
    out.reserve(pattern.size() + 4);
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        switch (c.unicode()) {
        case u'd':
            appendNumber(out, day + 1, int(run));
            break;
        case u'h':
            appendNumber(out, hour, int(run));
            break;
        case u'n':
            appendNumber(out, minute, int(run));
            break;
        case u's':
            appendNumber(out, second, int(run));
            break;
        case u':':
            out += QString(run, timeSeparator);
            break;
        default:
            out += pattern.mid(i, run);
        }
        i += run;
    }
    return out;
}

QString FormatStartMarker(TDateTime wallClock, const TFormatSettings& format)
{
    const QDateTime wall = DateTimeToQt(wallClock);
    const QDate date = wall.date();
    const QTime time = wall.time();
    auto two = [](int v) { return QString::number(v).rightJustified(2, QLatin1Char('0')); };
    return QLatin1Char('>') + two(date.day()) + format.DateSeparator + two(date.month()) + format.DateSeparator
           + QString::number(date.year()).rightJustified(4, QLatin1Char('0')) + QLatin1Char(' ') + two(time.hour())
           + format.TimeSeparator + two(time.minute()) + format.TimeSeparator + two(time.second());
}
