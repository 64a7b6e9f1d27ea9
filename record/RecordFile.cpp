#include "record/RecordFile.h"

#include "app/Errors.h"
#include "record/RecordLines.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

// How often the reader reports progress, in lines.
constexpr qsizetype kProgressStep = 4096;
// Day, time and one value per series.
constexpr int kCurrentRowFields = 2 + kRecordSeriesCount;
constexpr int kPreviousRowFields = 1 + kRecordSeriesCount;

bool isBlank(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    return text;
}

// The record works on bytes; a separator outside ASCII is taken as ".", as
// ParseNumber does.
char asciiChar(QChar c, char fallback)
{
    return c.unicode() > 0 && c.unicode() < 0x80 ? char(c.unicode()) : fallback;
}

// Reads one to maxDigits decimal digits at p.
bool readDigits(std::string_view text, size_t& p, int maxDigits, int& value, int* count = nullptr)
{
    int digits = 0;
    value = 0;
    while (p < text.size() && digits < maxDigits && isDigit(text[p])) {
        value = value * 10 + (text[p] - '0');
        ++p;
        ++digits;
    }
    if (count)
        *count = digits;
    return digits > 0;
}

std::string_view lineOf(const QByteArray& text, const std::vector<qsizetype>& starts, qsizetype index)
{
    const qsizetype begin = starts[size_t(index)];
    const qsizetype end = index + 1 < qsizetype(starts.size()) ? starts[size_t(index) + 1] : text.size();
    return std::string_view(text.constData() + begin, size_t(end - begin));
}

// Finds the line ends (CR and LF) of a buffer in order. memchr finds them fast,
// and each is searched for once per occurrence, whichever of the two a file uses.
class TLineEndFinder {
public:
    TLineEndFinder(const char* begin, const char* end) : end_(end), lf_(find(begin, '\n')), cr_(find(begin, '\r')) {}
    // The first line end at or after from; end when there is none.
    const char* next(const char* from)
    {
        if (lf_ < from)
            lf_ = find(from, '\n');
        if (cr_ < from)
            cr_ = find(from, '\r');
        return std::min(lf_, cr_);
    }

private:
    const char* find(const char* from, char c) const
    {
        const auto* found = static_cast<const char*>(std::memchr(from, c, size_t(end_ - from)));
        return found ? found : end_;
    }

    const char* end_;
    const char* lf_;
    const char* cr_;
};

QString lineTooLongReason()
{
    return QStringLiteral("A line of it is longer than %1 bytes: it is not a record file.").arg(kMaxRecordLineLength);
}

// Whether the bytes hold a line longer than the limit; openLine is the length of
// the line still open before them and becomes the length of the one open after.
bool holdsTooLongLine(const char* data, size_t size, qsizetype& openLine)
{
    const char* const end = data + size;
    TLineEndFinder lineEnds(data, end);
    for (const char* at = data; at < end;) {
        const char* const lineEnd = lineEnds.next(at);
        openLine += lineEnd - at;
        if (openLine > kMaxRecordLineLength)
            return true;
        if (lineEnd == end)
            break;
        openLine = 0;
        at = lineEnd + 1;
    }
    return false;
}

// Cuts text into lines at CR LF, CR or LF, in place: the line ends are dropped
// and the lines moved together, so the buffer becomes the table's line buffer
// without a second copy of a file of tens of megabytes. A line end at the very
// end does not start another line. A line longer than the limit raises EAppError.
std::vector<qsizetype> cutLines(QByteArray& text)
{
    std::vector<qsizetype> starts;
    const qsizetype n = text.size();
    if (n == 0)
        return starts;
    starts.reserve(size_t(n / 32) + 16); // a data row is some 35 bytes

    char* const data = text.data();
    char* const end = data + n;
    TLineEndFinder lineEnds(data, end);
    char* read = data;
    char* write = data;
    while (read < end) {
        char* const lineEnd = read + (lineEnds.next(read) - read);
        const size_t length = size_t(lineEnd - read);
        if (qsizetype(length) > kMaxRecordLineLength)
            throw EAppError(lineTooLongReason());
        if (write != read)
            std::memmove(write, read, length);
        starts.push_back(write - data);
        write += length;
        read = lineEnd;
        if (read < end)
            read += *read == '\r' && read + 1 < end && read[1] == '\n' ? 2 : 1;
    }
    text.truncate(write - data);
    return starts;
}

