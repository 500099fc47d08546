#pragma once
// The component behind the performance statistics collection: a request
// carries the addresses of two buffers of the requesting process, which it
// fills in place with memory use and per-thread processor time. That only
// works inside the requesting process, which is where the virtual controller
// lives.

#include <cstddef>
#include <cstdint>

constexpr uint8_t kPerformanceStatsReportId = 5;
constexpr uint32_t kGetPerformanceStatsCode = 7;
constexpr size_t kMemoryStatsSize = 36;
constexpr size_t kThreadTimesSize = 36;

// Answers one request, elapsedMicroseconds after the component started.
// False, with no buffer touched, when the report is not a complete request
// with the statistics code or either buffer address is null.
bool AnswerPerformanceStats(const uint8_t* report, size_t length, uint64_t elapsedMicroseconds);
