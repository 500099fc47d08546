#include <gtest/gtest.h>

#include <QEvent>
#include <string>
#include <thread>
#include <vector>

#include "Charting/AreaSeries.h"
#include "Charting/Chart.h"
#include "Charting/FastLineSeries.h"
#include "Charting/LineSeries.h"
#include "tests/Charting/ChartTestSupport.h"

namespace {

const QColor kBackground(200, 220, 240);
const QColor kGrey(128, 128, 128);

class ChartTest : public testing::Test {
protected:
    ChartTest() {
        chart.resize(400, 300);
        chart.SetBackColour(kBackground);
        chart.LeftAxis().SetMinMax(0, 100);
        chart.BottomAxis().SetMinMax(0, 100);
    }
    // The client pixel of a value pair.
    QPoint At(double x, double y) {
        RenderChart(chart);  // lays the chart out for its size
        return {chart.BottomAxis().CalcPosValue(x), chart.LeftAxis().CalcPosValue(y)};
    }
    TFastLineSeries* FlatLine(const QColor& colour, double y) {
        auto* series = chart.AddSeries<TFastLineSeries>();
        series->SetColour(colour);
        for (int x = 0; x <= 100; x += 10) {
            series->AddXY(x, y);
        }
        return series;
    }

    TChart chart;
};

TEST_F(ChartTest, LinesAreDrawnInTheOrderOfAdditionAndOnlyWithAVisiblePen) {
    FlatLine(Qt::blue, 50);
    TFastLineSeries* green = FlatLine(Qt::green, 50);
    const QPoint middle = At(50, 50);
    const QImage image = RenderChart(chart);
    const QRect row(chart.PlotRect().left(), middle.y(), chart.PlotRect().width(), 1);
    EXPECT_EQ(CountColour(image, row, Qt::green), chart.PlotRect().width());
    EXPECT_EQ(CountColour(image, chart.rect(), Qt::blue), 0);

    green->SetLinePenVisible(false);
    EXPECT_EQ(CountColour(RenderChart(chart), row, Qt::blue), chart.PlotRect().width());
}

TEST_F(ChartTest, NothingIsDrawnOutsideThePlot) {
    auto* series = chart.AddSeries<TFastLineSeries>();
    series->SetColour(Qt::blue);
    series->SetXValuesOrder(TValueOrder::None);
    series->AddXY(-50, 150);
    series->AddXY(150, -50);
    const QImage image = RenderChart(chart);
    const int all = CountColour(image, chart.rect(), Qt::blue);
    EXPECT_GT(all, 0);
    EXPECT_EQ(CountColour(image, chart.PlotRect(), Qt::blue), all);
}

TEST_F(ChartTest, AreaIsFilledAsStairsDownToTheAxis) {
    auto* area = chart.AddSeries<TAreaSeries>();
    area->SetColour(kGrey);
    area->AddXY(20, 60);
    area->AddXY(40, 30);
    area->AddXY(60, 30);
    const QPoint inFirstStep = At(30, 50);
    const QPoint overFirstStep = At(30, 70);
    const QPoint inSecondStep = At(50, 20);
    const QPoint overSecondStep = At(50, 40);
    const QPoint afterLastPoint = At(70, 10);
    const QImage image = RenderChart(chart);
    EXPECT_EQ(image.pixelColor(inFirstStep), kGrey);
    EXPECT_EQ(image.pixelColor(inSecondStep), kGrey);
    EXPECT_NE(image.pixelColor(overFirstStep), kGrey);
    EXPECT_NE(image.pixelColor(overSecondStep), kGrey);
    EXPECT_NE(image.pixelColor(afterLastPoint), kGrey);

    // Two points at one x enclose nothing.
    area->SetXY(0, 0, 10);
    area->SetXY(1, 0, 10);
    area->SetXY(2, 0, 10);
    EXPECT_EQ(CountColour(RenderChart(chart), chart.rect(), kGrey), 0);
}

TEST_F(ChartTest, MarksShowOnlyForPointsInsideBothAxes) {
    auto* marker = chart.AddSeries<TLineSeries>();
    marker->SetLinePenVisible(false);
    marker->Marks.Visible = true;
    marker->Marks.FontColour = Qt::red;
    marker->Marks.BackColour = Qt::white;
    marker->Marks.FrameVisible = false;
    marker->Marks.ArrowLength = 0;
    marker->AddXY(-10, -10, "X");
    const QImage hidden = RenderChart(chart);
    EXPECT_EQ(CountReddish(hidden, chart.rect()), 0);
    EXPECT_EQ(CountColour(hidden, chart.rect(), Qt::white), 0);

    marker->AddXY(50, 50, "X");
    const QPoint point = At(50, 50);
    const QImage shown = RenderChart(chart);
    const QRect aroundPoint(point.x() - 20, point.y() - 30, 40, 31);
    EXPECT_GT(CountReddish(shown, aroundPoint), 0);            // the text
    EXPECT_GT(CountColour(shown, aroundPoint, Qt::white), 0);  // its opaque box
    EXPECT_EQ(
        CountColour(shown, chart.rect(), Qt::black) - CountColour(hidden, chart.rect(), Qt::black),
        0);  // and no frame
}

TEST_F(ChartTest, APressGoesToTheTopmostHitSeriesThenToTheChart) {
    std::vector<std::string> calls;
    TFastLineSeries* lower = FlatLine(Qt::blue, 50);
    TFastLineSeries* upper = FlatLine(Qt::green, 50);
    lower->OnClickPointer = [&](TChartSeries*, int index, Qt::MouseButton, Qt::KeyboardModifiers,
                                int, int) { calls.push_back("lower " + std::to_string(index)); };
    upper->OnClickPointer = [&](TChartSeries*, int index, Qt::MouseButton, Qt::KeyboardModifiers,
                                int, int) { calls.push_back("upper " + std::to_string(index)); };
    chart.OnMouseDown = [&](TChart*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        calls.push_back("chart " + std::to_string(button == Qt::LeftButton) + " " +
                        std::to_string(x) + "," + std::to_string(y));
    };
    const QPoint nearPoint3 = At(30, 50) + QPoint(2, -2);
    const std::string where = std::to_string(nearPoint3.x()) + "," + std::to_string(nearPoint3.y());

    SendMouse(chart, QEvent::MouseButtonPress, nearPoint3);
    EXPECT_EQ(calls, (std::vector<std::string>{"upper 3", "chart 1 " + where}));

    calls.clear();
    upper->SetLinePenVisible(false);
    SendMouse(chart, QEvent::MouseButtonPress, nearPoint3);
    EXPECT_EQ(calls, (std::vector<std::string>{"lower 3", "chart 1 " + where}));

    calls.clear();
    const QPoint awayFromPoints = At(35, 80);
    SendMouse(chart, QEvent::MouseButtonPress, awayFromPoints);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rfind("chart", 0), 0u);
}

