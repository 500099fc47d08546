// t860ctl health in-process against the virtual controller: what the run
// says and publishes when the unit drifted from its baseline, when nobody
// should be touching it, when the baseline or the controller is missing, and
// that the previous metrics file stays whole when publishing fails.

#include <gmock/gmock.h>

#include "Formats/Json.h"
#include "tests/t860ctl/CtlFixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

class CtlHealth : public CtlOnController {
protected:
    // Answers that a loaded machine delays are still taken; a passing run
    // never waits that long.
    static constexpr const char* kGenerousTimeout = "10000";

    CtlHealth() { std::filesystem::create_directories(Folder()); }

    std::filesystem::path Folder() const { return home.Root() / "textfile"; }
    std::string Metrics() const { return ReadAll((Folder() / "t860.prom").string()); }

    std::string SaveBaseline() {
        const std::string path = PathOf("baseline.json");
        const CtlResult result = Run({"--timeout", kGenerousTimeout, "baseline", "save", path});
        EXPECT_EQ(result.code, 0) << result.err;
        return path;
    }

    CtlResult Health(std::vector<std::string> options) {
        std::vector<std::string> args = {"--timeout", kGenerousTimeout, "--json",
                                         "health",    "--textfile",     Folder().string()};
        args.insert(args.end(), options.begin(), options.end());
        return Run(args);
    }

    static JsonValue Parsed(const CtlResult& result) {
        JsonValue json;
        std::string error;
        EXPECT_TRUE(ParseJson(result.out, json, error)) << error << result.out;
        return json;
    }
};

TEST_F(CtlHealth, ADriftedUnitIsReportedAndPublishedRowByRow) {
    const std::string baseline = SaveBaseline();
    controller.ChangeCameraRow(2, ScopeKind::Lit, 200, 279, 0.3, 0);

    const CtlResult result = Health({"--baseline", baseline});
    EXPECT_EQ(result.code, 5) << result.err;
    const JsonValue json = Parsed(result);
    EXPECT_TRUE(json.Find("up")->AsBool());
    EXPECT_TRUE(json.Find("differs")->AsBool());
    EXPECT_GE(json.Find("profilesMoved")->AsNumber(), 1);
    EXPECT_EQ(json.Find("settingsDiffering")->AsNumber(), 0);
    EXPECT_EQ(json.Find("reportMode")->AsNumber(), 0x20);

    const std::string metrics = Metrics();
    EXPECT_THAT(metrics, HasSubstr("\nt860_up 1\n"));
    EXPECT_THAT(metrics, HasSubstr("t860_info{serial=\"86012345\",model=\"860\",firmware=\"3.12\","
                                   "driver=\"2.6.0.1187\"} 1\n"));
    EXPECT_THAT(metrics, HasSubstr("\nt860_report_mode 32\n"));
    EXPECT_THAT(metrics, HasSubstr("\nt860_input_mode 2\n"));
    EXPECT_THAT(metrics, HasSubstr("\nt860_baseline_compared 1\n"));
    EXPECT_THAT(metrics, HasSubstr("t860_baseline_profile_moved{camera=\"2\",row=\"lit\"} 1\n"));
    EXPECT_THAT(metrics, HasSubstr("t860_baseline_profile_moved{camera=\"1\",row=\"lit\"} 0\n"));
    EXPECT_THAT(metrics,
                HasSubstr("t860_baseline_profile_moved{camera=\"2\",row=\"ambient\"} 0\n"));
    EXPECT_THAT(metrics, Not(HasSubstr("\nt860_baseline_profiles_moved 0\n")));
    EXPECT_THAT(metrics, HasSubstr("\nt860_baseline_file_error 0\n"));
    EXPECT_EQ(std::filesystem::status(Folder() / "t860.prom").permissions() &
                  std::filesystem::perms::others_read,
              std::filesystem::perms::others_read)
        << "the exporter runs as another user";
}

TEST_F(CtlHealth, TouchesInTheQuietWindowAreCountedAndTheReportModeComesBack) {
    const CtlResult result = Health({"--quiet-seconds", "1"});
    EXPECT_EQ(result.code, 0) << result.err;
    const JsonValue json = Parsed(result);
    EXPECT_GE(json.Find("ghostTouches")->AsNumber(), 1) << "the scripted fingers never rest long";
    EXPECT_NE(json.Find("ghostTouchAreas")->AsString(), "none");
    EXPECT_EQ(controller.ReportMode(), 0x20);
    const std::string metrics = Metrics();
    EXPECT_THAT(metrics, HasSubstr("\nt860_quiet_window_seconds 1\n"));
    EXPECT_THAT(metrics, HasSubstr("t860_ghost_touches_by_area{row=\"bottom\",column=\"right\"} "));
    EXPECT_THAT(metrics, Not(HasSubstr("t860_baseline_profile")));
}

