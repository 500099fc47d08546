#include "Simulator/PerformanceStats.h"

#include <cstring>

#include "Simulator/ReportBytes.h"

namespace {

constexpr size_t kRequestSize = 28;

// The address a request carries, or null when it cannot be one in this process.
uint8_t* BufferAt(const uint8_t* field) {
    const uint64_t address = GetLittleEndian64(field);
    if (address == 0 || static_cast<uint64_t>(static_cast<uintptr_t>(address)) != address) {
        return nullptr;
    }
    return reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(address));
}

void FillMemoryStats(uint8_t* buffer, uint64_t seconds) {
    // Pool use in bytes, creeping upward as a long-running driver's does.
    const uint32_t growth = static_cast<uint32_t>(seconds % 100000) * 64;
    const uint32_t values[9] = {
        48'250'880 + growth,   // non-paged pool, whole system
        312'475'648 + growth,  // paged pool, whole system
        1'245'184 + growth,    // the controller's driver
        3'735'552,
        0,
        0,
        0,
        401'408 + growth / 4,  // the translation library
        958'464,
    };
    for (size_t i = 0; i < 9; ++i) {
        PutLittleEndian32(&buffer[4 * i], values[i]);
    }
}

void FillThreadTimes(uint8_t* buffer, uint64_t elapsedMicroseconds) {
    // Time base and thread times in 100 ns units; each thread takes a steady
    // share of one processor.
    const uint64_t timeBase = elapsedMicroseconds * 10;
    constexpr uint32_t kSharePerMille[6] = {8, 25, 12, 4, 31, 2};
    PutLittleEndian32(&buffer[0], 0);
    for (size_t i = 0; i < 6; ++i) {
        PutLittleEndian32(&buffer[4 + 4 * i],
                          static_cast<uint32_t>(timeBase * kSharePerMille[i] / 1000));
    }
    PutLittleEndian64(&buffer[28], timeBase);
}

}  // namespace

bool AnswerPerformanceStats(const uint8_t* report, size_t length, uint64_t elapsedMicroseconds) {
    if (report == nullptr || length < kRequestSize || report[0] != kPerformanceStatsReportId ||
        GetLittleEndian32(&report[4]) != kGetPerformanceStatsCode) {
        return false;
    }
    uint8_t* memoryStats = BufferAt(&report[12]);
    uint8_t* threadTimes = BufferAt(&report[20]);
    if (memoryStats == nullptr || threadTimes == nullptr) {
        return false;
    }
    FillMemoryStats(memoryStats, elapsedMicroseconds / 1'000'000);
    FillThreadTimes(threadTimes, elapsedMicroseconds);
    return true;
}
