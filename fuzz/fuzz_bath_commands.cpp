// The virtual bath as the program's output reports reach it: any report bytes,
// in either framing. Every answer must be whole input reports that the program
// reads back as one line with a status it knows.

#include "FuzzSupport.h"

#include "link/Framing.h"
#include "sim/VirtualBath.h"

#include <QString>

namespace {

// Takes the bath's input reports apart as the program does and checks each line.
class TReplyReader {
public:
    explicit TReplyReader(bool adapter) : adapter_(adapter) {}

    void read(const QByteArray& report)
    {
        FUZZ_REQUIRE(report.size() == VirtualBath::kReportLength);
        const auto* data = reinterpret_cast<const uint8_t*>(report.constData()) + 1;
        const auto size = uint16_t(report.size() - 1);
        if (adapter_)
            FUZZ_REQUIRE(data[0] <= Framing::kAdapterInputMaxPayload);
        const Framing::ScanRange range = Framing::InputScanRange(data, size, adapter_);
        FUZZ_REQUIRE(range.begin + range.count <= size);
        for (uint32_t i = range.begin; i < range.begin + range.count; ++i) {
            if (data[i] >= Framing::kLineEndBelow) {
                line_ += char(data[i]);
                continue;
            }
            // Direct reports are padded with zeros behind the line end.
            if (!adapter_ && line_.isEmpty())
                break;
            checkLine();
            if (!adapter_)
                break;
        }
    }

private:
    void checkLine()
    {
        const QStringList fields = Framing::SplitResponse(QString::fromLocal8Bit(line_));
        line_.clear();
        FUZZ_REQUIRE(fields.size() >= 2);
        FUZZ_REQUIRE(fields.at(0) == QLatin1String(":00000000"));
        int status = -1;
        FUZZ_REQUIRE(Framing::TryParseStatusCode(fields.at(1), status));
        FUZZ_REQUIRE(status >= 0 && status <= 6);
    }

    bool adapter_;
    QByteArray line_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte: the framing, and whether the adapter was set up first.
    TInputBytes input(data, size);
    const uint8_t options = input.take();
    VirtualBathConfig config;
    config.adapter = options & 1;
    VirtualBath bath(config);
    if (config.adapter && (options & 2)) {
        QByteArray setup(VirtualBath::kReportLength, '\0');
        setup.replace(3, 4, QByteArray::fromHex("62778025"));
        FUZZ_REQUIRE(bath.receive(setup, 0).empty());
    }

    // The rest: output reports of the program's length, the last one maybe shorter.
    TReplyReader reader(config.adapter);
    double now = 0;
    const QByteArray rest(reinterpret_cast<const char*>(input.rest()), qsizetype(input.restSize()));
    for (qsizetype at = 0; at < rest.size(); at += VirtualBath::kReportLength) {
        now += 0.5;
        for (const QByteArray& reply : bath.receive(rest.mid(at, VirtualBath::kReportLength), now))
            reader.read(reply);
    }
    return 0;
}
