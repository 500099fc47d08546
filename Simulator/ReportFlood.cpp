#include "Simulator/ReportFlood.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <initializer_list>

#include "Simulator/ReportBytes.h"
#include "Simulator/VirtualController.h"

namespace {

using Report = ReportFlood::Report;

Report Make(std::initializer_list<uint8_t> bytes) {
    Report report{};
    std::copy(bytes.begin(), bytes.end(), report.begin());
    return report;
}

Report XTouch(uint8_t state, float x, float y) {
    Report report = Make({'X', 13, state});
    PutBigEndianFloat(&report[3], x);
    PutBigEndianFloat(&report[7], y);
    return report;
}

Report CameraData(uint16_t firstPixel, uint8_t code) {
    Report report = Make({'G', 5 + 2 * 28, static_cast<uint8_t>(firstPixel >> 8),
                          static_cast<uint8_t>(firstPixel), code});
    for (int i = 0; i < 28; ++i) {
        report[static_cast<size_t>(7 + 2 * i)] = static_cast<uint8_t>((firstPixel + i) >> 2);
        report[static_cast<size_t>(8 + 2 * i)] = static_cast<uint8_t>(i * 9);
    }
    return report;
}

Report FirstSettingEcho(const VirtualController& controller, int channel) {
    const std::vector<uint8_t> block = controller.SettingsBlockBytes(channel);
    const size_t values = 6 + static_cast<size_t>(block[0] << 8 | block[1]);
    Report report = Make({'S', 0, 's', 0, 0, 0});
    std::copy_n(block.begin() + static_cast<long>(values), 4, report.begin() + 10);
    return report;
}

}  // namespace

ReportFlood::ReportFlood(VirtualController& controller, int channel, std::vector<Report> reports,
                         int reportsPerSecond)
    : reports_(std::move(reports)) {
    if (!reports_.empty() && reportsPerSecond >= 1000) {
        thread_ = std::thread([this, &controller, channel, reportsPerSecond] {
            Run(controller, channel, reportsPerSecond / 1000);
        });
    }
}

ReportFlood::~ReportFlood() {
    Stop();
}

void ReportFlood::Stop() {
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ReportFlood::Run(VirtualController& controller, int channel, int reportsPerMs) {
    auto tick = std::chrono::steady_clock::now();
    size_t next = 0;
    while (!stop_) {
        for (int i = 0; i < reportsPerMs; ++i, next = (next + 1) % reports_.size()) {
            controller.InjectReport(channel, reports_[next].data(), reports_[next].size());
            ++sent_;
        }
        tick += std::chrono::milliseconds(1);
        std::this_thread::sleep_until(tick);
    }
}

std::vector<Report> BusyBenchReports(const VirtualController& controller, int channel) {
    if (channel == 6) {
        return {
            XTouch(1, 8000, 8000),           XTouch(2, 16000, 12000), CameraData(0, 70),
            XTouch(2, 24000, 16000),         XTouch(3, 24000, 16000), CameraData(28, 70),
            Make({'Y', 0, 1, 0, 10}),        CameraData(500, 80),     XTouch(1, 30000, 30000),
            XTouch(3, 30000, 30000),         CameraData(56, 60),      Make({'O', 0}),
            XTouch(1, 100, 32000),           XTouch(3, 100, 32000),   CameraData(84, 70),
            FirstSettingEcho(controller, 6),
        };
    }
    Report floop = Make({'T', 6});
    std::memcpy(floop.data() + 2, "F loop", 6);
    return {floop, FirstSettingEcho(controller, 0), Make({'Z', 1, 2, 3}), Make({'C', 0x40, 0x80})};
}
