#include "platform/Sync.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win32/Windows.h"
#else
#include <poll.h>
#endif

#include <atomic>
#include <thread>

#include "tests/support/WaitUntil.h"

using platform::Event;
using platform::Mutex;
using platform::WaitForAny;
using platform::WaitStatus;

TEST(Event, AutoResetReleasesExactlyOneWaiter) {
    Event event(Event::Reset::Auto);
    std::atomic<int> woken{0};
    // Waits far longer than any test needs: a waiter that starts late still
    // finds the event set, or waits for the second set.
    std::thread a([&] { woken += event.Wait(60'000) ? 1 : 0; });
    std::thread b([&] { woken += event.Wait(60'000) ? 1 : 0; });
    event.Set();
    ASSERT_TRUE(t860test::WaitUntil([&] { return woken >= 1; }));
    EXPECT_EQ(woken, 1);
    EXPECT_FALSE(event.IsSet()) << "taken by the one waiter it released";
    event.Set();
    a.join();
    b.join();
    EXPECT_EQ(woken, 2);
}

TEST(Event, ManualResetStaysSetUntilCleared) {
    Event event(Event::Reset::Manual);
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    event.Clear();
    EXPECT_FALSE(event.Wait(20));
}

#ifdef _WIN32
TEST(Event, NativeHandleIsSignalledWhileSetAndLookingDoesNotConsumeIt) {
    Event event(Event::Reset::Auto);
    const HANDLE handle = static_cast<HANDLE>(event.NativeHandle());
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(WaitForSingleObject(handle, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    event.Set();
    EXPECT_TRUE(event.IsSet());
    EXPECT_TRUE(event.IsSet()) << "looking at an auto-reset event leaves it set";
    EXPECT_EQ(WaitForSingleObject(handle, 0), WAIT_OBJECT_0);
    EXPECT_FALSE(event.IsSet()) << "a wait on the handle consumed it";
}
#else
TEST(Event, PollFdIsReadableWhileSetAndDrainedWhenConsumed) {
    Event event(Event::Reset::Auto);
    pollfd fd{event.PollFd(), POLLIN, 0};
    ASSERT_GE(fd.fd, 0);
    EXPECT_EQ(poll(&fd, 1, 0), 0);
    event.Set();
    EXPECT_EQ(poll(&fd, 1, 0), 1);
    EXPECT_TRUE(event.Wait(0));
    EXPECT_EQ(poll(&fd, 1, 0), 0);
}
#endif

TEST(Mutex, TimedAcquireFailsWhileAnotherThreadOwnsIt) {
    Mutex mutex;
    ASSERT_TRUE(mutex.Acquire());
    EXPECT_TRUE(mutex.TryAcquire()) << "the owner may take it again";
    std::atomic<bool> gotIt{true};
    std::atomic<uint32_t> waited{0};
    std::thread other([&] {
        const uint32_t start = platform::GetTickCount();
        gotIt = mutex.Acquire(100);
        waited = platform::GetTickCount() - start;
        EXPECT_FALSE(mutex.Release()) << "a thread that does not own it cannot release it";
    });
    other.join();
    EXPECT_FALSE(gotIt);
    EXPECT_GE(waited, 90u);
    EXPECT_TRUE(mutex.Release());
    EXPECT_TRUE(mutex.Release());
    std::thread after([&] {
        gotIt = mutex.TryAcquire();
        mutex.Release();
    });
    after.join();
    EXPECT_TRUE(gotIt);
}

TEST(WaitForAny, ReportsWhichObjectWasSignalledTimedOutOrFailed) {
    Event first(Event::Reset::Auto);
    Event second(Event::Reset::Auto);
    std::thread setter([&] {
        platform::Sleep(30);
        second.Set();
    });
    auto result = WaitForAny({&first, &second}, 60'000);
    setter.join();
    EXPECT_EQ(result.status, WaitStatus::Signalled);
    EXPECT_EQ(result.index, 1);

    result = WaitForAny({&first, &second}, 30);
    EXPECT_EQ(result.status, WaitStatus::TimedOut);

    result = WaitForAny({&first, nullptr}, platform::kInfinite);
    EXPECT_EQ(result.status, WaitStatus::Failed);
}

TEST(WaitForAny, TakesTheFirstSignalledInListOrderAndAcquiresMutexes) {
    Event event(Event::Reset::Manual, true);
    Mutex mutex;
    auto result = WaitForAny({&mutex, &event}, 0);
    ASSERT_EQ(result.status, WaitStatus::Signalled);
    EXPECT_EQ(result.index, 0);
    std::thread other([&] { EXPECT_FALSE(mutex.TryAcquire()); });
    other.join();
    EXPECT_TRUE(mutex.Release());
}
