// The health check's arithmetic: which touches count as ghosts and where,
// how far a camera row moved relative to its baseline, and what the metrics
// say in the cases an operator alerts on.

#include <gmock/gmock.h>

#include <cmath>

#include "Checks/HealthCheck.h"
#include "tests/Checks/FlatProfile.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

XPacket Packet(std::initializer_list<XTouchRecord> records) {
    XPacket packet;
    packet.Length = records.size() == 2 ? kXLengthTwoTouches : kXLengthOneTouch;
    int slot = 0;
    for (const XTouchRecord& record : records) {
        packet.Touch[slot++] = record;
    }
    return packet;
}

constexpr uint8_t kDown = 1;
constexpr uint8_t kMove = 2;
constexpr uint8_t kUp = 3;

}  // namespace

TEST(GhostTouches, EachTouchCountsOnceInTheCellWhereItWentDown) {
    GhostTouchCounter ghosts;
    ghosts.Add(Packet({{kDown, 1000, 1000}}));
    ghosts.Add(Packet({{kMove, 30000, 30000}}));
    ghosts.Add(Packet({{kUp, 30000, 30000}}));
    ghosts.Add(Packet({{kDown, 16000, 30000}, {kDown, 32767, 0}}));
    ghosts.Add(Packet({{kMove, 16000, 30000}, {kMove, 32767, 0}}));
    EXPECT_EQ(ghosts.Total(), 3);
    EXPECT_EQ(ghosts.At(0, 0), 1) << "top left";
    EXPECT_EQ(ghosts.At(2, 1), 1) << "bottom centre";
    EXPECT_EQ(ghosts.At(0, 2), 1) << "top right";
    EXPECT_EQ(ghosts.At(2, 2), 0) << "moving there is the first touch, not a new one";
}

TEST(GhostTouches, ATouchAlreadyDownWhenTheWindowOpensCounts) {
    GhostTouchCounter ghosts;
    ghosts.Add(Packet({{kMove, 16000, 16000}}));
    ghosts.Add(Packet({{kMove, 16000, 16000}}));
    EXPECT_EQ(ghosts.Total(), 1);
    EXPECT_EQ(ghosts.At(1, 1), 1);
}

TEST(GhostTouches, OffScreenAndNonsenseCoordinatesLandAtAnEdgeAndBadPacketsAreIgnored) {
    GhostTouchCounter ghosts;
    ghosts.Add(Packet({{kDown, -5000, 1e30f}}));
    ghosts.Add(Packet({{kDown, std::nanf(""), 16000}}));
    XPacket malformed = Packet({{kDown, 16000, 16000}});
    malformed.Length = 7;
    ghosts.Add(malformed);
    EXPECT_EQ(ghosts.Total(), 2);
    EXPECT_EQ(ghosts.At(2, 0), 1);
    EXPECT_EQ(ghosts.At(1, 0), 1);
}

TEST(HealthBaselineCompare, ChangeIsRelativeToTheBaselineButNotToItsDarkestPixels) {
    const BaselineProfile lit = Flat(1, RowKind::Lit, 800);
    BaselineProfile dimmed = lit;
    dimmed.values[100] = 600;
    EXPECT_DOUBLE_EQ(LargestChangeRatio(lit, dimmed), 0.25);

    const BaselineProfile ambient = Flat(1, RowKind::Ambient, 3);
    BaselineProfile noisy = ambient;
    noisy.values[7] = 33;
    EXPECT_DOUBLE_EQ(LargestChangeRatio(ambient, noisy), 0.5) << "30 counts over the floor of 60";
}

