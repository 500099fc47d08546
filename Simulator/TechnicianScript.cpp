#include "Simulator/TechnicianScript.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

// Contact size of a fingertip, in pixels.
constexpr uint16_t kFingerWidth = 12;
constexpr uint16_t kFingerHeight = 14;
const double kGoldenAngle = std::numbers::pi * (3 - std::sqrt(5.0));

}  // namespace

TechnicianScript::TechnicianScript(TechnicianConfig config, uint32_t framesPerSecond)
    : config_(std::move(config)), framesPerSecond_(std::max<uint32_t>(framesPerSecond, 1)) {}

uint32_t TechnicianScript::FramesOf(uint32_t ms) const {
    return static_cast<uint32_t>(static_cast<uint64_t>(ms) * framesPerSecond_ / 1000);
}

uint32_t TechnicianScript::FramesInAll() const {
    return FramesOf(config_.startMs) +
           static_cast<uint32_t>(config_.targets.size()) *
               (std::max<uint32_t>(FramesOf(config_.holdMs), 2) + 1 + FramesOf(config_.liftMs));
}

void TechnicianScript::TouchPixels(size_t target, float& x, float& y) const {
    const double width = config_.screenWidthPx;
    const double height = config_.screenHeightPx;
    const double dx = config_.targets[target].x * width - width / 2;
    const double dy = config_.targets[target].y * height - height / 2;
    const double angle = config_.rotationDeg * std::numbers::pi / 180;
    x = static_cast<float>(width / 2 +
                           config_.scale * (dx * std::cos(angle) - dy * std::sin(angle)) +
                           config_.offsetXPx);
    y = static_cast<float>(height / 2 +
                           config_.scale * (dx * std::sin(angle) + dy * std::cos(angle)) +
                           config_.offsetYPx);
}

TouchFrame TechnicianScript::FrameAt(uint32_t index) const {
    TouchFrame frame{};
    const uint32_t start = FramesOf(config_.startMs);
    const uint32_t hold = std::max<uint32_t>(FramesOf(config_.holdMs), 2);
    // The held frames, then the frame that lifts, then the pause.
    const uint32_t period = hold + 1 + FramesOf(config_.liftMs);
    if (index < start || config_.targets.empty()) {
        return frame;
    }
    const uint32_t target = (index - start) / period;
    const uint32_t step = (index - start) % period;
    if (target >= config_.targets.size() || step > hold) {
        return frame;
    }
    float x;
    float y;
    TouchPixels(target, x, y);
    // The lift reports where the finger was held, the jitter of the last frame.
    const uint32_t jitterStep = std::min(step, hold - 1);
    const double radius = config_.jitterSdPx * std::numbers::sqrt2;
    const double angle = kGoldenAngle * (jitterStep + 17.0 * target);
    x += static_cast<float>(radius * std::cos(angle));
    y += static_cast<float>(radius * std::sin(angle));
    const uint8_t state = step == 0 ? kTouchDown : step == hold ? kTouchUp : kTouchMove;
    frame.touches[0] = {state,
                        0,
                        x / static_cast<float>(config_.screenWidthPx),
                        y / static_cast<float>(config_.screenHeightPx),
                        kFingerWidth,
                        kFingerHeight};
    frame.count = 1;
    return frame;
}
