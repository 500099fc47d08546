#include <gtest/gtest.h>

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "T860Util/Camchart.h"
#include "tests/Charting/ChartTestSupport.h"

namespace {

class CamChartTest : public testing::Test {
protected:
    void Build(bool linesVisible = true, int requestedPixelCount = 512) {
        panel.resize(1000, 600);
        chart.Build(&panel, linesVisible, 1, requestedPixelCount);
        panel.show();
        ProcessEvents();
        ASSERT_EQ(chart.ChartControl->size(), panel.size());
    }
    TChart& Control() { return *chart.ChartControl; }
    QPoint At(double x, double y) {
        return {Control().BottomAxis().CalcPosValue(x), Control().LeftAxis().CalcPosValue(y)};
    }
    void Fill(int line, int16_t value) {
        std::vector<int16_t> values(512, value);
        chart.Lines[line]->SetValues(0, values.data(), 0, true);
    }
    void Press(QPoint where, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        SendMouse(Control(), QEvent::MouseButtonPress, where, Qt::LeftButton, modifiers);
    }
    void Move(QPoint where) { SendMouse(Control(), QEvent::MouseMove, where, Qt::LeftButton); }
    void Release(QPoint where) {
        SendMouse(Control(), QEvent::MouseButtonRelease, where, Qt::LeftButton);
    }

