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
// The strokes keep this far from the left and right edges: on them, not past them.
constexpr double kStrokeInsetPx = 1;

}  // namespace

TechnicianScript::TechnicianScript(TechnicianConfig config, uint32_t framesPerSecond)
    : config_(std::move(config)), framesPerSecond_(std::max<uint32_t>(framesPerSecond, 1)) {}

uint32_t TechnicianScript::FramesOf(uint32_t ms) const {
    return static_cast<uint32_t>(static_cast<uint64_t>(ms) * framesPerSecond_ / 1000);
}

uint32_t TechnicianScript::TargetFrames() const {
    return static_cast<uint32_t>(config_.targets.size()) *
           (std::max<uint32_t>(FramesOf(config_.holdMs), 2) + 1 + FramesOf(config_.liftMs));
}

uint32_t TechnicianScript::StrokeFrames() const {
    if (!config_.strokes || config_.strokeSpeedPxPerS <= 0) {
        return 0;
    }
    // Every frame on the way, the one at its end, and the lift.
    const double seconds = StrokeLength() / config_.strokeSpeedPxPerS;
    return static_cast<uint32_t>(std::ceil(seconds * framesPerSecond_)) + 2;
}

uint32_t TechnicianScript::TwoFingerFrames() const {
    if (!config_.twoFingers) {
        return 0;
    }
    return FramesOf(config_.liftMs) + std::max<uint32_t>(FramesOf(config_.twoFingers->holdMs), 1) +
           std::max<uint32_t>(FramesOf(config_.twoFingers->moveMs), 1) + 1;
}

uint32_t TechnicianScript::FramesInAll() const {
    return FramesOf(config_.startMs) + TargetFrames() + StrokeFrames() + TwoFingerFrames();
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
    const uint32_t start = FramesOf(config_.startMs);
    if (index < start) {
        return {};
    }
    index -= start;
    if (index < TargetFrames()) {
        return TargetFrameAt(index);
    }
    index -= TargetFrames();
    if (index < StrokeFrames()) {
        return StrokeFrameAt(index);
    }
    index -= StrokeFrames();
    if (index < TwoFingerFrames()) {
        return TwoFingerFrameAt(index);
    }
    return {};
}

TouchFrame TechnicianScript::OneFinger(uint8_t state, float x, float y) const {
    TouchFrame frame{};
    frame.touches[0] = {state,
                        0,
                        x / static_cast<float>(config_.screenWidthPx),
                        y / static_cast<float>(config_.screenHeightPx),
                        kFingerWidth,
                        kFingerHeight};
    frame.count = 1;
    return frame;
}

