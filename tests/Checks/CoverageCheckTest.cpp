// The coverage strokes, the two-finger check and the millimetre limits, on
// the virtual technician's frames fed straight into the checks at the frame
// clock.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Checks/AcceptanceCheck.h"
#include "Simulator/TechnicianScript.h"

namespace {

// 1280 x 800 pixels of 0.25 mm: cells of exactly 40 pixels, 32 x 20 of them.
AccuracyScreen QuarterMillimetreScreen() {
    AccuracyScreen screen;
    screen.WidthPx = 1280;
    screen.HeightPx = 800;
    screen.WidthMm = 320;
    screen.HeightMm = 200;
    return screen;
}

TechnicianConfig Strokes() {
    TechnicianConfig config;
    config.startMs = 0;
    config.strokes = true;
    config.strokeSpeedPxPerS = 800;
    config.strokeRowSpacingPx = 20;
    return config;
}

// Every frame of the script into a session, each at its frame's time.
CoverageRecord Play(const TechnicianConfig& config, uint32_t framesPerSecond) {
    const AccuracyScreen screen = QuarterMillimetreScreen();
    CoverageSession session;
    session.Start(MakeCoverageGrid(screen), 0.25, 0.25);
    const TechnicianScript script(config, framesPerSecond);
    for (uint32_t i = 0; i < script.FramesInAll(); ++i) {
        const TouchFrame frame = script.FrameAt(i);
        for (size_t k = 0; k < frame.count; ++k) {
            const ScriptTouch& touch = frame.touches[k];
            session.OnContact(static_cast<int>(k), touch.state, touch.x * 1280, touch.y * 800,
                              static_cast<uint32_t>(uint64_t{i} * 1000 / framesPerSecond));
        }
    }
    return RecordOf(session);
}

TwoFingerVerdict PlayTwoFingers(bool ghost) {
    TechnicianConfig config;
    config.startMs = 0;
    config.twoFingers = TechnicianConfig::TwoFingers{
        {0.35f, 0.35f}, {0.65f, 0.65f}, {0.2f, 0.2f}, {0.8f, 0.8f}, ghost};
    const TechnicianScript script(config, 100);
    TwoFingerCheck check;
    check.Start(1280, 800);
    for (uint32_t i = 0; i < script.FramesInAll(); ++i) {
        const TouchFrame frame = script.FrameAt(i);
        uint8_t states[2];
        AccuracyPoint at[2];
        for (size_t k = 0; k < frame.count; ++k) {
            states[k] = frame.touches[k].state;
            at[k] = {frame.touches[k].x * 1280.0, frame.touches[k].y * 800.0};
        }
        check.OnReport(static_cast<int>(frame.count), states, at);
    }
    check.Finish();
    return check.Verdict();
}

const CriterionVerdict& Criterion(const std::vector<CriterionVerdict>& criteria,
                                  const std::string& name) {
    return *std::find_if(criteria.begin(), criteria.end(),
                         [&](const CriterionVerdict& c) { return c.Name == name; });
}

}  // namespace

TEST(CoverageGrid, CellsOfTenMillimetresOrSixteenByNine) {
    const CoverageGrid grid = MakeCoverageGrid(QuarterMillimetreScreen());
    EXPECT_EQ(grid.Columns, 32);
    EXPECT_EQ(grid.Rows, 20);
    EXPECT_EQ(grid.CellAt(0, 0), 0);
    EXPECT_EQ(grid.CellAt(1280, 800), 20 * 32 - 1);  // the far edge is the last cell's
    EXPECT_EQ(grid.CellAt(-0.5, 10), -1);
    EXPECT_EQ(grid.CellAt(41, 81), 2 * 32 + 1);
    EXPECT_TRUE(grid.InEdgeBand({0, 5}));
    EXPECT_TRUE(grid.InEdgeBand({31, 5}));
    EXPECT_FALSE(grid.InEdgeBand({1, 1}));
    EXPECT_EQ(grid.RegionOf({0, 19}), CoverageRegion::LowerLeft);
    EXPECT_EQ(grid.RegionOf({16, 10}), CoverageRegion::Centre);
    EXPECT_EQ(grid.RegionOf({31, 0}), CoverageRegion::UpperRight);

    AccuracyScreen unknown;
    unknown.WidthPx = 1280;
    unknown.HeightPx = 800;
    const CoverageGrid guessed = MakeCoverageGrid(unknown);
    EXPECT_EQ(guessed.Columns, 16);
    EXPECT_EQ(guessed.Rows, 9);
}