    QWidget panel;
    TCamChart chart;
};

TEST_F(CamChartTest, TheHorizontalAxisShowsThePixelsUpTo1023) {
    Build(true, 512);
    EXPECT_EQ(chart.PixelCount, 512);
    EXPECT_EQ(Control().BottomAxis().Minimum(), 0);
    EXPECT_EQ(Control().BottomAxis().Maximum(), 512);
    EXPECT_EQ(Control().LeftAxis().Minimum(), 0);
    EXPECT_EQ(Control().LeftAxis().Maximum(), 1023);
    EXPECT_EQ(chart.Lines[3]->PixelCount, 512);

    QWidget otherPanel;
    TCamChart wide;
    wide.Build(&otherPanel, true, 1, 5000);
    EXPECT_EQ(wide.PixelCount, 1023);
    EXPECT_EQ(wide.ChartControl->BottomAxis().Maximum(), 1023);
    EXPECT_EQ(wide.Lines[7]->PixelCount, 1023);
}

TEST_F(CamChartTest, SeriesJoinInOrderBandsCurvesCursorsMarker) {
    Build();
    ASSERT_EQ(Control().SeriesCount(), 8 + 8 + 16 + 1);
    for (int i = 0; i < TCamChart::kLineCount; ++i) {
        EXPECT_EQ(Control().Series(i), chart.Bands[i]);
        EXPECT_EQ(Control().Series(8 + i), chart.Lines[i]->Series);
        EXPECT_EQ(Control().Series(16 + 2 * i), chart.CursorPairs[i][0]);
        EXPECT_EQ(Control().Series(17 + 2 * i), chart.CursorPairs[i][1]);
    }
    EXPECT_EQ(Control().Series(32), chart.Marker);
    EXPECT_EQ(chart.Lines[0]->Series->Colour(), QColor(210, 0, 0));
    EXPECT_EQ(chart.Lines[5]->Series->Colour(), QColor(255, 64, 0));
    EXPECT_EQ(chart.Lines[7]->Series->Colour(), QColor(0, 210, 0));

    chart.Build(&panel, false, 7, 100);  // a second build changes nothing
    EXPECT_EQ(Control().SeriesCount(), 33);
    EXPECT_EQ(chart.PixelCount, 512);
}

TEST_F(CamChartTest, AfterBuildOnlyFlatCurvesOnZeroAreInSight) {
    Build();
    for (const auto& line : chart.Lines) {
        EXPECT_TRUE(line->Series->LinePenVisible());
        for (int i = 0; i < TCamLine::kPointCount; ++i) {
            ASSERT_EQ(line->Series->YValue(i), 0);
        }
    }
    for (TAreaSeries* band : chart.Bands) {
        ASSERT_EQ(band->Count(), 2);
        EXPECT_EQ(band->XValue(0), band->XValue(1));  // no width
    }
    for (const auto& pair : chart.CursorPairs) {
        for (TFastLineNullSeries* cursor : pair) {
            ASSERT_EQ(cursor->Count(), 5);
            EXPECT_EQ(cursor->ValueColour(2), clNone);
            EXPECT_GT(cursor->XValue(0), Control().BottomAxis().Maximum());
            EXPECT_EQ(cursor->XValue(4), cursor->XValue(0));
        }
    }
    ASSERT_EQ(chart.Marker->Count(), 1);
    EXPECT_EQ(chart.Marker->XValue(0), -10);
    EXPECT_EQ(chart.Marker->YValue(0), -10);

    const QImage image = RenderChart(Control());
    const QRect plot = Control().PlotRect();
    const QRect inside = plot.adjusted(1, 0, 0, -1);                  // without the axis lines
    EXPECT_EQ(CountColour(image, inside, QColor(128, 128, 128)), 0);  // bands
    EXPECT_EQ(CountColour(image, inside, Qt::black), 0);              // cursors
    EXPECT_EQ(CountReddish(image, plot), 0);                          // marker
    // The curves lie on the bottom row, the last one added on top.
    const QRect bottomRow(plot.left() + 1, plot.bottom(), plot.width() - 1, 1);
    EXPECT_EQ(CountColour(image, bottomRow, QColor(0, 210, 0)), plot.width() - 1);
}

TEST_F(CamChartTest, HiddenLinesDrawNothing) {
    Build(false);
    const QImage image = RenderChart(Control());
    const QRect plot = Control().PlotRect();
    EXPECT_EQ(CountColour(image, plot, QColor(0, 210, 0)), 0);
    EXPECT_EQ(CountColour(image, plot, QColor(210, 0, 0)), 0);
}

TEST_F(CamChartTest, OnlyTheInteractiveCurvesFollowAndLetGoOfTheMouse) {
    Build();
    Fill(0, 300);
    Fill(2, 500);
    Fill(4, 700);
    Press(At(100, 500));
    Press(At(120, 700));
    EXPECT_EQ(chart.Lines[2]->SelectedPoint, 100);  // the presses still select
    EXPECT_EQ(chart.Lines[4]->SelectedPoint, 120);
    Move(At(100, 800));
    Release(At(100, 800));
    EXPECT_EQ(chart.Lines[2]->Series->YValue(100), 500);
    EXPECT_EQ(chart.Lines[4]->Series->YValue(120), 700);
    EXPECT_EQ(chart.Lines[2]->SelectedPoint, 100);  // and nothing releases them

    Press(At(200, 300));
    EXPECT_EQ(chart.Lines[0]->SelectedPoint, 200);
    const QPoint target = At(200, 640) + QPoint(0, 1);
    Move(target);
    EXPECT_DOUBLE_EQ(chart.Lines[0]->Series->YValue(200),
                     Control().LeftAxis().CalcPosPoint(target.y()));
    EXPECT_EQ(chart.Lines[0]->Series->YValue(201), 300);
    Release(target);
    EXPECT_EQ(chart.Lines[0]->SelectedPoint, -1);
    Move(At(200, 100));
    EXPECT_DOUBLE_EQ(chart.Lines[0]->Series->YValue(200),
                     Control().LeftAxis().CalcPosPoint(target.y()));
}

TEST_F(CamChartTest, ARightPressSelectsNoPoint) {
    Build();
    Fill(0, 300);
    SendMouse(Control(), QEvent::MouseButtonPress, At(200, 300), Qt::RightButton);
    EXPECT_EQ(chart.Lines[0]->SelectedPoint, -1);
    // The context menu takes the release; the mouse then moves with no button.
    SendMouse(Control(), QEvent::MouseMove, At(200, 800), Qt::NoButton);
    EXPECT_EQ(chart.Lines[0]->Series->YValue(200), 300);
}

TEST_F(CamChartTest, AReleaseClearsTheSelectionEvenWithoutAMove) {
    Build();
    Fill(1, 400);
    Press(At(50, 400));
    EXPECT_EQ(chart.Lines[1]->SelectedPoint, 50);
    Release(At(50, 400));
    EXPECT_EQ(chart.Lines[1]->SelectedPoint, -1);
}

TEST_F(CamChartTest, PressesReachTheCallbacksAsTruncatedValues) {
    Build();
    Press(At(300, 600), Qt::ShiftModifier);  // no callbacks: nothing happens
    for (const auto& line : chart.Lines) {
        EXPECT_EQ(line->SelectedPoint, -1);
    }

    std::vector<std::string> calls;
    const auto record = [&](const char* name) {
        return [&calls, name](TChart* sender, Qt::KeyboardModifiers, int x, int y) {
            EXPECT_NE(sender, nullptr);
            calls.push_back(std::string(name) + " " + std::to_string(x) + "," + std::to_string(y));
        };
    };
    chart.OnShiftClick = record("shift");
    chart.OnChartMouseDown = record("down");
    const QPoint where = At(300, 600) + QPoint(1, 1);
    const int x = static_cast<int>(Control().BottomAxis().CalcPosPoint(where.x()));
    const int y = static_cast<int>(Control().LeftAxis().CalcPosPoint(where.y()));
    const std::string values = std::to_string(x) + "," + std::to_string(y);
    Press(where, Qt::ShiftModifier);
    Press(where);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"shift " + values, "down " + values, "down " + values}));
    EXPECT_EQ(x, 300);
}

