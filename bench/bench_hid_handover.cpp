// How fast input reports cross from a device's read thread to the GUI thread:
// one request at a time (round trip through the virtual bath answering at once)
// and many in a row (throughput of the synchronous hand-over). Prints figures.

#include "link/Framing.h"
#include "link/Request.h"
#include "link/hid/HidDeviceController.h"
#include "sim/VirtualHidPlatform.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRoundTrips = 2000;
constexpr int kBurst = 5000;

// Spins the event loop until done() or the time is up; false on time-out.
template <class Done>
bool Spin(Done done, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    VirtualHidPlatform platform;
    platform.addBath(VirtualBathConfig{.serial = QStringLiteral("VB-BENCH"), .replyDelayMs = 0});
    THidDeviceController controller(platform);
    THidDevice* bath = nullptr;
    controller.SetOnArrival([&](THidDevice* device) { controller.CheckOutByProductName(bath, device->ProductName()); });
    if (!Spin([&] { return bath != nullptr; })) {
        std::fprintf(stderr, "the virtual bath did not arrive\n");
        return 1;
    }

    long lines = 0;
    bath->SetOnData([&](THidDevice*, uint8_t, const uint8_t* data, uint16_t size) {
        lines += std::count(data, data + size, uint8_t('\r'));
    });
    const uint32_t length = bath->Caps().OutputReportByteLength;
    std::vector<uint8_t> report(length);
    Framing::BuildReport(report.data(), length, Cmd::ReadInternal, 0, false);
    uint32_t written = 0;

    std::vector<double> microseconds;
    microseconds.reserve(kRoundTrips);
    QElapsedTimer timer;
    for (int i = 0; i < kRoundTrips; ++i) {
        const long before = lines;
        timer.start();
        bath->WriteFile(report.data(), length, written);
        if (!Spin([&] { return lines > before; })) {
            std::fprintf(stderr, "no answer to request %d\n", i);
            return 1;
        }
        microseconds.push_back(double(timer.nsecsElapsed()) / 1000);
    }
    std::sort(microseconds.begin(), microseconds.end());
    std::printf("round trip (write, virtual bath, read thread, hand-over), %d requests:\n", kRoundTrips);
    std::printf("  median %.1f us, 90%% %.1f us, 99%% %.1f us, max %.1f us\n", microseconds[kRoundTrips / 2],
                microseconds[kRoundTrips * 9 / 10], microseconds[kRoundTrips * 99 / 100], microseconds.back());

    const long start = lines;
    timer.start();
    for (int i = 0; i < kBurst; ++i)
        bath->WriteFile(report.data(), length, written);
    const qint64 writesDone = timer.nsecsElapsed();
    if (!Spin([&] { return lines - start >= kBurst; })) {
        std::fprintf(stderr, "only %ld of %d answers arrived\n", lines - start, kBurst);
        return 1;
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    std::printf("burst of %d reports queued (writes took %.1f ms): handed over in %.1f ms, %.0f reports/s\n",
                kBurst, double(writesDone) / 1e6, seconds * 1000, kBurst / seconds);

    // A stop wakes the waiting reader at once instead of waiting out its slice.
    constexpr int kStops = 50;
    std::vector<double> stopMs;
    const THidDataEvent handler = bath->OnData();
    for (int i = 0; i < kStops; ++i) {
        bath->SetOnData(nullptr);
        bath->SetOnData(handler);
        Spin([] { return false; }, 20); // the reader settles into its wait
        timer.start();
        bath->SetOnData(nullptr);
        stopMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        bath->SetOnData(handler);
    }
    std::sort(stopMs.begin(), stopMs.end());
    std::printf("stop of a waiting reader (wait slice %d ms), %d stops: median %.3f ms, max %.3f ms\n",
                bath->ThreadSleepTime(), kStops, stopMs[kStops / 2], stopMs.back());

    controller.CheckIn(bath);
    return 0;
}
