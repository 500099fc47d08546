#include "tests/support/WaitUntil.h"

#include <thread>

namespace t860test {

namespace {

void (*eventPump)() = nullptr;

bool WaitWithPump(const std::function<bool()>& condition, std::chrono::milliseconds deadline,
                  void (*pump)()) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (pump) {
            pump();
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

}  // namespace

void SetEventPump(void (*pump)()) {
    eventPump = pump;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    return WaitWithPump(condition, deadline, eventPump);
}

bool WaitUntilWithoutEvents(const std::function<bool()>& condition,
                            std::chrono::milliseconds deadline) {
    return WaitWithPump(condition, deadline, nullptr);
}

}  // namespace t860test
