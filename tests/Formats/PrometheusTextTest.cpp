// The text format as the collector parses it: whatever a controller or a file
// puts into a label value stays inside its quotes on one line.

#include <gmock/gmock.h>

#include <cmath>
#include <limits>

#include "Formats/PrometheusText.h"

TEST(PrometheusText, FamiliesHaveHelpAndTypeBeforeTheirSamples) {
    PrometheusText metrics;
    metrics.Gauge("t860_up", "Whether it answered.", 1);
    metrics.Family("t860_info", "Who it is;\nback\\slash.");
    metrics.Sample(1, {{"serial", "86012345"}, {"driver", "2.6.0.1187"}});
    EXPECT_EQ(metrics.Text(),
              "# HELP t860_up Whether it answered.\n"
              "# TYPE t860_up gauge\n"
              "t860_up 1\n"
              "# HELP t860_info Who it is;\\nback\\\\slash.\n"
              "# TYPE t860_info gauge\n"
              "t860_info{serial=\"86012345\",driver=\"2.6.0.1187\"} 1\n");
}

TEST(PrometheusText, LabelValuesCannotBreakOutOfTheirQuotesOrLine) {
    EXPECT_EQ(EscapeLabelValue("a\"b\\c\nd"), "a\\\"b\\\\c\\nd");
    EXPECT_EQ(EscapeLabelValue(std::string("x\ty\r\0z", 6)), "x?y??z");
    EXPECT_EQ(EscapeLabelValue("\xC3\xA9\xFF"), "???") << "only printable ASCII is kept";
}

TEST(PrometheusText, NumbersAreExactAndSpecialValuesSpelledAsTheFormatWants) {
    EXPECT_EQ(PrometheusNumber(86012345), "86012345");
    EXPECT_EQ(PrometheusNumber(0.1), "0.1");
    EXPECT_EQ(PrometheusNumber(1781234567.25), "1781234567.25");
    EXPECT_EQ(PrometheusNumber(std::nan("")), "NaN");
    EXPECT_EQ(PrometheusNumber(std::numeric_limits<double>::infinity()), "+Inf");
    EXPECT_EQ(PrometheusNumber(-std::numeric_limits<double>::infinity()), "-Inf");
}