TEST(CoverageSession, AStrokeOverTheWholeScreenReachesEveryCellWithoutFaults) {
    const CoverageRecord record = Play(Strokes(), 200);
    EXPECT_EQ(record.CellsReached, 640);
    EXPECT_TRUE(record.Unreached.empty());
    EXPECT_TRUE(record.Dropouts.empty());
    EXPECT_TRUE(record.Jumps.empty());
    EXPECT_EQ(record.Rates.LowestHz, 200);
}

TEST(CoverageSession, ADeadZoneInACornerIsExactlyItsCellsAndNoDropout) {
    TechnicianConfig config = Strokes();
    // 40 x 40 mm in the lower left corner: 160 x 160 pixels.
    config.deadZones.push_back({0, 640, 160, 800});
    const CoverageRecord record = Play(config, 200);
    std::vector<CoverageCell> expected;
    for (int row = 16; row < 20; ++row) {
        for (int column = 0; column < 4; ++column) {
            expected.push_back({column, row});
        }
    }
    EXPECT_EQ(record.Unreached, expected);
    EXPECT_EQ(record.CellsReached, 640 - 16);
    EXPECT_TRUE(record.Dropouts.empty());
    EXPECT_TRUE(record.Jumps.empty());
    EXPECT_EQ(CoverageRegionsText(record), "Not reached: the lower left corner (16)\n");
}

TEST(CoverageSession, AnInjectedDropoutAndJumpAreEachFoundOnceAtTheirPlace) {
    TechnicianConfig config = Strokes();
    config.dropouts.push_back({660, 410, 60});  // cell 16, 10
    config.jumps.push_back({1020, 250, 60});    // cell 25, 6: 48 px (12 mm) ahead
    const CoverageRecord record = Play(config, 200);
    EXPECT_EQ(record.Dropouts, (std::vector<CoverageCell>{{16, 10}}));
    EXPECT_EQ(record.Jumps, (std::vector<CoverageCell>{{25, 6}}));
    EXPECT_TRUE(record.Unreached.empty());
}

TEST(CoverageSession, TheDesktopsCellsAreComparedWithTheControllers) {
    CoverageSession session;
    session.Start(MakeCoverageGrid(QuarterMillimetreScreen()), 0.25, 0.25);
    // The controller strokes the top row's first eight cells.
    for (int x = 20; x <= 300; x += 10) {
        session.OnContact(0, x == 20 ? 1 : 2, x, 20, static_cast<uint32_t>(x));
    }
    session.OnContact(0, 3, 300, 20, 310);
    CoverageRecord record = RecordOf(session);
    EXPECT_FALSE(record.DesktopEvents);
    EXPECT_TRUE(record.DesktopMissed.empty()) << "no desktop events: nothing to compare";
    EXPECT_EQ(CoverageDesktopText(record), "Desktop: no touch events");

    // A busy desktop delivers a few of the moves: the finger passed between.
    for (int x = 20; x <= 300; x += 140) {
        session.OnDesktopTouch(7, x, 20, x == 300);
    }
    record = RecordOf(session);
    EXPECT_TRUE(record.DesktopMissed.empty());
    EXPECT_TRUE(record.DesktopOnly.empty());
    EXPECT_EQ(CoverageDesktopText(record),
              "Desktop: touch events reached 8 of 640 cells, the same cells as the controller's "
              "reports");

    // The desktop's stroke ends two cells early, then come two touches.
    session.Start(MakeCoverageGrid(QuarterMillimetreScreen()), 0.25, 0.25);
    for (int x = 20; x <= 300; x += 10) {
        session.OnContact(0, x == 20 ? 1 : 2, x, 20, static_cast<uint32_t>(x));
        if (x < 240) {
            session.OnDesktopTouch(7, x, 20, x == 230);
        }
    }
    // Another touch far away, and then one at the stroke's end: separate
    // touches, with nothing between them.
    session.OnDesktopTouch(8, 20, 780, false);
    session.OnDesktopTouch(8, 20, 780, true);
    session.OnDesktopTouch(7, 300, 20, true);
    record = RecordOf(session);
    EXPECT_EQ(record.DesktopMissed, (std::vector<CoverageCell>{{6, 0}}));
    EXPECT_EQ(record.DesktopOnly, (std::vector<CoverageCell>{{0, 19}}));
    EXPECT_EQ(CoverageDesktopText(record), "Desktop: touch events reached 8 of 640 cells");
    const std::string regions = CoverageRegionsText(record);
    EXPECT_NE(regions.find("Desktop events missing: the upper left corner (1)\n"),
              std::string::npos)
        << regions;
    EXPECT_NE(regions.find("Desktop events elsewhere: the lower left corner (1)\n"),
              std::string::npos)
        << regions;
}

