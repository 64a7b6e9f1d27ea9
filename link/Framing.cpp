#include "link/Framing.h"

#include "app/Formats.h"

#include <algorithm>
#include <cstring>

namespace Framing {

uint32_t PayloadCapacity(uint32_t reportLength, bool adapter)
{
    const uint32_t offset = adapter ? kAdapterPayloadOffset : kDirectPayloadOffset;
    return reportLength > offset ? reportLength - offset : 0;
}

uint32_t PieceCount(qsizetype commandLength, uint32_t reportLength, bool adapter)
{
    const uint32_t capacity = PayloadCapacity(reportLength, adapter);
    if (capacity == 0 || commandLength <= 0)
        return 0;
    return uint32_t((uint64_t(commandLength) + capacity - 1) / capacity);
}

void BuildReport(uint8_t* report, uint32_t reportLength, const QByteArray& command, uint32_t piece,
                 bool adapter)
{
    std::memset(report, 0, reportLength);
    const uint32_t capacity = PayloadCapacity(reportLength, adapter);
    const uint64_t start = uint64_t(piece) * capacity;
    if (capacity == 0 || start >= uint64_t(command.size()))
        return;
    const uint32_t count = uint32_t(std::min<uint64_t>(capacity, uint64_t(command.size()) - start));
    const uint32_t offset = adapter ? kAdapterPayloadOffset : kDirectPayloadOffset;
    std::memcpy(report + offset, command.constData() + start, count);
    if (adapter) {
        report[1] = uint8_t(count & 0xFF);
        report[2] = uint8_t((count >> 8) & 0xFF);
    }
}

void BuildAdapterSetup(uint8_t* report, uint32_t reportLength)
{
    std::memset(report, 0, reportLength);
    static constexpr uint8_t kSetup[] = {0x62, 0x77, 0x80, 0x25};
    for (uint32_t i = 0; i < sizeof kSetup && 3 + i < reportLength; ++i)
        report[3 + i] = kSetup[i];
}

ScanRange InputScanRange(const uint8_t* data, uint16_t size, bool adapter)
{
    if (!adapter)
        return {0, size};
    if (size == 0)
        return {kAdapterInputHeader, 0};
    const uint32_t delivered = size > kAdapterInputHeader ? size - kAdapterInputHeader : 0;
    const uint32_t count = std::min<uint32_t>({data[0], kAdapterInputMaxPayload, delivered});
    return {kAdapterInputHeader, count};
}

QStringList SplitResponse(const QString& line)
{
    // The delimiter is the blank itself, so only the separator rules apply.
    return SplitDelimited(line, u' ');
}

bool TryParseStatusCode(const QString& text, int& status)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    status = ok ? value : -1;
    return ok;
}

int ParseStatusCode(const QString& text)
{
    int status = -1;
    TryParseStatusCode(text, status);
    return status;
}

} // namespace Framing
