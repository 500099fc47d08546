// The one way a test waits for the program: a condition checked until it
// holds, with a deadline far beyond what a loaded, slow machine needs. A
// passing test never waits that long; a failing one fails after it instead of
// hanging, and a test never sleeps and then looks.
#pragma once

#include <chrono>
#include <functional>

namespace t860test {

inline constexpr std::chrono::milliseconds kGenerousDeadline{30000};

// Checks the condition until it holds or the deadline passes; between checks
// it runs the window thread's pending events when the test executable has a
// QApplication (the queued calls and repaints a condition depends on need
// them). Returns whether the condition held.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds deadline = kGenerousDeadline);

// The same without running the window thread's events: for a test that checks
// what happens to a hand-over the window thread has not handled yet.
bool WaitUntilWithoutEvents(const std::function<bool()>& condition,
                            std::chrono::milliseconds deadline = kGenerousDeadline);

// Set once by the Qt test environment: runs pending window-thread events.
void SetEventPump(void (*pump)());

}  // namespace t860test