TEST_F(ChartTest, MovesAndReleasesReachTheirHandlers) {
    std::vector<std::string> calls;
    chart.OnMouseMove = [&](TChart* sender, Qt::KeyboardModifiers shift, int x, int y) {
        EXPECT_EQ(sender, &chart);
        calls.push_back("move " + std::to_string(shift.testFlag(Qt::ShiftModifier)) + " " +
                        std::to_string(x) + "," + std::to_string(y));
    };
    chart.OnMouseUp = [&](TChart*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        calls.push_back("up " + std::to_string(button == Qt::RightButton) + " " +
                        std::to_string(x) + "," + std::to_string(y));
    };
    SendMouse(chart, QEvent::MouseMove, {10, 20}, Qt::NoButton, Qt::ShiftModifier);
    SendMouse(chart, QEvent::MouseButtonRelease, {11, 21}, Qt::RightButton);
    EXPECT_EQ(calls, (std::vector<std::string>{"move 1 10,20", "up 1 11,21"}));
}

TEST_F(ChartTest, TheSeriesCursorShowsOnlyOverItsPoints) {
    TFastLineSeries* line = FlatLine(Qt::blue, 50);
    line->SetCursor(Qt::PointingHandCursor);
    SendMouse(chart, QEvent::MouseMove, At(40, 50), Qt::NoButton);
    EXPECT_EQ(chart.cursor().shape(), Qt::PointingHandCursor);
    SendMouse(chart, QEvent::MouseMove, At(40, 90), Qt::NoButton);
    EXPECT_EQ(chart.cursor().shape(), Qt::ArrowCursor);
}

class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int paints = 0;
};

TEST_F(ChartTest, RepaintRequestsFromAnotherThreadFoldIntoOnePaintOnTheWindowThread) {
    chart.show();
    for (int i = 0; i < 5; ++i) {
        ProcessEvents();
    }
    PaintCounter counter;
    chart.installEventFilter(&counter);

    std::thread device([this] {
        for (int i = 0; i < 1000; ++i) {
            chart.RequestRepaint();
        }
    });
    device.join();
    EXPECT_TRUE(chart.IsRepaintPending());
    EXPECT_EQ(counter.paints, 0);  // nothing painted off the window thread
    for (int i = 0; i < 5; ++i) {
        ProcessEvents();
    }
    EXPECT_EQ(counter.paints, 1);
    EXPECT_FALSE(chart.IsRepaintPending());

    chart.RequestRepaint();  // a later request paints again
    for (int i = 0; i < 5; ++i) {
        ProcessEvents();
    }
    EXPECT_EQ(counter.paints, 2);
    chart.removeEventFilter(&counter);
}

}  // namespace
