#include "Checks/AccuracyCheck.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSmallGridFractions[kSmallTargetGrid] = {0.1, 0.5, 0.9};
constexpr double kLargeGridFractions[kLargeTargetGrid] = {0.1, 0.3, 0.5, 0.7, 0.9};
// A stretch shorter than this many points says too little about jitter.
constexpr int kMinHeldPoints = 3;

double Distance(AccuracyPoint a, AccuracyPoint b) {
    return std::hypot(a.X - b.X, a.Y - b.Y);
}

}  // namespace

int TargetCount(int gridSize) {
    return gridSize == kLargeTargetGrid ? kMaxTargets : kSmallTargetGrid * kSmallTargetGrid;
}

AccuracyPoint TargetFraction(int gridSize, int index) {
    const bool large = gridSize == kLargeTargetGrid;
    const int size = large ? kLargeTargetGrid : kSmallTargetGrid;
    if (index < 0 || index >= size * size) {
        index = 0;
    }
    const double* fractions = large ? kLargeGridFractions : kSmallGridFractions;
    return {fractions[index % size], fractions[index / size]};
}

void HoldStillCapture::Configure(double screenDiagonalPx, uint32_t holdMs) {
    stillRadius_ = std::max(1.0, screenDiagonalPx * kStillRadiusPercent / 100);
    holdMs_ = holdMs;
    Reset();
}

void HoldStillCapture::Reset() {
    count_ = 0;
    sumX_ = sumY_ = 0;
}

bool HoldStillCapture::Add(double x, double y, uint32_t nowMs, HeldTouch& held) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return false;
    }
    if (count_ > 0 && Distance({x, y}, {sumX_ / count_, sumY_ / count_}) > stillRadius_) {
        Reset();
    }
    if (count_ == 0) {
        startMs_ = nowMs;
    }
    points_[count_++] = {x, y};
    sumX_ += x;
    sumY_ += y;
    const bool heldLongEnough = nowMs - startMs_ >= holdMs_ && count_ >= kMinHeldPoints;
    if (!heldLongEnough && count_ < kMaxHeldPoints) {
        return false;
    }
    held = Describe(nowMs);
    Reset();
    return true;
}

HeldTouch HoldStillCapture::Describe(uint32_t nowMs) const {
    HeldTouch held;
    held.Packets = count_;
    held.StartMs = startMs_;
    held.EndMs = nowMs;
    held.Mean = {sumX_ / count_, sumY_ / count_};
    double squares = 0;
    for (int i = 0; i < count_; ++i) {
        const double distance = Distance(points_[i], held.Mean);
        squares += distance * distance;
        held.JitterLargest = std::max(held.JitterLargest, distance);
    }
    held.JitterSd = std::sqrt(squares / (2.0 * count_));
    return held;
}

double AccuracyScreen::DiagonalPx() const {
    return std::hypot(static_cast<double>(WidthPx), static_cast<double>(HeightPx));
}

std::optional<double> AccuracyScreen::Millimetres(double dxPx, double dyPx) const {
    if (!WidthMm || !HeightMm || WidthPx <= 0 || HeightPx <= 0) {
        return std::nullopt;
    }
    return std::hypot(dxPx * *WidthMm / WidthPx, dyPx * *HeightMm / HeightPx);
}

TargetVerdict JudgeTarget(const TargetSample& sample, const AccuracyScreen& screen,
                          const AccuracyThresholds& thresholds) {
    TargetVerdict verdict;
    verdict.Offset = {sample.Controller.Mean.X - sample.Target.X,
                      sample.Controller.Mean.Y - sample.Target.Y};
    verdict.OffsetPx = std::hypot(verdict.Offset.X, verdict.Offset.Y);
    verdict.OffsetMm = screen.Millimetres(verdict.Offset.X, verdict.Offset.Y);
    const double diagonal = screen.DiagonalPx();
    verdict.Passed = sample.Taken && verdict.OffsetPx < thresholds.OffsetPercent / 100 * diagonal &&
                     sample.Controller.JitterSd < thresholds.JitterPercent / 100 * diagonal;
    return verdict;
}

AccuracySummaryValues Summarise(const std::vector<TargetSample>& samples,
                                const AccuracyScreen& screen,
                                const AccuracyThresholds& thresholds) {
    AccuracySummaryValues summary;
    bool allPassed = true;
    double offsetSum = 0;
    for (const TargetSample& sample : samples) {
        if (!sample.Taken) {
            continue;
        }
        const TargetVerdict verdict = JudgeTarget(sample, screen, thresholds);
        ++summary.Targets;
        offsetSum += verdict.OffsetPx;
        summary.LargestOffsetPx = std::max(summary.LargestOffsetPx, verdict.OffsetPx);
        summary.LargestJitterPx = std::max(summary.LargestJitterPx, sample.Controller.JitterSd);
        allPassed = allPassed && verdict.Passed;
    }
    if (summary.Targets > 0) {
        summary.MeanOffsetPx = offsetSum / summary.Targets;
    }
    summary.Passed = summary.Targets > 0 && allPassed;
    return summary;
}
