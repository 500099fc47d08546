// The accuracy test's arithmetic: targets, the hold-still capture, offsets,
// jitter and the verdicts.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Checks/AccuracyCheck.h"

namespace {

constexpr double kDiagonal = 1000;  // the still radius is then 20 px

HeldTouch HoldAt(HoldStillCapture& capture, double x, double y, uint32_t fromMs, uint32_t toMs,
                 uint32_t stepMs = 10) {
    HeldTouch held;
    for (uint32_t t = fromMs; t <= toMs; t += stepMs) {
        if (capture.Add(x, y, t, held)) {
            return held;
        }
    }
    ADD_FAILURE() << "not taken by " << toMs << " ms";
    return held;
}

TargetSample Sample(double targetX, double targetY, double meanX, double meanY, double jitter) {
    TargetSample sample;
    sample.Taken = true;
    sample.Target = {targetX, targetY};
    sample.Controller.Mean = {meanX, meanY};
    sample.Controller.JitterSd = jitter;
    sample.Controller.Packets = 50;
    return sample;
}

}  // namespace

TEST(AccuracyTargets, GridsSitAtTheirShareOfTheScreenRowByRow) {
    EXPECT_EQ(TargetCount(3), 9);
    EXPECT_EQ(TargetCount(5), 25);
    EXPECT_DOUBLE_EQ(TargetFraction(3, 0).X, 0.1);
    EXPECT_DOUBLE_EQ(TargetFraction(3, 1).X, 0.5);
    EXPECT_DOUBLE_EQ(TargetFraction(3, 5).X, 0.9);
    EXPECT_DOUBLE_EQ(TargetFraction(3, 5).Y, 0.5);
    EXPECT_DOUBLE_EQ(TargetFraction(5, 6).X, 0.3);
    EXPECT_DOUBLE_EQ(TargetFraction(5, 6).Y, 0.3);
    EXPECT_DOUBLE_EQ(TargetFraction(5, 24).Y, 0.9);
    // Out of range: the first target, never outside the table.
    EXPECT_DOUBLE_EQ(TargetFraction(3, 9).X, 0.1);
    EXPECT_DOUBLE_EQ(TargetFraction(4, -1).Y, 0.1);
}

TEST(HoldStillCapture, TakesATouchHeldStillForTheHoldTime) {
    HoldStillCapture capture;
    capture.Configure(kDiagonal, 500);
    const HeldTouch held = HoldAt(capture, 100, 200, 1000, 3000);
    EXPECT_EQ(held.StartMs, 1000u);
    EXPECT_EQ(held.EndMs, 1500u);
    EXPECT_EQ(held.Packets, 51);
    EXPECT_DOUBLE_EQ(held.Mean.X, 100);
    EXPECT_DOUBLE_EQ(held.JitterSd, 0);
}

TEST(HoldStillCapture, AMoveBeyondTheStillRadiusStartsOverAndResetForgets) {
    HoldStillCapture capture;
    capture.Configure(kDiagonal, 500);
    HeldTouch held;
    for (uint32_t t = 0; t < 400; t += 10) {
        ASSERT_FALSE(capture.Add(100, 100, t, held));
    }
    // 25 px away: the finger slid; the hold starts again here.
    EXPECT_FALSE(capture.Add(125, 100, 400, held));
    for (uint32_t t = 410; t < 900; t += 10) {
        ASSERT_FALSE(capture.Add(125, 100, t, held));
    }
    EXPECT_TRUE(capture.Add(125, 100, 900, held));
    EXPECT_EQ(held.StartMs, 400u);
    EXPECT_DOUBLE_EQ(held.Mean.X, 125);

    for (uint32_t t = 1000; t < 1400; t += 10) {
        ASSERT_FALSE(capture.Add(300, 300, t, held));
    }
    capture.Reset();
    EXPECT_FALSE(capture.Add(300, 300, 1550, held));  // would have completed without the reset
}

