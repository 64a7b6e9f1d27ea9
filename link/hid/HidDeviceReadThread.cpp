#include "link/hid/HidDeviceReadThread.h"

#include "link/hid/HidDevice.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {
std::atomic<int> liveReaders = 0;
} // namespace

// What the read thread and the GUI thread share: the stop flag, the hand-over
// slot and the connection being read. Everything here is guarded by mutex.
struct THidDeviceReadThread::Shared {
    std::mutex mutex;
    std::condition_variable changed;

    bool stop = false;
    bool ended = false;
    // The device, until the reader is detached from it.
    THidDevice* device = nullptr;
    // The connection the thread waits on, so a stop can wake it.
    std::shared_ptr<HidConnection> current;

    // The hand-over slot. served is true when no hand-over waits; running while
    // its handler runs on the GUI thread; threw once a handler let an error escape.
    enum class Kind { Data, Error };
    uint64_t sequence = 0;
    Kind kind = Kind::Data;
    bool served = true;
    bool running = false;
    bool threw = false;
    const uint8_t* report = nullptr;
    size_t length = 0;
    uint32_t error = 0;

    // A reader detached from inside its own hand-over, reaped when that returns.
    std::unique_ptr<THidDeviceReadThread> orphan;

    // Read thread: waits up to ms unless a stop comes first; false when stopped.
    bool sleep(int ms)
    {
        std::unique_lock lock(mutex);
        return !changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop; });
    }

    bool stopRequested()
    {
        std::lock_guard lock(mutex);
        return stop;
    }

    // Read thread: queues the hand-over on the GUI thread and waits until it has
    // run. False when the thread must end (a stop, or a handler threw).
    bool handOver(Kind what, const uint8_t* bytes, size_t count, uint32_t code, const std::shared_ptr<Shared>& self)
    {
        std::unique_lock lock(mutex);
        kind = what;
        report = bytes;
        length = count;
        error = code;
        served = false;
        const uint64_t number = ++sequence;
        // A StopAndWait that is waiting serves it at once.
        changed.notify_all();
        lock.unlock();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [self, number] { THidDeviceReadThread::Serve(self, number); },
            Qt::QueuedConnection);
        lock.lock();
        changed.wait(lock, [this] { return served; });
        return !stop && !threw;
    }
};

THidDeviceReadThread::THidDeviceReadThread(THidDevice* device, uint16_t reportLength)
    : s(std::make_shared<Shared>())
{
    ++liveReaders;
    s->device = device;
    thread = std::thread(&THidDeviceReadThread::Run, s, device, reportLength);
}

THidDeviceReadThread::~THidDeviceReadThread()
{
    StopAndWait();
    --liveReaders;
}

int THidDeviceReadThread::LiveCount() { return liveReaders; }

bool THidDeviceReadThread::Finished() const
{
    std::lock_guard lock(s->mutex);
    return s->ended;
}

bool THidDeviceReadThread::HandOverRunning() const
{
    std::lock_guard lock(s->mutex);
    return s->running;
}

void THidDeviceReadThread::RequestStop()
{
    std::shared_ptr<HidConnection> waiting;
    {
        std::lock_guard lock(s->mutex);
        s->stop = true;
        waiting = s->current;
        s->changed.notify_all();
    }
    if (waiting)
        waiting->interrupt();
}

void THidDeviceReadThread::StopAndWait()
{
    if (!thread.joinable())
        return;
    RequestStop();
    std::unique_lock lock(s->mutex);
    for (;;) {
        s->changed.wait(lock, [this] { return s->ended || (!s->served && !s->running); });
        if (s->ended)
            break;
        const uint64_t sequence = s->sequence;
        lock.unlock();
        Serve(s, sequence);
        lock.lock();
    }
    lock.unlock();
    thread.join();
}

void THidDeviceReadThread::Detach(std::unique_ptr<THidDeviceReadThread> reader)
{
    reader->RequestStop();
    std::shared_ptr<Shared> shared = reader->s;
    std::lock_guard lock(shared->mutex);
    // The device may be destroyed right after this returns: nothing may reach it.
    shared->device = nullptr;
    shared->orphan = std::move(reader);
}

