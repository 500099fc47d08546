#include "platform/hid/HidBackend.h"

#include <atomic>

#if defined(_WIN32)
#include "platform/win32/HidWin32Backend.h"
#elif defined(__linux__)
#include "platform/hid/HidrawBackend.h"
#endif

namespace platform::hid {

namespace {

std::atomic<Backend*> selected{nullptr};

Backend& PlatformBackend() {
#if defined(_WIN32)
    static Win32Backend backend;
    return backend;
#elif defined(__linux__)
    static HidrawBackend backend;
    return backend;
#else
#error "no HID backend for this platform"
#endif
}

}  // namespace

Backend& CurrentBackend() {
    Backend* backend = selected.load(std::memory_order_acquire);
    return backend != nullptr ? *backend : PlatformBackend();
}

void SelectBackend(Backend* backend) {
    selected.store(backend, std::memory_order_release);
}

}  // namespace platform::hid
