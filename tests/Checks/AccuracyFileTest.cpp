// Accuracy result files: what is written, and the strict reading of the
// summary that the service report and the baseline file take from them.

#include <gmock/gmock.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "Checks/AccuracyFile.h"
#include "tests/support/TempConfigHome.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

AccuracyResult TwoTargetResult() {
    AccuracyResult result;
    result.Date = "2026-12-08T01:45:10Z";
    result.SerialNumber = 86012345;
    result.Screen = {1600, 1200, 320.0, 240.0};
    result.Samples.resize(2);
    result.Samples[0].Taken = true;
    result.Samples[0].Target = {160, 120};
    result.Samples[0].Controller.Mean = {172, 113};
    result.Samples[0].Controller.JitterSd = 1.5;
    result.Samples[0].Controller.JitterLargest = 3;
    result.Samples[0].Controller.Packets = 51;
    result.Samples[1].Target = {800, 120};  // never taken
    result.MappingText = "No touch events";
    return result;
}

JsonValue Parsed(const std::string& text) {
    JsonValue value;
    std::string error;
    EXPECT_TRUE(ParseJson(text, value, error)) << error;
    return value;
}

std::string SummaryError(const std::string& text) {
    AccuracySummary summary;
    summary.Date = "untouched";
    std::string error;
    EXPECT_FALSE(AccuracySummaryFromJson(Parsed(text), summary, error)) << text;
    EXPECT_EQ(summary.Date, "untouched");
    return error;
}

}  // namespace

TEST(AccuracyFile, HoldsTheAgreedMembersAndEveryTarget) {
    const JsonValue root = Parsed(WriteAccuracyFile(TwoTargetResult()));
    EXPECT_EQ(root.Find("format")->AsString(), "T860 accuracy");
    EXPECT_EQ(root.Find("version")->AsNumber(), 2);
    EXPECT_EQ(root.Find("acceptance"), nullptr);  // no acceptance checks in this result
    EXPECT_EQ(root.Find("date")->AsString(), "2026-12-08T01:45:10Z");
    EXPECT_EQ(root.Find("serialNumber")->AsNumber(), 86012345);
    const JsonValue* summary = root.Find("summary");
    EXPECT_NEAR(summary->Find("largestOffsetPx")->AsNumber(), std::hypot(12, 7), 1e-9);
    EXPECT_EQ(summary->Find("targets")->AsNumber(), 1);
    EXPECT_TRUE(summary->Find("passed")->AsBool());
    EXPECT_EQ(root.Find("screen")->Find("widthMm")->AsNumber(), 320);
    EXPECT_EQ(root.Find("thresholds")->Find("offsetPx")->AsNumber(), 30);
    const auto& targets = root.Find("targets")->Items();
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(targets[0].Find("offset")->Find("x")->AsNumber(), 12);
    EXPECT_EQ(targets[0].Find("packets")->AsNumber(), 51);
    EXPECT_TRUE(targets[0].Find("desktop")->IsNull());
    EXPECT_FALSE(targets[1].Find("taken")->AsBool());
    EXPECT_EQ(targets[1].Find("mean"), nullptr);
    EXPECT_EQ(root.Find("mapping")->Find("verdict")->AsString(), "no touch events");
    EXPECT_TRUE(root.Find("mapping")->Find("calibrationMatrix")->IsNull());
}

