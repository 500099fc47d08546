#pragma once
// Waiting for the engine: its write barrier with the tests' deadline, and
// shorter engine waits for a test that needs a restart or a stop's time-out.

#include "DriverInterface/DriverIO.h"
#include "tests/support/WaitUntil.h"

namespace t860test {

// True once everything queued on channel 0 or 6 so far has been written; a
// test checks that a report was not sent after this, not after a pause.
inline bool QueuedReportsSent(int32_t channel) {
    return WaitForQueuedReports(channel, static_cast<uint32_t>(kGenerousDeadline.count()));
}

// Gives the engine other waits for the lifetime of the object.
class ShortDriverIOWaits {
public:
    explicit ShortDriverIOWaits(const DriverIOWaits& waits) : saved_(GetDriverIOWaits()) {
        SetDriverIOWaits(waits);
    }
    ~ShortDriverIOWaits() { SetDriverIOWaits(saved_); }
    ShortDriverIOWaits(const ShortDriverIOWaits&) = delete;
    ShortDriverIOWaits& operator=(const ShortDriverIOWaits&) = delete;

private:
    const DriverIOWaits saved_;
};

}  // namespace t860test
