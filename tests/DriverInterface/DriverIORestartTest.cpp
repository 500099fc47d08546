// Restarts of the engine: each takes seconds, so the checks are grouped.

#include <chrono>
#include <thread>

#include "tests/DriverInterface/EngineFixture.h"

using namespace std::chrono_literals;

namespace {

TEST_F(EngineTest, WithoutDeviceEachChannelRetriesEveryFiveSecondsWithOneRestart) {
    StartDriverIO();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(trace.Count("!WARNING! - DriverIO:HidReadThreadFunc ReadFile error"), 2);
    const uint8_t report[] = {0x06, 0x43, 0x01, 0x36};
    QueueReport6(report, 4);
    QueueReport0(0, report, 4);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(trace.Count("!ERROR! - DriverIO:HidWrite Failed to write report"), 2);

    // Both read threads ask for a restart 5 s after their failure; one gets through.
    std::this_thread::sleep_for(5800ms);
    EXPECT_EQ(trace.Count("!INFO! - Restarting DriverIO threads"), 1);
    EXPECT_EQ(trace.Count("DriverIO:RestartThreadFunc hRestartEvent signaled"), 1);
    EXPECT_EQ(trace.Count("ReadFile error"), 4) << "the new read threads failed again";
    EXPECT_TRUE(ConnectionNotices().empty()) << "no device, nothing announced";

    // The read threads are in their pause, which the stop ends.
    const auto stopStart = std::chrono::steady_clock::now();
    StopDriverIO();
    EXPECT_LT(std::chrono::steady_clock::now() - stopStart, 1000ms);
    EXPECT_FALSE(trace.Contains("timed out"));
    EXPECT_EQ(trace.Count("DriverIO:RestartThreadFunc tc->hKillThread signaled"), 1);
}

TEST_F(EngineTest, UnpluggedControllerIsFoundAgainByTheNextRestart) {
    PlugController(device);
    StartDriverIO();
    ASSERT_TRUE(deliveries.WaitFor(1));
    bus.Unplug(controller);
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(trace.Count("ReadFile error"), 2);
    bus.Plug(controller);
    // The disconnected notice comes when the read thread ends after its pause;
    // the restart then finds the controller again.
    ASSERT_TRUE(deliveries.WaitFor(3, 8s));
    EXPECT_EQ(ConnectionNotices(), (std::vector<int32_t>{1, 0, 1}));
    EXPECT_EQ(trace.Count("Restarting DriverIO threads"), 1);

    Inject(kChannel6Collection, {0x06, 'X'});
    Inject(kChannel0Collection, {0x00, 'F'});
    ASSERT_TRUE(deliveries.WaitFor(5));
    const uint8_t report[] = {0x06, 0x43, 0x01, 0x83};
    QueueReport6(report, 4);
    ASSERT_TRUE(device.outputs.WaitFor(1));
    EXPECT_EQ(device.SentTo(kChannel6Collection),
              std::vector<Bytes>{Report65({0x06, 0x43, 0x01, 0x83})});
}

}  // namespace
