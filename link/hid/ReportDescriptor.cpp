#include "link/hid/ReportDescriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

// Item types and tags of the short items that decide report sizes.
enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag : uint8_t { kInput = 0x8, kOutput = 0x9, kFeature = 0xB, kCollection = 0xA };
enum GlobalTag : uint8_t { kUsagePage = 0x0, kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9,
                           kPush = 0xA, kPop = 0xB };
enum LocalTag : uint8_t { kUsage = 0x0 };

constexpr uint8_t kLongItem = 0xFE;
// Report lengths are 16-bit; more bits than this give the largest length anyway.
constexpr uint64_t kMaxReportBits = uint64_t(0xFFFF) * 8;

struct Globals {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint32_t reportId = 0;
};

uint32_t ItemValue(const uint8_t* data, size_t size)
{
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value |= uint32_t(data[i]) << (8 * i);
    return value;
}

uint16_t ReportBytes(const std::map<uint32_t, uint64_t>& bitsById)
{
    uint64_t largest = 0;
    for (const auto& [id, bits] : bitsById)
        largest = std::max(largest, bits);
    if (largest == 0)
        return 0;
    return uint16_t(std::min<uint64_t>((largest + 7) / 8 + 1, 0xFFFF));
}

} // namespace

HIDP_CAPS ParseReportDescriptor(const uint8_t* descriptor, size_t length)
{
    HIDP_CAPS caps;
    Globals globals;
    std::vector<Globals> stack;
    std::map<uint32_t, uint64_t> bits[3]; // input, output, feature: bits per report id
    uint32_t firstUsage = 0;
    bool haveUsage = false;
    bool topCollectionSeen = false;

    size_t at = 0;
    while (at < length) {
        const uint8_t prefix = descriptor[at];
        if (prefix == kLongItem) {
            // Long items carry vendor data and never affect report sizes.
            if (at + 1 >= length)
                break;
            at += 3 + descriptor[at + 1];
            continue;
        }
        const size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
        if (at + 1 + size > length)
            break; // a truncated item ends the descriptor
        const uint8_t type = (prefix >> 2) & 0x3;
        const uint8_t tag = prefix >> 4;
        const uint32_t value = ItemValue(descriptor + at + 1, size);
        at += 1 + size;

        switch (type) {
        case kMain:
            if (tag == kInput || tag == kOutput || tag == kFeature) {
                const int direction = tag == kInput ? 0 : tag == kOutput ? 1 : 2;
                // Saturated: a few huge items must not wrap around to a tiny report.
                uint64_t& total = bits[direction][globals.reportId];
                total = std::min(total + std::min(uint64_t(globals.reportSize) * globals.reportCount, kMaxReportBits),
                                 kMaxReportBits);
            } else if (tag == kCollection && !topCollectionSeen) {
                topCollectionSeen = true;
                caps.UsagePage = uint16_t(globals.usagePage);
                // A 4-byte usage carries its own page in the high half.
                if (haveUsage && firstUsage > 0xFFFF) {
                    caps.UsagePage = uint16_t(firstUsage >> 16);
                    firstUsage &= 0xFFFF;
                }
                caps.Usage = uint16_t(firstUsage);
            }
            break;
        case kGlobal:
            switch (tag) {
            case kUsagePage: globals.usagePage = value; break;
            case kReportSize: globals.reportSize = value; break;
            case kReportCount: globals.reportCount = value; break;
            case kReportId:
                globals.reportId = value;
                caps.NumberedReports = true;
                break;
            case kPush: stack.push_back(globals); break;
            case kPop:
                if (!stack.empty()) {
                    globals = stack.back();
                    stack.pop_back();
                }
                break;
            default: break;
            }
            break;
        case kLocal:
            if (tag == kUsage && !haveUsage && !topCollectionSeen) {
                firstUsage = size == 4 ? value : value & 0xFFFF;
                haveUsage = true;
            }
            break;
        default: break;
        }
    }

    caps.InputReportByteLength = ReportBytes(bits[0]);
    caps.OutputReportByteLength = ReportBytes(bits[1]);
    caps.FeatureReportByteLength = ReportBytes(bits[2]);
    return caps;
}
