#pragma once
// Scope channels: one byte per camera profile, 48 + 10 * kind + camera, with
// kind 0 subtracted, 1 trigger, 2 lit, 3 ambient and camera 1..4; and the
// camera data reports that carry a profile piece by piece.

#include <cstdint>

constexpr int32_t kFirstScopeChannel = 48;
constexpr int32_t kLastScopeChannel = 82;
constexpr int kMaxScopeValues = 28;  // what a 64-byte report holds

struct ScopeSelection {
    bool cam1;
    bool cam2;
    bool trigger;
    bool lit;
    bool ambient;
    bool subtracted;
};

bool IsScopeChannelSelected(int32_t code, const ScopeSelection& selection);

// The chart line a channel feeds: camera lines 0..3, trigger lines 4..7; line 0
// for a code outside the table.
int ScopeChannelToLine(int32_t code);

// The code to request after current, visiting the selected channels in
// ascending order round-robin; false (and current unchanged) when no camera is
// selected or nothing can be.
bool AdvanceScopeChannel(int32_t& current, const ScopeSelection& selection);

// One camera data report, its values in host order. Only values inside the
// 64-byte report are taken; a count of zero or less means nothing to store.
struct CameraData {
    uint16_t firstPixel = 0;
    uint8_t code = 0;
    int count = 0;
    int16_t values[kMaxScopeValues] = {};
};

// report: the 64 bytes after the report id, type byte 'G' first.
CameraData DecodeCameraData(const uint8_t* report, int32_t length);