TouchFrame TechnicianScript::TargetFrameAt(uint32_t index) const {
    const uint32_t hold = std::max<uint32_t>(FramesOf(config_.holdMs), 2);
    // The held frames, then the frame that lifts, then the pause.
    const uint32_t period = hold + 1 + FramesOf(config_.liftMs);
    const uint32_t target = index / period;
    const uint32_t step = index % period;
    if (target >= config_.targets.size() || step > hold) {
        return {};
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
    return OneFinger(state, x, y);
}

int TechnicianScript::Rows() const {
    const double spacing = std::max(config_.strokeRowSpacingPx, 1.0f);
    return std::max(1, static_cast<int>(std::ceil(config_.screenHeightPx / spacing)));
}

double TechnicianScript::RowStep() const {
    return static_cast<double>(config_.screenHeightPx) / Rows();
}

double TechnicianScript::RowLength() const {
    return std::max(config_.screenWidthPx - 2 * kStrokeInsetPx, 1.0);
}

double TechnicianScript::StrokeLength() const {
    return Rows() * RowLength() + (Rows() - 1) * RowStep();
}

void TechnicianScript::StrokeAt(double along, float& x, float& y) const {
    along = std::clamp(along, 0.0, StrokeLength());
    const double period = RowLength() + RowStep();
    const int row = std::min(static_cast<int>(along / period), Rows() - 1);
    const double within = along - row * period;
    const bool rightwards = row % 2 == 0;
    const double rowY = (row + 0.5) * RowStep();
    if (within <= RowLength()) {
        x = static_cast<float>(kStrokeInsetPx + (rightwards ? within : RowLength() - within));
        y = static_cast<float>(rowY);
        return;
    }
    // Down the edge to the next row.
    x = static_cast<float>(kStrokeInsetPx + (rightwards ? RowLength() : 0));
    y = static_cast<float>(rowY + within - RowLength());
}

double TechnicianScript::StrokeNearest(float x, float y) const {
    const int row = std::clamp(static_cast<int>(std::floor(y / RowStep())), 0, Rows() - 1);
    const double within = std::clamp(x - kStrokeInsetPx, 0.0, RowLength());
    return row * (RowLength() + RowStep()) + (row % 2 == 0 ? within : RowLength() - within);
}

bool TechnicianScript::StrokeSeen(uint32_t index, float& x, float& y) const {
    if (index + 1 >= StrokeFrames()) {
        return false;  // the lift's frame
    }
    const double travelled =
        static_cast<double>(index) * config_.strokeSpeedPxPerS / framesPerSecond_;
    double along = travelled;
    for (const TechnicianConfig::Place& jump : config_.jumps) {
        if (travelled >= StrokeNearest(jump.x, jump.y)) {
            along += config_.strokeSpeedPxPerS * jump.ms / 1000.0;
        }
    }
    StrokeAt(along, x, y);
    for (const TechnicianConfig::Place& dropout : config_.dropouts) {
        const double from = StrokeNearest(dropout.x, dropout.y);
        if (along >= from && along < from + config_.strokeSpeedPxPerS * dropout.ms / 1000.0) {
            return false;
        }
    }
    for (const TechnicianConfig::Area& zone : config_.deadZones) {
        if (x >= zone.left && x < zone.right && y >= zone.top && y < zone.bottom) {
            return false;
        }
    }
    return true;
}

bool TechnicianScript::StrokeReportDue(uint32_t index) const {
    const uint64_t rate = config_.reportsPerSecond;
    return rate == 0 || index == 0 ||
           index * rate / framesPerSecond_ != (index - 1) * rate / framesPerSecond_;
}

TouchFrame TechnicianScript::StrokeFrameAt(uint32_t index) const {
    float x;
    float y;
    uint8_t state;
    if (StrokeSeen(index, x, y)) {
        if (!StrokeReportDue(index)) {
            return {};
        }
        // Down when the contact was not seen since the last report.
        state = kTouchDown;
        for (uint32_t before = index; before > 0; --before) {
            float ignoredX;
            float ignoredY;
            if (!StrokeSeen(before - 1, ignoredX, ignoredY)) {
                break;
            }
            if (StrokeReportDue(before - 1)) {
                state = kTouchMove;
                break;
            }
        }
    } else if (index > 0 && StrokeSeen(index - 1, x, y)) {
        state = kTouchUp;  // where the finger was last seen
    } else {
        return {};
    }
    return OneFinger(state, x, y);
}

TouchFrame TechnicianScript::TwoFingerFrameAt(uint32_t index) const {
    TouchFrame frame{};
    const TechnicianConfig::TwoFingers& two = *config_.twoFingers;
    const uint32_t pause = FramesOf(config_.liftMs);
    if (index < pause) {
        return frame;
    }
    index -= pause;
    const uint32_t hold = std::max<uint32_t>(FramesOf(two.holdMs), 1);
    const uint32_t move = std::max<uint32_t>(FramesOf(two.moveMs), 1);
    const float apart =
        index < hold ? 0.0f : std::min(1.0f, static_cast<float>(index - hold + 1) / move);
    const auto along = [apart](TechnicianConfig::Target from, TechnicianConfig::Target to) {
        return TechnicianConfig::Target{from.x + (to.x - from.x) * apart,
                                        from.y + (to.y - from.y) * apart};
    };
    TechnicianConfig::Target fingers[2] = {along(two.first, two.firstApart),
                                           along(two.second, two.secondApart)};
    if (two.ghost) {
        // Each finger's x with the other one's y: the other diagonal.
        std::swap(fingers[0].y, fingers[1].y);
    }
    const uint8_t state = index == 0 ? kTouchDown : index >= hold + move ? kTouchUp : kTouchMove;
    for (uint8_t id = 0; id < 2; ++id) {
        frame.touches[id] = {state, id, fingers[id].x, fingers[id].y, kFingerWidth, kFingerHeight};
    }
    frame.count = 2;
    return frame;
}
