#pragma once
// The engine's module-level records, shared by the thread control, read and
// write parts of DriverIO. Nothing outside DriverInterface/ uses this header
// except the engine's own tests.
//
// Lock order: a queue's hLock before the write mutex; the device threads lock
// is taken only by the threads that start and stop the device threads, never
// while a queue lock or the write mutex is held.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "DriverInterface/DriverIO.h"
#include "platform/Sync.h"

constexpr int32_t kReportQueueSlots = 100;
constexpr int32_t kOutputReportSize = 65;
constexpr uint32_t kRestartRequestHoldMs = 500;
constexpr uint32_t kWriteThreadWakeMs = 1000;
constexpr uint32_t kQueueLockTimeoutMs = 5000;

// One run of a thread: what the thread shares with whoever stops it. The thread
// holds its own reference, so a thread that ends after its stop gave up waiting
// only ever touches its own run, never what a newer start created.
struct ThreadRun {
    explicit ThreadRun(HidHandle device) : hDevice(device) {}

    std::atomic<int> Running{1};
    platform::Event hKillThread{platform::Event::Reset::Auto};
    platform::Event hThreadDone{platform::Event::Reset::Auto};
    // The device handle the thread works on, fixed for the run (null for the
    // restart thread and for channels whose collection was not found).
    const HidHandle hDevice;
    // Write threads: their queue's objects, made before the thread starts so
    // that a report queued right after the start is not dropped.
    std::shared_ptr<platform::Event> hReportWaiting;
    std::shared_ptr<platform::Mutex> hLock;
};

struct ThreadContext;
using ThreadFunction = void (*)(ThreadContext& tc, std::shared_ptr<ThreadRun> run);

struct ThreadContext {
    std::thread hThread;
    std::shared_ptr<ThreadRun> run;  // null while stopped
};

struct ReadThreadContext : ThreadContext {
    HidHandle hDevice = nullptr;
    std::atomic<::ReportCallback> ReportCallback{nullptr};
    std::atomic<::ConnectCallback> ConnectCallback{nullptr};
};

struct ReportQueue {
    uint8_t Reports[kReportQueueSlots][kOutputReportSize] = {};
    // Both null while the channel's write thread is not running; set and
    // cleared by that thread. Read and written under `published`.
    std::shared_ptr<platform::Event> hReportWaiting;
    std::shared_ptr<platform::Mutex> hLock;
    std::mutex published;
    // Guarded by hLock. Equal when the queue is empty.
    int32_t WriteIdx = kReportQueueSlots - 1;
    int32_t ReadIdx = kReportQueueSlots - 1;
    // Counts the write threads' passes over the queue (and their ends), so
    // that whoever waits for the queue to be sent sees a pass that ended after
    // it looked. Guarded by passLock, which is taken alone.
    std::mutex passLock;
    std::condition_variable passDone;
    uint64_t Passes = 0;
};

struct WriteThreadContext : ThreadContext {
    ReadThreadContext* ReadTC = nullptr;
    ReportQueue rq;
};

extern ThreadContext RestartContext;
extern ReadThreadContext ReadContext0;
extern ReadThreadContext ReadContext6;
extern WriteThreadContext WriteContext0;
extern WriteThreadContext WriteContext6;

// Thread control (DriverIOThreads.cpp).
// Starts the thread with run unless the context's thread is running already.
void StartThread(ThreadContext& tc, ThreadFunction function, std::shared_ptr<ThreadRun> run);
void StopThread(ThreadContext& tc);
void RequestRestart();
// Serialises every output report write of the process: both channels and
// HidSetOutputReport. Made once for the process, so that no thread ever sees it
// vanish under a restart.
platform::Mutex& WriteMutex();

// Read side (DriverIORead.cpp).
void HidThreadFunc(ThreadContext& tc, std::shared_ptr<ThreadRun> run);
void DispatchReport(ReportCallback callback, const uint8_t* buffer, size_t length);
void NotifyConnection(ConnectCallback callback, int32_t connected);

// Write side (DriverIOWrite.cpp).
void StartWriteThread(WriteThreadContext& wtc, ReadThreadContext& rc, ThreadFunction function);
void HidWriteThreadFunc(ThreadContext& tc, std::shared_ptr<ThreadRun> run);
int32_t AddToReportQueue(ReportQueue& rq, const uint8_t* data, int32_t length);
uint32_t HidWrite(HidHandle device, const uint8_t* report);
// The write side's first-time-only traces may be written again: for tests,
// which cannot know what an earlier test of their process used up.
void RearmWriteBugTraces();
// The same for the search's once-per-process access-denied warning.
void RearmAccessDeniedWarning();