// Replaces every from by to, eight bytes at a time: the decimal separators of
// a long record are millions of bytes, and std::replace goes byte by byte.
void replaceByte(char* data, size_t size, char from, char to)
{
    constexpr uint64_t ones = 0x0101010101010101ULL;
    const uint64_t fromWord = ones * static_cast<unsigned char>(from);
    const uint64_t toWord = ones * static_cast<unsigned char>(to);
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);
        const uint64_t x = word ^ fromWord; // zero bytes where from stands
        const uint64_t low7 = 0x7F7F7F7F7F7F7F7FULL;
        const uint64_t matches = ~(((x & low7) + low7) | x | low7); // high bit of each zero byte
        if (matches == 0)
            continue;
        const uint64_t mask = (matches >> 7) * 0xFF;
        word = (word & ~mask) | (toWord & mask);
        std::memcpy(data + i, &word, 8);
    }
    for (; i < size; ++i) {
        if (data[i] == from)
            data[i] = to;
    }
}

// ParseNumber, with a shortcut for the usual "-12.34" or "-12,34": from_chars
// reads it the same way once the separator is a point.
double parseValue(std::string_view field, char separator)
{
    constexpr size_t kShort = 32;
    if (!field.empty() && field.size() <= kShort &&
        (isDigit(field.front()) || (field.front() == '-' && field.size() > 1 && isDigit(field[1])))) {
        char buffer[kShort];
        bool plain = true;
        for (size_t i = 0; i < field.size(); ++i) {
            const char c = field[i];
            if (c == separator) {
                buffer[i] = '.';
            } else if (c == '.') { // a point that is not the separator makes no number
                plain = false;
                break;
            } else {
                buffer[i] = c;
            }
        }
        double value = 0;
        if (plain) {
            const auto [end, error] = std::from_chars(buffer, buffer + field.size(), value);
            if (error == std::errc() && end == buffer + field.size())
                return value;
        }
    }
    return ParseNumber(field, separator);
}

class TProgress {
public:
    TProgress(const TRecordReadProgress& callback, qsizetype lineCount) : callback_(callback), count_(lineCount) {}
    void at(qsizetype line) const
    {
        if (callback_ && (line % kProgressStep == 0 || line == count_ - 1))
            callback_(line, count_);
    }

private:
    const TRecordReadProgress& callback_;
    qsizetype count_;
};

// Fills the series through plain pointers into arrays sized for every row:
// QList::append checks its capacity on each call, which millions of points feel.
class TSeriesFiller {
public:
    TSeriesFiller(TRecordFileContent& content, qsizetype rows) : content_(content)
    {
        for (size_t s = 0; s < content.series.size(); ++s) {
            content.series[s].x.resize(rows);
            content.series[s].y.resize(rows);
            x_[s] = content.series[s].x.data();
            y_[s] = content.series[s].y.data();
        }
    }
    TSeriesFiller(const TSeriesFiller&) = delete;
    TSeriesFiller& operator=(const TSeriesFiller&) = delete;
    ~TSeriesFiller()
    {
        for (size_t s = 0; s < content_.series.size(); ++s) {
            content_.series[s].x.resize(count_[s]);
            content_.series[s].y.resize(count_[s]);
        }
    }

    void add(size_t series, double x, double y)
    {
        x_[series][count_[series]] = x;
        y_[series][count_[series]] = y;
        ++count_[series];
    }

private:
    TRecordFileContent& content_;
    std::array<double*, kRecordSeriesCount> x_{};
    std::array<double*, kRecordSeriesCount> y_{};
    std::array<qsizetype, kRecordSeriesCount> count_{};
};

// The date and time of a start marker. The marker line may carry values after
// it (a reading that came before the first row of a recording is appended to
// the marker); they are no part of the time.
std::optional<TDateTime> markerTime(std::string_view marker, const TFormatSettings& format)
{
    std::string text(marker.substr(0, marker.find(';')));
    text[0] = ' ';
    std::replace(text.begin(), text.end(), '.', '/');
    std::replace(text.begin(), text.end(), ',', '/');
    return ParseDateTime(text, format);
}