TEST_F(CamChartTest, BandsMoveOnlyWithExactlyTwoPointsButAlwaysRepaint) {
    Build();
    chart.SetBandStart(3, 50, 60);
    chart.SetBandEnd(3, 80, 60);
    EXPECT_EQ(chart.Bands[3]->XValue(0), 50);
    EXPECT_EQ(chart.Bands[3]->XValue(1), 80);
    EXPECT_EQ(chart.Bands[3]->YValue(1), 60);

    chart.Bands[4]->AddXY(300, 5);
    ProcessEvents();
    ASSERT_FALSE(Control().IsRepaintPending());
    chart.SetBandStart(4, 50, 60);
    chart.SetBandEnd(4, 80, 60);
    EXPECT_EQ(chart.Bands[4]->XValue(0), 0);
    EXPECT_EQ(chart.Bands[4]->XValue(1), 0);
    EXPECT_EQ(chart.Bands[4]->YValue(0), 10);
    EXPECT_TRUE(Control().IsRepaintPending());

    chart.SetBandStart(8, 1, 1);  // no such band
    chart.SetBandEnd(-1, 1, 1);
}

TEST_F(CamChartTest, ResetMarkerLeavesTheOneParkedPoint) {
    Build();
    chart.Marker->AddXY(100, 100, "here");
    chart.Marker->AddXY(200, 100);
    chart.ResetMarker();
    ASSERT_EQ(chart.Marker->Count(), 1);
    EXPECT_EQ(chart.Marker->XValue(0), -10);
    EXPECT_EQ(chart.Marker->YValue(0), -10);
}

TEST(CamChartLifetime, ThePanelsChartIgnoresTheMouseOnceTheCamChartIsGone) {
    QWidget panel;
    panel.resize(600, 400);
    auto camChart = std::make_unique<TCamChart>();
    camChart->Build(&panel, true, 1, 512);
    TChart* control = camChart->ChartControl;
    panel.show();
    ProcessEvents();
    camChart.reset();
    const QPoint onLines(control->BottomAxis().CalcPosValue(10),
                         control->LeftAxis().CalcPosValue(0));
    SendMouse(*control, QEvent::MouseButtonPress, onLines);
    SendMouse(*control, QEvent::MouseMove, onLines + QPoint(0, -20), Qt::LeftButton);
    SendMouse(*control, QEvent::MouseButtonRelease, onLines);
    EXPECT_EQ(control->Series(8)->YValue(10), 0);
}

TEST(CamChartUnbuilt, MouseHandlersBeforeBuildDoNothing) {
    TCamChart chart;
    chart.ChartMouseDown(nullptr, Qt::LeftButton, Qt::ShiftModifier, 1, 1);
    chart.ChartMouseMove(nullptr, Qt::NoModifier, 1, 1);
    chart.ChartMouseUp(nullptr, Qt::LeftButton, Qt::NoModifier, 1, 1);
    chart.ResetMarker();
    chart.SetBandStart(0, 1, 1);
    EXPECT_EQ(chart.ChartControl, nullptr);
}

}  // namespace
