#pragma once
// Waiting for a read thread: a channel's reports are handled in order, so a
// marker sent after them shows when they all were.

#include <chrono>

#include "Simulator/VirtualController.h"
#include "tests/support/WaitUntil.h"

// True once the channel's read thread has handled every report injected on it
// before: the marker's effect is there. On channel 6 the marker is the answer
// to a stream status query (left received; replies must not be dropped), which
// also comes after the answers to the commands the controller took before; on
// channel 0 it is a settings chunk that completes no block.
// A marker injected while the channel has no reader (right after a re-plug)
// is lost: such a test asks again, each time with a short deadline.
bool InjectedReportsHandled(VirtualController& controller, int channel,
                            std::chrono::milliseconds deadline = t860test::kGenerousDeadline);