void readCurrentVersion(TRecordFileContent& content, const QByteArray& text, const std::vector<qsizetype>& starts,
                        const TFormatSettings& format, char separator, const TRecordReadProgress& progress)
{
    const qsizetype count = qsizetype(starts.size());
    // The leading start markers; the last of them gives the record's start.
    qsizetype first = 0;
    while (first < count && lineOf(text, starts, first).starts_with('>'))
        ++first;
    if (first == 0)
        return;
    const std::optional<TDateTime> start = markerTime(lineOf(text, starts, first - 1), format);
    if (!start)
        return;
    content.recStart = *start;
    content.timeBase = StartOfMonth(*start);
    const TDateTime timeBase = *content.timeBase;

    TSeriesFiller series(content, count - first);
    const TProgress report(progress, count);
    TFieldSplitter fields;
    for (qsizetype i = first; i < count; ++i) {
        report.at(i);
        const std::string_view line = lineOf(text, starts, i);
        // Later markers only separate recordings.
        if (line.find('>') != std::string_view::npos)
            continue;
        const int found = fields.split(line, ';', kCurrentRowFields);
        if (found < 3)
            continue;
        const std::optional<int> day = ParseDayNumber(fields.field(0));
        const std::optional<double> time = ParseTimeOfDay(fields.field(1), format);
        if (!day || !time)
            continue;
        const double x = timeBase + (*day - 1) + *time;
        for (int k = 2; k < found; ++k)
            series.add(size_t(k - 2), x, parseValue(fields.field(k), separator));
    }
}

// A file without start markers: rows of a time of day and values, all within
// one day. The table gets them in the current layout, under a start marker.
void readPreviousVersion(TRecordFileContent& content, const QByteArray& text, const std::vector<qsizetype>& starts,
                         const TFormatSettings& format, char separator, const TRecordReadProgress& progress)
{
    content.previousVersion = true;
    content.recStart = Now();
    content.timeBase = StartOfMonth(*content.recStart);
    const TDateTime timeBase = *content.timeBase;
    const qsizetype count = qsizetype(starts.size());

    {
        const TProgress report(progress, count);
        TFieldSplitter fields;
        TSeriesFiller series(content, count);
        for (qsizetype i = 0; i < count; ++i) {
            report.at(i);
            const int found = fields.split(lineOf(text, starts, i), ';', kPreviousRowFields);
            if (found < 2)
                continue;
            const std::optional<double> time = ParseTimeOfDay(fields.field(0), format);
            if (!time)
                continue;
            const double x = timeBase + *time;
            for (int k = 1; k < found; ++k)
                series.add(size_t(k - 1), x, parseValue(fields.field(k), separator));
        }
    }

    static constexpr char kDayPrefix[] = "1; ";
    constexpr qsizetype prefixLength = sizeof kDayPrefix - 1;
    const QByteArray marker = FormatStartMarker(*content.recStart, format).toUtf8();
    QByteArray table;
    table.reserve(marker.size() + text.size() + count * prefixLength);
    std::vector<qsizetype> tableStarts;
    tableStarts.reserve(size_t(count) + 1);
    tableStarts.push_back(0);
    table.append(marker);
    for (qsizetype i = 0; i < count; ++i) {
        const std::string_view line = lineOf(text, starts, i);
        tableStarts.push_back(table.size());
        table.append(kDayPrefix, prefixLength);
        table.append(line.data(), qsizetype(line.size()));
    }
    content.lineBuffer = std::move(table);
    content.lineStarts = std::move(tableStarts);
}

QString fileMessage(const char* what, const QString& path, const QString& reason)
{
    return QStringLiteral("%1 \"%2\". %3").arg(QLatin1String(what), QDir::toNativeSeparators(path), reason);
}

} // namespace

std::string_view TRecordFileContent::line(qsizetype index) const
{
    if (index < 0 || index >= lineCount())
        return {};
    return lineOf(lineBuffer, lineStarts, index);
}

QByteArray DecodeRecordText(QByteArray bytes)
{
    const auto startsWith = [&bytes](std::initializer_list<unsigned char> mark) {
        if (bytes.size() < qsizetype(mark.size()))
            return false;
        return std::equal(mark.begin(), mark.end(), bytes.cbegin(),
                          [](unsigned char m, char b) { return m == static_cast<unsigned char>(b); });
    };
    const auto fromUtf16 = [&bytes](QStringConverter::Encoding encoding) {
        // The mark is dropped here; a second one right after it would be text.
        QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
        return text.toUtf8();
    };
    if (startsWith({0xEF, 0xBB, 0xBF}))
        bytes.remove(0, 3);
    else if (startsWith({0xFF, 0xFE}))
        return fromUtf16(QStringConverter::Utf16LE);
    else if (startsWith({0xFE, 0xFF}))
        return fromUtf16(QStringConverter::Utf16BE);
    // UTF-8, with or without its mark. Qt takes the system's 8-bit encoding to
    // be UTF-8 on Linux, so the bytes stay as they are unless some do not decode.
    if (QByteArrayView(bytes).isValidUtf8())
        return bytes;
    return QString::fromUtf8(bytes).toUtf8();
}

