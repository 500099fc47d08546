// Restarts of the engine, on shortened waits.

#include <chrono>
#include <string>

#include "tests/DriverInterface/EngineFixture.h"
#include "tests/support/EngineWaits.h"

using namespace std::chrono_literals;
using t860test::QueuedReportsSent;
using t860test::ShortDriverIOWaits;
using t860test::WaitUntil;

namespace {

constexpr char kReadError[] = "!WARNING! - DriverIO:HidReadThreadFunc ReadFile error";
constexpr char kRestarting[] = "!INFO! - Restarting DriverIO threads";

// The read errors and restarts in the order they were traced.
std::vector<std::string> ReadErrorsAndRestarts(const TraceCapture& trace) {
    std::vector<std::string> events;
    for (const std::string& line : trace.Lines()) {
        if (line.find(kReadError) != std::string::npos) {
            events.push_back("read error");
        } else if (line.find(kRestarting) != std::string::npos) {
            events.push_back("restart");
        }
    }
    return events;
}

TEST_F(EngineTest, WithoutDeviceBothChannelsFailAndTheirPausesEndInOneRestart) {
    DriverIOWaits waits;
    waits.readErrorPauseMs = 300;
    const ShortDriverIOWaits shortWaits(waits);
    const auto started = std::chrono::steady_clock::now();
    StartDriverIO();
    ASSERT_TRUE(WaitUntil([&] { return trace.Count(kReadError) >= 4; }));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms) << "the pause came first";
    // Both read threads asked for a restart at the end of their pause; the
    // second request found the first in progress, so the new read threads
    // failed before any other restart. Later rounds repeat this.
    const auto events = ReadErrorsAndRestarts(trace);
    ASSERT_GE(events.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 5),
              (std::vector<std::string>{"read error", "read error", "restart", "read error",
                                        "read error"}));
    EXPECT_TRUE(ConnectionNotices().empty()) << "no device, nothing announced";
}

TEST_F(EngineTest, WithoutDeviceWritesFailAndAStopEndsTheReadThreadsPause) {
    // A pause far longer than the stop's own time-out: a stop that waited for
    // it would give up on the threads and trace that it timed out.
    DriverIOWaits waits;
    waits.readErrorPauseMs = 600'000;
    const ShortDriverIOWaits longPause(waits);
    StartDriverIO();
    const uint8_t report[] = {0x06, 0x43, 0x01, 0x36};
    QueueReport6(report, 4);
    QueueReport0(0, report, 4);
    ASSERT_TRUE(QueuedReportsSent(6));
    ASSERT_TRUE(QueuedReportsSent(0));
    EXPECT_EQ(trace.Count("!ERROR! - DriverIO:HidWrite Failed to write report"), 2);

    ASSERT_TRUE(WaitUntil([&] { return trace.Count(kReadError) == 2; }));
    StopDriverIO();
    EXPECT_FALSE(trace.Contains("timed out"));
    EXPECT_EQ(trace.Count("Restarting DriverIO threads"), 0);
    EXPECT_EQ(trace.Count("DriverIO:RestartThreadFunc tc->hKillThread signaled"), 1);
}

TEST_F(EngineTest, UnpluggedControllerIsFoundAgainByARestart) {
    DriverIOWaits waits;
    waits.readErrorPauseMs = 200;
    const ShortDriverIOWaits shortWaits(waits);
    answerConnected = true;
    PlugController(device);
    StartDriverIO();
    ASSERT_TRUE(deliveries.WaitFor(1));
    bus.Unplug(controller);
    ASSERT_TRUE(WaitUntil([&] { return trace.Count(kReadError) >= 2; }));
    bus.Plug(controller);
    // The disconnected notice comes when the read thread ends after its pause;
    // a restart then finds the controller again (searches that come before
    // the plug find nothing and announce nothing).
    ASSERT_TRUE(deliveries.WaitFor(3));
    EXPECT_EQ(ConnectionNotices(), (std::vector<int32_t>{1, 0, 1}));
    EXPECT_GE(trace.Count("Restarting DriverIO threads"), 1);

    Inject(kChannel6Collection, {0x06, 'X'});
    Inject(kChannel0Collection, {0x00, 'F'});
    ASSERT_TRUE(deliveries.WaitFor(5));
    const uint8_t report[] = {0x06, 0x43, 0x01, 0x83};
    QueueReport6(report, 4);
    ASSERT_TRUE(QueuedReportsSent(6));
    // The answer to the first connected notice went to the controller before
    // it was unplugged, or was lost with it; the answer to the second one
    // found the restarted write thread's queue.
    Bytes answer(std::begin(kConnectedAnswer), std::end(kConnectedAnswer));
    answer.resize(65, 0);
    std::vector<Bytes> sent = device.SentTo(kChannel6Collection);
    ASSERT_FALSE(sent.empty());
    if (sent.size() == 3) {
        EXPECT_EQ(sent.front(), answer);
        sent.erase(sent.begin());
    }
    EXPECT_EQ(sent, (std::vector<Bytes>{answer, Report65({0x06, 0x43, 0x01, 0x83})}));
}

}  // namespace
