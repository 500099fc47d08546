#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "Charting/ChartAxis.h"

namespace {

TChartAxis VerticalAxis() {
    TChartAxis axis(TChartAxis::Orientation::Vertical);
    axis.SetMinMax(0, 1023);
    axis.SetPixelRange(1033, 10);  // bottom row holds the minimum
    return axis;
}

TEST(ChartAxis, MapsValuesToPixelsAndBackOnAnInvertedVerticalAxis) {
    const TChartAxis axis = VerticalAxis();
    EXPECT_EQ(axis.CalcPosValue(0), 1033);
    EXPECT_EQ(axis.CalcPosValue(1023), 10);
    EXPECT_EQ(axis.CalcPosValue(511.5), 522);
    // Back from a pixel the value is exact, not rounded to a whole number.
    EXPECT_DOUBLE_EQ(axis.CalcPosPoint(1033), 0);
    EXPECT_DOUBLE_EQ(axis.CalcPosPoint(10), 1023);
    EXPECT_DOUBLE_EQ(axis.CalcPosPoint(1032), 1);
    EXPECT_DOUBLE_EQ(axis.CalcPosPoint(1034), -1);
}

TEST(ChartAxis, ExtremeValuesAndEmptyRangesGiveUsablePixels) {
    TChartAxis axis = VerticalAxis();
    // Far off the plot, but on the right side of it and within int range.
    EXPECT_LT(axis.CalcPosValue(1e300), 10);
    EXPECT_GT(axis.CalcPosValue(-1e300), 1033);
    EXPECT_EQ(axis.CalcPosValue(std::numeric_limits<double>::quiet_NaN()), 1033);

    axis.SetMinMax(5, 5);
    EXPECT_EQ(axis.CalcPosValue(7), 1033);
    axis.SetMinMax(0, 10);
    axis.SetPixelRange(50, 50);
    EXPECT_DOUBLE_EQ(axis.CalcPosPoint(80), 0);
}

TEST(ChartAxis, LabelsFallOnRoundStepsInsideTheRangeAndKeepTheirSpacing) {
    TChartAxis axis(TChartAxis::Orientation::Horizontal);
    axis.SetMinMax(0, 512);
    axis.SetPixelRange(40, 990);
    std::vector<double> values;
    axis.LabelValues(45, values);
    ASSERT_GE(values.size(), 2u);
    EXPECT_EQ(values.front(), 0);
    const double step = values[1] - values[0];
    EXPECT_TRUE(step == 20 || step == 50 || step == 100) << step;
    EXPECT_GE(axis.CalcPosValue(values[1]) - axis.CalcPosValue(values[0]), 45);
    EXPECT_LE(values.back(), 512);
    EXPECT_GT(values.back() + step, 512);

    axis.SetMinMax(-3, 7);
    axis.LabelValues(100, values);
    for (double value : values) {
        EXPECT_GE(value, -3);
        EXPECT_LE(value, 7);
    }

    // No range, or no room: one label, never a runaway list.
    axis.SetMinMax(4, 4);
    axis.LabelValues(45, values);
    EXPECT_EQ(values, std::vector<double>{4});
    axis.SetMinMax(0, 1e12);
    axis.LabelValues(0, values);
    EXPECT_LE(values.size(), 1000u);
}

}  // namespace