TEST(HoldStillCapture, JitterIsThePerAxisDeviationAndTheLargestDistance) {
    HoldStillCapture capture;
    capture.Configure(kDiagonal, 70);
    // Four points at distance 3 around (50, 60): per axis SD 3 / sqrt(2).
    const double points[][2] = {{53, 60}, {50, 63}, {47, 60}, {50, 57},
                                {53, 60}, {50, 63}, {47, 60}, {50, 57}};
    HeldTouch held;
    bool taken = false;
    uint32_t t = 0;
    for (const auto& p : points) {
        taken = capture.Add(p[0], p[1], t, held);
        t += 10;
    }
    ASSERT_TRUE(taken);
    EXPECT_NEAR(held.Mean.X, 50, 1e-9);
    EXPECT_NEAR(held.Mean.Y, 60, 1e-9);
    EXPECT_NEAR(held.JitterSd, 3 / std::sqrt(2.0), 1e-9);
    EXPECT_NEAR(held.JitterLargest, 3, 1e-9);
}

TEST(HoldStillCapture, PositionsThatAreNoNumbersAreIgnored) {
    HoldStillCapture capture;
    capture.Configure(kDiagonal, 20);
    HeldTouch held;
    EXPECT_FALSE(capture.Add(NAN, 5, 0, held));
    EXPECT_FALSE(capture.Add(5, INFINITY, 0, held));
    EXPECT_FALSE(capture.Add(5, 5, 0, held));
    EXPECT_FALSE(capture.Add(5, 5, 10, held));
    EXPECT_TRUE(capture.Add(5, 5, 20, held));
    EXPECT_EQ(held.Packets, 3);
}

TEST(AccuracyVerdicts, OffsetsInPixelsAndMillimetresAgainstTheThresholds) {
    AccuracyScreen screen{1600, 1200, 320.0, 240.0};  // diagonal 2000 px, 0.2 mm a pixel
    const AccuracyThresholds thresholds;              // 30 px offset, 10 px jitter
    const TargetVerdict near = JudgeTarget(Sample(100, 100, 118, 76, 2), screen, thresholds);
    EXPECT_DOUBLE_EQ(near.Offset.X, 18);
    EXPECT_DOUBLE_EQ(near.Offset.Y, -24);
    EXPECT_DOUBLE_EQ(near.OffsetPx, 30);
    ASSERT_TRUE(near.OffsetMm);
    EXPECT_NEAR(*near.OffsetMm, 6, 1e-9);
    EXPECT_FALSE(near.Passed);  // 30 px is not under 30 px
    EXPECT_TRUE(JudgeTarget(Sample(100, 100, 129, 100, 9.9), screen, thresholds).Passed);
    EXPECT_FALSE(JudgeTarget(Sample(100, 100, 100, 100, 10), screen, thresholds).Passed);

    screen.HeightMm.reset();
    EXPECT_FALSE(JudgeTarget(Sample(0, 0, 3, 4, 0), screen, thresholds).OffsetMm);
}

TEST(AccuracyVerdicts, TheSummaryCoversTakenTargetsOnlyAndNeedsOne) {
    const AccuracyScreen screen{1600, 1200, {}, {}};
    AccuracyThresholds thresholds;
    std::vector<TargetSample> samples = {Sample(0, 0, 3, 4, 1), Sample(0, 0, 6, 8, 2),
                                         TargetSample{}};
    samples[2].Controller.Mean = {500, 500};  // not taken: counts for nothing
    AccuracySummaryValues summary = Summarise(samples, screen, thresholds);
    EXPECT_EQ(summary.Targets, 2);
    EXPECT_DOUBLE_EQ(summary.LargestOffsetPx, 10);
    EXPECT_DOUBLE_EQ(summary.MeanOffsetPx, 7.5);
    EXPECT_DOUBLE_EQ(summary.LargestJitterPx, 2);
    EXPECT_TRUE(summary.Passed);

    thresholds.OffsetPercent = 0.4;  // 8 px: the second target fails
    EXPECT_FALSE(Summarise(samples, screen, thresholds).Passed);
    EXPECT_FALSE(Summarise({TargetSample{}}, screen, AccuracyThresholds{}).Passed);
}