TEST(CoverageSession, TheRateOfOneContactIsJudgedAgainstTheRefreshRate) {
    TechnicianConfig config = Strokes();
    config.reportsPerSecond = 90;  // every other frame of 180
    AcceptanceRecord acceptance;
    acceptance.Limits = StrictLimits();
    acceptance.Coverage = Play(config, 180);
    EXPECT_NEAR(acceptance.Coverage->Rates.LowestHz, 90, 1);
    EXPECT_NEAR(acceptance.Coverage->Rates.MedianHz, 90, 1);

    acceptance.RefreshHz = 120;
    const auto against120 = JudgeAcceptance(acceptance, QuarterMillimetreScreen());
    EXPECT_TRUE(Criterion(against120, "Report rate").Judged);
    EXPECT_FALSE(Criterion(against120, "Report rate").Passed);
    EXPECT_FALSE(AcceptancePassed(against120));

    acceptance.RefreshHz = 60;
    const auto against60 = JudgeAcceptance(acceptance, QuarterMillimetreScreen());
    EXPECT_TRUE(Criterion(against60, "Report rate").Passed);
    EXPECT_TRUE(Criterion(against60, "Coverage").Passed);
    EXPECT_FALSE(Criterion(against60, "Offset").Judged);  // no targets in this run
    EXPECT_TRUE(AcceptancePassed(against60));
}

TEST(CoverageSession, BadPositionsAndSlotsChangeNothing) {
    CoverageSession session;
    session.Start(MakeCoverageGrid(QuarterMillimetreScreen()), 0.25, 0.25);
    session.OnContact(2, 1, 10, 10, 0);
    session.OnContact(-1, 1, 10, 10, 0);
    session.OnContact(0, 1, std::nan(""), 10, 0);
    session.OnContact(0, 9, 10, 10, 0);
    session.OnContact(0, 1, -5, 2000, 0);  // off the window: no cell
    EXPECT_EQ(session.CellsReached(), 0);
}

TEST(TwoFingerCheck, AGhostSwapFailsAndACorrectPairPasses) {
    EXPECT_EQ(PlayTwoFingers(true), TwoFingerVerdict::Ghost);
    EXPECT_EQ(PlayTwoFingers(false), TwoFingerVerdict::Passed);
}

TEST(TwoFingerCheck, SwappedIdsAndASingleContactFail) {
    TwoFingerCheck check;
    check.Start(1000, 1000);
    const uint8_t moving[2] = {2, 2};
    const AccuracyPoint held[2] = {{350, 350}, {650, 650}};
    check.OnReport(2, moving, held);
    EXPECT_TRUE(check.Holding());
    const AccuracyPoint swapped[2] = {{640, 640}, {360, 360}};
    check.OnReport(2, moving, swapped);
    EXPECT_EQ(check.Verdict(), TwoFingerVerdict::IdsSwapped);

    TwoFingerCheck single;
    single.Start(1000, 1000);
    single.OnReport(1, moving, held);
    single.Finish();
    EXPECT_EQ(single.Verdict(), TwoFingerVerdict::OneContact);

    TwoFingerCheck still;
    still.Start(1000, 1000);
    still.OnReport(2, moving, held);
    still.Finish();
    EXPECT_EQ(still.Verdict(), TwoFingerVerdict::NotApart);
}

