// Touch to screen: how long a touch packet takes from the moment channel 6's
// read thread hands it over to the dispatch until the paint that puts it on
// the touch test window has finished, median and 99th percentile. Once with
// the controller sending nothing but the touches, once under the soak's flood
// of 8,000 reports per second on each channel with the scope, the settings
// view and the floop counter open. The goal is one frame, 16.7 ms, at the 99th
// percentile under the flood.
//
// The program's own windows and device engine run on a virtual controller.
// One touch packet is sent every 10 ms (a touchscreen's report rate), each
// marked so that the read thread's side can tell it from the flood.
// Usage: touch_latency_bench [seconds per phase, default 10]

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "DriverInterface/DriverIO.h"
#include "Protocol/DeviceStatus.h"
#include "Simulator/ReportBytes.h"
#include "Simulator/ReportFlood.h"
#include "Simulator/VirtualController.h"
#include "T860Util/Dispatch.h"
#include "T860Util/Floopcount.h"
#include "T860Util/Main.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"
#include "T860Util/Sync.h"
#include "T860Util/Xtest.h"
#include "platform/hid/VirtualBus.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFloodReportsPerSecond = 8000;
constexpr auto kTouchInterval = std::chrono::milliseconds(10);
constexpr int kMaxProbes = 1 << 16;
// A probe is a one-touch X packet with this mark in bytes the packet leaves
// unused, followed by its number.
constexpr uint8_t kProbeMark = 0xA5;
constexpr size_t kMarkAt = 60;

std::array<Clock::time_point, kMaxProbes> arrivals;
std::atomic<int> lastProbeDrawn{-1};

bool IsProbe(const uint8_t* data, int32_t length) {
    return length == 64 && data[0] == 'X' && data[kMarkAt] == kProbeMark;
}

int ProbeNumber(const uint8_t* data) {
    return data[kMarkAt + 1] << 8 | data[kMarkAt + 2];
}

// Channel 6's report callback with the probes timed around the program's own.
void TimedChannel6Report(int32_t unit, const uint8_t* data, int32_t length) {
    const bool probe = IsProbe(data, length);
    if (probe) {
        arrivals[static_cast<size_t>(ProbeNumber(data))] = Clock::now();
    }
    OnChannel6Report(unit, data, length);
    if (probe) {
        lastProbeDrawn.store(ProbeNumber(data), std::memory_order_release);
    }
}

// The touch test window, noting when a paint that shows a probe has finished.
class TimedTouchTest : public TfrmXTest {
public:
    std::vector<double> latenciesMs;
    int lost = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        const int drawn = lastProbeDrawn.load(std::memory_order_acquire);
        TfrmXTest::paintEvent(event);
        const Clock::time_point painted = Clock::now();
        for (int probe = lastPainted_ + 1; probe <= drawn; ++probe) {
            const Clock::time_point arrived = arrivals[static_cast<size_t>(probe)];
            // A probe that never reached the read thread was lost on the way,
            // as reports are when a reader falls behind the device's buffer.
            if (arrived == Clock::time_point{}) {
                ++lost;
                continue;
            }
            latenciesMs.push_back(
                std::chrono::duration<double, std::milli>(painted - arrived).count());
        }
        lastPainted_ = std::max(lastPainted_, drawn);
    }

private:
    int lastPainted_ = -1;
};

ReportFlood::Report Probe(int number, float x, float y) {
    ReportFlood::Report report{'X', 13, 2};
    PutBigEndianFloat(&report[3], x);
    PutBigEndianFloat(&report[7], y);
    report[kMarkAt] = kProbeMark;
    report[kMarkAt + 1] = static_cast<uint8_t>(number >> 8);
    report[kMarkAt + 2] = static_cast<uint8_t>(number);
    return report;
}

