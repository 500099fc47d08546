#include "Protocol/TouchDrawing.h"

#include <gtest/gtest.h>

#include "Protocol/PacketLog.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/ControllerReports.h"

#include <array>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Records every drawing call as text, so tests compare what was drawn.
class RecordingCanvas : public TouchCanvas {
public:
    void FillEllipse(int l, int t, int r, int b, CanvasColor c) override {
        Add("fill " + Rect(l, t, r, b) + " " + std::to_string(c.Red) + "/" +
            std::to_string(c.Green) + "/" + std::to_string(c.Blue));
    }
    void HollowEllipse(int l, int t, int r, int b) override { Add("hollow " + Rect(l, t, r, b)); }
    void Line(int x0, int y0, int x1, int y1) override {
        Add("line " + std::to_string(x0) + "," + std::to_string(y0) + "-" + std::to_string(x1) +
            "," + std::to_string(y1));
    }
    void Text(int x, int y, const char* text) override {
        Add("text " + std::to_string(x) + "," + std::to_string(y) + " " + text);
    }
    std::vector<std::string> calls;

private:
    static std::string Rect(int l, int t, int r, int b) {
        return std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) + "," +
               std::to_string(b);
    }
    void Add(std::string call) { calls.push_back(std::move(call)); }
};

const TouchView kView{1000, 500, false, 250, 125, 500, 250};

TEST(TouchPackets, DecodingFollowsEachKindsByteOrder) {
    const Report64 x = XReport(26, {1, 1000.0f, 2000.0f, 30, 40}, {3, 5.5f, 6.5f});
    const XPacket xp = DecodeXPacket(x.data());
    EXPECT_EQ(xp.Touch[0].X, 1000.0f);
    EXPECT_EQ(xp.Touch[0].Y, 2000.0f);
    EXPECT_EQ(xp.Touch[0].Width, 30);
    EXPECT_EQ(xp.Touch[0].Height, 40);
    EXPECT_EQ(xp.Touch[1].State, 3);
    EXPECT_EQ(xp.Touch[1].Y, 6.5f);

    const YPacket yp =
        DecodeYPacket(YReport(2, {{1, 0, 300, 400, 5, 6}, {2, 3, 7, 8, 9, 10}}).data());
    EXPECT_EQ(yp.Touch[0].X, 300);
    EXPECT_EQ(yp.Touch[1].Id, 3);
    EXPECT_EQ(yp.Touch[1].Height, 10);

    const OffscreenPacket op = DecodeOffscreenPacket(OReport(1, 2, 1, -0.25f, 0.75f).data());
    EXPECT_EQ(op.Touch[0].X, -0.25f);
    EXPECT_EQ(op.Touch[0].Y, 0.75f);
    EXPECT_EQ(op.Count, 1);
}

TEST(TouchPackets, CountsStayInsideThePacket) {
    EXPECT_EQ(DecodeXPacket(XReport(20, {1, 0, 0, 30, 40}).data()).LogCount(), 2);
    EXPECT_EQ(DecodeXPacket(XReport(13, {1, 0, 0, 30, 40}).data()).LogCount(), 1);
    EXPECT_EQ(DecodeYPacket(YReport(255, {}).data()).RecordCount(), 2);
    EXPECT_EQ(DecodeOffscreenPacket(OReport(3, 1, 0, 0, 0).data()).RecordCount(), 2);
}

TEST(TouchPackets, TruncationIsDefinedForAnyFloat) {
    EXPECT_EQ(TruncateToInt(-7.9), -7);
    EXPECT_EQ(TruncateToInt(std::bit_cast<float>(0x7FC00000u)), 0) << "NaN";
    EXPECT_EQ(TruncateToInt(1e30), INT32_MAX);
    EXPECT_EQ(TruncateToInt(-1e30), INT32_MIN);
    EXPECT_EQ(TruncateToUInt16(-0.5), 0);
    EXPECT_EQ(TruncateToUInt16(70000.0), 65535);
}

