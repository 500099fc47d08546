#pragma once
// Waiting for a read thread: a channel's reports are handled in order, so a
// marker sent after them shows when they all were.

#include "Simulator/VirtualController.h"

// True once the channel's read thread has handled every report injected on it
// before: the marker's effect is there. On channel 6 the marker is the answer
// to a stream status query (left received; replies must not be dropped), which
// also comes after the answers to the commands the controller took before; on
// channel 0 it is a settings chunk that completes no block.
bool InjectedReportsHandled(VirtualController& controller, int channel);
