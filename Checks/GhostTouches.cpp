#include "Checks/GhostTouches.h"

#include <algorithm>

namespace {

constexpr uint8_t kStateDown = 1;
constexpr uint8_t kStateMove = 2;
// X packet coordinates run over 0..32767; beyond is off the screen and
// counts in the edge cell.
constexpr double kDeviceSpan = 32768.0;

int CellOf(float coordinate) {
    const int cell = TruncateToInt(coordinate / kDeviceSpan * kGhostGridSize);
    return std::clamp(cell, 0, kGhostGridSize - 1);
}

}  // namespace

void GhostTouchCounter::Add(const XPacket& packet) {
    if (!packet.WellFormed()) {
        return;
    }
    for (int slot = 0; slot < packet.LogCount(); ++slot) {
        const XTouchRecord& record = packet.Touch[slot];
        if (record.State == kStateDown || (first_ && record.State == kStateMove)) {
            ++cells_[CellOf(record.Y)][CellOf(record.X)];
            ++total_;
        }
    }
    first_ = false;
}

const char* GhostRowName(int row) {
    static const char* const names[kGhostGridSize] = {"top", "middle", "bottom"};
    return names[std::clamp(row, 0, kGhostGridSize - 1)];
}

const char* GhostColumnName(int column) {
    static const char* const names[kGhostGridSize] = {"left", "centre", "right"};
    return names[std::clamp(column, 0, kGhostGridSize - 1)];
}