TEST(HealthMetrics, AMissingControllerStillSaysSoWithTheRunsTime) {
    HealthFindings findings;
    findings.startedUnixSeconds = 1781234567.5;
    findings.durationSeconds = 1.25;
    const std::string text = HealthMetricsText(findings);
    EXPECT_THAT(text, HasSubstr("\nt860_up 0\n"));
    EXPECT_THAT(text, HasSubstr("\nt860_last_run_timestamp_seconds 1781234567.5\n"));
    EXPECT_THAT(text, HasSubstr("\nt860_last_run_duration_seconds 1.25\n"));
    EXPECT_THAT(text, HasSubstr("\nt860_baseline_compared 0\n"));
    EXPECT_THAT(text, HasSubstr("\nt860_accuracy_result 0\n"));
    EXPECT_THAT(text, Not(HasSubstr("t860_info")));
    EXPECT_THAT(text, Not(HasSubstr("t860_ghost_touches")));
}

TEST(HealthMetrics, ASettingListedTwiceIsOneSeriesAndEveryRowHasItsOwn) {
    BaselineContent then;
    then.profiles = {Flat(1, RowKind::Lit, 800), Flat(2, RowKind::Lit, 800)};
    BaselineContent now = then;
    now.profiles[1].values.fill(400);
    HealthFindings findings;
    findings.baseline = CompareForHealth(then, now);
    findings.baseline->comparison.settings = {{6, "CAM0", "Gain", "12", "20"},
                                              {6, "CAM0", "Gain", "3", "4"},
                                              {0, "Panel", "X\"", "1", "2"}};
    const std::string text = HealthMetricsText(findings);
    EXPECT_THAT(text, HasSubstr("\nt860_baseline_settings_differing 3\n"));
    EXPECT_THAT(text, HasSubstr("t860_baseline_setting_differs{channel=\"6\",group=\"CAM0\","
                                "name=\"Gain\"} 2\n"));
    EXPECT_THAT(text, HasSubstr("t860_baseline_setting_differs{channel=\"0\",group=\"Panel\","
                                "name=\"X\\\"\"} 1\n"));
    EXPECT_THAT(text,
                HasSubstr("t860_baseline_profile_change_ratio{camera=\"1\",row=\"lit\"} 0\n"));
    EXPECT_THAT(text,
                HasSubstr("t860_baseline_profile_change_ratio{camera=\"2\",row=\"lit\"} 0.5\n"));
    EXPECT_THAT(text, HasSubstr("t860_baseline_profile_moved{camera=\"2\",row=\"lit\"} 1\n"));
    EXPECT_THAT(text, HasSubstr("\nt860_baseline_profiles_moved 1\n"));
}

TEST(HealthMetrics, AnAccuracyResultGivesItsVerdictValuesAndTime) {
    HealthFindings findings;
    findings.accuracy = AccuracySummary{};
    findings.accuracy->Date = "2026-12-08T01:45:10Z";
    findings.accuracy->Values.Passed = false;
    findings.accuracy->Values.LargestOffsetPx = 31.5;
    findings.accuracy->Values.LargestJitterPx = 2.25;
    const std::string text = HealthMetricsText(findings);
    EXPECT_THAT(text, HasSubstr("\nt860_accuracy_passed 0\n"));
    EXPECT_THAT(text, HasSubstr("\nt860_accuracy_largest_offset_pixels 31.5\n"));
    EXPECT_THAT(text, HasSubstr("\nt860_accuracy_largest_jitter_pixels 2.25\n"));
    EXPECT_THAT(text, HasSubstr("\nt860_accuracy_timestamp_seconds 1796694310\n"));
}

TEST(HealthMetrics, OnlyAWholeUtcTimeIsTakenAsOne) {
    EXPECT_EQ(UnixSecondsOfIso8601("1970-01-01T00:00:00Z"), 0.0);
    EXPECT_EQ(UnixSecondsOfIso8601("2000-03-01T00:00:01Z"), 951868801.0);
    for (const char* bad : {"", "2026-12-08", "2026-12-08T01:45:10", "2026-12-08T01:45:10+01:00",
                            "2026-13-08T01:45:10Z", "2026-12-08T01:45:10Zjunk"}) {
        EXPECT_FALSE(UnixSecondsOfIso8601(bad).has_value()) << bad;
    }
}