TEST(TouchDrawing, XPacketDrawsScaledCirclesLinesAndTexts) {
    TouchMemory memory;
    RecordingCanvas canvas;
    DrawXPacket(canvas, kView,
                DecodeXPacket(XReport(26, {1, 32767, 32767, 30, 40}, {3, 0, 0}).data()), memory,
                1000);
    ASSERT_EQ(canvas.calls.size(), 5u);
    EXPECT_EQ(canvas.calls[0], "fill 992,492,1008,508 0/128/0");
    EXPECT_EQ(canvas.calls[1], "fill -8,-8,8,8 166/202/240");
    EXPECT_EQ(canvas.calls[2], "text 10,10 X: 1000.000000, Y: 500.000000");
    EXPECT_EQ(canvas.calls[3], "text 10,30 X: 0.000000, Y: 0.000000");
    EXPECT_EQ(canvas.calls[4].rfind("text 10,100 XPS: ", 0), 0u);

    // A move continues from where touch 1 was last drawn, in pixels.
    canvas.calls.clear();
    DrawXPacket(canvas, kView, DecodeXPacket(XReport(13, {2, 0, 32767, 30, 40}).data()), memory,
                1010);
    EXPECT_EQ(canvas.calls[0], "line 1000,500-0,500");
}

TEST(TouchDrawing, NumbersKeepTheirDecimalPointUnderACommaLocale) {
    const t860test::CommaLocale german;
    ASSERT_TRUE(german.Active())
        << "a German locale is installed by the package list (locales-all)";
    TouchMemory memory;
    RecordingCanvas canvas;
    DrawXPacket(canvas, kView,
                DecodeXPacket(XReport(26, {1, 16383.5f, 32767, 30, 40}, {2, 0, 0}).data()), memory,
                1000);
    ASSERT_EQ(canvas.calls.size(), 5u);
    EXPECT_EQ(canvas.calls[2], "text 10,10 X: 500.000000, Y: 500.000000");
    EXPECT_EQ(canvas.calls[3], "text 10,30 X: 0.000000, Y: 0.000000");

    char line[TPacketLog::kLineCapacity];
    TPacketLog::FormatLine(DecodeXPacket(XReport(13, {1, 0.5f, 2000, 30, 40}).data()), line,
                           TPacketLog::kLineCapacity);
    EXPECT_STREQ(line, "1,1,0.5000,2000.0000,30,40,0,0.0000,0.0000,0,0\r\n");
}

TEST(TouchDrawing, MalformedXLengthDrawsTheErrorButCountsForTheRate) {
    TouchMemory memory;
    RecordingCanvas canvas;
    DrawXPacket(canvas, kView, DecodeXPacket(XReport(20, {1, 100, 100, 30, 40}).data()), memory, 5);
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0], "text 100,100 X Multitouch Packet Length Error");
    EXPECT_EQ(canvas.calls[1].rfind("text 10,100 XPS:", 0), 0u);
    EXPECT_EQ(memory.LastXTouch[0].State, 0) << "nothing remembered from a malformed packet";
}

TEST(TouchDrawing, YUpKeepsTheLastDownOrMovePosition) {
    TouchMemory memory;
    RecordingCanvas canvas;
    TouchView view = kView;
    view.Width = 32767;
    view.Height = 32767;  // scale 1:1
    DrawYPacket(canvas, view, DecodeYPacket(YReport(1, {{1, 1, 100, 200, 0, 0}}).data()), memory,
                0);
    DrawYPacket(canvas, view, DecodeYPacket(YReport(1, {{3, 1, 500, 600, 0, 0}}).data()), memory,
                0);
    canvas.calls.clear();
    DrawYPacket(canvas, view, DecodeYPacket(YReport(1, {{2, 1, 300, 300, 0, 0}}).data()), memory,
                0);
    EXPECT_EQ(canvas.calls[0], "line 100,200-300,300");
}

