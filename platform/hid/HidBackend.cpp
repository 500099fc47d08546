#include "platform/hid/HidBackend.h"

#include <atomic>

namespace platform::hid {

namespace {
std::atomic<Backend*> g_selected{nullptr};
}

Backend& CurrentBackend() {
    return *g_selected.load(std::memory_order_acquire);
}

void SelectBackend(Backend* backend) {
    g_selected.store(backend, std::memory_order_release);
}

}  // namespace platform::hid
