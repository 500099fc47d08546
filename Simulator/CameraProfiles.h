#pragma once
// Camera profiles for the scope: a row of 512 pixels per camera and kind. The
// lit row is bright with dips where fingers shadow it, the ambient row low and
// noisy, the subtracted row their difference, and the trigger row the
// threshold curve the controller compares against. They drift over time.

#include <cstddef>
#include <cstdint>

#include "Simulator/TouchScript.h"

constexpr size_t kScopePixels = 512;
constexpr size_t kScopeValuesPerReport = 28;

enum class ScopeKind { Subtracted = 0, Trigger = 1, Lit = 2, Ambient = 3 };

// Camera 1..4 and kind of a scope channel code (48 + 10 × kind + camera);
// false for a code outside that table.
bool DecodeScopeChannel(uint8_t code, int& camera, ScopeKind& kind);

class CameraProfiles {
public:
    static constexpr size_t kReportsPerAnswer =
        (kScopePixels + kScopeValuesPerReport - 1) / kScopeValuesPerReport;

    // Takes a snapshot of one scope channel, fingers of the frame shadowing
    // it; false (and nothing prepared) for a code outside the table.
    bool Prepare(uint8_t code, double seconds, const TouchFrame& fingers);
    // Fills the 64 data bytes of the sent-th camera data report of the answer
    // last prepared. The answers start at a different block each time and
    // stride through the row, so the pixels never arrive simply in order.
    void EncodeReport(size_t sent, uint8_t* data) const;

    // A change to one row of one camera from now on: pixels first..last of it
    // become value * scale + offset (dust shading part of a lit row, stronger
    // ambient light raising a whole ambient row). Only that row changes. At
    // most kMaxRowChanges are kept; later ones are ignored.
    static constexpr size_t kMaxRowChanges = 8;
    void ChangeRow(int camera, ScopeKind kind, size_t first, size_t last, double scale,
                   double offset);

private:
    struct RowChange {
        int camera;
        ScopeKind kind;
        size_t first;
        size_t last;
        double scale;
        double offset;
    };

    int Noise(int range);
    double Changed(int camera, ScopeKind kind, size_t pixel, double value) const;

    int16_t values_[kScopePixels] = {};
    uint8_t code_ = 0;
    uint32_t answers_ = 0;
    uint32_t noise_ = 0x2545F491u;
    RowChange changes_[kMaxRowChanges] = {};
    size_t changeCount_ = 0;
};