TEST(AccuracyFile, SavedFilesReadBackAndEmbeddedSummariesToo) {
    TempConfigHome home;
    const std::string path = (home.Root() / "result.json").string();
    std::string error;
    AccuracyResult result = TwoTargetResult();
    result.SerialNumber.reset();
    result.Screen.WidthMm.reset();
    ASSERT_TRUE(SaveAccuracyFile(path, result, error)) << error;
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    AccuracySummary summary;
    ASSERT_TRUE(ReadAccuracySummary(path, summary, error)) << error;
    EXPECT_EQ(summary.Date, result.Date);
    EXPECT_FALSE(summary.SerialNumber);
    EXPECT_EQ(summary.Screen.WidthPx, 1600);
    EXPECT_FALSE(summary.Screen.WidthMm);
    EXPECT_EQ(summary.Screen.HeightMm, 240);
    EXPECT_EQ(summary.Values.Targets, 1);
    EXPECT_THAT(AccuracySummaryText(summary), HasSubstr("Serial Number: unknown\n"));

    AccuracySummary embedded;
    ASSERT_TRUE(AccuracySummaryFromJson(AccuracySummaryJson(summary), embedded, error)) << error;
    EXPECT_EQ(WriteJson(AccuracySummaryJson(embedded)), WriteJson(AccuracySummaryJson(summary)));

    EXPECT_FALSE(
        SaveAccuracyFile((home.Root() / "no" / "such" / "r.json").string(), result, error));
    EXPECT_THAT(error, HasSubstr("cannot write"));
}

TEST(AccuracyFile, ReadingIsStrictAndSaysWhere) {
    TempConfigHome home;
    const std::string path = (home.Root() / "bad.json").string();
    std::ofstream(path) << "{\n  \"format\": \"T860 accuracy\",\n  \"version\": 1,,\n}";
    AccuracySummary summary;
    std::string error;
    EXPECT_FALSE(ReadAccuracySummary(path, summary, error));
    EXPECT_THAT(error, HasSubstr("line 3, column"));
    EXPECT_FALSE(ReadAccuracySummary(path + ".missing", summary, error));
    EXPECT_THAT(error, StartsWith("cannot read"));

    const std::string good = WriteJson(AccuracySummaryJson(SummaryOf(TwoTargetResult())));
    const auto with = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    EXPECT_THAT(SummaryError(with("T860 accuracy", "T860 settings")), HasSubstr("format"));
    EXPECT_THAT(SummaryError(with("\"version\": 2", "\"version\": 3")), HasSubstr("version"));
    EXPECT_THAT(SummaryError(with("\"widthPx\": 1600", "\"widthPx\": -3")), HasSubstr("widthPx"));
    EXPECT_THAT(SummaryError(with("\"widthMm\": 320", "\"widthMm\": \"wide\"")),
                HasSubstr("widthMm"));
    EXPECT_THAT(SummaryError(with("\"targets\": 1", "\"targets\": 1.5")), HasSubstr("targets"));
    EXPECT_THAT(SummaryError(with("\"passed\": true", "\"passed\": 1")), HasSubstr("passed"));
    EXPECT_THAT(SummaryError(with("\"serialNumber\": 86012345", "\"serialNumber\": \"x\"")),
                HasSubstr("serialNumber"));
    EXPECT_THAT(SummaryError(with("\"meanOffsetPx\"", "\"meanOffset\"")),
                HasSubstr("meanOffsetPx"));
    EXPECT_THAT(SummaryError("[1]"), HasSubstr("format"));
}

