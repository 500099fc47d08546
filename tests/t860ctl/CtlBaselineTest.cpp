// baseline save and compare against the virtual controller: a compare names
// exactly what was changed and where a profile moved, keeps quiet about the
// profiles' own noise, says first when the file is another unit's, and sends
// nothing for a file it cannot read.

#include <gmock/gmock.h>

#include "Checks/BaselineFile.h"
#include "Formats/Json.h"
#include "Formats/WholeFile.h"
#include "tests/t860ctl/CtlFixture.h"

using ::testing::HasSubstr;
using ::testing::StartsWith;

class CtlBaseline : public CtlOnController {
protected:
    // A baseline of the controller as it is now, and its content.
    std::string SaveBaseline(const std::vector<std::string>& options = {}) {
        const std::string path = PathOf("baseline.json");
        std::vector<std::string> args = {"baseline", "save", path};
        args.insert(args.end(), options.begin(), options.end());
        const CtlResult result = Run(args);
        EXPECT_EQ(result.code, 0) << result.err;
        std::string error;
        EXPECT_TRUE(ParseBaselineFile(ReadAll(path), baseline, error)) << error;
        return path;
    }

    int Channel6Position(const char* group, const char* name) const {
        for (size_t i = 0; i < baseline.channel6.size(); ++i) {
            if (baseline.channel6[i].group == group && baseline.channel6[i].name == name) {
                return static_cast<int>(i);
            }
        }
        ADD_FAILURE() << group << "." << name << " not in the baseline";
        return -1;
    }

    static JsonValue CompareJson(const std::string& path, int expectedCode) {
        const CtlResult result = Run({"--json", "baseline", "compare", path});
        EXPECT_EQ(result.code, expectedCode) << result.err << result.out;
        JsonValue json;
        std::string error;
        EXPECT_TRUE(ParseJson(result.out, json, error)) << error << result.out;
        return json;
    }

    // The profiles the comparison says moved, as "camera row".
    static std::vector<std::string> Moved(const JsonValue& comparison) {
        std::vector<std::string> moved;
        for (const JsonValue& profile : comparison.Find("profiles")->Items()) {
            if (profile.Find("moved")->AsBool()) {
                moved.push_back(FormatJsonNumber(profile.Find("camera")->AsNumber()) + " " +
                                profile.Find("row")->AsString());
            }
        }
        return moved;
    }

    static const JsonValue& Profile(const JsonValue& comparison, int camera, const char* row) {
        for (const JsonValue& profile : comparison.Find("profiles")->Items()) {
            if (profile.Find("camera")->AsNumber() == camera &&
                profile.Find("row")->AsString() == row) {
                return profile;
            }
        }
        throw std::runtime_error("no such profile");
    }

    BaselineContent baseline;
};

TEST_F(CtlBaseline, SavesEveryCameraRowOfTheUnitWithItsSettings) {
    SaveBaseline({"--note", "installed at reception", "--scans", "4"});
    EXPECT_EQ(baseline.note, "installed at reception");
    EXPECT_EQ(baseline.serialNumber, controller.Config().serialNumber);
    EXPECT_EQ(baseline.driverVersion, "2.6.0.1187");
    EXPECT_EQ(baseline.firmwareVersion, "3.12");
    EXPECT_EQ(baseline.scans, 4);
    ASSERT_EQ(baseline.profiles.size(), 2u * 4u) << "the controller has two cameras";
    const BaselineProfile* lit = FindProfile(baseline.profiles, 2, RowKind::Lit);
    const BaselineProfile* ambient = FindProfile(baseline.profiles, 2, RowKind::Ambient);
    ASSERT_TRUE(lit != nullptr && ambient != nullptr);
    EXPECT_GT(lit->values[256], 600) << "the lit row is bright in the middle";
    EXPECT_LT(ambient->values[256], 100) << "the ambient row is low";
    EXPECT_FALSE(baseline.channel0.empty());
    EXPECT_GE(Channel6Position("Filters", "ThresholdPercent"), 0);
    EXPECT_FALSE(baseline.accuracy.has_value()) << "no accuracy test has run here";
}