TRecordFileContent ParseRecordBytes(QByteArray bytes, const TFormatSettings& display,
                                    const TRecordReadProgress& progress)
{
    QByteArray text = DecodeRecordText(std::move(bytes));
    std::vector<qsizetype> starts = cutLines(text);
    const qsizetype count = qsizetype(starts.size());

    // The file's decimal separator: the first line that is not a start marker
    // decides; "," when it holds no "." or when there is no such line.
    char fileSeparator = ',';
    for (qsizetype i = 0; i < count; ++i) {
        const std::string_view line = lineOf(text, starts, i);
        if (line.find('>') == std::string_view::npos) {
            fileSeparator = line.find('.') != std::string_view::npos ? '.' : ',';
            break;
        }
    }
    const char separator = asciiChar(display.DecimalSeparator, '.');
    if (fileSeparator != separator)
        replaceByte(text.data(), size_t(text.size()), fileSeparator, separator);

    TRecordFileContent content;
    const bool hasMarker = std::memchr(text.constData(), '>', size_t(text.size())) != nullptr;
    if (hasMarker) {
        readCurrentVersion(content, text, starts, display, separator, progress);
        content.lineBuffer = std::move(text);
        content.lineStarts = std::move(starts);
    } else {
        readPreviousVersion(content, text, starts, display, separator, progress);
    }
    return content;
}

TRecordFileContent ReadRecordFile(const QString& path, const TFormatSettings& display,
                                  const TRecordReadProgress& progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EAppError(fileMessage("Cannot open file", path, file.errorString()));
    // Read in pieces, each looked at for a line that is too long at once, so a
    // file that is one line of a gigabyte is refused after its first bytes.
    constexpr qsizetype kPiece = qsizetype(4) << 20;
    QByteArray bytes;
    bytes.reserve(std::min<qint64>(file.size(), qint64(64) << 20) + 1);
    qsizetype openLine = 0;
    for (;;) {
        const qsizetype before = bytes.size();
        bytes.resize(before + kPiece);
        const qint64 got = file.read(bytes.data() + before, kPiece);
        if (got < 0)
            throw EAppError(fileMessage("Cannot read file", path, file.errorString()));
        bytes.resize(before + qsizetype(got));
        if (got == 0)
            break;
        if (holdsTooLongLine(bytes.constData() + before, size_t(got), openLine))
            throw EAppError(fileMessage("Cannot open file", path, lineTooLongReason()));
    }
    file.close();
    try {
        return ParseRecordBytes(std::move(bytes), display, progress);
    } catch (const EAppError& error) {
        // Decoding can lengthen a line (UTF-16 to UTF-8); the message names the file all the same.
        throw EAppError(fileMessage("Cannot open file", path, error.message()));
    }
}

void WriteRecordFile(const QString& path, const TRecordLines& lines)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EAppError(fileMessage("Cannot create file", path, file.errorString()));
    // Written in pieces: the whole text of a long record would double its memory.
    constexpr qsizetype kChunk = qsizetype(1) << 20;
    QByteArray chunk;
    chunk.reserve(kChunk + 4096);
    const auto flush = [&] {
        if (file.write(chunk) != chunk.size())
            throw EAppError(fileMessage("Cannot write file", path, file.errorString()));
        chunk.resize(0);
    };
    // The lines are UTF-8, which is also the system's 8-bit encoding here.
    for (qsizetype i = 0; i < lines.count(); ++i) {
        chunk.append(lines.lineUtf8(i));
        chunk.append("\r\n", 2);
        if (chunk.size() >= kChunk)
            flush();
    }
    flush();
    if (!file.commit())
        throw EAppError(fileMessage("Cannot write file", path, file.errorString()));
}

std::optional<double> ParseTimeOfDay(std::string_view text, const TFormatSettings& format)
{
    text = trimBlanks(text);
    const char separator = asciiChar(format.TimeSeparator, ':');
    size_t p = 0;
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    if (!readDigits(text, p, 2, hours) || p >= text.size() || text[p] != separator)
        return std::nullopt;
    ++p;
    if (!readDigits(text, p, 2, minutes))
        return std::nullopt;
    if (p < text.size()) {
        if (text[p] != separator)
            return std::nullopt;
        ++p;
        if (!readDigits(text, p, 2, seconds))
            return std::nullopt;
    }
    if (p != text.size() || hours > 23 || minutes > 59 || seconds > 59)
        return std::nullopt;
    return (hours * 3600 + minutes * 60 + seconds) / kSecondsPerDay;
}

