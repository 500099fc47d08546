#include "platform/Sync.h"

#include "platform/SyncFaults.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#ifdef __linux__
#include <sys/eventfd.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

// One lock and one condition for every wait object: a wait for any of several
// objects then needs no registration with each of them. The program has a
// handful of threads, so waking all waiters on each change costs little.
std::mutex& WaitLock() {
    static std::mutex lock;
    return lock;
}

std::condition_variable& WaitChanged() {
    static std::condition_variable changed;
    return changed;
}

void NotifyChangedLocked() {
    WaitChanged().notify_all();
}

}  // namespace

struct WaitAccess {
    static bool TryTake(Waitable& object) { return object.TryTakeLocked(); }
};

Waitable::~Waitable() = default;

bool Waitable::Valid() const {
    return valid_;
}

Event::Event(Reset reset, bool initiallySet)
    : Waitable(true), reset_(reset), signalled_(initiallySet) {}

Event::~Event() {
#ifdef __linux__
    if (pollFd_ >= 0) {
        close(pollFd_);
    }
#endif
}

void Event::Set() {
    std::lock_guard<std::mutex> guard(WaitLock());
    signalled_ = true;
#ifdef __linux__
    if (pollFd_ >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t written = write(pollFd_, &one, sizeof one);
    }
#endif
    NotifyChangedLocked();
}

void Event::Clear() {
    std::lock_guard<std::mutex> guard(WaitLock());
    signalled_ = false;
    DrainPollFdLocked();
}

bool Event::IsSet() const {
    std::lock_guard<std::mutex> guard(WaitLock());
    return signalled_;
}

bool Event::Wait(uint32_t timeoutMs) {
    return WaitForAny({this}, timeoutMs).status == WaitStatus::Signalled;
}

int Event::PollFd() {
#ifdef __linux__
    std::lock_guard<std::mutex> guard(WaitLock());
    if (pollFd_ < 0) {
        pollFd_ = eventfd(signalled_ ? 1 : 0, EFD_NONBLOCK | EFD_CLOEXEC);
    }
    return pollFd_;
#else
    return -1;
#endif
}

bool Event::TryTakeLocked() {
    if (!signalled_) {
        return false;
    }
    if (reset_ == Reset::Auto) {
        signalled_ = false;
        DrainPollFdLocked();
    }
    return true;
}

void Event::DrainPollFdLocked() {
#ifdef __linux__
    if (pollFd_ >= 0) {
        uint64_t count;
        [[maybe_unused]] ssize_t got = read(pollFd_, &count, sizeof count);
    }
#endif
}

Mutex::Mutex() : Waitable(!MutexCreationFails()) {}

bool Mutex::Acquire(uint32_t timeoutMs) {
    return WaitForAny({this}, timeoutMs).status == WaitStatus::Signalled;
}

bool Mutex::Release() {
    std::lock_guard<std::mutex> guard(WaitLock());
    if (depth_ == 0 || owner_ != std::this_thread::get_id()) {
        return false;
    }
    if (--depth_ == 0) {
        owner_ = std::thread::id{};
        NotifyChangedLocked();
    }
    return true;
}

bool Mutex::TryTakeLocked() {
    const auto self = std::this_thread::get_id();
    if (depth_ != 0 && owner_ != self) {
        return false;
    }
    owner_ = self;
    ++depth_;
    return true;
}

WaitResult WaitForAny(std::initializer_list<Waitable*> objects, uint32_t timeoutMs) {
    for (Waitable* object : objects) {
        if (object == nullptr || !object->Valid()) {
            return {WaitStatus::Failed, -1};
        }
    }
    if (objects.size() == 0) {
        return {WaitStatus::Failed, -1};
    }
    const auto takeFirstSignalled = [&objects]() {
        int index = 0;
        for (Waitable* object : objects) {
            if (WaitAccess::TryTake(*object)) {
                return index;
            }
            ++index;
        }
        return -1;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock<std::mutex> lock(WaitLock());
    for (;;) {
        const int taken = takeFirstSignalled();
        if (taken >= 0) {
            return {WaitStatus::Signalled, taken};
        }
        if (timeoutMs == kInfinite) {
            WaitChanged().wait(lock);
        } else if (WaitChanged().wait_until(lock, deadline) == std::cv_status::timeout) {
            // One last look: the object may have been signalled right at the deadline.
            const int late = takeFirstSignalled();
            return late >= 0 ? WaitResult{WaitStatus::Signalled, late}
                             : WaitResult{WaitStatus::TimedOut, -1};
        }
    }
}

void Sleep(uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

uint32_t GetTickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace platform
