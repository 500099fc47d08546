// Baseline files read back what was written and refuse, with the place, what
// they cannot trust; the profile comparison finds where a row moved and which
// way, and lets small wandering pass.

#include <gmock/gmock.h>

#include "Checks/BaselineCompare.h"
#include "Checks/BaselineFile.h"
#include "tests/Checks/FlatProfile.h"

using ::testing::HasSubstr;

namespace {

BaselineContent TwoCameras() {
    BaselineContent content;
    content.date = "2026-12-08T01:55:00Z";
    content.note = "at installation";
    content.scans = 5;
    content.vendor = 0x2F7A;
    content.product = 0x0006;
    content.driverVersion = "2.6.0.1187";
    content.modelNumber = 860;
    content.firmwareVersion = "3.12";
    content.serialNumber = 86012345;
    SavedSetting gain{"CAM0", "Gain", 0x30, 106, 1, {12}};
    content.channel6 = {gain};
    for (int camera : {1, 2}) {
        for (RowKind kind : kRowKinds) {
            content.profiles.push_back(Flat(camera, kind, 100.0 * camera));
        }
    }
    content.profiles[3].values[7] = -12;
    AccuracySummary accuracy;
    accuracy.Date = "2026-12-01T09:00:00Z";
    accuracy.SerialNumber = 86012345;
    accuracy.Screen.WidthPx = 1920;
    accuracy.Screen.HeightPx = 1080;
    accuracy.Values = {3.5, 1.25, 0.5, 9, true};
    content.accuracy = accuracy;
    return content;
}

std::string Refusal(const std::string& text) {
    BaselineContent content = TwoCameras();
    std::string error;
    EXPECT_FALSE(ParseBaselineFile(text, content, error));
    EXPECT_EQ(content.serialNumber, 86012345u) << "content untouched";
    return error;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

}  // namespace

TEST(BaselineFile, ReadsBackWhatWasWritten) {
    const BaselineContent written = TwoCameras();
    BaselineContent read;
    std::string error;
    ASSERT_TRUE(ParseBaselineFile(WriteBaselineFile(written), read, error)) << error;
    EXPECT_EQ(read.note, written.note);
    EXPECT_EQ(read.serialNumber, written.serialNumber);
    EXPECT_EQ(read.firmwareVersion, "3.12");
    ASSERT_EQ(read.channel6.size(), 1u);
    EXPECT_EQ(read.channel6[0].value[0], 12);
    ASSERT_EQ(read.profiles.size(), 8u);
    EXPECT_EQ(read.profiles[3].kind, RowKind::Trigger);
    EXPECT_EQ(read.profiles[3].values[7], -12);
    EXPECT_EQ(read.profiles[5].values[511], 200);
    ASSERT_TRUE(read.accuracy.has_value());
    EXPECT_EQ(read.accuracy->Values.MeanOffsetPx, 1.25);
    EXPECT_EQ(read.accuracy->Screen.WidthPx, 1920);

    BaselineContent noAccuracy = written;
    noAccuracy.accuracy.reset();
    ASSERT_TRUE(ParseBaselineFile(WriteBaselineFile(noAccuracy), read, error)) << error;
    EXPECT_FALSE(read.accuracy.has_value());
}

TEST(BaselineFile, RefusesWhatItCannotTrustWithLineAndColumn) {
    const std::string good = WriteBaselineFile(TwoCameras());
    EXPECT_THAT(Refusal(good.substr(0, good.size() - 40)), HasSubstr(": the text ends early: "));
    EXPECT_THAT(Refusal(Replaced(good, "\"version\": 1", "\"version\": 2")),
                HasSubstr("line 3, column 14: baseline file version 2 is not supported"));
    EXPECT_THAT(Refusal(Replaced(good, "\"T860 baseline\"", "\"T860 settings\"")),
                HasSubstr("line 2, column 13: not a baseline file"));
    EXPECT_THAT(Refusal(Replaced(good, "\"serialNumber\": 86012345", "\"serialNumber\": -1")),
                HasSubstr("line 11, column 19: \"serialNumber\" must be a whole number"));
    EXPECT_THAT(Refusal(Replaced(good, "\"row\": \"trigger\"", "\"row\": \"lit\"")),
                HasSubstr("camera 1 lit is listed twice"));
    EXPECT_THAT(Refusal(Replaced(good, "\"type\": \"UINT8\"", "\"type\": \"UINT9\"")),
                HasSubstr("line 15, column 5: channel6 setting 1: \"type\" must be one of"));
    EXPECT_THAT(Refusal(Replaced(good, "\"passed\": true", "\"passed\": 1")),
                HasSubstr(": \"accuracy\": "));
    // One value of the second profile out of the range of a pixel.
    const size_t secondProfile = good.find("\"camera\": 1", good.find("\"camera\": 1") + 1);
    const std::string outOfRange =
        good.substr(0, secondProfile) + Replaced(good.substr(secondProfile), "100,", "40000,");
    EXPECT_THAT(Refusal(outOfRange), HasSubstr("pixel 0 must be a number from -32768 to 32767"));
}

TEST(ProfileComparison, FindsTheRangeAndDirectionAndLetsWanderingPass) {
    const ProfileTolerance tolerance;
    const BaselineProfile then = Flat(2, RowKind::Lit, 800);
    BaselineProfile now = then;
    // Wandering: a few percent everywhere and single wild pixels.
    for (int pixel = 0; pixel < kBaselinePixels; ++pixel) {
        now.values[pixel] = 800 * (pixel % 2 == 0 ? 1.1 : 0.92);
    }
    now.values[40] = 0;
    now.values[41] = 0;
    now.values[300] = 1000;
    ProfileDifference difference = CompareProfile(then, now, tolerance);
    EXPECT_FALSE(difference.moved);
    EXPECT_EQ(difference.largestDifference, -800);
    EXPECT_EQ(difference.largestAt, 40);

    // A shadow, and a deeper but shorter one: the one with more change wins.
    for (int pixel = 100; pixel <= 179; ++pixel) {
        now.values[pixel] = 300;
    }
    for (int pixel = 400; pixel <= 409; ++pixel) {
        now.values[pixel] = 0;
    }
    difference = CompareProfile(then, now, tolerance);
    EXPECT_TRUE(difference.moved);
    EXPECT_TRUE(difference.dropped);
    EXPECT_EQ(difference.firstPixel, 100);
    EXPECT_EQ(difference.lastPixel, 179);

    const BaselineProfile dark = Flat(1, RowKind::Ambient, 30);
    BaselineProfile lit = dark;
    for (int pixel = 500; pixel < kBaselinePixels; ++pixel) {
        lit.values[pixel] = 200;
    }
    difference = CompareProfile(dark, lit, tolerance);
    EXPECT_TRUE(difference.moved);
    EXPECT_FALSE(difference.dropped);
    EXPECT_EQ(difference.firstPixel, 500);
    EXPECT_EQ(difference.lastPixel, 511) << "a run reaching the last pixel counts";
}

TEST(BaselineComparison, SettingsByPlaceAndWhatIsGoneOrNew) {
    const BaselineContent then = TwoCameras();
    BaselineContent now = then;
    now.channel6[0].value[0] = 20;
    now.channel6.push_back({"Panel", "X", 0x20, 34, 2, {0x7F, 0xFF}});
    now.profiles.pop_back();
    now.accuracy->Values.Passed = false;
    const BaselineComparison comparison = CompareBaseline(then, now);
    ASSERT_EQ(comparison.settings.size(), 2u);
    EXPECT_EQ(comparison.settings[0].then, "12");
    EXPECT_EQ(comparison.settings[0].now, "20");
    EXPECT_EQ(comparison.settings[1].name, "X");
    EXPECT_EQ(comparison.settings[1].then, "(absent)");
    EXPECT_EQ(comparison.settings[1].now, "32767");
    EXPECT_EQ(comparison.missingProfiles, std::vector<std::string>{"Camera 2 trigger"});
    EXPECT_TRUE(comparison.AccuracyWorse());
    EXPECT_TRUE(comparison.Differs());
    EXPECT_FALSE(CompareBaseline(then, then).Differs());
}

TEST(BaselineComparison, ACornerThatNowDropsOutIsNamedAndSurvivesTheFile) {
    BaselineContent then = TwoCameras();
    then.accuracy->Acceptance.emplace();
    then.accuracy->Acceptance->Coverage.emplace();
    CoverageRecord& coverage = *then.accuracy->Acceptance->Coverage;
    coverage.Columns = 48;
    coverage.Rows = 27;
    coverage.CellsReached = 48 * 27;
    // Written and read back, as a later compare finds it.
    std::string error;
    BaselineContent read;
    ASSERT_TRUE(ParseBaselineFile(WriteBaselineFile(then), read, error)) << error;
    BaselineContent now = read;
    now.accuracy->Acceptance->Coverage->Dropouts = {{2, 25}};
    const BaselineComparison comparison = CompareBaseline(read, now);
    EXPECT_EQ(comparison.acceptanceChanges,
              std::vector<std::string>{"the lower left corner now drops out"});
    EXPECT_TRUE(comparison.Differs());
    EXPECT_NE(FormatComparison(comparison, read)
                  .find("Worse since the baseline: the lower left corner now drops out.\n"),
              std::string::npos);
    EXPECT_FALSE(CompareBaseline(read, read).Differs());
}
