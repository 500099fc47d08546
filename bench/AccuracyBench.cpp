// The accuracy test window's share of each X packet: the packet decoded,
// mapped to the window and added to the held touch under the session's lock,
// or on the coverage page to the cells, dropouts, jumps and report rates of
// the strokes. It must allocate nothing per packet.

#include <benchmark/benchmark.h>

#include <array>

#include "Simulator/ReportBytes.h"
#include "T860Util/Accuracy.h"
#include "T860Util/CoveragePage.h"
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

// Two fingers stroking across the screen, back and forth, with a lift now
// and then: down, moves, up.
Report StrokePacket(int step) {
    constexpr int kStrokePackets = 400;
    const int inStroke = step % kStrokePackets;
    const uint8_t state = inStroke == 0 ? 1 : inStroke == kStrokePackets - 1 ? 3 : 2;
    Report report{'X', 26, state};
    const float x = 80.0f * static_cast<float>(inStroke);
    PutBigEndianFloat(&report[3], x);
    PutBigEndianFloat(&report[7], 8000.0f + static_cast<float>(step % 7));
    report[15] = state;
    PutBigEndianFloat(&report[16], 32000.0f - x);
    PutBigEndianFloat(&report[20], 24000.0f);
    return report;
}

// Hands the reports to the dispatch over and over, counting what is allocated.
template <size_t Count>
void HandPackets(benchmark::State& state, const std::array<Report, Count>& reports) {
    for (const Report& report : reports) {  // warm-up
        OnChannel6Report(0, report.data(), 64);
    }
    const uint64_t before = processAllocations.load();
    int64_t handled = 0;
    for (auto _ : state) {
        OnChannel6Report(0, reports[static_cast<size_t>(handled % Count)].data(), 64);
        ++handled;
    }
    const uint64_t allocated = processAllocations.load() - before;
    state.counters["allocs_per_packet"] =
        static_cast<double>(allocated) / static_cast<double>(handled);
    state.SetItemsProcessed(handled);
    state.SetLabel(allocated == 0 ? "allocates nothing" : "ALLOCATES PER PACKET");
    LetWindowsPaint();
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
    HandPackets(state, reports);
}
BENCHMARK(AccuracyPacket)->Arg(1000000)->Arg(2)->Iterations(200000);

void CoveragePacket(benchmark::State& state) {
    ProgramWindows& windows = OpenEveryWindow();
    windows.accuracy->ShowCoverage();
    LetWindowsPaint();
    std::array<Report, 800> reports;
    for (int i = 0; i < static_cast<int>(reports.size()); ++i) {
        reports[static_cast<size_t>(i)] = StrokePacket(i);
    }
    HandPackets(state, reports);
    if (!windows.accuracy->Coverage->TakingTouches() ||
        windows.accuracy->Coverage->CellsReached() == 0) {
        state.SkipWithError("the coverage page took no strokes");
    }
}
BENCHMARK(CoveragePacket)->Iterations(200000);

}  // namespace

BENCHMARK_MAIN();
