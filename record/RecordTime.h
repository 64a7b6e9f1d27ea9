#pragma once

#include "app/Clock.h"
#include "app/Formats.h"

#include <QString>
#include <QStringView>

// Record times as the table, the time axis and the click readout show them.
//
// The day field counts the days of the record from its origin (00:00 of the
// first day of the month the record started in): day 1, 2, ... 31, 32, ... A
// month-day pattern would restart at 1 when a record runs into the next month
// and the rows would no longer read back in order.
//
// Pattern letters: "d" the record day without leading zero, "h"/"hh" hours,
// "nn" minutes, "ss" seconds ("n" and "s" without leading zero); ":" is written
// as the format's time separator; every other character stands for itself.
QString FormatRecordTime(TDateTime x, TDateTime origin, QStringView pattern,
                         QChar timeSeparator = QLatin1Char(':'));

// The wall-clock stamp of a start marker line: ">dd/mm/yyyy hh:nn:ss".
QString StartMarkerLine(TDateTime now, const TFormatSettings& format);

// Table row patterns and the readout's.
inline constexpr char16_t kTableTimePattern[] = u"d;hh:nn:ss";
inline constexpr char16_t kReadoutTimePattern[] = u"d h:nn:ss";
