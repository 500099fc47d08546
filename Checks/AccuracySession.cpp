#include "Checks/AccuracySession.h"

#include <algorithm>
#include <cmath>

void AccuracySession::Start(int gridSize, int widthPx, int heightPx, uint32_t holdMs) {
    gridSize_ = gridSize == kLargeTargetGrid ? kLargeTargetGrid : kSmallTargetGrid;
    width_ = widthPx;
    height_ = heightPx;
    capture_.Configure(std::hypot(static_cast<double>(widthPx), static_cast<double>(heightPx)),
                       holdMs);
    for (int i = 0; i < kMaxTargets; ++i) {
        samples_[static_cast<size_t>(i)] = {};
    }
    single_ = false;
    desktopCount_ = 0;
    BeginTarget(0);
}

void AccuracySession::Redo(int index) {
    if (index < 0 || index >= Targets()) {
        return;
    }
    single_ = true;
    BeginTarget(index);
}

void AccuracySession::StepBack() {
    if (phase_ == AccuracyPhase::Finished || current_ == 0 || single_) {
        return;
    }
    BeginTarget(current_ - 1);
}

void AccuracySession::BeginTarget(int index) {
    current_ = index;
    const AccuracyPoint fraction = TargetFraction(gridSize_, index);
    TargetSample& sample = samples_[static_cast<size_t>(index)];
    sample = {};
    sample.Target = {fraction.X * width_, fraction.Y * height_};
    capture_.Reset();
    holding_ = false;
    phase_ = AccuracyPhase::Touching;
}

bool AccuracySession::OnControllerTouch(uint8_t state, double x, double y, uint32_t nowMs) {
    if (phase_ == AccuracyPhase::Finished || state < 1 || state > 3) {
        return false;
    }
    lastTouchMs_ = nowMs;
    if (state == 3) {
        if (phase_ == AccuracyPhase::Lifting) {
            FinishTarget();
            return true;
        }
        // Lifted before it was held long enough: that touch does not count.
        capture_.Reset();
        const bool changed = holding_;
        holding_ = false;
        return changed;
    }
    if (phase_ != AccuracyPhase::Touching) {
        return false;
    }
    const bool wasHolding = holding_;
    holding_ = true;
    if (!capture_.Add(x, y, nowMs, held_)) {
        return !wasHolding;
    }
    phase_ = AccuracyPhase::Lifting;
    return true;
}

void AccuracySession::OnDesktopTouch(uint8_t state, double x, double y, uint32_t eventMs,
                                     uint32_t nowMs) {
    if (state == 1) {
        ++desktopTouches_;  // counted even when unused, so later touches stay apart
    }
    if (phase_ == AccuracyPhase::Finished || state < 1 || state > 3 || !std::isfinite(x) ||
        !std::isfinite(y)) {
        return;
    }
    const auto delay = static_cast<int32_t>(nowMs - eventMs);
    if (!eventDelayMs_ || delay < *eventDelayMs_) {
        eventDelayMs_ = delay;
    }
    desktop_[static_cast<size_t>(desktopCount_ % kDesktopPoints)] = {
        {x, y}, eventMs, desktopTouches_, state == 3};
    ++desktopCount_;
    if (desktopCount_ == 2 * kDesktopPoints) {
        desktopCount_ = kDesktopPoints;  // keeps the ring's order, never overflows
    }
    if (state == 3) {
        RecordLateTouch(desktopTouches_);
    }
}

bool AccuracySession::OnTick(uint32_t nowMs) {
    if (phase_ != AccuracyPhase::Lifting || nowMs - lastTouchMs_ < kLiftTimeoutMs) {
        return false;
    }
    FinishTarget();
    return true;
}

uint32_t AccuracySession::DesktopMs(const TimedPoint& point) const {
    // Whatever the desktop's clock (the same monotonic one as here, or one
    // that started with the toolkit): the event handled soonest after it
    // happened gives the offset, within that event's own short delay.
    return point.EventMs + static_cast<uint32_t>(eventDelayMs_.value_or(0));
}

namespace {

// Whether a comes before b on a clock that may wrap.
bool Earlier(uint32_t a, uint32_t b) {
    return static_cast<int32_t>(a - b) < 0;
}

// How long the span overlaps the hold, negative when apart.
int32_t OverlapMs(uint32_t fromMs, uint32_t toMs, const HeldTouch& held) {
    const uint32_t from = static_cast<int32_t>(fromMs - held.StartMs) > 0 ? fromMs : held.StartMs;
    const uint32_t to = static_cast<int32_t>(toMs - held.EndMs) < 0 ? toMs : held.EndMs;
    return static_cast<int32_t>(to - from);
}

}  // namespace

