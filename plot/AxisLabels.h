#pragma once

#include "app/Clock.h"

#include <qcustomplot.h>

#include <QChar>
#include <QString>

// Record times are days since 30 December 1899; QCustomPlot's date-time ticks
// count seconds since 1970. Day 25569 is 1 January 1970.
inline constexpr double kUnixEpochDay = 25569.0;
inline double RecordTimeToPlotKey(TDateTime x)
{
    return (x - kUnixEpochDay) * kSecondsPerDay;
}
inline TDateTime PlotKeyToRecordTime(double key)
{
    return key / kSecondsPerDay + kUnixEpochDay;
}

// A value label in a pattern such as "#,##0.####": thousands grouped when the
// pattern has a ",", at most as many decimals as it has places after ".", no
// trailing zeros, with the given separators.
struct TValuePattern {
    int decimals = 4;
    bool grouping = true;
    static TValuePattern parse(const QString& pattern);
};
QString FormatAxisValue(double value, QChar decimalSeparator, QChar groupSeparator,
                        TValuePattern pattern = {});

// Value-axis ticks: labels "#,##0.####" in the user's locale, and never closer
// than the axis' increment.
class TValueTicker : public QCPAxisTicker {
public:
    double increment = 0;
    TValuePattern pattern;

protected:
    double getTickStep(const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;
};

// Time-axis ticks over keys of QCustomPlot's date-time measure, labelled with
// a record-time pattern ("h:nn:ss" or " d h:nn:ss") whose day counts from the
// record's origin; never closer than the increment (in days).
class TRecordTimeTicker : public QCPAxisTickerDateTime {
public:
    QString pattern = QStringLiteral("h:nn:ss");
    TDateTime origin = 0;
    double incrementDays = 0;

protected:
    double getTickStep(const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;
};