TEST_F(CtlHealth, ACorruptOrMissingBaselineIsAMetricAndAMessageNotAStaleFile) {
    WriteAll((Folder() / "t860.prom").string(), "t860_up 1\nstale\n");
    const std::string corrupt = PathOf("corrupt.json");
    WriteAll(corrupt, "{\"format\": \"T860 baseline\",\n \"version\": 1,\n oops}");
    for (const std::string& path : {corrupt, PathOf("missing.json")}) {
        const CtlResult result = Health({"--baseline", path});
        EXPECT_EQ(result.code, 1);
        EXPECT_THAT(result.err, HasSubstr(path));
        EXPECT_FALSE(Parsed(result).Find("baselineCompared")->AsBool());
        const std::string metrics = Metrics();
        EXPECT_THAT(metrics, HasSubstr("\nt860_baseline_file_error 1\n"));
        EXPECT_THAT(metrics, HasSubstr("\nt860_up 1\n")) << "the rest is still checked";
        EXPECT_THAT(metrics, Not(HasSubstr("stale")));
    }
    EXPECT_THAT(Run({"health", "--baseline", corrupt}).err, HasSubstr("line 3"));
}

TEST_F(CtlHealth, AnUnreadableAccuracyResultIsReportedWithoutCostingTheComparison) {
    const std::string baseline = SaveBaseline();
    std::filesystem::create_directories(home.DataFolder());
    WriteAll((home.DataFolder() / "LastAccuracy.json").string(), "{\"format\": \"T860 accuracy\"");
    const CtlResult result = Health({"--baseline", baseline});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("LastAccuracy.json"));
    EXPECT_TRUE(Parsed(result).Find("baselineCompared")->AsBool());
    const std::string metrics = Metrics();
    EXPECT_THAT(metrics, HasSubstr("\nt860_baseline_compared 1\n"));
    EXPECT_THAT(metrics, HasSubstr("\nt860_accuracy_file_error 1\n"));
    EXPECT_THAT(metrics, HasSubstr("\nt860_accuracy_result 0\n"));
}

TEST_F(CtlHealth, AMissingControllerIsPublishedAsDown) {
    const CtlResult result = Run({"--vid", "1234", "--pid", "5678", "health", "--textfile",
                                  Folder().string(), "--quiet-seconds", "1"});
    EXPECT_EQ(result.code, 3);
    EXPECT_THAT(result.out, HasSubstr("Controller Up: no\n"));
    const std::string metrics = Metrics();
    EXPECT_THAT(metrics, HasSubstr("\nt860_up 0\n"));
    EXPECT_THAT(metrics, HasSubstr("\nt860_last_run_timestamp_seconds "));
    EXPECT_THAT(metrics, Not(HasSubstr("t860_info")));
}

TEST_F(CtlHealth, AFolderThatCannotBeWrittenIsAnErrorNamingThePathAndKeepsThePreviousFile) {
    const CtlResult nowhere = Run({"health", "--textfile", PathOf("no/such/folder")});
    EXPECT_EQ(nowhere.code, 1);
    EXPECT_THAT(
        nowhere.err,
        HasSubstr((std::filesystem::path(PathOf("no/such/folder")) / "t860.prom").string()));

    const std::string previous = "# HELP t860_up x\n# TYPE t860_up gauge\nt860_up 1\n";
    WriteAll((Folder() / "t860.prom").string(), previous);
    std::filesystem::create_directory(Folder() / "t860.prom.tmp");  // the write cannot go there
    const CtlResult blocked = Health({});
    EXPECT_EQ(blocked.code, 1);
    EXPECT_THAT(blocked.err, HasSubstr("cannot publish"));
    EXPECT_EQ(Metrics(), previous);
}

TEST_F(CtlHealth, WordsItDoesNotKnowAreUsageErrorsBeforeAnythingIsSent) {
    const uint32_t before = OutputReports();
    EXPECT_EQ(Run({"health", "--quiet-seconds", "601"}).code, 2);
    EXPECT_EQ(Run({"health", "--textfile"}).code, 2);
    EXPECT_EQ(Run({"health", "--textfile", ""}).code, 2);
    EXPECT_EQ(Run({"health", "extra"}).code, 2);
    EXPECT_EQ(OutputReports(), before);
}
