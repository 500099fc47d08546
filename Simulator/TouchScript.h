#pragma once
// The scripted fingers: one finger goes down, draws a figure of eight that
// reaches past the left and right screen edges, and lifts; while it moves a
// second finger touches down, slides along the bottom and lifts; then a pause,
// and the script repeats. Frames are numbered at the touch packet rate.

#include <cstddef>
#include <cstdint>

enum TouchState : uint8_t { kTouchDown = 1, kTouchMove = 2, kTouchUp = 3 };

struct ScriptTouch {
    uint8_t state;
    uint8_t id;
    float x;         // fraction of the screen width; off the screen below 0 and above 1
    float y;         // fraction of the screen height
    uint16_t width;  // contact size in pixels
    uint16_t height;
};

constexpr size_t kMaxTouchesPerFrame = 2;

// The touches of one frame, finger 0 (when present) first.
struct TouchFrame {
    ScriptTouch touches[kMaxTouchesPerFrame];
    size_t count;
};

class TouchScript {
public:
    explicit TouchScript(uint32_t framesPerSecond);

    TouchFrame FrameAt(uint32_t index) const;
    uint32_t FramesPerCycle() const { return framesPerCycle_; }
    uint32_t FramesPerSecond() const { return framesPerSecond_; }

private:
    double SecondsInCycle(uint32_t position) const;

    uint32_t framesPerSecond_;
    uint32_t framesPerCycle_;
};

// Touch packets, filled into the 64 data bytes after the report id. On-screen
// encodings show touches beyond an edge at that edge.
void EncodeXPacket(const TouchFrame& frame, uint8_t* data);
void EncodeYPacket(const TouchFrame& frame, uint8_t* data);
void EncodeOffscreenPacket(const TouchFrame& frame, uint8_t* data);

// Screen fraction to the device units of the X and Y packets.
constexpr float kDeviceUnits = 32767.0f;
// A touch beyond an edge is at that edge.
uint16_t DeviceUnits16(float fraction);
