#pragma once
// Events, mutexes and a wait for any of them, with the semantics the device
// code was written against (auto/manual reset, recursive mutexes owned by a
// thread, time-outs in milliseconds): the kernel objects on Windows, stand-ins
// built on one lock and condition elsewhere.

#include <cstdint>
#include <initializer_list>
#include <thread>

namespace platform {

constexpr uint32_t kInfinite = 0xFFFFFFFFu;

class Waitable {
public:
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;
    virtual ~Waitable();

    // False when the system could not make the object (on Windows, when it
    // is short of kernel resources); every wait on it fails at once.
    bool Valid() const;

#ifdef _WIN32
    // The kernel object, so that a wait on a device can also end on this one.
    // Null when the system could not create it.
    void* NativeHandle() const {
        return handle_;
    }

protected:
    explicit Waitable(void* handle) : handle_(handle) {}

private:
    void* const handle_;
#else
protected:
    explicit Waitable(bool valid) : valid_(valid) {}

private:
    friend struct WaitAccess;
    const bool valid_;
    // Takes the object when it is signalled (consuming an auto-reset event,
    // acquiring a mutex). Called with the process-wide wait lock held.
    virtual bool TryTakeLocked() = 0;
#endif
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

#ifndef _WIN32
    // A descriptor that polls readable while the event is set, so that a wait in
    // poll() on a device can end when the event is set. Created on first use;
    // -1 where the platform has none.
    int PollFd();
#endif

private:
    const Reset reset_;
#ifndef _WIN32
    bool TryTakeLocked() override;
    void DrainPollFdLocked();

    bool signalled_;
    int pollFd_ = -1;
#endif
};

class Mutex final : public Waitable {
public:
    Mutex();
    // Recursive, as the platform mutexes are: the owner may acquire it again.
    bool Acquire(uint32_t timeoutMs = kInfinite);
    bool TryAcquire() { return Acquire(0); }
    // False when the calling thread does not own the mutex.
    bool Release();

#ifndef _WIN32
private:
    bool TryTakeLocked() override;

    std::thread::id owner_{};
    uint32_t depth_ = 0;
#endif
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

// For tests: while set, every mutex made is one the system could not make,
// so that the code's answer to that can be tried on every platform.
void FailMutexCreationForTest(bool fail);

void Sleep(uint32_t milliseconds);
// Milliseconds of a steady clock, wrapping at 2^32.
uint32_t GetTickCount();

}  // namespace platform
