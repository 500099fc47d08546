// The incoming report dispatch with every window shown: reports per second
// for each packet kind, the touch packets drawn into the touch test window's
// image, camera data written into the scope's curves. And the whole report
// path, from the device through the engine's read thread, the dispatch and
// the drawing, which must allocate nothing per report.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <array>
#include <cstring>
#include <memory>

#include "DriverInterface/DriverIO.h"
#include "T860Util/Dispatch.h"
#include "bench/AllocationCounter.h"
#include "fuzz/EveryWindow.h"
#include "platform/Sync.h"
#include "platform/hid/VirtualBus.h"

namespace {

using Report = std::array<uint8_t, 64>;

Report Make(std::initializer_list<uint8_t> bytes) {
    Report report{};
    std::copy(bytes.begin(), bytes.end(), report.begin());
    return report;
}

void PutBigEndianFloat(uint8_t* at, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(bits >> (24 - 8 * i));
    }
}

// Touches that move about the window: down, moves, up.
Report XPacket(int step) {
    Report report = Make({'X', 26,
                          static_cast<uint8_t>(step % 8 == 0   ? 1
                                               : step % 8 == 7 ? 3
                                                               : 2)});
    PutBigEndianFloat(&report[3], static_cast<float>(1000 + step % 8 * 3000));
    PutBigEndianFloat(&report[7], static_cast<float>(2000 + step % 8 * 2500));
    report[15] = report[2];
    PutBigEndianFloat(&report[16], static_cast<float>(30000 - step % 8 * 3000));
    PutBigEndianFloat(&report[20], 16000.0f);
    return report;
}

Report YPacket(int step) {
    const auto x = static_cast<uint16_t>(100 + step % 8 * 90);
    return Make({'Y', 22,
                 static_cast<uint8_t>(step % 8 == 0   ? 1
                                      : step % 8 == 7 ? 3
                                                      : 2),
                 0, static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8), 200, 0, 20, 0, 20, 0});
}

Report CameraData(int step) {
    const auto first = static_cast<uint16_t>(step % 18 * 28);
    Report report =
        Make({'G', 61, static_cast<uint8_t>(first >> 8), static_cast<uint8_t>(first), 70});
    for (int i = 0; i < 28; ++i) {
        report[7 + 2 * i] = static_cast<uint8_t>(i);
        report[8 + 2 * i] = static_cast<uint8_t>(step + i);
    }
    return report;
}

Report ModeReply(int) {
    return Make({'C', 4, 0x21, 0x00, 0x02});  // report mode reply
}

using ReportMaker = Report (*)(int);

// Reports per second through OnChannel6Report on the window thread, the
// window repainting between batches as it would at its own pace.
void Dispatch(benchmark::State& state, uint8_t touchTest, ReportMaker make) {
    OpenEveryWindow();
    SelectTouchTest(touchTest);
    std::array<Report, 64> reports;
    for (int i = 0; i < static_cast<int>(reports.size()); ++i) {
        reports[static_cast<size_t>(i)] = make(i);
    }
    size_t next = 0;
    int64_t handled = 0;
    for (auto _ : state) {
        OnChannel6Report(0, reports[next].data(), 64);
        next = (next + 1) % reports.size();
        if (++handled % 1024 == 0) {
            state.PauseTiming();
            LetWindowsPaint();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(handled);
}

BENCHMARK_CAPTURE(Dispatch, XPacketDrawn, 0, XPacket);
BENCHMARK_CAPTURE(Dispatch, YPacketDrawn, 1, YPacket);
BENCHMARK_CAPTURE(Dispatch, CameraData, 0, CameraData);
BENCHMARK_CAPTURE(Dispatch, CommandReply, 0, ModeReply);

// The whole way of a report: injected on the device side of the bus, read by
// the engine's channel 6 read thread, dispatched and drawn, with the window
// thread idle. Counts every allocation of the process meanwhile. Argument:
// 0 X packets drawn on the touch test, 1 camera data into the scope.
void WholeReportPath(benchmark::State& state) {
    OpenEveryWindow();
    SelectTouchTest(0);
    platform::hid::VirtualBus bus;
    auto device = std::make_shared<platform::hid::VirtualDevice>(
        "controller", kDefaultVendorID, kDefaultProductID, platform::hid::ControllerCollections());
    platform::hid::SelectBackend(&bus);
    bus.Plug(device);
    SetConnectCallback6(nullptr);  // no hand-over to a window thread that is not pumping
    StartDriverIO();
    const size_t channel6 = 3;
    while (bus.OpenHandleCount(*device, channel6) == 0) {
        platform::Sleep(1);
    }
    std::array<std::array<uint8_t, 65>, 64> reports;
    for (int i = 0; i < 64; ++i) {
        const Report data = state.range(0) == 0 ? XPacket(i) : CameraData(i);
        reports[static_cast<size_t>(i)][0] = 6;
        std::copy(data.begin(), data.end(), reports[static_cast<size_t>(i)].begin() + 1);
    }
    // Warm-up: the first report of each kind sets up what stays.
    for (const auto& report : reports) {
        bus.InjectInput(*device, channel6, report.data(), report.size());
    }
    platform::Sleep(200);
    const uint64_t before = processAllocations.load();
    int64_t injected = 0;
    for (auto _ : state) {
        const auto& report = reports[static_cast<size_t>(injected % 64)];
        bus.InjectInput(*device, channel6, report.data(), report.size());
        ++injected;
        if (injected % 32 == 0) {
            platform::Sleep(1);  // within the bus's 64 buffered reports
        }
    }
    platform::Sleep(100);
    const uint64_t allocated = processAllocations.load() - before;
    StopDriverIO();
    JoinDriverIOThreads();
    bus.Unplug(device);
    platform::hid::SelectBackend(nullptr);
    state.counters["allocs_per_report"] =
        static_cast<double>(allocated) / static_cast<double>(injected);
    state.SetItemsProcessed(injected);
    state.SetLabel(allocated == 0 ? "allocates nothing" : "ALLOCATES PER REPORT");
    LetWindowsPaint();
}
BENCHMARK(WholeReportPath)->Arg(0)->Arg(1)->UseRealTime()->Iterations(20000);

}  // namespace

BENCHMARK_MAIN();
