// The write side: the report queues, the write threads that empty them, and
// the single-report writes, all serialised by the write mutex.

#include <algorithm>
#include <chrono>
#include <cstring>

#include "DriverInterface/DriverIOInternal.h"
#include "lib/Trace.h"

using platform::Event;
using platform::WaitForAny;
using platform::WaitStatus;
using platform::hid::CurrentBackend;

namespace {

// What HidWrite returns for a failed write: the platform's general failure code.
constexpr uint32_t kWriteFailed = 31;

void TraceBugOnce(std::atomic<bool>& written, const char* message, int line) {
    if (!written.exchange(true)) {
        TraceBug(message, __FILE__, line);
    }
}

std::atomic<bool> readTCBugWritten{false};
std::atomic<bool> queueLockBugWritten{false};

void PublishQueueObjects(ReportQueue& rq, const ThreadRun& run) {
    std::lock_guard<std::mutex> guard(rq.published);
    // Anything queued before this start is forgotten. Both indexes start at the
    // last slot, so the queue holds at most 99 unsent reports from the first
    // report on, and an overflow always reads as caught up.
    rq.WriteIdx = kReportQueueSlots - 1;
    rq.ReadIdx = kReportQueueSlots - 1;
    rq.hReportWaiting = run.hReportWaiting;
    rq.hLock = run.hLock;
}

void CountPass(ReportQueue& rq) {
    {
        std::lock_guard<std::mutex> guard(rq.passLock);
        ++rq.Passes;
    }
    rq.passDone.notify_all();
}

void WithdrawQueueObjects(ReportQueue& rq, const std::shared_ptr<platform::Mutex>& lock) {
    {
        std::lock_guard<std::mutex> guard(rq.published);
        // A thread that ends late leaves a newer start's objects alone.
        if (rq.hLock == lock) {
            rq.hLock.reset();
            rq.hReportWaiting.reset();
        }
    }
    // Whoever waits for the queue learns that this thread sends no more.
    CountPass(rq);
}

std::shared_ptr<platform::Mutex> PublishedLock(ReportQueue& rq) {
    std::lock_guard<std::mutex> guard(rq.published);
    return rq.hLock;
}

// Takes the next queued report into report; false when the queue is empty,
// or when a newer start has the queue: a write thread that outlived its stop
// (a write that did not return) then leaves the newer start's reports alone.
bool TakeQueued(ReportQueue& rq, const ThreadRun& run, uint8_t (&report)[kOutputReportSize]) {
    std::lock_guard<std::mutex> guard(rq.published);
    if (rq.hLock != run.hLock || rq.ReadIdx == rq.WriteIdx) {
        return false;
    }
    rq.ReadIdx = rq.ReadIdx + 1 == kReportQueueSlots ? 0 : rq.ReadIdx + 1;
    std::memcpy(report, rq.Reports[rq.ReadIdx], kOutputReportSize);
    return true;
}

// Sends everything queued; called with the queue's lock held. A stop that
// comes meanwhile waits for the backlog: what was queued before it goes out.
void SendBacklog(ReportQueue& rq, const ThreadRun& run) {
    uint8_t report[kOutputReportSize];
    while (TakeQueued(rq, run, report)) {
        HidWrite(run.hDevice, report);
    }
}

// An object the system could not make ends the thread: every wait on it
// fails at once, and the thread would only spin.
bool QueueObjectsMade(const ThreadRun& run) {
    if (!run.hReportWaiting->Valid()) {
        TraceError("DriverIO:HidWriteThreadFunc could not create hReportWaiting event", __FILE__,
                   __LINE__);
        return false;
    }
    if (!run.hLock->Valid()) {
        TraceError("DriverIO:HidWriteThreadFunc could not create hLock mutex", __FILE__, __LINE__);
        return false;
    }
    return true;
}

}  // namespace

void HidWriteThreadFunc(ThreadContext& tc, std::shared_ptr<ThreadRun> run) {
    auto& wtc = static_cast<WriteThreadContext&>(tc);
    if (wtc.ReadTC == nullptr) {
        TraceBugOnce(readTCBugWritten, "DriverIO:HidWriteThreadFunc wtc->ReadTC is not set",
                     __LINE__);
        run->hThreadDone.Set();
        return;
    }
    ReportQueue& rq = wtc.rq;
    Event* const reportWaiting = run->hReportWaiting.get();
    platform::Mutex* const lock = run->hLock.get();
    const bool made = QueueObjectsMade(*run);
    while (made && run->Running != 0) {
        // Wakes at least once a second even when nothing is queued.
        const auto woken = WaitForAny({reportWaiting, &run->hKillThread}, kWriteThreadWakeMs);
        if (woken.status == WaitStatus::Failed) {
            continue;
        }
        if (woken.status == WaitStatus::Signalled && woken.index == 1) {
            break;
        }
        const auto locked = WaitForAny({lock, &run->hKillThread}, platform::kInfinite);
        if (locked.status != WaitStatus::Signalled || locked.index != 0) {
            break;
        }
        SendBacklog(rq, *run);
        lock->Release();
        CountPass(rq);
    }
    WithdrawQueueObjects(rq, run->hLock);
    run->hThreadDone.Set();
}

