#pragma once
// The arithmetic of the accuracy test: where the targets are, when a touch
// has been held still long enough to be taken, what each taken touch says
// (mean, offset, jitter), the verdicts against the thresholds, and how the
// desktop maps the touchscreen compared with what the controller reports.
// Positions are pixels of the test window unless a name says otherwise.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct AccuracyPoint {
    double X = 0;
    double Y = 0;
};

// Targets: a grid of 3 x 3 (at 10, 50, 90 % of the screen) or 5 x 5 (also at
// 30 and 70 %), row by row from the top left.
constexpr int kSmallTargetGrid = 3;
constexpr int kLargeTargetGrid = 5;
constexpr int kMaxTargets = kLargeTargetGrid * kLargeTargetGrid;
int TargetCount(int gridSize);
// The target as fractions of the screen's width and height; a grid size other
// than 5 is taken as 3, an index outside the grid as the first target.
AccuracyPoint TargetFraction(int gridSize, int index);

// A touch is taken once it has stayed within kStillRadiusPercent of the
// screen diagonal around its own mean for the hold time.
constexpr uint32_t kDefaultHoldMs = 500;
constexpr double kStillRadiusPercent = 2.0;
// Points of one still stretch: enough for a hold at the controller's top rate.
constexpr int kMaxHeldPoints = 2048;

// What the points of one held touch say.
struct HeldTouch {
    AccuracyPoint Mean;
    double JitterSd = 0;       // standard deviation per axis, pooled over X and Y
    double JitterLargest = 0;  // largest distance of a point from the mean
    int Packets = 0;
    uint32_t StartMs = 0;  // tick of the stretch's first point
    uint32_t EndMs = 0;    // tick of the point that completed the hold
};

// Follows one finger's positions and says when it has been held still for the
// hold time. Fixed storage: adding a point allocates nothing.
class HoldStillCapture {
public:
    void Configure(double screenDiagonalPx, uint32_t holdMs);
    // Forgets the stretch (the finger lifted, or the target changed).
    void Reset();
    // Adds one position; true when this point completed the hold, and then
    // held describes the stretch. A point farther than the still radius from
    // the stretch's mean starts a new stretch from itself.
    bool Add(double x, double y, uint32_t nowMs, HeldTouch& held);

private:
    HeldTouch Describe(uint32_t nowMs) const;

    std::array<AccuracyPoint, kMaxHeldPoints> points_{};
    int count_ = 0;
    double sumX_ = 0, sumY_ = 0;
    uint32_t startMs_ = 0;
    double stillRadius_ = 20;
    uint32_t holdMs_ = kDefaultHoldMs;
};

// The screen the test ran on: the test window's size, and the physical size
// when the system reports one.
struct AccuracyScreen {
    int WidthPx = 0;
    int HeightPx = 0;
    std::optional<double> WidthMm;
    std::optional<double> HeightMm;
    double DiagonalPx() const;
    // Millimetres of a pixel distance, when the physical size is known.
    std::optional<double> Millimetres(double dxPx, double dyPx) const;
};

// Pass limits as percentages of the screen diagonal.
struct AccuracyThresholds {
    double OffsetPercent = 1.5;
    double JitterPercent = 0.5;
};

// One target's result. The desktop position is the mean of the touch events
// the desktop delivered to the window during the hold; none when it sent none.
struct TargetSample {
    bool Taken = false;
    AccuracyPoint Target;
    HeldTouch Controller;
    std::optional<AccuracyPoint> Desktop;
};

struct TargetVerdict {
    AccuracyPoint Offset;  // measured minus target
    double OffsetPx = 0;
    std::optional<double> OffsetMm;
    bool Passed = false;
};
TargetVerdict JudgeTarget(const TargetSample& sample, const AccuracyScreen& screen,
                          const AccuracyThresholds& thresholds);

struct AccuracySummaryValues {
    double LargestOffsetPx = 0;
    double MeanOffsetPx = 0;
    double LargestJitterPx = 0;
    int Targets = 0;  // targets taken
    bool Passed = false;
};
// Over the taken targets; passed only when there is at least one and every
// one passed.
AccuracySummaryValues Summarise(const std::vector<TargetSample>& samples,
                                const AccuracyScreen& screen, const AccuracyThresholds& thresholds);
