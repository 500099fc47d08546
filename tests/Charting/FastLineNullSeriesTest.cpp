#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Charting/Chart.h"
#include "T860Util/Ufastnull.h"
#include "tests/Charting/ChartTestSupport.h"

namespace {

// The real series, with its pen primitives written down as they are called.
class RecordingNullSeries : public TFastLineNullSeries {
public:
    using TFastLineNullSeries::TFastLineNullSeries;
    std::vector<std::string> calls;

protected:
    void MoveTo(int x, int y) override {
        calls.push_back("move " + std::to_string(x) + "," + std::to_string(y));
        TFastLineNullSeries::MoveTo(x, y);
    }
    void LineTo(int x, int y) override {
        calls.push_back("line " + std::to_string(x) + "," + std::to_string(y));
        TFastLineNullSeries::LineTo(x, y);
    }
};

class FastLineNullSeriesTest : public testing::Test {
protected:
    FastLineNullSeriesTest() {
        chart.resize(400, 300);
        chart.LeftAxis().SetMinMax(0, 100);
        chart.BottomAxis().SetMinMax(0, 100);
        series = chart.AddSeries<RecordingNullSeries>();
        series->SetColour(Qt::black);
        RenderChart(chart);  // lay out, so that pixels are known
    }
    std::string Call(const char* kind, double x, double y) const {
        return std::string(kind) + " " + std::to_string(chart.BottomAxis().CalcPosValue(x)) + "," +
               std::to_string(chart.LeftAxis().CalcPosValue(y));
    }
    std::vector<std::string> Draw() {
        series->calls.clear();
        RenderChart(chart);
        return series->calls;
    }

    TChart chart;
    RecordingNullSeries* series = nullptr;
};

TEST_F(FastLineNullSeriesTest, ACursorPairDrawsTwoStrokesWithNothingBetween) {
    series->SetXValuesOrder(TValueOrder::None);
    series->AddXY(30, 1000);
    series->AddXY(30, -1000);
    series->AddNullXY(0, 0);
    series->AddXY(70, 1000);
    series->AddXY(70, -1000);
    EXPECT_EQ(Draw(), (std::vector<std::string>{Call("move", 30, 1000), Call("line", 30, -1000),
                                                Call("move", 0, 0), Call("move", 70, 1000),
                                                Call("line", 70, -1000)}));

    const QImage image = RenderChart(chart);
    const QRect plot = chart.PlotRect();
    const int column30 = chart.BottomAxis().CalcPosValue(30);
    const int column70 = chart.BottomAxis().CalcPosValue(70);
    EXPECT_EQ(CountColour(image, QRect(column30, plot.top(), 1, plot.height()), Qt::black),
              plot.height());
    EXPECT_EQ(CountColour(image, QRect(column70, plot.top(), 1, plot.height()), Qt::black),
              plot.height());
    // Between the strokes (and away from the axis lines) no pixel is drawn.
    const QRect between(column30 + 1, plot.top(), column70 - column30 - 1, plot.height() - 1);
    EXPECT_EQ(CountColour(image, between, Qt::black), 0);
}

TEST_F(FastLineNullSeriesTest, TheFirstVisiblePointStartsWithAMoveAfterANullAndALineOtherwise) {
    chart.BottomAxis().SetMinMax(5, 100);
    series->AddNullXY(4, 20);
    series->AddXY(5, 50);
    series->AddXY(6, 60);
    std::vector<std::string> calls = Draw();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], Call("move", 5, 50));
    EXPECT_EQ(calls[1], Call("move", 5, 50));
    EXPECT_EQ(calls.back(), Call("line", 6, 60));

    // The same first point after a real one is joined to it from off the plot.
    series->Clear();
    series->AddXY(4, 20);
    series->AddXY(5, 50);
    series->AddXY(6, 60);
    calls = Draw();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], Call("move", 4, 20));
    EXPECT_EQ(calls[1], Call("line", 5, 50));
}

TEST_F(FastLineNullSeriesTest, APointOnThePixelOfThePreviousOneCostsNoLine) {
    series->AddXY(10, 50);
    series->AddXY(10, 50);
    series->AddXY(20, 60);
    EXPECT_EQ(Draw(), (std::vector<std::string>{Call("move", 10, 50), Call("move", 10, 50),
                                                Call("line", 20, 60)}));
    EXPECT_EQ(series->LastX, chart.BottomAxis().CalcPosValue(20));
    EXPECT_EQ(series->LastY, chart.LeftAxis().CalcPosValue(60));
    EXPECT_EQ(series->PreviousColour, ToTColor(Qt::black));
}

TEST_F(FastLineNullSeriesTest, ANullPointIsNeitherEndOfAStroke) {
    series->AddXY(10, 50);
    series->AddNullXY(20, 90);
    series->AddXY(30, 50);
    EXPECT_EQ(Draw(), (std::vector<std::string>{Call("move", 10, 50), Call("move", 20, 90),
                                                Call("move", 30, 50)}));
    EXPECT_EQ(series->CurrentColour, ToTColor(Qt::black));
}

}  // namespace
