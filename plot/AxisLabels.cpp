#include "plot/AxisLabels.h"

#include "record/RecordTime.h"

#include <cmath>

TValuePattern TValuePattern::parse(const QString& pattern)
{
    TValuePattern result;
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    result.decimals = point < 0 ? 0 : int(pattern.size() - point - 1);
    result.grouping = pattern.contains(QLatin1Char(','));
    return result;
}

QString FormatAxisValue(double value, QChar decimalSeparator, QChar groupSeparator, TValuePattern pattern)
{
    if (!std::isfinite(value))
        return QString();
    QString text = QString::number(value, 'f', pattern.decimals);
    // No trailing zeros, no lone separator.
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");

    const bool negative = text.startsWith(QLatin1Char('-'));
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const QString integer = text.mid(negative ? 1 : 0, (point < 0 ? text.size() : point) - (negative ? 1 : 0));
    QString out;
    if (negative)
        out += QLatin1Char('-');
    for (qsizetype i = 0; i < integer.size(); ++i) {
        if (pattern.grouping && i > 0 && (integer.size() - i) % 3 == 0)
            out += groupSeparator;
        out += integer[i];
    }
    if (point >= 0)
        out += decimalSeparator + text.mid(point + 1);
    return out;
}

double TValueTicker::getTickStep(const QCPRange& range)
{
    return std::max(QCPAxisTicker::getTickStep(range), increment);
}

QString TValueTicker::getTickLabel(double tick, const QLocale&, QChar, int)
{
    // The user's locale as the rest of the program reads it, not the widget's copy.
    const QLocale locale;
    const QString decimal = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    return FormatAxisValue(tick, decimal.isEmpty() ? QChar(u'.') : decimal.front(),
                           group.isEmpty() ? QChar(u',') : group.front(), pattern);
}

double TRecordTimeTicker::getTickStep(const QCPRange& range)
{
    return std::max(QCPAxisTickerDateTime::getTickStep(range), incrementDays * kSecondsPerDay);
}

QString TRecordTimeTicker::getTickLabel(double tick, const QLocale&, QChar, int)
{
    return FormatRecordTime(PlotKeyToRecordTime(tick), origin, pattern);
}
