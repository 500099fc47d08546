// The desktop mapping: the fit, the recognised causes and the correcting
// matrix; a verdict that is right needs no advice.

#include <gmock/gmock.h>
#include <array>

#include <cmath>
#include <vector>

#include "Checks/DesktopMapping.h"
#include "Checks/MappingAdvice.h"
#include "tests/Checks/MappingSamples.h"
#include "tests/support/ExpectMatrix.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using namespace mapping_samples;

const TouchscreenDevice kDevice{"Brightfold BFT860", 0x2F7A, 0x0006, std::nullopt};
const DesktopSession kX11{SessionKind::X11};
const DesktopSession kWayland{SessionKind::Wayland};

}  // namespace

TEST(AffineFit, RecoversAKnownMapAndRefusesPointsOnOneLine) {
    AffineMap known;
    known.M = {0.9, 0.1, 12, -0.05, 1.1, -7};
    std::vector<AccuracyPoint> from;
    std::vector<AccuracyPoint> to;
    for (int i = 0; i < 9; ++i) {
        from.push_back({100.0 + 400 * (i % 3), 80.0 + 300 * (i / 3)});
        to.push_back(known.Apply(from.back()));
    }
    const std::optional<AffineMap> fit = FitAffine(from, to);
    ASSERT_TRUE(fit);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_NEAR(fit->M[i], known.M[i], 1e-9);
    }
    EXPECT_FALSE(FitAffine({{0, 0}, {1, 1}, {2, 2}, {5, 5}}, {{0, 0}, {1, 0}, {2, 0}, {3, 1}}));
    EXPECT_FALSE(FitAffine({{0, 0}, {1, 0}}, {{0, 0}, {1, 0}}));

    const std::optional<AffineMap> inverse = known.Inverse();
    ASSERT_TRUE(inverse);
    const AccuracyPoint back = known.Then(*inverse).Apply({37, 91});
    EXPECT_NEAR(back.X, 37, 1e-9);
    EXPECT_NEAR(back.Y, 91, 1e-9);
}

TEST(DesktopMapping, TheRightMonitorIsCorrectAndNeedsNoAdvice) {
    const MappingVerdict verdict =
        JudgeMapping(Samples([](AccuracyPoint f) {
                         return AccuracyPoint{f.X * kWidth, f.Y * kHeight};
                     }),
                     TwoScreens(), SessionKind::X11);
    EXPECT_EQ(verdict.Cause, MappingCause::Correct);
    EXPECT_EQ(verdict.TargetsWithEvents, 9);
    ASSERT_TRUE(verdict.Fit);
    EXPECT_NEAR(verdict.Fit->M[0], 1, 1e-9);
    EXPECT_NEAR(verdict.FitResidualPx, 0, 1e-6);
    EXPECT_FALSE(verdict.Calibration);
    EXPECT_EQ(MappingAdvice(verdict, TwoScreens(), kX11, kDevice), "");
}

TEST(DesktopMapping, TheWholeOfTwoScreensIsRecognisedFromTheLeftColumnAlone) {
    const DesktopLayout layout = TwoScreens();
    const MappingVerdict verdict =
        JudgeMapping(Samples([](AccuracyPoint f) {
                         return AccuracyPoint{f.X * 2 * kWidth, f.Y * kHeight};
                     }),
                     layout, SessionKind::X11);
    EXPECT_EQ(verdict.Cause, MappingCause::WholeDesktop);
    EXPECT_EQ(verdict.TargetsWithEvents, 3);
    EXPECT_FALSE(verdict.Fit);  // one column does not span the plane
    ExpectMatrix(verdict.Calibration, {0.5, 0, 0, 0, 1, 0});
    const std::string advice = MappingAdvice(verdict, layout, kX11, kDevice);
    EXPECT_THAT(advice, HasSubstr("xinput map-to-output 'Brightfold BFT860' DP-1\n"));
    EXPECT_THAT(advice, HasSubstr("\"libinput Calibration Matrix\" 0.5 0 0 0 1 0 0 0 1"));
    EXPECT_THAT(MappingSummaryText(verdict, layout), HasSubstr("whole desktop"));
}

TEST(DesktopMapping, TheTestScreenOnTheRightOfTheDesktopGetsItsOffset) {
    DesktopLayout layout = TwoScreens();
    layout.TestScreen = 1;
    layout.Window = layout.Screens[1].Geometry;
    // Desktop pixels of the whole desktop, made window-local for the samples.
    const MappingVerdict verdict =
        JudgeMapping(Samples([](AccuracyPoint f) {
                         return AccuracyPoint{f.X * 2 * kWidth - kWidth, f.Y * kHeight};
                     }),
                     layout, SessionKind::X11);
    EXPECT_EQ(verdict.Cause, MappingCause::WholeDesktop);
    ExpectMatrix(verdict.Calibration, {0.5, 0, 0.5, 0, 1, 0});
}

