#include "tests/support/WaitUntil.h"

#include <thread>

namespace t860test {

namespace {
void (*eventPump)() = nullptr;
}

void SetEventPump(void (*pump)()) {
    eventPump = pump;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (eventPump) {
            eventPump();
        }
        if (condition()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace t860test
