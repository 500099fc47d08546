// The report I/O engine on the virtual bus with its real threads.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "DriverInterface/DriverIOInternal.h"
#include "tests/DriverInterface/EngineFixture.h"
#include "tests/support/EngineWaits.h"
#include "tests/support/WaitUntil.h"

using namespace std::chrono_literals;
using t860test::QueuedReportsSent;
using t860test::WaitUntil;

namespace {

// Channel 6's queue lock. Held by a test, it keeps the write thread from
// sending; the lock is recursive, so the test's own adds still get it.
std::shared_ptr<platform::Mutex> QueueLock6() {
    std::lock_guard<std::mutex> guard(WriteContext6.rq.published);
    return WriteContext6.rq.hLock;
}

Bytes Filled(size_t length, uint8_t first) {
    Bytes bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<uint8_t>(first + i);
    }
    return bytes;
}

TEST_F(EngineTest, InputReportsReachTheirCallbackWithoutTheReportId) {
    PlugController(device);
    StartDriverIO();
    const Bytes full = Filled(65, 0x06);
    Inject(kChannel6Collection, full);
    Inject(kChannel6Collection, {});            // completes with 0 bytes: nothing delivered
    Inject(kChannel6Collection, Bytes(70, 1));  // longer than a report: not delivered
    Inject(kChannel6Collection, {0x06, 'E', 1});
    Inject(kChannel0Collection, {0x00, 'F'});
    // Each channel's reports arrive in order: once the last of each is
    // there, the ones before it were delivered or dropped.
    ASSERT_TRUE(WaitUntil([&] {
        const auto channel6 = DeliveriesOf(Delivery::Channel6Report);
        return !channel6.empty() && channel6.back().bytes == Bytes{'E', 1} &&
               !DeliveriesOf(Delivery::Channel0Report).empty();
    }));

    const auto channel6 = DeliveriesOf(Delivery::Channel6Report);
    ASSERT_EQ(channel6.size(), 2u);
    EXPECT_EQ(channel6[0].bytes, Bytes(full.begin() + 1, full.end()));
    EXPECT_EQ(channel6[1].bytes, (Bytes{'E', 1}));
    const auto channel0 = DeliveriesOf(Delivery::Channel0Report);
    ASSERT_EQ(channel0.size(), 1u);
    EXPECT_EQ(channel0[0].bytes, Bytes{'F'});
    EXPECT_EQ(trace.Count("!ASSERT!"), 1);
}