TEST_F(CtlBaseline, AnUnchangedUnitComparesCleanInSpiteOfItsNoise) {
    const std::string path = SaveBaseline();
    const CtlResult result = Run({"baseline", "compare", path});
    EXPECT_EQ(result.code, 0) << result.err << result.out;
    EXPECT_THAT(result.out, HasSubstr("Settings that differ: 0\n"));
    EXPECT_THAT(result.out, HasSubstr("Nothing differs beyond the tolerances."));
    EXPECT_THAT(result.out, ::testing::Not(HasSubstr("Serial number")));
}

TEST_F(CtlBaseline, ComparisonNamesExactlyWhatChangedAndWhere) {
    const std::string path = SaveBaseline();
    ASSERT_NO_FATAL_FAILURE(
        ChangeOnController(6, Channel6Position("Panel", "X"), 2, {0x75, 0x30}));  // 30000
    ASSERT_NO_FATAL_FAILURE(ChangeOnController(6, Channel6Position("CAM0", "Gain"), 1, {20}));
    controller.ChangeCameraRow(2, ScopeKind::Lit, 200, 279, 0.3, 0);
    controller.ChangeCameraRow(1, ScopeKind::Ambient, 0, 511, 1.0, 150);

    const JsonValue comparison = CompareJson(path, 5);
    EXPECT_TRUE(comparison.Find("differs")->AsBool());
    EXPECT_FALSE(comparison.Find("serialNumberDiffers")->AsBool());
    const std::vector<JsonValue>& settings = comparison.Find("settings")->Items();
    ASSERT_EQ(settings.size(), 2u);
    EXPECT_EQ(settings[0].Find("group")->AsString(), "Panel");
    EXPECT_EQ(settings[0].Find("name")->AsString(), "X");
    EXPECT_EQ(settings[0].Find("then")->AsString(), "32767");
    EXPECT_EQ(settings[0].Find("now")->AsString(), "30000");
    EXPECT_EQ(settings[1].Find("group")->AsString(), "CAM0");
    EXPECT_EQ(settings[1].Find("name")->AsString(), "Gain");
    EXPECT_EQ(settings[1].Find("then")->AsString(), "12");
    EXPECT_EQ(settings[1].Find("now")->AsString(), "20");

    EXPECT_EQ(Moved(comparison), (std::vector<std::string>{"1 ambient", "2 lit"}));
    const JsonValue& lit = Profile(comparison, 2, "lit");
    EXPECT_EQ(lit.Find("direction")->AsString(), "dropped");
    EXPECT_NEAR(lit.Find("firstPixel")->AsNumber(), 200, 2);
    EXPECT_NEAR(lit.Find("lastPixel")->AsNumber(), 279, 2);
    EXPECT_LT(lit.Find("largestDifference")->AsNumber(), -300);
    const JsonValue& ambient = Profile(comparison, 1, "ambient");
    EXPECT_EQ(ambient.Find("direction")->AsString(), "rose");
    EXPECT_EQ(ambient.Find("firstPixel")->AsNumber(), 0);
    EXPECT_EQ(ambient.Find("lastPixel")->AsNumber(), 511);
    EXPECT_NEAR(ambient.Find("meanDifference")->AsNumber(), 150, 15);

    const CtlResult text = Run({"baseline", "compare", path});
    EXPECT_EQ(text.code, 5);
    EXPECT_THAT(text.out, HasSubstr("  Channel 6 Panel.X: 32767 -> 30000\n"));
    EXPECT_THAT(text.out, HasSubstr("Camera 2 lit: mean "));
    EXPECT_THAT(text.out, HasSubstr("dropped most over pixels 2"));
    EXPECT_THAT(text.out, HasSubstr("(shadow or dirt)"));
    EXPECT_THAT(text.out, HasSubstr("rose most over pixels 0-511 (more ambient light)"));
    EXPECT_THAT(text.err, HasSubstr("differs from the baseline"));
}

TEST_F(CtlBaseline, AnotherUnitsBaselineIsSaidFirst) {
    const std::string path = SaveBaseline();
    std::string text = ReadAll(path);
    const std::string serial = "\"serialNumber\": 86012345,";
    ASSERT_NE(text.find(serial), std::string::npos);
    text.replace(text.find(serial), serial.size(), "\"serialNumber\": 11112222,");
    WriteAll(path, text);

    const CtlResult result = Run({"baseline", "compare", path});
    EXPECT_EQ(result.code, 5);
    EXPECT_THAT(result.out, StartsWith("Serial number differs: the baseline is of unit 11112222, "
                                       "this is unit 86012345\n"));
}

