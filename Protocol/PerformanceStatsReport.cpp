#include "Protocol/PerformanceStatsReport.h"

#include <cstdio>
#include <cstring>

#include "Protocol/TextBuilder.h"

namespace {

constexpr uint8_t kPerfStatsReportId = 5;
constexpr uint32_t kGetPerformanceStatsCode = 7;

void PutLittleEndian(uint8_t* at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint64_t GetLittleEndian(const uint8_t* at, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | at[i];
    }
    return value;
}

}  // namespace

uint32_t ThreadTimesBuffer::ThreadTime(int thread) const {
    return static_cast<uint32_t>(GetLittleEndian(bytes + 4 + 4 * thread, 4));
}

uint64_t ThreadTimesBuffer::TimeBase() const {
    return GetLittleEndian(bytes + 28, 8);
}

void BuildPerformanceStatsRequest(uint8_t (&report)[platform::hid::kReportSize],
                                  const MemoryStatsBuffer& memoryStats,
                                  const ThreadTimesBuffer& threadTimes) {
    std::memset(report, 0, sizeof report);
    report[0] = kPerfStatsReportId;
    PutLittleEndian(report + 4, kGetPerformanceStatsCode, 4);
    PutLittleEndian(report + 12, reinterpret_cast<uintptr_t>(&memoryStats), 8);
    PutLittleEndian(report + 20, reinterpret_cast<uintptr_t>(&threadTimes), 8);
}

bool GetPerformanceStats(HidHandle device, MemoryStatsBuffer& memoryStats,
                         ThreadTimesBuffer& threadTimes) {
    // Any other device on the collection takes the request and fills nothing:
    // an untouched time base is no answer, never statistics of zero.
    memoryStats = {};
    threadTimes = {};
    uint8_t request[platform::hid::kReportSize];
    BuildPerformanceStatsRequest(request, memoryStats, threadTimes);
    return HidSetOutputReport(device, request, sizeof request) && threadTimes.TimeBase() != 0;
}

std::string FormatMemoryStats(const MemoryStatsBuffer& memoryStats) {
    const int32_t* v = memoryStats.values;
    char text[512];
    std::snprintf(text, sizeof text,
                  "GetPerfStats Memory usage:\n  Total NP %d \n  Total Paged %d \n  T860 NP %d \n"
                  "  T860 Paged %d \n  XlateLib NP %d \n  XlateLib Paged %d\n",
                  v[0], v[1], v[2], v[3], v[7], v[8]);
    return text;
}

std::string FormatThreadShares(const ThreadTimesBuffer& baseline, const ThreadTimesBuffer& now) {
    static constexpr const char* kThreadNames[kPerfStatsThreadCount] = {
        "DeviceAccess", "ConsumerWorker", "ReaderWorker", "HWWriter", "HWReader", "TimerWorker"};
    float elapsed = static_cast<float>(now.TimeBase() - baseline.TimeBase());
    if (elapsed == 0) {
        elapsed = 1;
    }
    char text[512];
    TextBuilder builder(text, sizeof text);
    builder.Text("GetPerfStats Thread cpu usage:\n");
    for (int thread = 0; thread < kPerfStatsThreadCount; ++thread) {
        // Unsigned difference: a counter that wrapped still gives its small step.
        const uint32_t spent = now.ThreadTime(thread) - baseline.ThreadTime(thread);
        const double share = static_cast<float>(spent) / elapsed * 100;
        builder.Text("  ");
        builder.Text(kThreadNames[thread]);
        builder.Text(" ");
        // Six decimals as printf's %f, with a decimal point under any locale.
        builder.Fixed(share, 6);
        builder.Text("%\n");
    }
    return std::string(text, static_cast<size_t>(builder.Finish()));
}