void THidDeviceReadThread::Serve(const std::shared_ptr<Shared>& shared, uint64_t sequence)
{
    THidDevice* device = nullptr;
    Shared::Kind kind = Shared::Kind::Data;
    const uint8_t* report = nullptr;
    size_t length = 0;
    uint32_t error = 0;
    {
        std::lock_guard lock(shared->mutex);
        // Already served (by a stop that waited), or running further down the stack.
        if (shared->sequence != sequence || shared->served || shared->running)
            return;
        shared->running = true;
        device = shared->device;
        kind = shared->kind;
        report = shared->report;
        length = shared->length;
        error = shared->error;
    }

    bool threw = false;
    if (device) {
        // An error escaping a handler ends this reader quietly; it must not reach
        // the event loop from a call the user did not make.
        try {
            if (kind == Shared::Kind::Data)
                device->DeliverData(length ? report[0] : 0, length ? report + 1 : report,
                                    uint16_t(length ? length - 1 : 0));
            else
                device->DeliverDataError(error);
        } catch (...) {
            threw = true;
        }
    }

    std::unique_ptr<THidDeviceReadThread> orphan;
    {
        std::lock_guard lock(shared->mutex);
        shared->running = false;
        shared->served = true;
        shared->threw = shared->threw || threw;
        orphan = std::move(shared->orphan);
        shared->changed.notify_all();
    }
    // A reader detached during this hand-over ends now that it returned.
    orphan.reset();
}

void THidDeviceReadThread::Run(std::shared_ptr<Shared> shared, THidDevice* device, uint16_t reportLength)
{
    using Status = HidConnection::ReadStatus;
    std::vector<uint8_t> report(reportLength);
    // The device is touched only while no stop was asked: a stop either waits for
    // this thread to end, or (when detached) finds it waiting in its hand-over.
    while (!shared->stopRequested()) {
        std::fill(report.begin(), report.end(), uint8_t(0));
        int openError = 0;
        std::shared_ptr<HidConnection> connection = device->OpenReadHandle(openError);
        if (!connection) {
            // A read that cannot start: tell the device's user, then retry.
            if (!shared->handOver(Shared::Kind::Error, nullptr, 0, uint32_t(openError), shared))
                break;
            if (!shared->sleep(device->ThreadSleepTime()))
                break;
            continue;
        }
        {
            std::lock_guard lock(shared->mutex);
            if (shared->stop)
                break;
            shared->current = connection;
        }

        HidConnection::ReadResult result;
        bool stopped = false;
        for (;;) {
            result = connection->read(report.data(), report.size(), device->ThreadSleepTime());
            if (shared->stopRequested()) {
                stopped = true;
                break;
            }
            if (result.Status == Status::TimedOut)
                continue;
            // Woken because the GUI thread closed the read node: the read ended
            // with nothing, and the next one finds out why.
            if (result.Status == Status::Interrupted && device->IsReadHandle(connection))
                continue;
            break;
        }
        {
            std::lock_guard lock(shared->mutex);
            shared->current.reset();
        }
        connection.reset();
        if (stopped)
            break;

        if (result.Status == Status::Failed) {
            // The node reported an error or is gone. Retrying at once would spin
            // while the device stays gone; report it and wait one slice.
            if (!shared->handOver(Shared::Kind::Error, nullptr, 0, uint32_t(result.Error), shared))
                break;
            if (!shared->sleep(device->ThreadSleepTime()))
                break;
            continue;
        }
        if (result.Status == Status::Report && result.Length > 0) {
            if (!shared->handOver(Shared::Kind::Data, report.data(), std::min(result.Length, report.size()), 0,
                                  shared))
                break;
        }
        const int delay = device->PollingDelayTime();
        if (delay > 0 && !shared->sleep(delay))
            break;
    }

    std::lock_guard lock(shared->mutex);
    shared->current.reset();
    shared->ended = true;
    shared->changed.notify_all();
}