TEST_F(CtlBaseline, UnreadableFilesAreRefusedWhereTheyGoWrongAndNothingIsSent) {
    const std::string path = SaveBaseline();
    const std::string good = ReadAll(path);
    controller.Unplug();
    controller.Plug();
    const uint32_t before = OutputReports();
    struct Case {
        const char* what;
        std::string text;
        const char* where;
    };
    std::string wrongVersion = good;
    wrongVersion.replace(wrongVersion.find("\"version\": 1"), 12, "\"version\": 2");
    std::string shortProfile = good;
    // The first profile loses its last value.
    const size_t values = shortProfile.find("\"values\": [");
    const size_t end = shortProfile.find("\n      ]", values);
    const size_t lastComma = shortProfile.rfind(',', end);
    shortProfile.erase(lastComma, end - lastComma);
    std::string malformed = good;
    malformed.erase(malformed.find(",\n  \"note\""), 1);
    const Case cases[] = {
        {"malformed", malformed, "line 5, column 3: ',' or '}' was expected"},
        {"truncated", good.substr(0, good.size() / 2), ": the text ends early"},
        {"wrong version", wrongVersion,
         "line 3, column 14: baseline file version 2 is not "
         "supported (this program reads version 1)"},
        {"short profile", shortProfile, "\"values\" must be an array of 512 numbers"},
    };
    for (const Case& bad : cases) {
        WriteAll(path, bad.text);
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"baseline", "compare", path},
              std::vector<std::string>{"report", PathOf("report.txt"), "--baseline", path}}) {
            const CtlResult result = Run(args);
            EXPECT_EQ(result.code, 1) << bad.what;
            EXPECT_THAT(result.err, HasSubstr(bad.where)) << bad.what;
            EXPECT_THAT(result.err, HasSubstr("nothing was sent to the controller")) << bad.what;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(PathOf("report.txt")));
    EXPECT_EQ(OutputReports(), before);
    EXPECT_EQ(Run({"baseline", "save", path, "--scans", "0"}).code, 2);
}

TEST_F(CtlBaseline, TheServiceReportCarriesTheComparison) {
    const std::string path = SaveBaseline();
    controller.ChangeCameraRow(2, ScopeKind::Lit, 100, 149, 0.2, 0);
    const std::string report = PathOf("report.txt");
    const CtlResult result = Run({"report", report, "--baseline", path});
    EXPECT_EQ(result.code, 0) << result.err;
    const std::string text = ReadAll(report);
    EXPECT_THAT(text, HasSubstr("\n[Changes since the baseline]\nBaseline of "));
    EXPECT_THAT(text, HasSubstr("Camera 2 lit: mean "));
    EXPECT_THAT(text, HasSubstr("Something differs beyond the tolerances."));
}

TEST_F(CtlBaseline, TheLastAccuracyResultGoesInAndComesBackThenAndNow) {
    std::filesystem::create_directories(home.DataFolder());
    const auto writeResult = [&](const char* date, double largest, bool passed) {
        WriteAll((home.DataFolder() / "LastAccuracy.json").string(),
                 std::string("{\"format\": \"T860 accuracy\", \"version\": 1, \"date\": \"") +
                     date + "\", \"serialNumber\": 86012345, \"screen\": {\"widthPx\": 1920, " +
                     "\"heightPx\": 1080, \"widthMm\": null, \"heightMm\": null}, " +
                     "\"summary\": {\"largestOffsetPx\": " + FormatJsonNumber(largest) +
                     ", \"meanOffsetPx\": 2, \"largestJitterPx\": 1, \"targets\": 9, " +
                     "\"passed\": " + (passed ? "true" : "false") + "}}");
    };
    writeResult("2026-01-01T10:00:00Z", 4, true);
    const std::string path = SaveBaseline();
    ASSERT_TRUE(baseline.accuracy.has_value());
    EXPECT_EQ(baseline.accuracy->Values.LargestOffsetPx, 4);

    writeResult("2026-06-01T10:00:00Z", 19, false);
    const CtlResult result = Run({"baseline", "compare", path});
    EXPECT_EQ(result.code, 5) << "passed then, fails now";
    EXPECT_THAT(result.out, HasSubstr("Accuracy then: 4.0 px largest, 2.0 px mean offset, passed "
                                      "(2026-01-01T10:00:00Z)\n"));
    EXPECT_THAT(result.out, HasSubstr("Accuracy now: 19.0 px largest"));
}