std::optional<TDateTime> ParseDateTime(std::string_view text, const TFormatSettings& format)
{
    text = trimBlanks(text);
    // The order of day, month and year comes from the short date pattern.
    const QString pattern = format.ShortDateFormat.toLower();
    std::array<std::pair<qsizetype, char>, 3> order{
        {{pattern.indexOf(u'd'), 'd'}, {pattern.indexOf(u'm'), 'm'}, {pattern.indexOf(u'y'), 'y'}}};
    if (std::any_of(order.begin(), order.end(), [](const auto& part) { return part.first < 0; }))
        order = {{{0, 'd'}, {1, 'm'}, {2, 'y'}}};
    std::sort(order.begin(), order.end());

    const char separator = asciiChar(format.DateSeparator, '/');
    size_t p = 0;
    int day = 0;
    int month = 0;
    int year = 0;
    int yearDigits = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        const char part = order[i].second;
        int value = 0;
        int digits = 0;
        if (!readDigits(text, p, part == 'y' ? 4 : 2, value, &digits))
            return std::nullopt;
        (part == 'd' ? day : part == 'm' ? month : year) = value;
        if (part == 'y')
            yearDigits = digits;
        if (i + 1 < order.size()) {
            if (p >= text.size() || text[p] != separator)
                return std::nullopt;
            ++p;
        }
    }
    if (yearDigits <= 2) {
        // A short year lies within the 50 years before and after now.
        const int centuryBase = DateTimeToQt(Now()).date().year() - 50;
        year += centuryBase / 100 * 100;
        if (year < centuryBase)
            year += 100;
    }
    double time = 0;
    if (p < text.size()) {
        if (!isBlank(text[p]))
            return std::nullopt;
        const std::optional<double> clock = ParseTimeOfDay(text.substr(p), format);
        if (!clock)
            return std::nullopt;
        time = *clock;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return DateTimeFromQt(QDateTime(date, QTime(0, 0), Qt::UTC)) + time;
}

std::optional<int> ParseDayNumber(std::string_view text)
{
    size_t p = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        ++p;
    }
    int value = 0;
    if (!readDigits(text, p, 9, value) || p != text.size())
        return std::nullopt;
    return negative ? -value : value;
}

int TFieldSplitter::split(std::string_view text, char delimiter, int maxFields)
{
    maxFields = std::clamp(maxFields, 0, kMaxFields);
    const size_t n = text.size();
    size_t p = 0;
    int count = 0;
    while (p < n && isBlank(text[p]))
        ++p;
    while (p < n && text[p] != '\0' && count < maxFields) {
        if (text[p] == '"') {
            // Runs to the closing quote (or the end); two quotes stand for one.
            const size_t begin = ++p;
            size_t end = n;
            bool doubled = false;
            while (p < n) {
                if (text[p] == '"') {
                    if (p + 1 < n && text[p + 1] == '"') {
                        doubled = true;
                        p += 2;
                        continue;
                    }
                    end = p++;
                    break;
                }
                ++p;
            }
            if (!doubled) {
                fields_[size_t(count)] = text.substr(begin, end - begin);
            } else {
                std::string& own = unquoted_[size_t(count)];
                own.clear();
                for (size_t i = begin; i < end; ++i) {
                    own += text[i];
                    if (text[i] == '"')
                        ++i;
                }
                fields_[size_t(count)] = own;
            }
        } else {
            const size_t begin = p;
            while (p < n && static_cast<unsigned char>(text[p]) > 32 && text[p] != delimiter)
                ++p;
            fields_[size_t(count)] = text.substr(begin, p - begin);
        }
        ++count;
        while (p < n && isBlank(text[p]))
            ++p;
        if (p < n && text[p] == delimiter) {
            if (p + 1 == n && count < maxFields)
                fields_[size_t(count++)] = std::string_view();
            do {
                ++p;
            } while (p < n && isBlank(text[p]));
        }
    }
    return count;
}

TRecordFileDialogTexts RecordFileDialogTexts()
{
    return {QCoreApplication::translate("TMainFrm", "Open plot file"),
            QCoreApplication::translate("TMainFrm", "Save plot file"),
            QCoreApplication::translate("TMainFrm", "Application files (*.csv);;All files (*)"),
            QStringLiteral("csv")};
}
