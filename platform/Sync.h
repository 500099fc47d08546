#pragma once
// Kernel-object stand-ins: events, mutexes and a wait for any of them, with the
// semantics the device code was written against (auto/manual reset, recursive
// mutexes owned by a thread, time-outs in milliseconds).

#include <cstdint>
#include <initializer_list>
#include <thread>

namespace platform {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

class Waitable {
public:
    Waitable() = default;
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;
    virtual ~Waitable() = default;

private:
    friend struct WaitAccess;
    // Takes the object when it is signalled (consuming an auto-reset event,
    // acquiring a mutex). Called with the process-wide wait lock held.
    virtual bool TryTakeLocked() = 0;
};

class Event final : public Waitable {
public:
    enum class Reset { Auto, Manual };
    explicit Event(Reset reset, bool initiallySet = false);
    ~Event() override;

    void Set();
    void Clear();
    bool IsSet() const;
    // True when signalled within the time-out (an auto-reset event is consumed).
    bool Wait(uint32_t timeoutMs);

    // A descriptor that polls readable while the event is set, so that a wait in
    // poll() on a device can end when the event is set. Created on first use;
    // -1 where the platform has none.
    int PollFd();

private:
    bool TryTakeLocked() override;
    void DrainPollFdLocked();

    const Reset reset_;
    bool signalled_;
    int pollFd_ = -1;
};

class Mutex final : public Waitable {
public:
    Mutex() = default;
    // Recursive, as the platform mutexes are: the owner may acquire it again.
    bool Acquire(uint32_t timeoutMs = kInfinite);
    bool TryAcquire() { return Acquire(0); }
    // False when the calling thread does not own the mutex.
    bool Release();

private:
    bool TryTakeLocked() override;

    std::thread::id owner_{};
    uint32_t depth_ = 0;
};

enum class WaitStatus { Signalled, TimedOut, Failed };

struct WaitResult {
    WaitStatus status;
    int index;  // of the object taken, when Signalled; -1 otherwise
};

// Waits until one of the objects is signalled and takes the first signalled
// one in list order. A null object makes the wait fail at once, as waiting on a
// closed handle does.
WaitResult WaitForAny(std::initializer_list<Waitable*> objects, uint32_t timeoutMs);

void Sleep(uint32_t milliseconds);
// Milliseconds of a steady clock, wrapping at 2^32.
uint32_t GetTickCount();

}  // namespace platform
