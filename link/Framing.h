#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

// Framing of bath commands into HID output reports and of input reports into
// response bytes, in the two framings the bath is reached with.
namespace Framing {

// Bytes 1-2 of an adapter report hold its payload length, bytes 3-4 are 0; the
// payload starts at byte 5. A direct report's payload starts at byte 1.
constexpr uint32_t kDirectPayloadOffset = 1;
constexpr uint32_t kAdapterPayloadOffset = 5;
// An adapter's input payload starts at data byte 4 and holds at most 60 bytes.
constexpr uint32_t kAdapterInputHeader = 4;
constexpr uint32_t kAdapterInputMaxPayload = 60;
// Any byte below 14 ends a response line.
constexpr uint8_t kLineEndBelow = 14;
// A device that never ends a line cannot make the line buffer grow beyond this;
// further bytes of that line are dropped.
constexpr qsizetype kMaxLineLength = 1024;

// Payload bytes one output report carries; 0 when the report has no room.
uint32_t PayloadCapacity(uint32_t reportLength, bool adapter);
// Number of reports a command needs (0 for an empty command or no room).
uint32_t PieceCount(qsizetype commandLength, uint32_t reportLength, bool adapter);
// Fills report (reportLength bytes, cleared first) with piece number piece of command.
void BuildReport(uint8_t* report, uint32_t reportLength, const QByteArray& command, uint32_t piece,
                 bool adapter);
// The adapter set-up report: all zero but bytes 3..6 = 62 77 80 25 (hex).
void BuildAdapterSetup(uint8_t* report, uint32_t reportLength);

// The bytes of an input report's data (after the report id) that are scanned.
struct ScanRange {
    uint32_t begin = 0;
    uint32_t count = 0;
};
// Direct: every delivered byte. Adapter: data byte 0 gives the payload length,
// capped at 60 and at the bytes actually delivered behind the 4 header bytes.
ScanRange InputScanRange(const uint8_t* data, uint16_t size, bool adapter);

// A response line split into its fields: characters 1..32 separate, quoted
// fields keep their blanks.
QStringList SplitResponse(const QString& line);

// The status field as an integer, or -1 when it is not one.
int ParseStatusCode(const QString& text);
// The same, telling whether the text was an integer at all.
bool TryParseStatusCode(const QString& text, int& status);

} // namespace Framing
