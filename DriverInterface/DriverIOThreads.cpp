// Thread control of the report I/O engine: starting and stopping the four
// device threads and the restart thread, restart requests, and the threads that
// outlived their stop.

#include <algorithm>
#include <utility>
#include <vector>

#include "DriverInterface/DriverIOInternal.h"
#include "lib/Trace.h"

using platform::Event;
using platform::WaitForAny;
using platform::WaitStatus;

ThreadContext RestartContext;
ReadThreadContext ReadContext0;
ReadThreadContext ReadContext6;
WriteThreadContext WriteContext0;
WriteThreadContext WriteContext6;

namespace {

// A thread whose stop timed out. It is joined once it has set its done event,
// at the latest by JoinDriverIOThreads.
struct LateThread {
    std::thread thread;
    std::shared_ptr<ThreadRun> run;
};

class LateThreads {
public:
    ~LateThreads() { JoinAll(); }

    void Add(std::thread thread, std::shared_ptr<ThreadRun> run) {
        std::lock_guard<std::mutex> guard(lock_);
        threads_.push_back({std::move(thread), std::move(run)});
    }

    void JoinEnded() {
        std::vector<LateThread> ended;
        {
            std::lock_guard<std::mutex> guard(lock_);
            const auto firstEnded = std::stable_partition(
                threads_.begin(), threads_.end(),
                [](const LateThread& late) { return !late.run->hThreadDone.IsSet(); });
            std::move(firstEnded, threads_.end(), std::back_inserter(ended));
            threads_.erase(firstEnded, threads_.end());
        }
        Join(ended);
    }

    void JoinAll() {
        std::vector<LateThread> all;
        {
            std::lock_guard<std::mutex> guard(lock_);
            all.swap(threads_);
        }
        Join(all);
    }

private:
    static void Join(std::vector<LateThread>& threads) {
        for (LateThread& late : threads) {
            late.thread.join();
        }
    }

    std::mutex lock_;
    std::vector<LateThread> threads_;
};

LateThreads lateThreads;

// Held by whoever stops or starts the device threads (the window thread, the
// restart thread), so that the two never work on the same contexts at once.
std::mutex deviceThreadsLock;

platform::Mutex restartMutex;

// hRestartEvent: made by the restart thread while it runs, null otherwise.
std::mutex restartEventLock;
std::shared_ptr<Event> hRestartEvent;

void PublishRestartEvent(const std::shared_ptr<Event>& event) {
    std::lock_guard<std::mutex> guard(restartEventLock);
    hRestartEvent = event;
}

void WithdrawRestartEvent(const std::shared_ptr<Event>& event) {
    std::lock_guard<std::mutex> guard(restartEventLock);
    if (hRestartEvent == event) {
        hRestartEvent.reset();
    }
}

std::shared_ptr<Event> CurrentRestartEvent() {
    std::lock_guard<std::mutex> guard(restartEventLock);
    return hRestartEvent;
}

// The write thread's queue is ready before the read thread hands over its
// first report: whatever the program sends in answer to the connected notice
// (or to the first report) must not go to a queue that is not there yet.
void StartChannel(ReadThreadContext& rc, WriteThreadContext& wc, uint16_t usage) {
    HidCaps caps;
    rc.hDevice = FindHIDDevice(caps, usage, kVendorUsagePage, true);
    StartWriteThread(wc, rc, HidWriteThreadFunc);
    // Started without a device as well: its failing read schedules the next search.
    StartThread(rc, HidThreadFunc, std::make_shared<ThreadRun>(rc.hDevice));
}

void StopHidThread(ReadThreadContext& rc) {
    StopThread(rc);
    CloseHIDDevice(rc.hDevice);
    rc.hDevice = nullptr;
}

void StartDeviceThreadsLocked() {
    StartChannel(ReadContext0, WriteContext0, kChannel0Usage);
    StartChannel(ReadContext6, WriteContext6, kChannel6Usage);
}

void StopDeviceThreadsLocked() {
    StopThread(WriteContext0);
    StopHidThread(ReadContext0);
    StopThread(WriteContext6);
    StopHidThread(ReadContext6);
}

void StartDeviceThreads() {
    std::lock_guard<std::mutex> guard(deviceThreadsLock);
    StartDeviceThreadsLocked();
}

void StopDeviceThreads() {
    std::lock_guard<std::mutex> guard(deviceThreadsLock);
    StopDeviceThreadsLocked();
}

void RestartDeviceThreads(const ThreadRun& run) {
    std::lock_guard<std::mutex> guard(deviceThreadsLock);
    StopDeviceThreadsLocked();
    // A restart overtaken by StopDriverIO must not bring the threads back.
    if (run.Running != 0) {
        StartDeviceThreadsLocked();
    }
}

void RestartThreadFunc(ThreadContext&, std::shared_ptr<ThreadRun> run) {
    const auto restartEvent = std::make_shared<Event>(Event::Reset::Auto);
    if (!restartEvent->Valid()) {
        TraceError("DriverIO:RestartThreadFunc Failed to create event", __FILE__, __LINE__);
        run->hThreadDone.Set();
        return;
    }
    PublishRestartEvent(restartEvent);
    // Ends on the kill event alone, not on the running flag: a stop that came
    // before this thread first waited still finds the event set, and the end
    // is traced whenever the thread was stopped.
    for (;;) {
        const auto woken = WaitForAny({restartEvent.get(), &run->hKillThread}, platform::kInfinite);
        if (woken.status == WaitStatus::Signalled && woken.index == 0) {
            TraceInfo("DriverIO:RestartThreadFunc hRestartEvent signaled", __FILE__, __LINE__);
            RestartDeviceThreads(*run);
            continue;
        }
        TraceInfo("DriverIO:RestartThreadFunc tc->hKillThread signaled", __FILE__, __LINE__);
        break;
    }
    WithdrawRestartEvent(restartEvent);
    run->hThreadDone.Set();
}

}  // namespace

