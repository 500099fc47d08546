#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

#include "Charting/Chart.h"
#include "T860Util/Camline.h"
#include "tests/Charting/ChartTestSupport.h"

namespace {

class CamLineTest : public testing::Test {
protected:
    CamLineTest() {
        chart.resize(1000, 600);
        chart.LeftAxis().SetMinMax(0, 1023);
        chart.BottomAxis().SetMinMax(0, 512);
        for (int i = 0; i < static_cast<int>(values.size()); ++i) {
            values[i] = static_cast<int16_t>(1000 + i);
        }
        RenderChart(chart);
    }
    // Lets the window thread take the repaint requests made so far.
    void SettleRepaints() {
        ProcessEvents();
        ASSERT_FALSE(chart.IsRepaintPending());
    }

    TChart chart;
    std::array<int16_t, 1023> values{};
};

TEST_F(CamLineTest, HoldsOneZeroPointPerPixelWithItsLook) {
    TCamLine line(2, 512, false, QColor(128, 64, 0), &chart);
    ASSERT_EQ(line.Series->Count(), TCamLine::kPointCount);
    for (int i = 0; i < TCamLine::kPointCount; ++i) {
        EXPECT_EQ(line.Series->XValue(i), i);
        EXPECT_EQ(line.Series->YValue(i), 0);
    }
    EXPECT_EQ(line.Series->Colour(), QColor(128, 64, 0));
    EXPECT_EQ(ToQColor(line.Series->ValueColour(513)), QColor(128, 64, 0));
    EXPECT_FALSE(line.Series->LinePenVisible());
    EXPECT_EQ(line.Series->LinePenWidth(), 2);
    EXPECT_EQ(line.Series->Cursor(), Qt::PointingHandCursor);
    EXPECT_EQ(line.SelectedPoint, -1);
}

TEST_F(CamLineTest, ACountOfZeroWritesEveryPixelAndRepaints) {
    TCamLine line(1, 512, true, Qt::red, &chart);
    SettleRepaints();
    line.SetValues(0, values.data(), 0, true);
    EXPECT_EQ(line.Series->YValue(0), 1000);
    EXPECT_EQ(line.Series->YValue(511), 1511);
    EXPECT_EQ(line.Series->YValue(512), 0);
    EXPECT_EQ(line.Series->YValue(513), 0);
    EXPECT_TRUE(chart.IsRepaintPending());
}

TEST_F(CamLineTest, ValuesStopAtThePixelCountAndThenNoRepaintIsAsked) {
    TCamLine line(1, 512, true, Qt::red, &chart);
    SettleRepaints();

    line.SetValues(500, values.data(), 28, true);
    EXPECT_EQ(line.Series->YValue(499), 0);
    EXPECT_EQ(line.Series->YValue(500), 1000);
    EXPECT_EQ(line.Series->YValue(511), 1011);
    EXPECT_EQ(line.Series->YValue(512), 0);
    EXPECT_FALSE(chart.IsRepaintPending());

    line.SetValues(600, values.data(), 5, true);
    line.SetValues(512, values.data(), 1, true);
    EXPECT_EQ(line.Series->YValue(512), 0);
    EXPECT_FALSE(chart.IsRepaintPending());

    line.SetValues(10, values.data(), 3, false);  // stored, but no repaint asked
    EXPECT_EQ(line.Series->YValue(12), 1002);
    EXPECT_FALSE(chart.IsRepaintPending());

    line.SetValues(484, values.data(), 28, true);  // ends exactly on the last pixel
    EXPECT_EQ(line.Series->YValue(511), 1027);
    EXPECT_TRUE(chart.IsRepaintPending());
}

TEST_F(CamLineTest, APixelCountBeyondThePointsStopsAtTheLastPoint) {
    TCamLine line(1, 1023, true, Qt::red, &chart);
    SettleRepaints();
    line.SetValues(510, values.data(), 10, true);
    EXPECT_EQ(line.Series->YValue(513), 1003);
    EXPECT_EQ(line.Series->Count(), TCamLine::kPointCount);
    EXPECT_FALSE(chart.IsRepaintPending());
}

TEST_F(CamLineTest, NegativeCountsAndPositionsStoreNothing) {
    TCamLine line(1, 512, true, Qt::red, &chart);
    SettleRepaints();
    line.SetValues(0, values.data(), -3, true);
    line.SetValues(-2, values.data(), 5, true);
    for (int i = 0; i < TCamLine::kPointCount; ++i) {
        ASSERT_EQ(line.Series->YValue(i), 0) << i;
    }
    EXPECT_FALSE(chart.IsRepaintPending());
}

TEST_F(CamLineTest, ASelectedPointFollowsTheMouseUntilTheDragEnds) {
    TCamLine line(1, 512, true, Qt::red, &chart);
    const int row = chart.LeftAxis().CalcPosValue(300) + 1;  // between two whole values

    line.DragTo(&chart, Qt::NoModifier, 0, row);  // nothing selected yet
    line.PointClick(line.Series, -1, Qt::LeftButton, Qt::NoModifier, 0, 0);
    line.DragTo(&chart, Qt::NoModifier, 0, row);
    EXPECT_EQ(line.SelectedPoint, -1);
    for (int i = 0; i < TCamLine::kPointCount; ++i) {
        ASSERT_EQ(line.Series->YValue(i), 0) << i;
    }

    line.PointClick(line.Series, 40, Qt::LeftButton, Qt::NoModifier, 0, 0);
    SettleRepaints();
    line.DragTo(&chart, Qt::NoModifier, 0, row);
    EXPECT_DOUBLE_EQ(line.Series->YValue(40), chart.LeftAxis().CalcPosPoint(row));
    EXPECT_NE(line.Series->YValue(40), 300);  // not rounded to a whole value
    EXPECT_TRUE(chart.IsRepaintPending());

    line.EndDrag(&chart);
    EXPECT_EQ(line.SelectedPoint, -1);
    line.DragTo(&chart, Qt::NoModifier, 0, chart.LeftAxis().CalcPosValue(900));
    EXPECT_DOUBLE_EQ(line.Series->YValue(40), chart.LeftAxis().CalcPosPoint(row));
}

TEST_F(CamLineTest, ValuesWrittenByAnotherThreadWhilePaintingStayWholeAndInPlace) {
    TCamLine line(1, 512, true, Qt::red, &chart);
    std::atomic<bool> done{false};
    std::thread device([&] {
        std::array<int16_t, 28> reply{};
        for (int round = 0; round < 2000; ++round) {
            reply.fill(static_cast<int16_t>(round % 2 == 0 ? 100 : -100));
            for (int first = 0; first < 512; first += 28) {
                line.SetValues(first, reply.data(), 28, true);
            }
        }
        reply.fill(777);
        for (int first = 0; first < 512; first += 28) {
            line.SetValues(first, reply.data(), 28, true);
        }
        done = true;
    });
    while (!done) {
        RenderChart(chart);
        ProcessEvents();
    }
    device.join();
    EXPECT_EQ(line.Series->Count(), TCamLine::kPointCount);
    for (int i = 0; i < 512; ++i) {
        ASSERT_EQ(line.Series->YValue(i), 777) << i;
    }
    EXPECT_EQ(line.Series->YValue(512), 0);
}

}  // namespace
