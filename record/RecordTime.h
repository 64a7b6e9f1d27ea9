#pragma once

#include "app/Clock.h"
#include "app/Formats.h"

#include <QString>
#include <QStringView>

// Record times as the table, the record file, the time axis and the click
// readout show them. The intake writes the table's lines with these and the
// file reader reads them back, so there is one writer of each form.
//
// The day field counts the days of the record from its origin (00:00 of the
// first day of the month the record started in): day 1, 2, ... 31, 32, ... A
// month-day pattern would restart at 1 when a record runs into the next month
// and the rows would no longer read back in order.
//
// Pattern letters: "d" the record day without leading zero, "h"/"hh" hours,
// "nn" minutes, "ss" seconds ("n" and "s" without leading zero); ":" is written
// as the format's time separator; every other character stands for itself.
// The time is rounded to whole milliseconds, then the milliseconds are cut.
QString FormatRecordTime(TDateTime x, TDateTime origin, QStringView pattern,
                         QChar timeSeparator = QLatin1Char(':'));

// Table row patterns and the readout's.
inline constexpr char16_t kTableTimePattern[] = u"d;hh:nn:ss";
inline constexpr char16_t kReadoutTimePattern[] = u"d h:nn:ss";

// The time of a data row, "d;hh:nn:ss", with the format's time separator.
inline QString FormatRowTime(TDateTime x, TDateTime origin, const TFormatSettings& format)
{
    return FormatRecordTime(x, origin, kTableTimePattern, format.TimeSeparator);
}

// A start marker line: ">" and the wall-clock time as "dd/mm/yyyy hh:nn:ss",
// with the format's date and time separators.
QString FormatStartMarker(TDateTime wallClock, const TFormatSettings& format);
