#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "Charting/Chart.h"
#include "Charting/FastLineSeries.h"

namespace {

TEST(ChartSeries, SortedSeriesInsertByXAndUnsortedKeepTheOrderOfAddition) {
    TChart chart;
    auto* sorted = chart.AddSeries<TFastLineSeries>();
    EXPECT_EQ(sorted->AddXY(5, 50), 0);
    EXPECT_EQ(sorted->AddXY(1, 10), 0);
    EXPECT_EQ(sorted->AddXY(3, 30), 1);
    EXPECT_EQ(sorted->AddXY(5, 51), 3);  // equal x goes after the ones there
    EXPECT_EQ(sorted->YValue(0), 10);
    EXPECT_EQ(sorted->YValue(1), 30);
    EXPECT_EQ(sorted->YValue(2), 50);

    auto* unsorted = chart.AddSeries<TFastLineSeries>();
    unsorted->SetXValuesOrder(TValueOrder::None);
    unsorted->AddXY(1000, 1);
    unsorted->AddNullXY(0, 0);
    unsorted->AddXY(500, 2);
    EXPECT_EQ(unsorted->XValue(0), 1000);
    EXPECT_EQ(unsorted->ValueColour(1), clNone);
    EXPECT_EQ(unsorted->XValue(2), 500);
}

TEST(ChartSeries, PointsGetTheSeriesColourUnlessGivenOneAndLabelsAreKept) {
    TChart chart;
    auto* series = chart.AddSeries<TFastLineSeries>();
    series->SetColour(QColor(210, 0, 0));
    series->AddXY(0, 0);
    series->AddXY(1, 0, "one", ToTColor(Qt::blue));
    EXPECT_EQ(ToQColor(series->ValueColour(0)), QColor(210, 0, 0));
    EXPECT_EQ(ToQColor(series->ValueColour(1)), QColor(Qt::blue));
    EXPECT_EQ(series->Label(1), "one");
    EXPECT_NE(ToTColor(QColor(Qt::white)), clNone);
}

TEST(ChartSeries, WritesOutsideThePointsChangeNothing) {
    TChart chart;
    auto* series = chart.AddSeries<TFastLineSeries>();
    for (int x = 0; x < 4; ++x) {
        series->AddXY(x, 0);
    }
    EXPECT_FALSE(series->SetYValue(-1, 7));
    EXPECT_FALSE(series->SetYValue(4, 7));
    EXPECT_FALSE(series->SetXY(4, 1, 1));
    EXPECT_EQ(series->YValue(4), 0);
    EXPECT_EQ(series->ValueColour(-1), clNone);
    EXPECT_EQ(series->Label(9), QString());

    const std::array<int16_t, 3> values = {-5, 6, 7};
    EXPECT_EQ(series->SetYValues(2, values), 2);  // the third has no point
    EXPECT_EQ(series->YValue(2), -5);
    EXPECT_EQ(series->YValue(3), 6);
    EXPECT_EQ(series->Count(), 4);
    EXPECT_EQ(series->SetYValues(-1, values), 0);
    EXPECT_EQ(series->SetYValues(4, values), 0);
    EXPECT_EQ(series->YValue(0), 0);
}

}  // namespace
