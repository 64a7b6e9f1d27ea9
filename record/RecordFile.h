#pragma once

// Record files: the table's lines as a CSV text file, read back into the table
// and the three plot series. Plain functions, no widgets: the open and save
// actions of the window call them and only then touch the record.

#include "app/Clock.h"
#include "app/Formats.h"
#include "record/RecordTime.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TRecordLines;

// A row feeds at most this many series: T(int), T(ext), power.
inline constexpr int kRecordSeriesCount = 3;

struct TSeriesPoints {
    QVector<double> x;
    QVector<double> y;
};

// Everything a record file holds, ready to replace the record in one go.
struct TRecordFileContent {
    // The table's lines back to back (UTF-8, no line ends) and where each one
    // starts: the arguments of TRecordLines::assign.
    QByteArray lineBuffer;
    std::vector<qsizetype> lineStarts;
    // Index 0 is series 1; points in file order.
    std::array<TSeriesPoints, kRecordSeriesCount> series;
    // Set only when the reader got as far as a readable start marker (or, for
    // the previous version, always).
    std::optional<TDateTime> recStart;
    std::optional<TDateTime> timeBase;
    // A file without start markers, converted while read; the window tells the
    // user so.
    bool previousVersion = false;

    qsizetype lineCount() const { return qsizetype(lineStarts.size()); }
    // Line i of the table, without its line end.
    std::string_view line(qsizetype index) const;
};

// The longest line a record file may hold, in bytes. A record's lines are some
// 40 bytes long; a file with a line longer than this is no record (one line of
// a gigabyte, say), and it is refused before it is read whole.
inline constexpr qsizetype kMaxRecordLineLength = 64 * 1024;

// Told the index of the line being read and the number of lines, every few
// thousand lines and once more at the last one, so a progress bar can follow
// without slowing the reading down.
using TRecordReadProgress = std::function<void(qsizetype line, qsizetype lineCount)>;

// Reads a record file completely. A file that cannot be read, or that holds a
// line longer than kMaxRecordLineLength, raises EAppError with the path and the
// reason; there is no partial result.
// Numbers and times are read with display's rules, and the table shows the
// numbers with display's decimal separator.
TRecordFileContent ReadRecordFile(const QString& path, const TFormatSettings& display,
                                  const TRecordReadProgress& progress = {});

// The same for bytes already in memory (the file's whole content); a line longer
// than kMaxRecordLineLength raises EAppError.
TRecordFileContent ParseRecordBytes(QByteArray bytes, const TFormatSettings& display,
                                    const TRecordReadProgress& progress = {});

// The file's text as UTF-8: a byte-order mark selects UTF-8, UTF-16 LE or
// UTF-16 BE and is dropped; without one the system's 8-bit encoding is used,
// which Qt takes to be UTF-8 on Linux. Bytes that do not decode become U+FFFD.
QByteArray DecodeRecordText(QByteArray bytes);

// Writes the table's lines, each followed by CR LF, in the system's 8-bit
// encoding without a byte-order mark. The file is replaced only once it has
// been written completely, so a failure leaves an earlier file as it was; the
// failure raises EAppError with the path and the file layer's reason.
void WriteRecordFile(const QString& path, const TRecordLines& lines);

// ---- Reading record times back ----
// The forms the table and the file hold are written by record/RecordTime.h.

// A time of day "h:nn" or "h:nn:ss" (one or two digits each, hours 0..23, the
// format's time separator) as a fraction of a day.
std::optional<double> ParseTimeOfDay(std::string_view text, const TFormatSettings& format);

// A date in the order of the format's short date pattern, with its date
// separator ("d/m/yyyy"; a year of one or two digits lies within 50 years of
// now), optionally followed by blanks and a time of day. Leading and trailing
// blanks are ignored.
std::optional<TDateTime> ParseDateTime(std::string_view text, const TFormatSettings& format);

// A decimal integer with an optional sign; any day number is accepted.
std::optional<int> ParseDayNumber(std::string_view text);

// ---- Field splitting ----

// Splits a line into fields with the rules of SplitDelimited (app/Formats.h),
// on bytes and without allocating: a record file has millions of rows. The
// fields stay valid until the next split or until the line's bytes go away.
class TFieldSplitter {
public:
    // Splits text at delimiter, stopping after maxFields fields; gives the
    // number of fields found (at most maxFields, at most kMaxFields).
    int split(std::string_view text, char delimiter, int maxFields = kMaxFields);
    std::string_view field(int index) const { return fields_[size_t(index)]; }

    static constexpr int kMaxFields = 64;

private:
    std::array<std::string_view, kMaxFields> fields_;
    // Quoted fields with doubled quotes inside need their own storage.
    std::array<std::string, kMaxFields> unquoted_;
};

// ---- The file dialogs ----

// Titles and filter of the open and save dialogs, in the active language.
struct TRecordFileDialogTexts {
    QString openTitle;
    QString saveTitle;
    QString filter;        // Qt's filter syntax
    QString defaultSuffix; // added to a name typed without one
};
TRecordFileDialogTexts RecordFileDialogTexts();
