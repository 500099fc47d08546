// The accuracy test window's share of each X packet: the packet decoded,
// mapped to the window and added to the held touch under the session's lock.
// It must allocate nothing per packet.

#include <benchmark/benchmark.h>

#include <array>

#include "Simulator/ReportBytes.h"
#include "T860Util/Accuracy.h"
#include "T860Util/Dispatch.h"
#include "bench/AllocationCounter.h"
#include "fuzz/EveryWindow.h"

namespace {

using Report = std::array<uint8_t, 64>;

// A finger held on the first target with a little jitter: down, moves, up.
Report HeldPacket(int step) {
    constexpr int kTouchPackets = 100;
    const int inTouch = step % kTouchPackets;
    Report report{'X', 13,
                  static_cast<uint8_t>(inTouch == 0                   ? 1
                                       : inTouch == kTouchPackets - 1 ? 3
                                                                      : 2)};
    PutBigEndianFloat(&report[3], 3277.0f + static_cast<float>(step % 5));
    PutBigEndianFloat(&report[7], 3277.0f + static_cast<float>(step % 3));
    return report;
}

// Argument: the hold time. A hold longer than the run keeps every packet on
// the held-touch path; a short one takes targets as it goes.
void AccuracyPacket(benchmark::State& state) {
    ProgramWindows& windows = OpenEveryWindow();
    windows.accuracy->HoldMs = static_cast<uint32_t>(state.range(0));
    windows.accuracy->StartAgain();
    LetWindowsPaint();
    std::array<Report, 200> reports;
    for (int i = 0; i < static_cast<int>(reports.size()); ++i) {
        reports[static_cast<size_t>(i)] = HeldPacket(i);
    }
    for (const Report& report : reports) {  // warm-up
        OnChannel6Report(0, report.data(), 64);
    }
    const uint64_t before = processAllocations.load();
    int64_t handled = 0;
    for (auto _ : state) {
        OnChannel6Report(0, reports[static_cast<size_t>(handled % 200)].data(), 64);
        ++handled;
    }
    const uint64_t allocated = processAllocations.load() - before;
    state.counters["allocs_per_packet"] =
        static_cast<double>(allocated) / static_cast<double>(handled);
    state.SetItemsProcessed(handled);
    state.SetLabel(allocated == 0 ? "allocates nothing" : "ALLOCATES PER PACKET");
    LetWindowsPaint();
}
BENCHMARK(AccuracyPacket)->Arg(1000000)->Arg(2)->Iterations(200000);

}  // namespace

BENCHMARK_MAIN();
