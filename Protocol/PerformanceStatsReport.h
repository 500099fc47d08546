#pragma once
// The performance statistics request and its two result buffers. The request
// carries the buffers' addresses; the component behind the collection fills
// them in place when the write succeeds.

#include <cstdint>
#include <string>

#include "DriverInterface/DriverIO.h"

constexpr int kPerfStatsThreadCount = 6;

// Nine 32-bit values; six of them are shown.
struct MemoryStatsBuffer {
    int32_t values[9] = {};
};

// Thread times at bytes 4..27, a 64-bit time base at byte 28: the time base is
// not 8-byte aligned, so the buffer is kept as bytes.
struct ThreadTimesBuffer {
    uint8_t bytes[36] = {};

    uint32_t ThreadTime(int thread) const;  // thread 0..5
    uint64_t TimeBase() const;
};

void BuildPerformanceStatsRequest(uint8_t (&report)[platform::hid::kReportSize],
                                  const MemoryStatsBuffer& memoryStats,
                                  const ThreadTimesBuffer& threadTimes);

// Writes the request on the performance statistics collection; true when the
// component filled both buffers. Only the controller's own driver component
// can: a device reached through the system's HID driver takes the request
// and answers nothing.
bool GetPerformanceStats(HidHandle device, MemoryStatsBuffer& memoryStats,
                         ThreadTimesBuffer& threadTimes);

std::string FormatMemoryStats(const MemoryStatsBuffer& memoryStats);
// Each thread's share of the time base between the two readings.
std::string FormatThreadShares(const ThreadTimesBuffer& baseline, const ThreadTimesBuffer& now);