void StartWriteThread(WriteThreadContext& wtc, ReadThreadContext& rc, ThreadFunction function) {
    wtc.ReadTC = &rc;
    std::shared_ptr<ThreadRun> run = wtc.run;
    if (!run) {
        run = std::make_shared<ThreadRun>(rc.hDevice);
        run->hReportWaiting = std::make_shared<Event>(Event::Reset::Auto);
        run->hLock = std::make_shared<platform::Mutex>();
        PublishQueueObjects(wtc.rq, *run);
    }
    StartThread(wtc, function, std::move(run));
}

int32_t AddToReportQueue(ReportQueue& rq, const uint8_t* data, int32_t length) {
    std::shared_ptr<platform::Mutex> lock;
    std::shared_ptr<Event> reportWaiting;
    {
        std::lock_guard<std::mutex> guard(rq.published);
        lock = rq.hLock;
        reportWaiting = rq.hReportWaiting;
    }
    // Without a running write thread there is no lock, and the report is dropped.
    if (!lock || !lock->Acquire(kQueueLockTimeoutMs)) {
        TraceBugOnce(queueLockBugWritten, "DriverIO:AddToReportQueue wait for hLock timed out",
                     __LINE__);
        return 0;
    }
    rq.WriteIdx = rq.WriteIdx + 1 == kReportQueueSlots ? 0 : rq.WriteIdx + 1;
    if (rq.WriteIdx == rq.ReadIdx) {
        // The report is stored all the same; the queue then reads as empty.
        TraceError("DriverIO:HidWrite rq->WriteIdx has caught up to rq->ReadIdx", __FILE__,
                   __LINE__);
    }
    const int32_t copied = data == nullptr ? 0 : std::clamp(length, 0, kOutputReportSize);
    uint8_t* slot = rq.Reports[rq.WriteIdx];
    if (copied > 0) {
        std::memcpy(slot, data, copied);
    }
    // A short command must not carry the tail of an older report to the controller.
    std::memset(slot + copied, 0, kOutputReportSize - copied);
    reportWaiting->Set();
    lock->Release();
    return 0;
}

int32_t QueueReport0(int32_t, const uint8_t* data, int32_t length) {
    return AddToReportQueue(WriteContext0.rq, data, length);
}

int32_t QueueReport6(const uint8_t* data, int32_t length) {
    return AddToReportQueue(WriteContext6.rq, data, length);
}

bool WaitForQueuedReports(int32_t channel, uint32_t timeoutMs) {
    ReportQueue& rq = channel == 0 ? WriteContext0.rq : WriteContext6.rq;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        uint64_t passesSeen = 0;
        {
            std::lock_guard<std::mutex> guard(rq.passLock);
            passesSeen = rq.Passes;
        }
        const std::shared_ptr<platform::Mutex> lock = PublishedLock(rq);
        if (!lock) {
            return true;
        }
        const auto left = std::max<int64_t>(
            0,
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        // The write thread sends with the lock held: holding it, an empty
        // queue means every report taken from it has been written.
        if (!lock->Acquire(static_cast<uint32_t>(left))) {
            return false;
        }
        const bool empty = rq.ReadIdx == rq.WriteIdx;
        lock->Release();
        if (empty) {
            return true;
        }
        std::unique_lock<std::mutex> guard(rq.passLock);
        if (!rq.passDone.wait_until(guard, deadline, [&] { return rq.Passes != passesSeen; })) {
            return false;
        }
    }
}

uint32_t HidWrite(HidHandle device, const uint8_t* report) {
    WriteMutex().Acquire();
    size_t written = 0;
    uint32_t result = 0;
    if (device == nullptr || !CurrentBackend().Write(device, report, kOutputReportSize, written)) {
        TraceError("DriverIO:HidWrite Failed to write report", __FILE__, __LINE__);
        result = kWriteFailed;
    } else if (written != static_cast<size_t>(kOutputReportSize)) {
        // Accepted, then cut short, or failed with nothing written.
        TraceError("DriverIO:HidWrite Wrong amount of bytes written", __FILE__, __LINE__);
        result = written == 0 ? kWriteFailed : 0;
    }
    WriteMutex().Release();
    return result;
}

void RearmWriteBugTraces() {
    readTCBugWritten = false;
    queueLockBugWritten = false;
}

bool HidSetOutputReport(HidHandle device, const uint8_t* data, int32_t length) {
    if (device == nullptr || data == nullptr || length <= 0) {
        return false;
    }
    WriteMutex().Acquire();
    const bool sent = CurrentBackend().SetOutputReport(
        device, data, static_cast<size_t>(std::min(length, kOutputReportSize)));
    WriteMutex().Release();
    return sent;
}
