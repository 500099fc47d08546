#include "platform/Sync.h"

#include "platform/SyncFaults.h"
#include "platform/win32/Windows.h"

namespace platform {

namespace {

HANDLE ToHandle(void* handle) {
    return static_cast<HANDLE>(handle);
}

}  // namespace

Waitable::~Waitable() {
    if (handle_ != nullptr) {
        CloseHandle(ToHandle(handle_));
    }
}

bool Waitable::Valid() const {
    return handle_ != nullptr;
}

Event::Event(Reset reset, bool initiallySet)
    : Waitable(CreateEventA(nullptr, reset == Reset::Manual, initiallySet, nullptr)),
      reset_(reset) {}

Event::~Event() = default;

void Event::Set() {
    SetEvent(ToHandle(NativeHandle()));
}

void Event::Clear() {
    ResetEvent(ToHandle(NativeHandle()));
}

bool Event::IsSet() const {
    if (WaitForSingleObject(ToHandle(NativeHandle()), 0) != WAIT_OBJECT_0) {
        return false;
    }
    // Looking consumed an auto-reset event: put the signal back.
    if (reset_ == Reset::Auto) {
        SetEvent(ToHandle(NativeHandle()));
    }
    return true;
}

bool Event::Wait(uint32_t timeoutMs) {
    return WaitForAny({this}, timeoutMs).status == WaitStatus::Signalled;
}

Mutex::Mutex() : Waitable(MutexCreationFails() ? nullptr : CreateMutexA(nullptr, FALSE, nullptr)) {}

bool Mutex::Acquire(uint32_t timeoutMs) {
    return WaitForAny({this}, timeoutMs).status == WaitStatus::Signalled;
}

bool Mutex::Release() {
    return ReleaseMutex(ToHandle(NativeHandle())) != FALSE;
}

WaitResult WaitForAny(std::initializer_list<Waitable*> objects, uint32_t timeoutMs) {
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    if (objects.size() == 0 || objects.size() > MAXIMUM_WAIT_OBJECTS) {
        return {WaitStatus::Failed, -1};
    }
    DWORD count = 0;
    for (Waitable* object : objects) {
        if (object == nullptr || object->NativeHandle() == nullptr) {
            return {WaitStatus::Failed, -1};
        }
        handles[count++] = ToHandle(object->NativeHandle());
    }
    const DWORD woken = WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
    if (woken < WAIT_OBJECT_0 + count) {
        return {WaitStatus::Signalled, static_cast<int>(woken - WAIT_OBJECT_0)};
    }
    // A mutex whose owner ended without releasing it is taken all the same.
    if (woken >= WAIT_ABANDONED_0 && woken < WAIT_ABANDONED_0 + count) {
        return {WaitStatus::Signalled, static_cast<int>(woken - WAIT_ABANDONED_0)};
    }
    return woken == WAIT_TIMEOUT ? WaitResult{WaitStatus::TimedOut, -1}
                                 : WaitResult{WaitStatus::Failed, -1};
}

void Sleep(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

uint32_t GetTickCount() {
    return ::GetTickCount();
}

}  // namespace platform