TEST(AcceptanceLimits, MillimetresFromTheReportedOrTypedSize) {
    // A 24 inch 16:9 monitor reporting 531 x 299 mm for 1920 x 1080 pixels.
    AccuracyScreen screen;
    screen.WidthPx = 1920;
    screen.HeightPx = 1080;
    screen.WidthMm = 531;
    screen.HeightMm = 299;
    // Diagonal: sqrt(531^2 + 299^2) = 609.40 mm; 1.5 % is 9.14 mm, 0.5 % 3.05 mm.
    const AcceptanceLimits defaults = DefaultLimits(screen);
    EXPECT_NEAR(defaults.OffsetMm, 9.141, 0.001);
    EXPECT_NEAR(defaults.JitterMm, 3.047, 0.001);
    EXPECT_EQ(defaults.OffsetSharePercent, 100);
    const AcceptanceLimits strict = NamedLimits("strict", screen);
    EXPECT_EQ(strict.OffsetMm, 1);
    EXPECT_EQ(strict.OffsetSharePercent, 95);
    EXPECT_EQ(strict.JitterMm, 0.5);
    EXPECT_TRUE(strict.RateLowest);

    EXPECT_TRUE(PlausibleScreenSize(531, 299, 1920, 1080));
    EXPECT_FALSE(PlausibleScreenSize(0, 0, 1920, 1080));      // reports nothing
    EXPECT_FALSE(PlausibleScreenSize(10, 10, 1920, 1080));    // a placeholder
    EXPECT_FALSE(PlausibleScreenSize(500, 500, 1920, 1080));  // not the pixels' shape

    // 24 inches typed: 609.6 mm over sqrt(1920^2 + 1080^2) = 2202.91 px,
    // 0.27672 mm a pixel: 531.31 x 298.86 mm.
    AccuracyScreen typed = screen;
    ASSERT_TRUE(ApplyDiagonal(typed, 24));
    EXPECT_NEAR(*typed.WidthMm, 531.31, 0.01);
    EXPECT_NEAR(*typed.HeightMm, 298.86, 0.01);
    EXPECT_NEAR(DiagonalInches(typed), 24, 1e-9);
    EXPECT_FALSE(ApplyDiagonal(typed, 0.5));
    EXPECT_NEAR(*typed.WidthMm, 531.31, 0.01);
}

TEST(AcceptanceLimits, OffsetsAreJudgedInMillimetresOnTheirShare) {
    // 0.25 mm pixels: offsets of 2, 3.6 and 8 px are 0.5, 0.9 and 2 mm.
    AcceptanceRecord record;
    record.Limits = StrictLimits();
    record.TargetOffsetsPx = {{2, 0}, {0, 3.6}, {8, 0}};
    record.TargetJitterSdPx = {1, 1, 2};
    const auto criteria = JudgeAcceptance(record, QuarterMillimetreScreen());
    const CriterionVerdict& offset = Criterion(criteria, "Offset");
    EXPECT_EQ(offset.Measured, "2 of 3 targets within 1.0 mm (largest 2.00 mm)");
    EXPECT_FALSE(offset.Passed);  // 67 % of 95 %
    EXPECT_EQ(Criterion(criteria, "Jitter").Measured, "largest 0.50 mm (standard deviation)");
    EXPECT_TRUE(Criterion(criteria, "Jitter").Passed);
    record.Limits.OffsetSharePercent = 60;
    EXPECT_TRUE(Criterion(JudgeAcceptance(record, QuarterMillimetreScreen()), "Offset").Passed);
}

TEST(AcceptanceChanges, SaysWhichRegionGotWorse) {
    AcceptanceRecord then;
    then.Coverage = CoverageRecord{};
    then.Coverage->Columns = 32;
    then.Coverage->Rows = 20;
    then.TwoFingers = TwoFingerVerdict::Passed;
    AcceptanceRecord now = then;
    now.Coverage->Dropouts = {{1, 18}, {2, 19}};
    now.Coverage->Unreached = {{31, 0}};
    now.TwoFingers = TwoFingerVerdict::Ghost;
    EXPECT_EQ(
        AcceptanceChanges(then, now),
        (std::vector<std::string>{
            "the upper right corner is now not reached", "the lower left corner now drops out",
            "the two-finger check passed then and now says: Ghosts: the two contacts came "
            "at the other diagonal's corners."}));
    EXPECT_TRUE(AcceptanceChanges(now, now).empty());
}
