#pragma once

#include <cstdint>
#include <memory>
#include <thread>

class THidDevice;

// The reader of one device. It reads input reports on its own thread and hands
// each report, and each read error, to the GUI thread one at a time: it queues
// the call there and waits until the handler has returned, so its buffer is never
// overwritten while a handler reads it and the program's own code runs on one
// thread. Only its device creates, stops and destroys it.
class THidDeviceReadThread {
public:
    ~THidDeviceReadThread();
    THidDeviceReadThread(const THidDeviceReadThread&) = delete;
    THidDeviceReadThread& operator=(const THidDeviceReadThread&) = delete;

    // The thread has left its loop (stopped, or a handler threw).
    bool Finished() const;

    // Reader objects alive in the process, for tests that check none is left behind.
    static int LiveCount();

private:
    friend class THidDevice;
    struct Shared;

    THidDeviceReadThread(THidDevice* device, uint16_t reportLength);

    // GUI thread. A hand-over of this reader is running further down the stack.
    bool HandOverRunning() const;
    // Sets the stop flag and wakes the thread from its wait.
    void RequestStop();
    // Stops the thread and waits for it, running any hand-over it has queued
    // meanwhile (it would otherwise wait for the GUI thread, and the GUI thread for it).
    void StopAndWait();
    // Stops the thread without waiting: used from inside its own running
    // hand-over, whose return then reaps it. The device may be gone by then.
    static void Detach(std::unique_ptr<THidDeviceReadThread> reader);

    static void Run(std::shared_ptr<Shared> shared, THidDevice* device, uint16_t reportLength);
    static void Serve(const std::shared_ptr<Shared>& shared, uint64_t sequence);

    std::shared_ptr<Shared> s;
    std::thread thread;
};