std::optional<uint32_t> AccuracySession::DesktopTouchOfHold(int index) const {
    // One finger touches one target after another, so the desktop's touches
    // follow each other, one a hold: the hold's is the newest down during it
    // that is not another hold's (the one before may linger into it, by the
    // clocks' small disagreement or a lift the desktop saw late).
    const HeldTouch& held = samples_[static_cast<size_t>(index)].Controller;
    const int stored = std::min(desktopCount_, kDesktopPoints);
    std::optional<uint32_t> best;
    int i = desktopCount_ - stored;
    while (i < desktopCount_) {
        const TimedPoint& first = desktop_[static_cast<size_t>(i % kDesktopPoints)];
        const uint32_t touch = first.Touch;
        uint32_t lastMs = DesktopMs(first);
        bool lifted = first.Lift;
        for (++i; i < desktopCount_; ++i) {
            const TimedPoint& point = desktop_[static_cast<size_t>(i % kDesktopPoints)];
            if (point.Touch != touch) {
                break;
            }
            lastMs = DesktopMs(point);
            lifted = lifted || point.Lift;
        }
        // The newest touch, not lifted yet, is still down.
        const bool down = !lifted && i == desktopCount_;
        const auto overlap = [&](const HeldTouch& hold) {
            return OverlapMs(DesktopMs(first), down ? hold.EndMs : lastMs, hold);
        };
        const int32_t own = overlap(held);
        // The finger lifted after each hold: a touch down before an earlier
        // hold ended is that hold's, however long the desktop kept it down.
        const auto downBefore = [&](const HeldTouch& hold) {
            return Earlier(DesktopMs(first), hold.EndMs) && Earlier(hold.EndMs, held.StartMs);
        };
        bool another = false;
        for (int other = 0; other < Targets() && own >= 0 && !another; ++other) {
            const TargetSample& sample = samples_[static_cast<size_t>(other)];
            another = other != index && sample.Taken &&
                      (overlap(sample.Controller) > own || downBefore(sample.Controller));
        }
        if (own >= 0 && !another) {
            best = touch;
        }
    }
    return best;
}

std::optional<AccuracyPoint> AccuracySession::DesktopDuring(int index) const {
    const HeldTouch& held = samples_[static_cast<size_t>(index)].Controller;
    // A finger held still sends the desktop no moves, so the hold may hold no
    // desktop point at all: then the touch's last one before it stands for
    // it, or failing that the first after it.
    const std::optional<uint32_t> touch = DesktopTouchOfHold(index);
    if (!touch) {
        return std::nullopt;
    }
    const int stored = std::min(desktopCount_, kDesktopPoints);
    AccuracyPoint sum;
    int inHold = 0;
    const TimedPoint* before = nullptr;
    const TimedPoint* after = nullptr;
    for (int i = desktopCount_ - stored; i < desktopCount_; ++i) {
        const TimedPoint& point = desktop_[static_cast<size_t>(i % kDesktopPoints)];
        if (point.Touch != *touch || point.Lift) {
            continue;  // a lift's position may be none (a cancelled touch)
        }
        const int32_t sinceStart = static_cast<int32_t>(DesktopMs(point) - held.StartMs);
        const int32_t sinceEnd = static_cast<int32_t>(DesktopMs(point) - held.EndMs);
        if (sinceStart >= 0 && sinceEnd <= 0) {
            sum.X += point.Point.X;
            sum.Y += point.Point.Y;
            ++inHold;
        } else if (sinceStart < 0) {
            before = &point;
        } else if (after == nullptr) {
            after = &point;
        }
    }
    if (inHold > 0) {
        return AccuracyPoint{sum.X / inHold, sum.Y / inHold};
    }
    if (before != nullptr) {
        return before->Point;
    }
    if (after != nullptr) {
        return after->Point;
    }
    return std::nullopt;
}

void AccuracySession::FinishTarget() {
    TargetSample& sample = samples_[static_cast<size_t>(current_)];
    sample.Taken = true;
    sample.Controller = held_;
    sample.Desktop = DesktopDuring(current_);
    holding_ = false;
    if (single_ || current_ + 1 >= Targets()) {
        single_ = false;
        phase_ = AccuracyPhase::Finished;
        return;
    }
    BeginTarget(current_ + 1);
}

void AccuracySession::RecordLateTouch(uint32_t touch) {
    for (int i = 0; i < Targets(); ++i) {
        TargetSample& sample = samples_[static_cast<size_t>(i)];
        if (sample.Taken && DesktopTouchOfHold(i) == touch) {
            sample.Desktop = DesktopDuring(i);
        }
    }
}