platform::Mutex& WriteMutex() {
    static platform::Mutex writeMutex;
    return writeMutex;
}

void StartThread(ThreadContext& tc, ThreadFunction function, std::shared_ptr<ThreadRun> run) {
    if (tc.run) {
        tc.run->Running = 1;
        return;
    }
    tc.run = std::move(run);
    tc.hThread = std::thread(function, std::ref(tc), tc.run);
}

void StopThread(ThreadContext& tc) {
    if (!tc.run || tc.run->Running == 0) {
        return;
    }
    std::shared_ptr<ThreadRun> run = std::move(tc.run);
    run->Running = 0;
    run->hKillThread.Set();
    if (run->hThreadDone.Wait(GetDriverIOWaits().stopThreadTimeoutMs)) {
        tc.hThread.join();
        return;
    }
    TraceError("DriverIO:StopThread thread timed out", __FILE__, __LINE__);
    // The stop goes on as if the thread had ended; it is joined when it has.
    lateThreads.Add(std::move(tc.hThread), std::move(run));
}

void RequestRestart() {
    if (!restartMutex.TryAcquire()) {
        return;  // another request is in progress
    }
    TraceInfo("Restarting DriverIO threads", __FILE__, __LINE__);
    if (const auto restartEvent = CurrentRestartEvent()) {
        restartEvent->Set();
    }
    platform::Sleep(kRestartRequestHoldMs);
    restartMutex.Release();
}

void StartDriverIO() {
    lateThreads.JoinEnded();
    StartThread(RestartContext, RestartThreadFunc, std::make_shared<ThreadRun>(nullptr));
    StartDeviceThreads();
}

void StopDriverIO() {
    StopThread(RestartContext);
    StopDeviceThreads();
    lateThreads.JoinEnded();
}

void JoinDriverIOThreads() {
    lateThreads.JoinAll();
}

void SetReportCallback0(ReportCallback callback) {
    ReadContext0.ReportCallback = callback;
}

void SetReportCallback6(ReportCallback callback) {
    ReadContext6.ReportCallback = callback;
}

void SetConnectCallback6(ConnectCallback callback) {
    ReadContext6.ConnectCallback = callback;
}