TEST(DesktopMapping, RotationsAndMirrorsOnTheRightMonitor) {
    struct Case {
        Orientation turn;
        std::array<double, 6> matrix;
    };
    const Case cases[] = {
        {Orientation::Rotated90, {0, 1, 0, -1, 0, 1}},
        {Orientation::Rotated180, {-1, 0, 1, 0, -1, 1}},
        {Orientation::Rotated270, {0, -1, 1, 1, 0, 0}},
        {Orientation::MirroredLeftRight, {-1, 0, 1, 0, 1, 0}},
        {Orientation::MirroredTopBottom, {1, 0, 0, 0, -1, 1}},
    };
    for (const Case& c : cases) {
        const AffineMap turn = OrientationMap(c.turn);
        const MappingVerdict verdict =
            JudgeMapping(Samples([&](AccuracyPoint f) {
                             const AccuracyPoint t = turn.Apply(f);
                             return AccuracyPoint{t.X * kWidth, t.Y * kHeight};
                         }),
                         OneScreen(), SessionKind::Wayland);
        EXPECT_EQ(verdict.Cause, MappingCause::Oriented) << OrientationName(c.turn);
        EXPECT_EQ(verdict.Turn, c.turn);
        ExpectMatrix(verdict.Calibration, c.matrix);
        // Applying the matrix first undoes the turn.
        const AccuracyPoint undone = verdict.Calibration->Then(turn).Apply({0.2, 0.7});
        EXPECT_NEAR(undone.X, 0.2, 1e-9);
        EXPECT_NEAR(undone.Y, 0.7, 1e-9);
    }
}

TEST(DesktopMapping, AnotherMonitorIsFixedByMappingToTheOutputNotByAMatrix) {
    // Touches mapped to a monitor beside the window never reach it; this one
    // overlaps the test screen (a clone at a lower resolution), so they do.
    DesktopLayout layout = TwoScreens();
    layout.Screens.insert(layout.Screens.begin() + 1, {"VGA-1", {0, 0, 1024, 768}});
    const MappingVerdict verdict = JudgeMapping(Samples([](AccuracyPoint f) {
                                                    return AccuracyPoint{f.X * 1024, f.Y * 768};
                                                }),
                                                layout, SessionKind::X11);
    EXPECT_EQ(verdict.Cause, MappingCause::WrongMonitor);
    EXPECT_EQ(verdict.MappedScreen, 1);
    EXPECT_FALSE(verdict.Calibration);
    EXPECT_EQ(MappingAdvice(verdict, layout, kX11, kDevice),
              "xinput map-to-output 'Brightfold BFT860' DP-1\n");
    EXPECT_THAT(MappingSummaryText(verdict, layout), HasSubstr("VGA-1 instead of DP-1"));
}

TEST(DesktopMapping, NoDesktopEventsAndTooFewAreSaidSo) {
    const std::vector<TargetSample> none = Samples([](AccuracyPoint) {
        return AccuracyPoint{-1, -1};
    });
    const MappingVerdict verdict = JudgeMapping(none, OneScreen(), SessionKind::X11);
    EXPECT_EQ(verdict.Cause, MappingCause::NoTouchEvents);
    EXPECT_THAT(MappingSummaryText(verdict, OneScreen()), HasSubstr("No touch events"));
    EXPECT_EQ(MappingAdvice(verdict, OneScreen(), kX11, kDevice), "");

    std::vector<TargetSample> one = none;
    one[4].Desktop = one[4].Controller.Mean;
    EXPECT_EQ(JudgeMapping(one, OneScreen(), SessionKind::X11).Cause,
              MappingCause::NotEnoughPoints);
    EXPECT_EQ(JudgeMapping({}, OneScreen(), SessionKind::X11).Cause, MappingCause::NotEnoughPoints);
}

TEST(DesktopMapping, AnOddMappingIsUnrecognisedWithAMatrixFromTheFit) {
    // Squeezed to 80 % about the top left: none of the candidates.
    const MappingVerdict verdict =
        JudgeMapping(Samples([](AccuracyPoint f) {
                         return AccuracyPoint{0.8 * f.X * kWidth, 0.8 * f.Y * kHeight};
                     }),
                     OneScreen(), SessionKind::Wayland);
    EXPECT_EQ(verdict.Cause, MappingCause::Unrecognised);
    ExpectMatrix(verdict.Calibration, {1.25, 0, 0, 0, 1.25, 0});
    EXPECT_THAT(MappingAdvice(verdict, OneScreen(), kWayland, kDevice),
                HasSubstr("LIBINPUT_CALIBRATION_MATRIX}=\"1.25 0 0 0 1.25 0\""));
}

TEST(DesktopMapping, MatrixTextHasThreeDecimalsAtMostAndNoNegativeZero) {
    AffineMap map;
    map.M = {0.33333, -0.0001, 1, -1, 0.5, 0.12349};
    EXPECT_EQ(MatrixValuesText(map), "0.333 0 1 -1 0.5 0.123");
}
