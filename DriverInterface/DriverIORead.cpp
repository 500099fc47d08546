// The read threads: one per channel, each delivering the channel's input
// reports to its report callback and announcing connection changes.

#include "DriverInterface/DriverIOInternal.h"
#include "lib/Trace.h"

using platform::hid::CurrentBackend;
using platform::hid::ReadResult;
using platform::hid::ReadStatus;

void DispatchReport(ReportCallback callback, const uint8_t* buffer, size_t length) {
    if (callback == nullptr || length == 0) {
        return;
    }
    if (length > platform::hid::kReportSize) {
        TraceAssert(__FILE__, __LINE__);
        return;
    }
    // The report id stays behind: the callback sees the data that follows it.
    callback(0, buffer + 1, static_cast<int32_t>(length - 1));
}

void NotifyConnection(ConnectCallback callback, int32_t connected) {
    if (callback != nullptr) {
        callback(0, connected);
    }
}

void HidThreadFunc(ThreadContext& tc, std::shared_ptr<ThreadRun> run) {
    auto& rc = static_cast<ReadThreadContext&>(tc);
    // Announced before the first read, so the window has seen the connection
    // before any report of this channel reaches it.
    const bool announced = run->hDevice != nullptr;
    if (announced) {
        NotifyConnection(rc.ConnectCallback, 1);
    }
    uint8_t buffer[platform::hid::kReportSize];
    while (run->Running != 0) {
        ReadResult result{ReadStatus::Failed, 0};
        if (run->hDevice != nullptr) {
            result = CurrentBackend().Read(run->hDevice, buffer, sizeof buffer, run->hKillThread);
        }
        if (result.status == ReadStatus::Completed) {
            DispatchReport(rc.ReportCallback, buffer, result.bytes);
            continue;
        }
        if (result.status == ReadStatus::Cancelled) {
            TraceInfo("DriverIO:HidThreadFunc tc->hKillThread signaled", __FILE__, __LINE__);
            break;
        }
        if (result.status == ReadStatus::NoEvent) {
            // Nothing can be read without it: the thread ends, asking for no restart.
            TraceError("DriverIO:HidThreadFunc Failed to create event", __FILE__, __LINE__);
            break;
        }
        // No device, or it went away: search again after a pause, unless
        // stopped meanwhile.
        TraceWarning("DriverIO:HidReadThreadFunc ReadFile error", __FILE__, __LINE__);
        if (!run->hKillThread.Wait(GetDriverIOWaits().readErrorPauseMs)) {
            RequestRestart();
        }
        break;
    }
    if (announced) {
        NotifyConnection(rc.ConnectCallback, 0);
    }
    run->hThreadDone.Set();
}
