// The engine's waits: read by the threads at each wait, so that a change
// reaches threads that are already running.

#include <atomic>

#include "DriverInterface/DriverIO.h"

namespace {

const DriverIOWaits kDefaults;

std::atomic<uint32_t> readErrorPauseMs{kDefaults.readErrorPauseMs};
std::atomic<uint32_t> stopThreadTimeoutMs{kDefaults.stopThreadTimeoutMs};
std::atomic<uint32_t> connectionSettleMs{kDefaults.connectionSettleMs};

}  // namespace

DriverIOWaits GetDriverIOWaits() {
    return {readErrorPauseMs, stopThreadTimeoutMs, connectionSettleMs};
}

void SetDriverIOWaits(const DriverIOWaits& waits) {
    readErrorPauseMs = waits.readErrorPauseMs;
    stopThreadTimeoutMs = waits.stopThreadTimeoutMs;
    connectionSettleMs = waits.connectionSettleMs;
}
