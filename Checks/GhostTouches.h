#pragma once
// Touches during a hands-off window. On a kiosk at night nobody touches the
// screen, so every touch the controller reports then is a ghost: dirt, a
// reflection, a failing light source. Each is counted once and noted in the
// cell of a coarse grid where it first appeared.
//
// A touch counts when it goes down; one already down when the window opens
// (moving in the first packet) counts too, so that a ghost that never lifts
// is not missed.

#include <cstdint>

#include "Protocol/TouchPackets.h"

constexpr int kGhostGridSize = 3;

class GhostTouchCounter {
public:
    void Add(const XPacket& packet);

    int Total() const { return total_; }
    // Touches that appeared in the cell, rows from the top, columns from the left.
    int At(int row, int column) const { return cells_[row][column]; }

private:
    bool first_ = true;
    int cells_[kGhostGridSize][kGhostGridSize] = {};
    int total_ = 0;
};

// "top", "middle", "bottom"; "left", "centre", "right".
const char* GhostRowName(int row);
const char* GhostColumnName(int column);
