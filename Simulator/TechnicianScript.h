#pragma once
// The technician of the accuracy test: for each target in turn one finger
// touches down, holds still for a while and lifts, then the next. The touch
// lands where a controller with the configured errors would report it: turned
// and scaled about the screen's centre, shifted, and jittering while held.
// The jitter walks a circle in steps of the golden angle, so that its standard
// deviation per axis is the configured one from a few dozen packets on and
// its mean stays on the touch.
//
// After the targets it can stroke the whole screen with one finger in a
// lawnmower pattern (rows across, joined at the edges) with the faults of an
// installed touchscreen at given places: dead zones where nothing is
// reported, dropouts (the touch lost for a moment), jumps (the report skips
// ahead along the stroke) and a report rate below the frame rate. Last it can
// hold two fingers on a diagonal and move them apart, reported where they are
// or, with a ghost swap, at the other diagonal's corners.

#include <cstdint>
#include <optional>
#include <vector>

#include "Simulator/TouchScript.h"

struct TechnicianConfig {
    // Where the targets are, as fractions of the screen, in the order touched.
    struct Target {
        float x;
        float y;
    };
    std::vector<Target> targets;
    // The screen in pixels, to which the errors below refer.
    int screenWidthPx = 1280;
    int screenHeightPx = 800;
    float offsetXPx = 0;
    float offsetYPx = 0;
    float rotationDeg = 0;  // clockwise on the screen
    float scale = 1;
    float jitterSdPx = 0;    // per axis
    uint32_t startMs = 300;  // before the first touch
    uint32_t holdMs = 900;
    uint32_t liftMs = 300;  // between two touches

    // The strokes, in screen pixels.
    bool strokes = false;
    float strokeSpeedPxPerS = 600;
    float strokeRowSpacingPx = 20;  // at most; the rows share the height evenly
    struct Area {
        float left, top, right, bottom;
    };
    std::vector<Area> deadZones;  // no report while the finger is inside
    struct Place {
        float x, y;   // where the stroke passes nearest
        uint32_t ms;  // how long the touch is lost, or how far ahead the report skips
    };
    std::vector<Place> dropouts;
    std::vector<Place> jumps;
    // Reports per second while stroking: 0 for one each frame, else frames
    // are left out to keep this rate.
    uint32_t reportsPerSecond = 0;

    // The two-finger hold after the strokes (or the targets).
    struct TwoFingers {
        Target first, second;            // where they touch down
        Target firstApart, secondApart;  // where they move to
        bool ghost = false;              // reported at the other diagonal's corners
        uint32_t holdMs = 400;
        uint32_t moveMs = 600;
    };
    std::optional<TwoFingers> twoFingers;
};

class TechnicianScript {
public:
    TechnicianScript(TechnicianConfig config, uint32_t framesPerSecond);

    // Nothing before the first touch and after the last.
    TouchFrame FrameAt(uint32_t index) const;
    // Where the finger of a target lands without jitter, in screen pixels.
    void TouchPixels(size_t target, float& x, float& y) const;
    uint32_t FramesInAll() const;
    const TechnicianConfig& Config() const { return config_; }
    // Where the stroke is at a distance along it, in screen pixels; the
    // distance along it nearest to a point.
    void StrokeAt(double along, float& x, float& y) const;
    double StrokeNearest(float x, float y) const;

private:
    uint32_t FramesOf(uint32_t ms) const;
    uint32_t TargetFrames() const;
    uint32_t StrokeFrames() const;
    uint32_t TwoFingerFrames() const;
    // The one finger of the targets and the strokes at a screen pixel.
    TouchFrame OneFinger(uint8_t state, float x, float y) const;
    TouchFrame TargetFrameAt(uint32_t index) const;
    TouchFrame StrokeFrameAt(uint32_t index) const;
    TouchFrame TwoFingerFrameAt(uint32_t index) const;
    // The finger's contact is seen (not in a dead zone or a dropout) at a
    // stroke frame, and where it is reported then.
    bool StrokeSeen(uint32_t index, float& x, float& y) const;
    bool StrokeReportDue(uint32_t index) const;
    double RowLength() const;
    double RowStep() const;
    int Rows() const;
    double StrokeLength() const;

    TechnicianConfig config_;
    uint32_t framesPerSecond_;
};
