// Input reports from the bath, as the read thread hands them to the window: any
// bytes, in the direct and in the adapter framing, through line assembly,
// splitting and dispatch, against a queue of requests the input chooses.
//
// Input layout:
//   byte 0      bits 0-1: the bath (direct, adapter, direct with short output
//               reports); bits 2-4: how many requests are queued
//   next bytes  one per request: its kind (0..7)
//   next byte   the data size of each input report (below 0xF0: that size;
//               else one of kLargeSizes)
//   the rest    the reports' data, cut at that size (the last one may be shorter)
//
// After every report the window must still be consistent: the line buffer is
// bounded, the queue only ever shrinks, and a request that is still
// outstanding has its time-out running, so polling cannot stall.

#include "FuzzSupport.h"

#include "app/MainForm.h"
#include "link/Framing.h"
#include "link/hid/HidDevice.h"
#include "support/FakeHidPlatform.h"
#include "support/WindowFixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMenu>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

namespace {

struct TBath {
    QString product;
    uint16_t outputLength;
    THidDevice* device = nullptr;
};

// Direct framing, adapter framing, and direct framing whose commands need
// several output reports each.
std::array<TBath, 3> baths = {{{QStringLiteral("Kelmora thermostat"), 65},
                               {QStringLiteral("USB-RS adapter"), 65},
                               {QStringLiteral("Kelmora thermostat mini"), 9}}};

FakeHidPlatform* platform = nullptr;
WindowFixture* fixture = nullptr;

constexpr uint16_t kLargeSizes[16] = {64, 63, 65, 5, 4, 3, 128, 255, 256, 1000, 4096, 8192, 65535, 60, 61, 2};

QByteArray commandOf(int kind)
{
    switch (kind) {
    case kReadInternal: return Cmd::ReadInternal;
    case kReadExternal: return Cmd::ReadExternal;
    case kReadSetpoint: return Cmd::ReadSetpoint;
    case kWriteSetpoint: return Cmd::WriteSetpointPrefix + "37.50\r";
    case kReadReadiness: return Cmd::ReadReadiness;
    case kReadAlarm: return Cmd::ReadAlarm;
    case kReadPower: return Cmd::ReadPower;
    default: return QByteArrayLiteral(":00000000 dat.t.1 rd\n"); // a console line
    }
}

void select(TMainFrm& frm, THidDevice* device)
{
    for (QAction* item : frm.DevPopup->actions()) {
        const int index = item->data().toInt();
        if (*std::next(frm.DeviceList.begin(), index) == device) {
            frm.DevPopupItemClick(item);
            break;
        }
    }
    FUZZ_REQUIRE(frm.SelectedDevice == device);
}

void deliver(TMainFrm& frm, const TBath& bath, const uint8_t* data, size_t size, size_t requests)
{
    // A buffer of exactly the report's size, so that AddressSanitizer sees any
    // read past the bytes delivered.
    const std::unique_ptr<uint8_t[]> report(new uint8_t[size]);
    std::copy(data, data + size, report.get());
    frm.HidControllerDeviceData(bath.device, 0, report.get(), uint16_t(size));

    FUZZ_REQUIRE(frm.SelectedDevice == bath.device);
    FUZZ_REQUIRE(frm.LineBuffer.size() <= Framing::kMaxLineLength);
    FUZZ_REQUIRE(frm.RequestQueue.size() <= requests);
    FUZZ_REQUIRE(frm.RequestQueue.empty() || frm.Timeout->isActive());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    StartFuzzApplication("fuzz_input_reports");
    platform = new FakeHidPlatform;
    int serial = 0;
    for (TBath& bath : baths) {
        FakeHidPlatform::Traits traits;
        traits.id = QStringLiteral("bath-%1").arg(++serial);
        traits.serial = QStringLiteral("B-%1").arg(serial);
        traits.product = bath.product;
        traits.outputLength = bath.outputLength;
        // Reports reach the window from this harness, not from read threads:
        // a device the window cannot open for reading starts none (so no
        // thread starts or stops while an input runs), and its writes fail,
        // which the protocol does not look at.
        traits.readWrite = false;
        platform->add(traits);
    }
    fixture = new WindowFixture(platform);
    TMainFrm& frm = fixture->window();
    // The first scan runs from the event loop and selects the first bath.
    const QDeadlineTimer deadline(10000);
    while (frm.DeviceList.size() < baths.size() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    FUZZ_REQUIRE(frm.DeviceList.size() == baths.size());
    for (TBath& bath : baths) {
        for (THidDevice* device : frm.DeviceList)
            if (device->ProductName() == bath.product)
                bath.device = device;
        FUZZ_REQUIRE(bath.device);
    }
    FUZZ_REQUIRE(!frm.IsAdapterDevice(baths[0].device) && frm.IsAdapterDevice(baths[1].device));
    // Each bath selected once: the window says once per bath that it cannot be
    // opened for writing, here rather than in some input.
    for (const TBath& bath : baths)
        select(frm, bath.device);
    fixture->dialogs.clear();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TMainFrm& frm = fixture->window();
    TInputBytes input(data, size);
    const uint8_t options = input.take();
    const TBath& bath = baths[(options & 3) % baths.size()];
    const size_t requests = (options >> 2) & 7;

    // Selecting the bath afresh empties the queue and the line buffer, so every
    // input starts from the same state.
    if (frm.SelectedDevice == bath.device)
        select(frm, bath.device == baths[0].device ? baths[1].device : baths[0].device);
    select(frm, bath.device);
    FUZZ_REQUIRE(frm.LineBuffer.isEmpty());
    // Timers never fire here (no event loop runs), but their state is checked.
    frm.DataTimer->stop();
    frm.Timeout->stop();
    frm.RequestQueue.clear();
    for (size_t i = 0; i < requests; ++i) {
        const int kind = input.take() % 8;
        frm.AddRequest(kind, commandOf(kind));
    }
    FUZZ_REQUIRE(frm.RequestQueue.size() == requests);

    const uint8_t sizeChoice = input.take();
    size_t reportSize = sizeChoice < 0xF0 ? sizeChoice : kLargeSizes[sizeChoice - 0xF0];
    const uint8_t* rest = input.rest();
    size_t left = input.restSize();
    if (reportSize == 0) {
        deliver(frm, bath, rest, 0, requests); // an empty report, then full ones
        reportSize = 64;
    }
    while (left > 0) {
        const size_t piece = std::min(left, reportSize);
        deliver(frm, bath, rest, piece, requests);
        rest += piece;
        left -= piece;
    }

    // Every box was an error message of the protocol: nothing escaped as an
    // exception, and nothing asked the user a question.
    ScriptedDialogs& dialogs = fixture->dialogs;
    for (const ScriptedDialogs::Shown& box : dialogs.shown)
        FUZZ_REQUIRE(box.kind == QLatin1String("error") && !box.text.isEmpty());
    FUZZ_REQUIRE(dialogs.unexpectedCalls.isEmpty());
    dialogs.clear();
    return 0;
}
