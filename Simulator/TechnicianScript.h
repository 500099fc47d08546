#pragma once
// The technician of the accuracy test: for each target in turn one finger
// touches down, holds still for a while and lifts, then the next. The touch
// lands where a controller with the configured errors would report it: turned
// and scaled about the screen's centre, shifted, and jittering while held.
// The jitter walks a circle in steps of the golden angle, so that its standard
// deviation per axis is the configured one from a few dozen packets on and
// its mean stays on the touch.

#include <cstdint>
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

private:
    uint32_t FramesOf(uint32_t ms) const;

    TechnicianConfig config_;
    uint32_t framesPerSecond_;
};
