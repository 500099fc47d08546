// The whole path an operator sets up: the t860ctl program publishes into the
// folder of Debian's node exporter, which serves the values on /metrics
// without a textfile scrape error; promtool accepts the file and the example
// alerting rules.

#include <gmock/gmock.h>

#include <cmath>

#include "Checks/AccuracyFile.h"
#include "Formats/WholeFile.h"
#include "tests/t860ctl/CtlFixture.h"
#include "tests/t860ctl/NodeExporter.h"

namespace {

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

}  // namespace

class HealthExporter : public CtlOnController {
protected:
    HealthExporter() { std::filesystem::create_directories(folder); }

    // t860ctl itself, on its own virtual controller: the one of this fixture
    // only records the baselines.
    int HealthRun(const std::string& baseline) const {
        return RunCommand(Quoted(T860CTL_PROGRAM) +
                          " --simulate --timeout 10000 health --baseline " + Quoted(baseline) +
                          " --accuracy " + Quoted(accuracy) + " --textfile " +
                          Quoted(folder.string()) + " >" + Quoted(PathOf("health.out")) + " 2>&1");
    }

    std::string SaveBaseline(const std::string& name) {
        const std::string path = PathOf(name);
        const CtlResult result = Run({"--timeout", "10000", "baseline", "save", path});
        EXPECT_EQ(result.code, 0) << result.err;
        return path;
    }

    void WriteAccuracy() const {
        AccuracySummary summary;
        summary.Date = "2026-12-08T01:45:10Z";
        summary.Screen.WidthPx = 1920;
        summary.Screen.HeightPx = 1080;
        summary.Values.Passed = false;
        summary.Values.LargestOffsetPx = 42.5;
        summary.Values.LargestJitterPx = 3.5;
        summary.Values.Targets = 9;
        JsonValue json = AccuracySummaryJson(summary);
        json.Set("format", JsonValue::String(kAccuracyFileFormat));
        json.Set("version", JsonValue::Number(kAccuracyFileVersion));
        std::string error;
        ASSERT_TRUE(WriteFileReplacing(accuracy, WriteJson(json), error)) << error;
    }

    const std::filesystem::path folder = home.Root() / "textfile";
    const std::string accuracy = PathOf("accuracy.json");
};

TEST_F(HealthExporter, TheExporterServesTheBaselineDriftThatT860ctlPublished) {
    const std::string before = SaveBaseline("before.json");
    controller.ChangeCameraRow(2, ScopeKind::Lit, 200, 279, 0.3, 0);
    const std::string after = SaveBaseline("after.json");
    WriteAccuracy();
    const NodeExporter exporter(folder);
    ASSERT_TRUE(exporter.Started()) << exporter.Log();

    // The virtual controller of --simulate is as the unit was before the change.
    ASSERT_EQ(HealthRun(before), 0) << ReadAll(PathOf("health.out"));
    std::string metrics = exporter.Metrics();
    EXPECT_EQ(SampleValue(metrics, "node_textfile_scrape_error"), 0) << metrics;
    EXPECT_EQ(SampleValue(metrics, "t860_up"), 1);
    EXPECT_EQ(SampleValue(metrics,
                          "t860_info{driver=\"2.6.0.1187\",firmware=\"3.12\","
                          "model=\"860\",serial=\"86012345\"}"),
              1);
    EXPECT_EQ(SampleValue(metrics, "t860_baseline_compared"), 1);
    EXPECT_EQ(SampleValue(metrics, "t860_baseline_profiles_moved"), 0);
    EXPECT_LT(SampleValue(metrics, "t860_baseline_profile_change_ratio{camera=\"2\",row=\"lit\"}"),
              0.3);
    EXPECT_EQ(SampleValue(metrics, "t860_accuracy_passed"), 0);
    EXPECT_EQ(SampleValue(metrics, "t860_accuracy_largest_offset_pixels"), 42.5);
    EXPECT_EQ(SampleValue(metrics, "t860_accuracy_largest_jitter_pixels"), 3.5);

    ASSERT_EQ(HealthRun(after), 5) << ReadAll(PathOf("health.out"));
    metrics = exporter.Metrics();
    EXPECT_EQ(SampleValue(metrics, "node_textfile_scrape_error"), 0) << metrics;
    EXPECT_EQ(SampleValue(metrics, "t860_baseline_profile_moved{camera=\"2\",row=\"lit\"}"), 1);
    EXPECT_EQ(SampleValue(metrics, "t860_baseline_profile_moved{camera=\"1\",row=\"lit\"}"), 0);
    EXPECT_GE(SampleValue(metrics, "t860_baseline_profiles_moved"), 1);
    EXPECT_GT(SampleValue(metrics, "t860_baseline_profile_change_ratio{camera=\"2\",row=\"lit\"}"),
              1.0)
        << "the row rose from 30 % back to the full light";
    EXPECT_FALSE(std::isnan(SampleValue(metrics, "t860_last_run_duration_seconds")));
}

TEST_F(HealthExporter, PromtoolAcceptsTheMetricsAndTheAlertingRules) {
    const std::string baseline = SaveBaseline("baseline.json");
    WriteAccuracy();
    ASSERT_EQ(HealthRun(baseline), 0) << ReadAll(PathOf("health.out"));
    EXPECT_EQ(RunCommand("promtool check metrics <" + Quoted((folder / "t860.prom").string()) +
                         " >" + Quoted(PathOf("promtool.out")) + " 2>&1"),
              0)
        << ReadAll(PathOf("promtool.out"));
    EXPECT_EQ(RunCommand("promtool check rules " + Quoted(T860_ALERT_RULES) + " >" +
                         Quoted(PathOf("promtool.out")) + " 2>&1"),
              0)
        << ReadAll(PathOf("promtool.out"));
}
