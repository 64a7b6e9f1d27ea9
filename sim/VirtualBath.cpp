#include "sim/VirtualBath.h"

#include <algorithm>

namespace {

// Adapter reports: bytes 1-2 the payload length, bytes 3-4 zero, payload from byte 5.
constexpr int kAdapterPayloadOffset = 5;
// Adapter input reports: data byte 0 the length, 1-3 zero, payload from data byte 4.
constexpr int kAdapterInputHeader = 4;
constexpr int kAdapterInputMaxPayload = 60;
constexpr int kDataBytes = VirtualBath::kReportLength - 1;
const QByteArray kAdapterSetup = QByteArray::fromHex("62778025");

} // namespace

VirtualBath::VirtualBath(VirtualBathConfig config, uint32_t seed)
    : config_(std::move(config)), model_(20.0, 25.0, seed), responder_(model_)
{
}

QString VirtualBath::product() const
{
    if (!config_.product.isEmpty())
        return config_.product;
    return config_.adapter ? QStringLiteral("USB-RS adapter") : QStringLiteral("Kelmora thermostat");
}

void VirtualBath::setFaults(const VirtualBathFaults& faults)
{
    faults_ = faults;
    responder_.setForcedStatus(faults.forcedStatus);
    responder_.setOff(faults.off);
}

std::vector<QByteArray> VirtualBath::receive(const QByteArray& report, double now)
{
    std::vector<QByteArray> replies;
    if (report.size() < 2)
        return replies;
    if (!config_.adapter) {
        takeCommandBytes(report.constData() + 1, int(report.size() - 1), now, replies);
        return replies;
    }
    if (report.size() >= 7 && report.mid(3, 4) == kAdapterSetup && report[1] == 0 && report[2] == 0) {
        setUp_ = true;
        return replies;
    }
    // An adapter that was not set up passes nothing on.
    if (!setUp_ || report.size() < kAdapterPayloadOffset)
        return replies;
    const int length = uint8_t(report[1]) | (uint8_t(report[2]) << 8);
    const int count = std::min(length, int(report.size()) - kAdapterPayloadOffset);
    takeCommandBytes(report.constData() + kAdapterPayloadOffset, count, now, replies);
    return replies;
}

void VirtualBath::takeCommandBytes(const char* bytes, int count, double now, std::vector<QByteArray>& replies)
{
    for (int i = 0; i < count; ++i) {
        const char byte = bytes[i];
        if (byte == '\r' || byte == '\n') {
            const std::optional<QByteArray> answer = responder_.answer(command_, now);
            command_.clear();
            if (!answer || faults_.noReply)
                continue;
            frameReply(faults_.partialLine ? *answer : *answer + '\r', replies);
        } else if (byte != 0 && command_.size() < kMaxCommandLength) {
            // Zero bytes fill the rest of a report; an endless line is cut.
            command_ += byte;
        }
    }
}

void VirtualBath::frameReply(const QByteArray& bytes, std::vector<QByteArray>& replies) const
{
    const int capacity = config_.adapter ? kAdapterInputMaxPayload : kDataBytes;
    std::vector<QByteArray> pieces;
    if (faults_.splitReply && bytes.size() > 1) {
        pieces.push_back(bytes.left(bytes.size() / 2));
        pieces.push_back(bytes.mid(bytes.size() / 2));
    } else {
        for (qsizetype at = 0; at < bytes.size(); at += capacity)
            pieces.push_back(bytes.mid(at, capacity));
    }
    for (const QByteArray& piece : pieces) {
        QByteArray report(kReportLength, '\0');
        if (config_.adapter) {
            report[1] = char(piece.size());
            report.replace(1 + kAdapterInputHeader, piece.size(), piece);
        } else {
            report.replace(1, piece.size(), piece);
        }
        replies.push_back(report);
    }
}
