#include "Simulator/TouchScript.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "Simulator/ReportBytes.h"

namespace {

constexpr double kCycleSeconds = 3.0;

struct FingerPath {
    double start;  // seconds into the cycle
    double end;
    uint16_t width;
    uint16_t height;
    void (*position)(double progress, float& x, float& y);
};

void FigureOfEight(double progress, float& x, float& y) {
    const double angle = 2 * std::numbers::pi * progress;
    x = static_cast<float>(0.5 + 0.62 * std::sin(angle));
    y = static_cast<float>(0.5 - 0.3 * std::sin(2 * angle));
}

void BottomSlide(double progress, float& x, float& y) {
    x = static_cast<float>(0.2 + 0.6 * progress);
    y = static_cast<float>(0.82 - 0.08 * std::sin(std::numbers::pi * progress));
}

constexpr FingerPath kFingers[2] = {
    {0.0, 2.4, 14, 16, FigureOfEight},
    {0.6, 1.8, 18, 20, BottomSlide},
};

bool IsDown(const FingerPath& finger, double seconds) {
    return seconds >= finger.start && seconds < finger.end;
}

ScriptTouch Touch(const FingerPath& finger, uint8_t id, uint8_t state, double seconds) {
    ScriptTouch touch{state, id, 0, 0, finger.width, finger.height};
    finger.position((seconds - finger.start) / (finger.end - finger.start), touch.x, touch.y);
    return touch;
}

float OnScreen(float fraction) {
    return std::clamp(fraction, 0.0f, 1.0f);
}

}  // namespace

TouchScript::TouchScript(uint32_t framesPerSecond)
    : framesPerSecond_(std::max<uint32_t>(framesPerSecond, 1)),
      framesPerCycle_(static_cast<uint32_t>(std::lround(kCycleSeconds * framesPerSecond_))) {}

double TouchScript::SecondsInCycle(uint32_t position) const {
    return static_cast<double>(position) / framesPerSecond_;
}

TouchFrame TouchScript::FrameAt(uint32_t index) const {
    TouchFrame frame{};
    const uint32_t position = index % framesPerCycle_;
    const double now = SecondsInCycle(position);
    // The frame before a cycle's first is the pause at the end of the last.
    const double before = SecondsInCycle((position + framesPerCycle_ - 1) % framesPerCycle_);
    for (uint8_t id = 0; id < 2; ++id) {
        const FingerPath& finger = kFingers[id];
        const bool down = IsDown(finger, now);
        const bool wasDown = index > 0 && IsDown(finger, before);
        if (down) {
            frame.touches[frame.count++] =
                Touch(finger, id, wasDown ? kTouchMove : kTouchDown, now);
        } else if (wasDown) {
            // Lifting reports where the finger last was.
            frame.touches[frame.count++] = Touch(finger, id, kTouchUp, before);
        }
    }
    return frame;
}

namespace {

// The packet's kind and length bytes, then one record per touch from byte 2.
template <class EncodeRecord>
void EncodePacket(const TouchFrame& frame, uint8_t* data, char kind, size_t recordSize,
                  EncodeRecord encodeRecord) {
    std::memset(data, 0, kReportDataSize);
    data[0] = static_cast<uint8_t>(kind);
    data[1] = static_cast<uint8_t>(recordSize * frame.count);
    for (size_t i = 0; i < frame.count; ++i) {
        encodeRecord(frame.touches[i], &data[2 + i * recordSize]);
    }
}

}  // namespace

uint16_t DeviceUnits16(float fraction) {
    return static_cast<uint16_t>(std::lround(OnScreen(fraction) * kDeviceUnits));
}

void EncodeXPacket(const TouchFrame& frame, uint8_t* data) {
    EncodePacket(frame, data, 'X', 13, [](const ScriptTouch& touch, uint8_t* record) {
        record[0] = touch.state;
        PutBigEndianFloat(&record[1], OnScreen(touch.x) * kDeviceUnits);
        PutBigEndianFloat(&record[5], OnScreen(touch.y) * kDeviceUnits);
        PutLittleEndian16(&record[9], touch.width);
        PutLittleEndian16(&record[11], touch.height);
    });
}

void EncodeYPacket(const TouchFrame& frame, uint8_t* data) {
    EncodePacket(frame, data, 'Y', 10, [](const ScriptTouch& touch, uint8_t* record) {
        record[0] = touch.state;
        record[1] = touch.id;
        PutLittleEndian16(&record[2], DeviceUnits16(touch.x));
        PutLittleEndian16(&record[4], DeviceUnits16(touch.y));
        PutLittleEndian16(&record[6], touch.width);
        PutLittleEndian16(&record[8], touch.height);
    });
    data[22] = static_cast<uint8_t>(frame.count);
}

void EncodeOffscreenPacket(const TouchFrame& frame, uint8_t* data) {
    EncodePacket(frame, data, 'O', 14, [](const ScriptTouch& touch, uint8_t* record) {
        record[0] = touch.state;
        record[1] = touch.id;
        PutLittleEndianFloat(&record[2], touch.x);
        PutLittleEndianFloat(&record[6], touch.y);
        PutLittleEndian16(&record[10], touch.width);
        PutLittleEndian16(&record[12], touch.height);
    });
    data[30] = static_cast<uint8_t>(frame.count);
}
