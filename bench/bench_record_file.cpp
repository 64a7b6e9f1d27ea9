// Opening and saving a 30-day record (a row every 2 s: 1,296,000 rows).
//
//   bench_record_file [file]   makes the record file if it is missing, then
//                              times each step in fresh processes and prints
//                              the medians.
//
// Each measurement runs in a process of its own, because the first touch of
// memory is much of the cost and a warm process would hide it. The yardstick
// is a bare std::from_chars parse of the same file into six arrays.

#include "app/Clock.h"
#include "app/Formats.h"
#include "record/RecordFile.h"
#include "record/RecordLines.h"

#include "ThirtyDayRecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>

#include <sys/resource.h>

#include <QFile>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kRows = kThirtyDayRows;
constexpr int kRuns = 5;

long peakResidentMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// The yardstick: read the bytes, cut rows at LF, fields at ";", from_chars.
size_t bareParse(const char* path)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return 0;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    std::vector<char> bytes(static_cast<size_t>(size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    std::array<std::vector<double>, 6> columns;
    for (auto& column : columns)
        column.reserve(size_t(kRows));
    const char* p = bytes.data();
    const char* end = p + got;
    while (p < end) {
        const char* lineEnd = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
        if (!lineEnd)
            lineEnd = end;
        if (*p != '>') {
            int day = 0, hours = 0, minutes = 0, seconds = 0;
            const char* q = std::from_chars(p, lineEnd, day).ptr + 1;
            q = std::from_chars(q, lineEnd, hours).ptr + 1;
            q = std::from_chars(q, lineEnd, minutes).ptr + 1;
            q = std::from_chars(q, lineEnd, seconds).ptr;
            const double x = day - 1 + (hours * 3600 + minutes * 60 + seconds) / 86400.0;
            for (int k = 0; k < 3 && q < lineEnd && *q == ';'; ++k) {
                q += 2;
                double y = 0;
                q = std::from_chars(q, lineEnd, y).ptr;
                columns[size_t(2 * k)].push_back(x);
                columns[size_t(2 * k + 1)].push_back(y);
            }
        }
        p = lineEnd + 1;
    }
    return columns[0].size();
}

// One measurement in this process; prints "seconds peak-MB points".
int measure(const QString& mode, const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    qsizetype points = 0;
    if (mode == QLatin1String("bare")) {
        points = qsizetype(bareParse(path.toLocal8Bit().constData()));
    } else if (mode.startsWith(QLatin1String("read")) || mode.startsWith(QLatin1String("open"))) {
        const char separator = mode.endsWith(u',') ? ',' : '.';
        TRecordFileContent content = ReadRecordFile(path, BenchDisplayFormat(separator));
        points = content.series[0].x.size();
        if (mode.startsWith(QLatin1String("open"))) {
            // What opening adds: the table takes the lines over.
            TRecordLines table;
            table.assign(std::move(content.lineBuffer), std::move(content.lineStarts));
        }
    } else if (mode == QLatin1String("save")) {
        const TRecordLines lines = MakeThirtyDayRecord();
        timer.restart();
        WriteRecordFile(path + QStringLiteral(".saved"), lines);
        points = lines.count();
        const double seconds = timer.nsecsElapsed() / 1e9;
        QFile::remove(path + QStringLiteral(".saved"));
        std::printf("%.4f %ld %lld\n", seconds, peakResidentMb(), static_cast<long long>(points));
        return 0;
    } else {
        return 2;
    }
    std::printf("%.4f %ld %lld\n", timer.nsecsElapsed() / 1e9, peakResidentMb(), static_cast<long long>(points));
    return 0;
}

struct Figures {
    double medianSeconds = 0;
    long peakMb = 0;
    long long points = 0;
};

Figures runFresh(const QString& mode, const QString& path)
{
    std::vector<double> seconds;
    Figures figures;
    for (int run = 0; run < kRuns; ++run) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), mode, path});
        child.waitForFinished(-1);
        const QStringList parts = QString::fromLatin1(child.readAllStandardOutput()).simplified().split(u' ');
        if (parts.size() != 3)
            continue;
        seconds.push_back(parts[0].toDouble());
        figures.peakMb = std::max(figures.peakMb, parts[1].toLong());
        figures.points = parts[2].toLongLong();
    }
    if (!seconds.empty()) {
        std::sort(seconds.begin(), seconds.end());
        figures.medianSeconds = seconds[seconds.size() / 2];
    }
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--measure"))
        return measure(args[2], args[3]);

    const QString path = PrepareThirtyDayRecordFile(args, kRuns);

    const Figures bare = runFresh(QStringLiteral("bare"), path);
    std::printf("%-46s %7.3f s  peak %4ld MB  %lld rows\n", "bare from_chars parse (yardstick)", bare.medianSeconds,
                bare.peakMb, bare.points);
    const struct {
        const char* mode;
        const char* label;
    } steps[] = {
        {"read.", "ReadRecordFile, point system"},
        {"read,", "ReadRecordFile, comma system (separator swap)"},
        {"open.", "ReadRecordFile + table store, point system"},
    };
    for (const auto& step : steps) {
        const Figures figures = runFresh(QLatin1String(step.mode), path);
        std::printf("%-46s %7.3f s  peak %4ld MB  %lld points  %.2fx yardstick\n", step.label,
                    figures.medianSeconds, figures.peakMb, figures.points,
                    bare.medianSeconds > 0 ? figures.medianSeconds / bare.medianSeconds : 0.0);
    }
    const Figures save = runFresh(QStringLiteral("save"), path);
    std::printf("%-46s %7.3f s  peak %4ld MB  %lld lines\n", "WriteRecordFile", save.medianSeconds, save.peakMb,
                save.points);
    return 0;
}
