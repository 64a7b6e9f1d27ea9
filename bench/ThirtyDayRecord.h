#pragma once

// The record the benchmarks open and save: 30 days at one poll cycle every
// 2 s (1,296,000 rows), as the intake writes it.

#include "app/Clock.h"
#include "app/Formats.h"
#include "record/RecordFile.h"
#include "record/RecordLines.h"
#include "record/RecordTime.h"

#include <QFileInfo>
#include <QLocale>
#include <QStringList>

#include <cmath>
#include <cstdio>

inline constexpr int kThirtyDayRows = 30 * 86400 / 2;

inline TFormatSettings BenchDisplayFormat(char separator)
{
    return MakeDisplayFormat(QLocale(separator == ',' ? QLocale::German : QLocale::English));
}

// One marker, then rows of T(int), T(ext) and power.
inline TRecordLines MakeThirtyDayRecord()
{
    const TFormatSettings format = BenchDisplayFormat('.');
    const TDateTime start = DateTimeFromQt(QDateTime(QDate(2024, 3, 5), QTime(10, 15, 0), Qt::UTC));
    const TDateTime monthStart = StartOfMonth(start);
    TRecordLines lines;
    lines.append(FormatStartMarker(start, format));
    for (int i = 0; i < kThirtyDayRows; ++i) {
        const double x = monthStart + (2.0 * i + 2) / kSecondsPerDay;
        const double phase = i * 0.001;
        const QString row = FormatRowTime(x, monthStart, format) + QStringLiteral("; ") +
                            FormatFixed2(25 + 10 * std::sin(phase), format) + QStringLiteral("; ") +
                            FormatFixed2(24 + 9 * std::sin(phase - 0.2), format) + QStringLiteral("; ") +
                            FormatFixed2(50 + 40 * std::cos(phase), format);
        lines.append(row);
    }
    return lines;
}

// The record file a benchmark measures: the one named on its command line
// (args[1]) or the default, made first if it is missing. Prints what it is.
inline QString PrepareThirtyDayRecordFile(const QStringList& args, int runs)
{
    const QString path = args.size() > 1 ? args[1] : QStringLiteral("/tmp/quintara-30-days.csv");
    if (!QFileInfo::exists(path)) {
        std::printf("making %s ...\n", qPrintable(path));
        WriteRecordFile(path, MakeThirtyDayRecord());
    }
    std::printf("record file %s: %.1f MB, %d rows; medians of %d fresh processes\n\n", qPrintable(path),
                QFileInfo(path).size() / 1e6, kThirtyDayRows, runs);
    return path;
}