TEST(TouchDrawing, YAreaCirclesOnlyWhenCheckedAndSized) {
    TouchMemory memory;
    RecordingCanvas canvas;
    TouchView view = kView;
    view.Width = 32767;
    view.Height = 32767;
    view.AreaCircles = true;
    DrawYPacket(canvas, view,
                DecodeYPacket(YReport(2, {{2, 0, 100, 100, 21, 10}, {2, 2, 50, 50, 0, 10}}).data()),
                memory, 0);
    EXPECT_EQ(canvas.calls[0], "line 0,0-100,100");
    EXPECT_EQ(canvas.calls[1], "hollow 90,95,110,105");
    EXPECT_EQ(canvas.calls[2], "line 0,0-50,50") << "no area circle for a zero width";
    EXPECT_EQ(canvas.calls[3], "text 10,10 X: 100, Y: 100");
    EXPECT_EQ(canvas.calls[4], "text 10,30 X: 50, Y: 50");
}

TEST(TouchDrawing, YCountZeroDrawsNothingAndDoesNotCount) {
    TouchMemory memory;
    RecordingCanvas canvas;
    EXPECT_FALSE(DrawYPacket(canvas, kView, DecodeYPacket(YReport(0, {{1, 0, 1, 1, 0, 0}}).data()),
                             memory, 0));
    EXPECT_FALSE(DrawOffscreenPacket(
        canvas, kView, DecodeOffscreenPacket(OReport(0, 1, 0, 0.5f, 0.5f).data()), memory, 0));
    EXPECT_TRUE(canvas.calls.empty());
}

TEST(TouchDrawing, UnknownIdsDrawAndStoreNothing) {
    TouchMemory memory;
    RecordingCanvas canvas;
    for (uint8_t id : {4, 200, 255}) {
        DrawTouch(canvas, kView, {1, id, 10, 10, 0, 0}, memory);
        DrawTouch(canvas, kView, {2, id, 10, 10, 0, 0}, memory);
    }
    EXPECT_TRUE(canvas.calls.empty());
    for (const TouchRecord& last : memory.LastTouchById) {
        EXPECT_EQ(last.State, 0);
    }
}

TEST(TouchDrawing, OffscreenTouchesMapIntoTheMonitorRectangle) {
    TouchView view{1000, 1000, false, 250, 250, 500, 500};
    EXPECT_EQ(MapOffscreenTouch(view, {1, 0, -0.2f * 1000, 0.5f * 1000, 3, 4}).X, 150);
    EXPECT_EQ(MapOffscreenTouch(view, {1, 0, -0.6f * 1000, 0, 0, 0}).X, 0) << "negative is 0";
    EXPECT_EQ(MapOffscreenTouch(view, {1, 0, 0.5f * 1000, 1.0f * 1000, 0, 0}).Y, 750);
    view.Width = 0;
    EXPECT_EQ(MapOffscreenTouch(view, {1, 0, 0, 0, 0, 0}).X, 0) << "zero-sized window";

    TouchMemory memory;
    RecordingCanvas canvas;
    DrawOffscreenPacket(canvas, {1000, 1000, false, 250, 250, 500, 500},
                        DecodeOffscreenPacket(OReport(1, 1, 1, -0.2f, 0.5f).data()), memory, 0);
    EXPECT_EQ(canvas.calls[0], "fill 142,492,158,508 0/0/255");
    EXPECT_EQ(canvas.calls[1], "text 10,10 X: -200, Y: 500") << "whole-window pixels";
    EXPECT_EQ(memory.LastTouchById[1].X, 150);
}

TEST(TouchDrawing, PacketRateCountsTheLastHundredPackets) {
    TouchMemory memory;
    int rate = 0;
    for (uint32_t i = 0; i < 100; ++i) {
        rate = memory.Rate.Add(100000 + i * 10);
    }
    EXPECT_EQ(rate, 101) << "99 gaps of 10 ms";
    PacketRate burst;
    for (int i = 0; i < 100; ++i) {
        rate = burst.Add(7);
    }
    EXPECT_EQ(rate, 100000) << "a zero sum is taken as one millisecond";
    RecordingCanvas canvas;
    ShowPacketRate(canvas, memory, 101000);
    EXPECT_EQ(canvas.calls[0], "text 10,100 XPS: 101");
}

}  // namespace
