// Hand-over to the window thread, alone and with the engine's read threads.

#include "T860Util/Sync.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/DriverInterface/EngineFixture.h"

using namespace std::chrono_literals;

namespace {

// What the handlers saw; handlers run on the window thread.
std::atomic<int> handled{0};
std::atomic<int32_t> lastValue{-1};
std::atomic<bool> ranOnWindowThread{false};

void RecordCall(int32_t unit, int32_t value) {
    EXPECT_EQ(unit, 0);
    ranOnWindowThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    lastValue = value;
    ++handled;
}

// Lets the window thread handle hand-overs until the condition holds.
template <typename Condition>
bool PumpUntil(Condition condition, std::chrono::milliseconds timeout = 5s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class SyncTest : public ::testing::Test {
protected:
    SyncTest() {
        handled = 0;
        lastValue = -1;
        ranOnWindowThread = false;
        OpenSyncCalls(&window);
    }
    ~SyncTest() override { CloseSyncCalls(&window); }

    QObject window;
};

TEST_F(SyncTest, CallerWaitsUntilTheHandlerRanOnTheWindowThread) {
    std::atomic<int> result{-1};
    std::thread caller([&] { result = SyncCall(&window, RecordCall, 42); });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(result, -1) << "still waiting: the window thread has not handled it yet";
    EXPECT_EQ(handled, 0);
    ASSERT_TRUE(PumpUntil([&] { return result != -1; }));
    caller.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(lastValue, 42);
    EXPECT_TRUE(ranOnWindowThread);
}

TEST_F(SyncTest, OnTheWindowThreadTheHandlerRunsAtOnce) {
    EXPECT_EQ(SyncCall(&window, RecordCall, 7), 1);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(lastValue, 7);
}

TEST_F(SyncTest, ClosingReleasesWaitingCallersAndRunsNothingAfterwards) {
    std::atomic<int> result{-1};
    std::thread caller([&] { result = SyncCall(&window, RecordCall, 1); });
    std::this_thread::sleep_for(50ms);
    CloseSyncCalls(&window);
    caller.join();
    EXPECT_EQ(result, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 0) << "the abandoned call must not run later";
    EXPECT_EQ(SyncCall(&window, RecordCall, 2), 0);
    std::thread late([&] { result = SyncCall(&window, RecordCall, 3); });
    late.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(handled, 0);
}

TEST(SyncWindowTest, DestroyingTheWindowReleasesItsCallers) {
    auto* window = new QObject;
    OpenSyncCalls(window);
    std::atomic<int> result{-1};
    std::thread caller([&] { result = SyncCall(window, RecordCall, 1); });
    std::this_thread::sleep_for(50ms);
    delete window;
    caller.join();
    EXPECT_EQ(result, 0);
    QCoreApplication::processEvents();
}

// The engine's connection notices handed to a window, as the main window does.
QObject* noticeWindow = nullptr;
Inbox<int32_t> notices;

void OnConnectionChange(int32_t, int32_t connected) {
    EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    notices.Add(connected);
}

void ForwardConnectionChange(int32_t, int32_t connected) {
    SyncCall(noticeWindow, OnConnectionChange, connected);
}

class SyncEngineTest : public EngineTest {
protected:
    SyncEngineTest() {
        notices.Clear();
        noticeWindow = &window;
        OpenSyncCalls(&window);
        SetConnectCallback6(ForwardConnectionChange);
        PlugController(device);
        StartDriverIO();
        EXPECT_TRUE(PumpUntil([] { return notices.Size() == 1; }));
    }
    ~SyncEngineTest() override { CloseSyncCalls(&window); }

    // Stops the engine from the window thread while channel 6's read thread
    // waits for that thread with its disconnected notice.
    void StopFromWindowThread() {
        const auto start = std::chrono::steady_clock::now();
        StopDriverIO();
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, 1900ms);
        EXPECT_LT(took, 4000ms);
        EXPECT_EQ(trace.Count("!ERROR! - DriverIO:StopThread thread timed out"), 1);
    }

    QObject window;
};

TEST_F(SyncEngineTest, StopOnTheWindowThreadTimesOutAndTheNoticeRunsLater) {
    StopFromWindowThread();
    EXPECT_EQ(notices.Size(), 1u);
    ASSERT_TRUE(PumpUntil([] { return notices.Size() == 2; }));
    EXPECT_EQ(notices.Items(), (std::vector<int32_t>{1, 0}));
    JoinDriverIOThreads();

    // The engine starts again on the same contexts.
    StartDriverIO();
    EXPECT_TRUE(PumpUntil([] { return notices.Size() == 3; }));
    EXPECT_EQ(notices.Items().back(), 1);
}

TEST_F(SyncEngineTest, StopAfterTheWindowsClosedEndsAtOnceWithoutATimeOut) {
    OpenSyncCalls(&window);
    QObject other;
    OpenSyncCalls(&other);
    CloseAllSyncCalls();
    EXPECT_EQ(SyncCall(&other, RecordCall, 1), 0) << "every window refuses";
    const auto start = std::chrono::steady_clock::now();
    StopDriverIO();
    // Far below the 2 s that the stop waits for a thread stuck in a hand-over.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_FALSE(trace.Contains("!ERROR!"));
    JoinDriverIOThreads();
    QCoreApplication::processEvents();
    EXPECT_EQ(notices.Items(), std::vector<int32_t>{1}) << "the closed window got no notice";
}

TEST_F(SyncEngineTest, ExitWhileAReadThreadWaitsForTheWindowEndsEveryThread) {
    StopFromWindowThread();
    CloseSyncCalls(&window);
    JoinDriverIOThreads();  // returns: the waiting read thread was released
    QCoreApplication::processEvents();
    EXPECT_EQ(notices.Items(), std::vector<int32_t>{1});
}

}  // namespace
