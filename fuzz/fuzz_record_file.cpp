// Record files as the open action reads them: any bytes, in any encoding, read
// with a point and with a comma as the decimal separator. A file is either read
// into a consistent table and series, or refused with a message (EAppError);
// a file read in the current layout reads back the same once saved.

#include "FuzzSupport.h"

#include "app/Errors.h"
#include "app/Formats.h"
#include "record/RecordFile.h"
#include "record/RecordLines.h"

#include <algorithm>
#include <bit>

namespace {

// Bitwise, so that NaN values compare equal to themselves.
bool sameValues(const QVector<double>& a, const QVector<double>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](double p, double q) { return std::bit_cast<uint64_t>(p) == std::bit_cast<uint64_t>(q); });
}

bool sameSeries(const TSeriesPoints& a, const TSeriesPoints& b)
{
    return sameValues(a.x, b.x) && sameValues(a.y, b.y);
}

void checkContent(const TRecordFileContent& content)
{
    const qsizetype lines = content.lineCount();
    qsizetype previous = 0;
    for (qsizetype start : content.lineStarts) {
        FUZZ_REQUIRE(start >= previous && start <= content.lineBuffer.size());
        previous = start;
    }
    for (const TSeriesPoints& series : content.series) {
        FUZZ_REQUIRE(series.x.size() == series.y.size());
        FUZZ_REQUIRE(series.x.size() <= lines);
    }
    FUZZ_REQUIRE(content.recStart.has_value() == content.timeBase.has_value());
    if (content.previousVersion) {
        // Converted: a start marker above every line of the file.
        FUZZ_REQUIRE(content.recStart.has_value());
        FUZZ_REQUIRE(lines >= 1 && content.line(0).starts_with('>'));
    }
}

TRecordFileContent parse(const QByteArray& bytes, const TFormatSettings& display)
{
    qsizetype lastLine = -1;
    TRecordFileContent content = ParseRecordBytes(bytes, display, [&lastLine](qsizetype line, qsizetype count) {
        FUZZ_REQUIRE(line > lastLine && line < count);
        lastLine = line;
    });
    checkContent(content);
    return content;
}

void readWith(const QByteArray& bytes, QChar decimalSeparator)
{
    TFormatSettings display = MakeDisplayFormat();
    display.DecimalSeparator = decimalSeparator;
    TRecordFileContent content;
    try {
        content = parse(bytes, display);
    } catch (const EAppError& refused) {
        FUZZ_REQUIRE(!refused.message().isEmpty());
        return;
    }

    // Saving writes the table's lines; opening that file gives the same record.
    // (A table whose text starts with U+FEFF would lose it as a byte-order mark.)
    TRecordLines table;
    table.assign(content.lineBuffer, content.lineStarts);
    FUZZ_REQUIRE(table.count() == content.lineCount());
    if (content.previousVersion || table.isEmpty() || table.lineUtf8(0).startsWith("\xEF\xBB\xBF"))
        return;
    const TRecordFileContent reread = parse(table.joined("\r\n"), display);
    FUZZ_REQUIRE(!reread.previousVersion);
    FUZZ_REQUIRE(reread.lineCount() == content.lineCount());
    for (qsizetype i = 0; i < content.lineCount(); ++i)
        FUZZ_REQUIRE(reread.line(i) == content.line(i));
    for (size_t s = 0; s < content.series.size(); ++s)
        FUZZ_REQUIRE(sameSeries(reread.series[s], content.series[s]));
    FUZZ_REQUIRE(reread.recStart == content.recStart);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    readWith(bytes, u'.');
    readWith(bytes, u',');
    return 0;
}
