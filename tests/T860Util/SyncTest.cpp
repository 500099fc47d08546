// Hand-over to the window thread, alone and with the engine's read threads.

#include "T860Util/Sync.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/DriverInterface/EngineFixture.h"
#include "tests/support/EngineWaits.h"
#include "tests/support/WaitUntil.h"

using namespace std::chrono_literals;

namespace {

using t860test::WaitUntil;

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

// The caller's result as the handler found it.
std::atomic<int> callerResult{-1};
std::atomic<int> callerResultWhileHandled{0};

void RecordCallAndCaller(int32_t unit, int32_t value) {
    callerResultWhileHandled = callerResult.load();
    RecordCall(unit, value);
}

TEST_F(SyncTest, CallerWaitsUntilTheHandlerRanOnTheWindowThread) {
    callerResult = -1;
    std::thread caller([&] { callerResult = SyncCall(&window, RecordCallAndCaller, 42); });
    ASSERT_TRUE(WaitUntil([&] { return callerResult != -1; }));
    caller.join();
    EXPECT_EQ(callerResultWhileHandled, -1) << "the caller was still waiting";
    EXPECT_EQ(callerResult, 1);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(lastValue, 42);
    EXPECT_TRUE(ranOnWindowThread);
}

TEST_F(SyncTest, OnTheWindowThreadTheHandlerRunsAtOnce) {
    EXPECT_EQ(SyncCall(&window, RecordCall, 7), 1);
    EXPECT_EQ(handled, 1);
    EXPECT_EQ(lastValue, 7);
}

// (Whether a caller is already waiting when the window closes cannot be seen
// from outside; either way it gets 0 and nothing runs, which is what counts.)
TEST_F(SyncTest, ClosingReleasesWaitingCallersAndRunsNothingAfterwards) {
    std::atomic<int> result{-1};
    std::atomic<bool> calling{false};
    std::thread caller([&] {
        calling = true;
        result = SyncCall(&window, RecordCall, 1);
    });
    ASSERT_TRUE(t860test::WaitUntilWithoutEvents([&] { return calling.load(); }));
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
    std::atomic<bool> calling{false};
    std::thread caller([&] {
        calling = true;
        result = SyncCall(window, RecordCall, 1);
    });
    ASSERT_TRUE(t860test::WaitUntilWithoutEvents([&] { return calling.load(); }));
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
        EXPECT_TRUE(WaitUntil([] { return notices.Size() == 1; }));
    }
    ~SyncEngineTest() override { CloseSyncCalls(&window); }

    // Stops the engine from the window thread while channel 6's read thread
    // waits for that thread with its disconnected notice.
    void StopFromWindowThread() {
        const auto start = std::chrono::steady_clock::now();
        StopDriverIO();
        const auto took = std::chrono::steady_clock::now() - start;
        // The stop's 2 s wait ran out (it cannot end early); the upper bound
        // only catches a stop that hangs, and is many times what a loaded
        // machine needs.
        EXPECT_GE(took, 1900ms);
        EXPECT_LT(took, 20s);
        EXPECT_EQ(trace.Count("!ERROR! - DriverIO:StopThread thread timed out"), 1);
    }

    QObject window;
};

TEST_F(SyncEngineTest, StopOnTheWindowThreadTimesOutAndTheNoticeRunsLater) {
    StopFromWindowThread();
    EXPECT_EQ(notices.Size(), 1u);
    ASSERT_TRUE(WaitUntil([] { return notices.Size() == 2; }));
    EXPECT_EQ(notices.Items(), (std::vector<int32_t>{1, 0}));
    JoinDriverIOThreads();

    // The engine starts again on the same contexts.
    StartDriverIO();
    EXPECT_TRUE(WaitUntil([] { return notices.Size() == 3; }));
    EXPECT_EQ(notices.Items().back(), 1);
}

TEST_F(SyncEngineTest, StopAfterTheWindowsClosedEndsAtOnceWithoutATimeOut) {
    // A stop held by a thread in a hand-over would wait a minute here and
    // trace its time-out.
    DriverIOWaits waits;
    waits.stopThreadTimeoutMs = 60'000;
    const t860test::ShortDriverIOWaits longStop(waits);
    OpenSyncCalls(&window);
    QObject other;
    OpenSyncCalls(&other);
    CloseAllSyncCalls();
    EXPECT_EQ(SyncCall(&other, RecordCall, 1), 0) << "every window refuses";
    const auto start = std::chrono::steady_clock::now();
    StopDriverIO();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
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
