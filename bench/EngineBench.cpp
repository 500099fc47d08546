// Round trips through the report I/O engine with a virtual controller that
// echoes every channel 6 report: queue, write thread, device, read thread,
// report callback. Also counts the allocations made per report anywhere in the
// process, which must be none.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

#include "DriverInterface/DriverIO.h"
#include "bench/AllocationCounter.h"
#include "platform/hid/VirtualBus.h"

namespace {

using platform::hid::VirtualBus;
using platform::hid::VirtualDevice;

constexpr size_t kChannel6Collection = 3;

class EchoDevice : public platform::hid::VirtualDeviceHandler {
public:
    EchoDevice(VirtualBus& bus, const VirtualDevice& device) : bus_(bus), device_(device) {}
    void OnOutputReport(size_t collection, const uint8_t* report, size_t length) override {
        bus_.InjectInput(device_, collection, report, length);
    }
    bool OnGetFeature(size_t, uint8_t*, size_t) override { return false; }
    bool OnSetFeature(size_t, const uint8_t*, size_t) override { return false; }

private:
    VirtualBus& bus_;
    const VirtualDevice& device_;
};

std::atomic<uint64_t> received{0};
const uint8_t kWarmUpReport[65] = {0x06};

void OnReport6(int32_t, const uint8_t*, int32_t) {
    received.fetch_add(1, std::memory_order_release);
    received.notify_one();
}

void WaitForReceived(uint64_t count) {
    for (uint64_t now = received.load(std::memory_order_acquire); now < count;
         now = received.load(std::memory_order_acquire)) {
        received.wait(now, std::memory_order_acquire);
    }
}

// The engine running against an echoing controller for one benchmark.
class EchoingEngine {
public:
    EchoingEngine()
        : device_(std::make_shared<VirtualDevice>("controller", kDefaultVendorID, kDefaultProductID,
                                                  platform::hid::ControllerCollections())),
          echo_(bus_, *device_) {
        platform::hid::SelectBackend(&bus_);
        SetDeviceIdentity(kDefaultVendorID, kDefaultProductID);
        device_->SetHandler(&echo_);
        bus_.Plug(device_);
        received = 0;
        SetReportCallback6(OnReport6);
        StartDriverIO();
        // One round trip first, and time for every thread to reach its wait:
        // the threads' start-up is not part of the report path, whose
        // allocations are counted.
        QueueReport6(kWarmUpReport, sizeof kWarmUpReport);
        WaitForReceived(1);
        platform::Sleep(50);
        received = 0;
    }
    ~EchoingEngine() {
        StopDriverIO();
        JoinDriverIOThreads();
        SetReportCallback6(nullptr);
        device_->SetHandler(nullptr);
        platform::hid::SelectBackend(nullptr);
    }

private:
    VirtualBus bus_;
    std::shared_ptr<VirtualDevice> device_;
    EchoDevice echo_;
};

void ReportAllocations(benchmark::State& state, uint64_t before, uint64_t reports) {
    const double perReport =
        static_cast<double>(processAllocations.load() - before) / static_cast<double>(reports);
    state.counters["allocs_per_report"] = perReport;
    if (perReport != 0.0) {
        state.SkipWithError("the report path allocated");
    }
}

const uint8_t kReport[65] = {0x06, 0x43, 0x01, 0x80};

void BM_RoundTripChannel6(benchmark::State& state) {
    EchoingEngine engine;
    std::vector<double> latenciesUs;
    latenciesUs.reserve(1 << 22);
    uint64_t sent = 0;
    const uint64_t allocationsBefore = processAllocations.load();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QueueReport6(kReport, sizeof kReport);
        WaitForReceived(++sent);
        const std::chrono::duration<double, std::micro> took =
            std::chrono::steady_clock::now() - start;
        if (latenciesUs.size() < latenciesUs.capacity()) {
            latenciesUs.push_back(took.count());
        }
    }
    ReportAllocations(state, allocationsBefore, sent);
    std::nth_element(latenciesUs.begin(), latenciesUs.begin() + latenciesUs.size() / 2,
                     latenciesUs.end());
    state.counters["median_us"] = latenciesUs[latenciesUs.size() / 2];
    state.SetItemsProcessed(static_cast<int64_t>(sent));
}
BENCHMARK(BM_RoundTripChannel6)->UseRealTime()->MinTime(2.0);

// Keeps a window of reports on their way, as a stream of commands would.
void BM_SustainedRateChannel6(benchmark::State& state) {
    EchoingEngine engine;
    // Below the device's input buffer, so that no echo is dropped.
    const uint64_t window = static_cast<uint64_t>(state.range(0));
    uint64_t sent = 0;
    const uint64_t allocationsBefore = processAllocations.load();
    for (auto _ : state) {
        if (sent >= window) {
            WaitForReceived(sent - window + 1);
        }
        QueueReport6(kReport, sizeof kReport);
        ++sent;
    }
    WaitForReceived(sent);
    ReportAllocations(state, allocationsBefore, sent);
    state.SetItemsProcessed(static_cast<int64_t>(sent));
}
BENCHMARK(BM_SustainedRateChannel6)->Arg(32)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
