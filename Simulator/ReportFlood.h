#pragma once
// A virtual controller at full tilt: sends input reports on one channel at a
// fixed rate from a thread of its own, cycling through the given reports, in
// bursts of one millisecond as a high-speed endpoint delivers them. For soak
// runs and benchmarks; reports sent while the controller is unplugged are lost,
// as on the wire.

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

class VirtualController;

class ReportFlood {
public:
    using Report = std::array<uint8_t, 64>;  // what follows the report id

    ReportFlood(VirtualController& controller, int channel, std::vector<Report> reports,
                int reportsPerSecond);
    ~ReportFlood();
    ReportFlood(const ReportFlood&) = delete;
    ReportFlood& operator=(const ReportFlood&) = delete;

    void Stop();
    uint64_t Sent() const { return sent_; }

private:
    void Run(VirtualController& controller, int channel, int reportsPerMs);

    const std::vector<Report> reports_;
    std::atomic<bool> stop_{false};
    std::atomic<uint64_t> sent_{0};
    std::thread thread_;
};

// The reports of a busy service bench, for a flood on channel 0 or 6: on
// channel 6 touch packets of each kind, camera data and a settings echo; on
// channel 0 "F loop" notices, a settings echo and reports the program ignores.
// The echoes carry the first setting's value as the controller holds it, so
// that a flood never changes what an edit is checked against.
std::vector<ReportFlood::Report> BusyBenchReports(const VirtualController& controller, int channel);
