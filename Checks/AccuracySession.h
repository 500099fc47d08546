#pragma once
// One run of the accuracy test: the targets in turn, each taken when the
// controller's touch has been held still long enough and recorded when the
// finger lifts, with the desktop's own touch positions of the same hold.
// Not locked: the window calls it under its own lock from channel 6's read
// thread (controller touches) and the window thread (desktop touches, keys).
// Nothing here allocates.

#include <array>
#include <cstdint>
#include <optional>

#include "Checks/AccuracyCheck.h"

enum class AccuracyPhase {
    Touching,  // waiting for the current target to be touched and held
    Lifting,   // taken; waiting for the finger to lift
    Finished,  // every target done: the results are shown
};

class AccuracySession {
public:
    // A lift that never arrives (a lost packet) is taken as one after this.
    static constexpr uint32_t kLiftTimeoutMs = 300;

    // Starts over with every target untaken, on a window of the given size.
    void Start(int gridSize, int widthPx, int heightPx, uint32_t holdMs);
    // Takes one target again; the session is finished again once it is.
    void Redo(int index);
    // Back to the previous target during the run, forgetting its sample.
    void StepBack();

    // A touch of the controller's first finger in window pixels (1 down,
    // 2 move, 3 up). True when the phase, the target or the holding changed.
    bool OnControllerTouch(uint8_t state, double x, double y, uint32_t nowMs);
    // A touch position the desktop delivered to the window (1 down, 2 move,
    // 3 up, as for the controller), with the desktop's own time of the event
    // and the time it was handled. The desktop's clock may have any origin;
    // a busy desktop delivers late, so the event's own time, put on this
    // clock, says which hold it belongs to.
    void OnDesktopTouch(uint8_t state, double x, double y, uint32_t eventMs, uint32_t nowMs);
    // True when a missing lift was taken as one.
    bool OnTick(uint32_t nowMs);

    AccuracyPhase Phase() const { return phase_; }
    int CurrentTarget() const { return current_; }
    bool Holding() const { return holding_; }
    int GridSize() const { return gridSize_; }
    int Targets() const { return TargetCount(gridSize_); }
    const TargetSample& Sample(int index) const { return samples_[static_cast<size_t>(index)]; }

private:
    struct TimedPoint {
        AccuracyPoint Point;
        uint32_t EventMs;  // on the desktop's clock
        uint32_t Touch;    // which of the desktop's touches it is part of
        bool Lift;
    };
    static constexpr int kDesktopPoints = 512;

    void BeginTarget(int index);
    // Records the desktop position of the hold and moves on.
    void FinishTarget();
    // On this clock: the desktop's time plus the shortest delay seen from an
    // event to its handling, the best known offset of the two clocks.
    uint32_t DesktopMs(const TimedPoint& point) const;
    // The desktop touch that was down during the target's hold, if any.
    std::optional<uint32_t> DesktopTouchOfHold(int index) const;
    std::optional<AccuracyPoint> DesktopDuring(int index) const;
    // A desktop touch that ends late still gives the holds it was part of
    // their positions.
    void RecordLateTouch(uint32_t touch);

    int gridSize_ = kSmallTargetGrid;
    int width_ = 0;
    int height_ = 0;
    AccuracyPhase phase_ = AccuracyPhase::Finished;
    int current_ = 0;
    bool single_ = false;  // redoing one target
    bool holding_ = false;
    uint32_t lastTouchMs_ = 0;
    HoldStillCapture capture_;
    HeldTouch held_;
    std::array<TargetSample, kMaxTargets> samples_{};
    std::array<TimedPoint, kDesktopPoints> desktop_{};
    int desktopCount_ = 0;                 // points of the run, the newest overwrite the oldest
    uint32_t desktopTouches_ = 0;          // desktop touches gone down so far
    std::optional<int32_t> eventDelayMs_;  // the shortest seen
};