TEST(AccuracyFile, AcceptanceChecksReadBackAndVersionOneFilesStillRead) {
    AccuracyResult result = TwoTargetResult();
    result.Acceptance.emplace();
    AcceptanceRecord& acceptance = *result.Acceptance;
    acceptance.Limits = StrictLimits();
    acceptance.SizeSource = ScreenSizeSource::Typed;
    acceptance.RefreshHz = 120;
    TakeTargets(acceptance, result.Samples);
    acceptance.Coverage.emplace();
    acceptance.Coverage->Columns = 2;
    acceptance.Coverage->Rows = 2;
    acceptance.Coverage->CellsReached = 3;
    acceptance.Coverage->Unreached = {{1, 1}};
    acceptance.Coverage->Dropouts = {{0, 1}, {0, 1}};
    acceptance.Coverage->Rates = {12, 88, 91};
    acceptance.Coverage->DesktopEvents = true;
    acceptance.Coverage->DesktopCellsReached = 3;
    acceptance.Coverage->DesktopMissed = {{1, 0}};
    acceptance.Coverage->DesktopOnly = {{1, 1}};
    acceptance.TwoFingers = TwoFingerVerdict::Ghost;
    const std::string text = WriteAccuracyFile(result);

    AccuracySummary summary;
    std::string error;
    ASSERT_TRUE(AccuracySummaryFromJson(Parsed(text), summary, error)) << error;
    ASSERT_TRUE(summary.Acceptance);
    EXPECT_EQ(summary.Acceptance->Limits, StrictLimits());
    EXPECT_EQ(summary.Acceptance->SizeSource, ScreenSizeSource::Typed);
    EXPECT_EQ(summary.Acceptance->TargetOffsetsPx.size(), 1u);
    EXPECT_EQ(summary.Acceptance->Coverage->Dropouts.size(), 2u);
    EXPECT_EQ(summary.Acceptance->Coverage->Rates.LowestHz, 88);
    EXPECT_EQ(summary.Acceptance->TwoFingers, TwoFingerVerdict::Ghost);
    EXPECT_EQ(summary.Acceptance->Coverage->DesktopMissed, (std::vector<CoverageCell>{{1, 0}}));
    EXPECT_EQ(summary.Acceptance->Coverage->DesktopOnly, (std::vector<CoverageCell>{{1, 1}}));
    const std::string report = AccuracySummaryText(summary);
    EXPECT_THAT(report, HasSubstr("Desktop events missing: the upper right corner (1)\n"));
    EXPECT_THAT(report, HasSubstr("Desktop events elsewhere: the lower right corner (1)\n"));
    EXPECT_THAT(report, HasSubstr("Coverage: 3 of 4 cells reached (limit: all) - FAILED\n"));
    EXPECT_THAT(report, HasSubstr("Not reached: the lower right corner (1)\n"));
    EXPECT_THAT(report, HasSubstr("Dropouts: the lower left corner (2)\n"));
    EXPECT_THAT(report, HasSubstr("Acceptance: failed\n"));

    // A version 1 file has no acceptance checks.
    std::string old = WriteJson(AccuracySummaryJson(SummaryOf(TwoTargetResult())));
    old.replace(old.find("\"version\": 2"), 12, "\"version\": 1");
    ASSERT_TRUE(AccuracySummaryFromJson(Parsed(old), summary, error)) << error;
    EXPECT_FALSE(summary.Acceptance);

    const auto broken = [&](const std::string& from, const std::string& to) {
        std::string changed = text;
        const size_t at = changed.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return SummaryError(changed.replace(at, from.size(), to));
    };
    EXPECT_THAT(broken("\"twoFingers\": \"ghost\"", "\"twoFingers\": \"maybe\""),
                HasSubstr("twoFingers"));
    EXPECT_THAT(broken("\"rows\": 2", "\"rows\": 1"), HasSubstr("cellsReached"));
    EXPECT_THAT(broken("\"cellsReached\": 3", "\"cellsReached\": 4"), HasSubstr("add up"));
    EXPECT_THAT(broken("\"offsetMm\": 1", "\"offsetMm\": -1"), HasSubstr("offsetMm"));
    EXPECT_THAT(broken("\"desktopOnly\": [", "\"desktopOnly\": [[2, 0], "),
                HasSubstr("desktopOnly"));

    // Files from before the desktop's cells were compared read with none.
    std::string uncompared = text;
    const size_t lists = uncompared.find("\"desktopMissed\"");
    ASSERT_NE(lists, std::string::npos);
    uncompared.erase(lists, uncompared.find("\"rates\"") - lists);
    ASSERT_TRUE(AccuracySummaryFromJson(Parsed(uncompared), summary, error)) << error;
    EXPECT_TRUE(summary.Acceptance->Coverage->DesktopMissed.empty());
    EXPECT_TRUE(summary.Acceptance->Coverage->DesktopOnly.empty());
}

TEST(AccuracyFile, TheDateIsUtcInIso8601) {
    const std::string date = UtcNowIso8601();
    ASSERT_EQ(date.size(), 20u);
    EXPECT_EQ(date[4], '-');
    EXPECT_EQ(date[10], 'T');
    EXPECT_EQ(date[19], 'Z');
}
