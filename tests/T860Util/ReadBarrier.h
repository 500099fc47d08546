#pragma once
// Waiting for a read thread: reports injected on a channel are handled in
// order, so a marker injected after them shows when they all were.

#include "Simulator/VirtualController.h"

// True once the channel's read thread has handled every report injected on it
// before: the marker's effect is there. On channel 6 the marker is a stream
// status reply (left received), on channel 0 a settings chunk that completes
// no block.
bool InjectedReportsHandled(VirtualController& controller, int channel);