TEST_F(EngineTest, QueuedReportsGoOutAsWholeSixtyFiveByteReportsOnTheirChannel) {
    PlugController(device);
    StartDriverIO();
    const Bytes longReport = Filled(80, 0x06);
    QueueReport6(longReport.data(), static_cast<int32_t>(longReport.size()));
    const Bytes shortReport = {0x06, 0x43, 0x01, 0x80};
    QueueReport6(shortReport.data(), static_cast<int32_t>(shortReport.size()));
    const Bytes channel0Report = {0x00, 0x53, 0x72, 0x41};
    QueueReport0(7, channel0Report.data(), static_cast<int32_t>(channel0Report.size()));
    ASSERT_TRUE(QueuedReportsSent(6));
    ASSERT_TRUE(QueuedReportsSent(0));

    const auto sent6 = device.SentTo(kChannel6Collection);
    ASSERT_EQ(sent6.size(), 2u);
    EXPECT_EQ(sent6[0], Bytes(longReport.begin(), longReport.begin() + 65));
    // The short report reuses no bytes of the long one queued before it.
    EXPECT_EQ(sent6[1], Report65({0x06, 0x43, 0x01, 0x80}));
    EXPECT_EQ(device.SentTo(kChannel0Collection),
              std::vector<Bytes>{Report65({0x00, 0x53, 0x72, 0x41})});
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(EngineTest, ConnectedNoticeIsHandedOverBeforeTheFirstReportOfChannel6) {
    connectDelayMs = 150;
    PlugController(device);
    StartDriverIO();
    Inject(kChannel6Collection, {0x06, 'N', 1});
    ASSERT_TRUE(deliveries.WaitFor(2));
    const auto seen = deliveries.Items();
    EXPECT_EQ(seen[0].kind, Delivery::Connection);
    EXPECT_EQ(seen[0].connected, 1);
    EXPECT_EQ(seen[1].kind, Delivery::Channel6Report);

    StopDriverIO();
    // (No count of the read threads' kill traces: a thread that has just
    // delivered a report may see the stop before it reads again.)
    EXPECT_EQ(ConnectionNotices(), (std::vector<int32_t>{1, 0}));
}

TEST_F(EngineTest, FullQueueReadsAsEmptyAfterTheReportThatCatchesUp) {
    PlugController(device);
    StartDriverIO();
    const std::shared_ptr<platform::Mutex> lock = QueueLock6();
    ASSERT_TRUE(lock) << "the queue takes reports as soon as the engine started";
    ASSERT_TRUE(lock->Acquire(1000));
    for (uint8_t i = 0; i < 99; ++i) {
        const Bytes report = {0x06, i};
        QueueReport6(report.data(), 2);
    }
    EXPECT_EQ(trace.Count("caught up"), 0);
    const Bytes hundredth = {0x06, 99};
    QueueReport6(hundredth.data(), 2);
    EXPECT_EQ(trace.Count("!ERROR! - DriverIO:HidWrite rq->WriteIdx has caught up to rq->ReadIdx"),
              1);
    lock->Release();

    ASSERT_TRUE(QueuedReportsSent(6));
    EXPECT_EQ(device.outputs.Size(), 0u);
    const Bytes next = {0x06, 0xAA};
    QueueReport6(next.data(), 2);
    ASSERT_TRUE(QueuedReportsSent(6));
    EXPECT_EQ(device.SentTo(kChannel6Collection), std::vector<Bytes>{Report65({0x06, 0xAA})});
}

TEST_F(EngineTest, TheWriteBarrierWaitsForTheWriteThreadAndNeedsNoneWhenStopped) {
    PlugController(device);
    StartDriverIO();
    const std::shared_ptr<platform::Mutex> lock = QueueLock6();
    ASSERT_TRUE(lock && lock->Acquire(1000));
    const uint8_t report[] = {0x06, 0x01};
    QueueReport6(report, 2);
    // Held back by the lock: the barrier gives up once its time is over.
    EXPECT_FALSE(WaitForQueuedReports(6, 50));
    lock->Release();
    ASSERT_TRUE(QueuedReportsSent(6));
    EXPECT_EQ(device.SentTo(kChannel6Collection), std::vector<Bytes>{Report65({0x06, 0x01})});

    StopDriverIO();
    EXPECT_TRUE(WaitForQueuedReports(6, 0)) << "no write thread: nothing more goes out";
    EXPECT_TRUE(WaitForQueuedReports(0, 0));
}

// Counts the output reports on their way to the device at the same time.
class InFlightDevice : public RecordingDevice {
public:
    void OnOutputReport(size_t collection, const uint8_t* report, size_t length) override {
        const int now = ++inFlight;
        int seen = maxInFlight.load();
        while (now > seen && !maxInFlight.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        --inFlight;
        RecordingDevice::OnOutputReport(collection, report, length);
    }
    std::atomic<int> inFlight{0};
    std::atomic<int> maxInFlight{0};
    int delayUs = 200;
};

TEST_F(EngineTest, AtMostOneOutputReportIsInFlightAcrossBothChannelsAndSetOutputReport) {
    InFlightDevice counting;
    PlugController(counting);
    StartDriverIO();
    HidCaps caps;
    const HidHandle stats = FindHIDDevice(caps, kPerformanceStatsUsage, kVendorUsagePage, false);
    ASSERT_NE(stats, nullptr);

    constexpr int kEach = 40;
    std::thread channel0([] {
        for (int i = 0; i < kEach; ++i) {
            const uint8_t report[] = {0x00, static_cast<uint8_t>(i)};
            QueueReport0(0, report, 2);
        }
    });
    std::thread statsWriter([stats] {
        uint8_t report[65] = {0x05};
        for (int i = 0; i < kEach; ++i) {
            EXPECT_TRUE(HidSetOutputReport(stats, report, 80)) << "cut to 65, not refused";
        }
    });
    for (int i = 0; i < kEach; ++i) {
        const uint8_t report[] = {0x06, static_cast<uint8_t>(i)};
        QueueReport6(report, 2);
    }
    channel0.join();
    statsWriter.join();
    ASSERT_TRUE(counting.outputs.WaitFor(3 * kEach));
    EXPECT_EQ(counting.maxInFlight.load(), 1);
    const auto statsReports = counting.SentTo(kPerformanceStatsCollection);
    ASSERT_EQ(statsReports.size(), static_cast<size_t>(kEach));
    EXPECT_EQ(statsReports[0].size(), 65u);
    EXPECT_EQ(counting.SentTo(kChannel0Collection).size(), static_cast<size_t>(kEach));
    EXPECT_EQ(counting.SentTo(kChannel6Collection).size(), static_cast<size_t>(kEach));
    CloseHIDDevice(stats);
}

// Holds the queue's lock while the test queues, so that every report waits
// in the queue before the write thread starts on them.
void QueueHeldBack6(std::initializer_list<uint8_t> seconds) {
    const std::shared_ptr<platform::Mutex> lock = QueueLock6();
    ASSERT_TRUE(lock && lock->Acquire(1000));
    for (uint8_t second : seconds) {
        const uint8_t report[] = {0x06, second};
        QueueReport6(report, 2);
    }
    lock->Release();
}

TEST_F(EngineTest, AStopSendsTheWholeBacklogFirst) {
    InFlightDevice slow;
    slow.delayUs = 40'000;
    PlugController(slow);
    StartDriverIO();
    QueueHeldBack6({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_TRUE(slow.outputs.WaitFor(1));
    StopDriverIO();  // while the backlog is on its way

    std::vector<Bytes> expected;
    for (uint8_t i = 1; i <= 10; ++i) {
        expected.push_back(Report65({0x06, i}));
    }
    EXPECT_EQ(slow.SentTo(kChannel6Collection), expected);
    EXPECT_FALSE(trace.Contains("timed out"));
}

TEST_F(EngineTest, ReportsQueuedBeforeARestartAreNotSent) {
    PlugController(device);
    StartDriverIO();
    {
        // The write thread, woken by the reports, waits for the lock held
        // here (or has not woken yet); the stop ends it before it sent
        // anything.
        const std::shared_ptr<platform::Mutex> lock = QueueLock6();
        ASSERT_TRUE(lock && lock->Acquire(1000));
        for (uint8_t i = 1; i <= 10; ++i) {
            const uint8_t report[] = {0x06, i};
            QueueReport6(report, 2);
        }
        StopDriverIO();
        lock->Release();
    }
    StartDriverIO();
    const uint8_t afterRestart[] = {0x06, 0xEE};
    QueueReport6(afterRestart, 2);
    ASSERT_TRUE(QueuedReportsSent(6));

    EXPECT_EQ(device.SentTo(kChannel6Collection), std::vector<Bytes>{Report65({0x06, 0xEE})});
    EXPECT_FALSE(trace.Contains("timed out"));
}

TEST_F(EngineTest, AWriteThatFailsAfterItWasAcceptedIsTracedAsAWrongCount) {
    PlugController(device);
    controller->FailStep(kChannel6Collection, platform::hid::InterfaceStep::Write);
    StartDriverIO();
    const uint8_t report[] = {0x06, 0x43};
    QueueReport6(report, 2);
    ASSERT_TRUE(QueuedReportsSent(6));
    EXPECT_EQ(trace.Count("!ERROR! - DriverIO:HidWrite Wrong amount of bytes written"), 1);
    EXPECT_FALSE(trace.Contains("Failed to write report"));
    EXPECT_EQ(device.outputs.Size(), 0u);

    controller->ClearFaults();
    QueueReport6(report, 2);
    ASSERT_TRUE(device.outputs.WaitFor(1));
    EXPECT_EQ(trace.Count("!ERROR!"), 1);
}

TEST_F(EngineTest, ReportsQueuedWhileStoppedAreDroppedWithOneBugTrace) {
    RearmWriteBugTraces();
    PlugController(device);
    const uint8_t report[] = {0x06, 0x43};
    QueueReport6(report, 2);
    QueueReport0(0, report, 2);
    QueueReport6(report, 2);
    EXPECT_EQ(trace.Count("!BUG! - DriverIO:AddToReportQueue wait for hLock timed out"), 1);
    StartDriverIO();
    ASSERT_TRUE(QueuedReportsSent(6));
    ASSERT_TRUE(QueuedReportsSent(0));
    EXPECT_EQ(device.outputs.Size(), 0u);
}

TEST_F(EngineTest, ThreadThatOutlivesItsStopLeavesTheNextStartAlone) {
    // (The stop's time-out stays the program's: a shorter one could give up
    // on a thread that a loaded machine merely ends late.)
    // The first channel 6 report blocks its callback past the stop's time-out.
    static std::atomic<bool> release{false};
    static std::atomic<int> calls{0};
    release = false;
    calls = 0;
    SetReportCallback6([](int32_t, const uint8_t* data, int32_t length) {
        if (calls++ == 0) {
            EXPECT_TRUE(WaitUntil([] { return release.load(); }));
        }
        deliveries.Add({Delivery::Channel6Report, Bytes(data, data + length), 0});
    });
    PlugController(device);
    StartDriverIO();
    Inject(kChannel6Collection, {0x06, 1});
    ASSERT_TRUE(WaitUntil([] { return calls > 0; }));
    StopDriverIO();
    EXPECT_EQ(trace.Count("!ERROR! - DriverIO:StopThread thread timed out"), 1);

    StartDriverIO();  // reuses the contexts while the old read thread still runs
    Inject(kChannel6Collection, {0x06, 2});
    // Both connected notices and report 2, while report 1 still waits.
    EXPECT_TRUE(deliveries.WaitFor(3));
    release = true;
    JoinDriverIOThreads();
    StopDriverIO();

    const auto reports = DeliveriesOf(Delivery::Channel6Report);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].bytes, Bytes{2}) << "the new read thread reads while the old one waits";
    EXPECT_EQ(reports[1].bytes, Bytes{1});
    EXPECT_EQ(ConnectionNotices(), (std::vector<int32_t>{1, 1, 0, 0}));
}

// Holds the one report it is told to hold until released, as a device whose
// write never returns.
class StuckWriteDevice : public RecordingDevice {
public:
    void OnOutputReport(size_t collection, const uint8_t* report, size_t length) override {
        if (length > 1 && report[1] == kStuck) {
            std::unique_lock<std::mutex> guard(lock_);
            stuck_ = true;
            changed_.wait(guard, [this] { return released_; });
        }
        RecordingDevice::OnOutputReport(collection, report, length);
    }
    bool Stuck() {
        std::lock_guard<std::mutex> guard(lock_);
        return stuck_;
    }
    void Release() {
        std::lock_guard<std::mutex> guard(lock_);
        released_ = true;
        changed_.notify_all();
    }

    static constexpr uint8_t kStuck = 0xB0;

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool stuck_ = false;
    bool released_ = false;
};

TEST_F(EngineTest, AWriteThreadThatOutlivesItsStopLeavesTheNextStartsReportsAlone) {
    StuckWriteDevice stuck;
    PlugController(stuck);
    StartDriverIO();
    const uint8_t first[] = {0x06, StuckWriteDevice::kStuck};
    QueueReport6(first, 2);
    ASSERT_TRUE(t860test::WaitUntil([&] { return stuck.Stuck(); }));
    StopDriverIO();
    EXPECT_EQ(trace.Count("!ERROR! - DriverIO:StopThread thread timed out"), 1);

    StartDriverIO();
    {
        // Queued by the new start while the old write thread is still in
        // its write; held back until that thread has ended.
        const std::shared_ptr<platform::Mutex> lock = QueueLock6();
        ASSERT_TRUE(lock && lock->Acquire(1000));
        const uint8_t second[] = {0x06, 2};
        QueueReport6(second, 2);
        stuck.Release();
        JoinDriverIOThreads();
        lock->Release();
    }
    ASSERT_TRUE(stuck.outputs.WaitFor(2));
    EXPECT_EQ(
        stuck.SentTo(kChannel6Collection),
        (std::vector<Bytes>{Report65({0x06, StuckWriteDevice::kStuck}), Report65({0x06, 2})}));
    EXPECT_FALSE(trace.Contains("Failed to write report")) << "nothing went to the old handle";
}

TEST_F(EngineTest, AWriteThreadWithoutItsQueueLockEndsAndItsChannelDropsReports) {
    RearmWriteBugTraces();
    PlugController(device);
    WriteMutex();  // the process's own, made before
    // As on Windows when the system cannot make a mutex: a thread that went
    // on would spin on waits that fail at once.
    platform::FailMutexCreationForTest(true);
    StartDriverIO();
    platform::FailMutexCreationForTest(false);
    ASSERT_TRUE(t860test::WaitUntil([] {
        return WriteContext0.run->hThreadDone.IsSet() && WriteContext6.run->hThreadDone.IsSet();
    }));
    EXPECT_EQ(trace.Count("!ERROR! - DriverIO:HidWriteThreadFunc could not create hLock mutex"), 2);

    const uint8_t report[] = {0x06, 0x43};
    QueueReport6(report, 2);
    QueueReport6(report, 2);
    EXPECT_EQ(trace.Count("!BUG! - DriverIO:AddToReportQueue wait for hLock timed out"), 1);
    StopDriverIO();
    EXPECT_EQ(device.outputs.Size(), 0u);
    EXPECT_FALSE(trace.Contains("thread timed out"));
}

}  // namespace