// Sends probes from a thread of its own, as a finger moving about the screen.
class Finger {
public:
    explicit Finger(VirtualController& controller, int firstNumber)
        : thread_([this, &controller, firstNumber] {
              auto next = Clock::now();
              for (int number = firstNumber; !stop_ && number < kMaxProbes; ++number) {
                  const float x = static_cast<float>(number % 100) * 320.0f + 500.0f;
                  const ReportFlood::Report probe = Probe(number, x, 16000.0f);
                  controller.InjectReport(6, probe.data(), probe.size());
                  sent_ = number + 1;
                  next += kTouchInterval;
                  std::this_thread::sleep_until(next);
              }
          }) {}
    ~Finger() {
        stop_ = true;
        thread_.join();
    }
    int Sent() const { return sent_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> sent_{0};
    std::thread thread_;
};

void RunEvents(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the window thread for the phase while a finger touches; returns the
// number the next probe gets.
int TouchFor(VirtualController& controller, std::chrono::milliseconds time, int firstNumber) {
    int sent = 0;
    {
        const Finger finger(controller, firstNumber);
        RunEvents(time);
        sent = finger.Sent();
    }
    RunEvents(std::chrono::milliseconds(200));  // the last probes' paints
    return sent;
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

void Report(const char* phase, const std::vector<double>& latencies, int sent, int lost) {
    std::printf(
        "%-26s touches %5d painted %5zu lost %3d  median %6.2f ms  p99 %6.2f ms  max %6.2f ms\n",
        phase, sent, latencies.size(), lost, Percentile(latencies, 0.5),
        Percentile(latencies, 0.99), Percentile(latencies, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int seconds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 10;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    platform::hid::VirtualBus bus;
    platform::hid::SelectBackend(&bus);
    ControllerConfig config;
    config.touchReportsPerSecond = 0;  // the probes are the only touches of their own
    VirtualController controller(bus, config);
    controller.Plug();

    auto main = std::make_unique<TfrmMain>();
    auto touchTest = std::make_unique<TimedTouchTest>();
    frmXTest = touchTest.get();
    auto floop = std::make_unique<TfrmFloopCount>();
    frmFloopCount = floop.get();
    SetReportCallback6(TimedChannel6Report);
    RunEvents(std::chrono::milliseconds(1000));  // the connection handshake
    if (!DeviceStatus.Connected) {
        std::fprintf(stderr, "the virtual controller was not found\n");
        return 1;
    }
    touchTest->TestMode = 2;
    touchTest->ShowOverScreen();
    RunEvents(std::chrono::milliseconds(300));
    const QSize size = touchTest->size();
    std::printf("touch test window %dx%d on the %s platform, %d s per phase\n", size.width(),
                size.height(), qPrintable(QGuiApplication::platformName()), seconds);

    const std::chrono::milliseconds phase(seconds * 1000);
    int next = TouchFor(controller, phase, 0);
    Report("idle", touchTest->latenciesMs, next, touchTest->lost);

    // As in the soak: the scope and the settings view open, both channels flooded.
    auto scope = std::make_unique<TfrmScope>(main.get());
    frmScope = scope.get();
    auto view = std::make_unique<TfrmSettingsView>();
    scope->show();
    view->show();
    RunEvents(std::chrono::milliseconds(1500));  // both settings blocks
    touchTest->raise();
    touchTest->latenciesMs.clear();
    touchTest->lost = 0;
    std::vector<std::unique_ptr<ReportFlood>> floods;
    const Clock::time_point floodStart = Clock::now();
    for (int channel : {6, 0}) {
        floods.push_back(std::make_unique<ReportFlood>(
            controller, channel, BusyBenchReports(controller, channel), kFloodReportsPerSecond));
    }
    const int before = next;
    next = TouchFor(controller, phase, next);
    const std::vector<double> flooded = touchTest->latenciesMs;
    for (const auto& flood : floods) {
        flood->Stop();
    }
    const double floodSeconds = std::chrono::duration<double>(Clock::now() - floodStart).count();
    for (const auto& flood : floods) {
        std::printf("flood: %.0f reports/s\n", static_cast<double>(flood->Sent()) / floodSeconds);
    }
    floods.clear();
    Report("flood 8,000/s per channel", flooded, next - before, touchTest->lost);

    // Stops as the soak does: hand-overs still waiting are let go before the
    // threads are joined.
    SetConnectCallback6(nullptr);
    main->FormClose();
    CloseSyncCalls(view.get());
    CloseSyncCalls(main.get());
    JoinDriverIOThreads();
    frmScope = nullptr;
    frmXTest = nullptr;
    frmFloopCount = nullptr;
    const bool met = Percentile(flooded, 0.99) < 1000.0 / 60;
    std::printf("99th percentile under the flood %s one frame (16.7 ms)\n",
                met ? "within" : "OVER");
    return 0;
}
