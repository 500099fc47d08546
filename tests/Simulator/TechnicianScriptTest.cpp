// The virtual technician's strokes, faults and two-finger hold, frame by
// frame, with positions worked out by hand: a 102 x 40 pixel screen, strokes
// of 1000 px/s at 100 frames a second (10 px a frame), two rows at y 10 and
// 30 from x 1 to 101 joined down the right edge (220 px in all).

#include <gtest/gtest.h>

#include <cmath>

#include "Simulator/TechnicianScript.h"

namespace {

TechnicianConfig Strokes() {
    TechnicianConfig config;
    config.screenWidthPx = 102;
    config.screenHeightPx = 40;
    config.startMs = 0;
    config.strokes = true;
    config.strokeSpeedPxPerS = 1000;
    config.strokeRowSpacingPx = 20;
    return config;
}

// The frame's first touch in pixels, or nothing: {state, x, y}.
struct Seen {
    int state;
    float x;
    float y;
    // Pixels come back through screen fractions: equal to a thousandth.
    bool operator==(const Seen& other) const {
        return state == other.state && std::abs(x - other.x) < 1e-3f &&
               std::abs(y - other.y) < 1e-3f;
    }
};

Seen Frame(const TechnicianScript& script, uint32_t index) {
    const TouchFrame frame = script.FrameAt(index);
    if (frame.count == 0) {
        return {0, 0, 0};
    }
    const ScriptTouch& touch = frame.touches[0];
    return {touch.state, touch.x * 102, touch.y * 40};
}

void PrintTo(const Seen& seen, std::ostream* out) {
    *out << "{" << seen.state << ", " << seen.x << ", " << seen.y << "}";
}

}  // namespace

TEST(TechnicianStrokes, RowByRowJoinedAtTheEdgeThenLifted) {
    const TechnicianScript script(Strokes(), 100);
    EXPECT_EQ(script.FramesInAll(), 24u);  // 23 on the way (0 to 220 px) and the lift
    EXPECT_EQ(Frame(script, 0), (Seen{kTouchDown, 1, 10}));
    EXPECT_EQ(Frame(script, 5), (Seen{kTouchMove, 51, 10}));
    EXPECT_EQ(Frame(script, 10), (Seen{kTouchMove, 101, 10}));
    EXPECT_EQ(Frame(script, 11), (Seen{kTouchMove, 101, 20}));  // down the right edge
    EXPECT_EQ(Frame(script, 13), (Seen{kTouchMove, 91, 30}));   // the second row leftwards
    EXPECT_EQ(Frame(script, 22), (Seen{kTouchMove, 1, 30}));
    EXPECT_EQ(Frame(script, 23), (Seen{kTouchUp, 1, 30}));
    EXPECT_EQ(Frame(script, 24), (Seen{0, 0, 0}));
    EXPECT_EQ(script.StrokeNearest(51, 12), 50);
    EXPECT_EQ(script.StrokeNearest(51, 28), 170);
}

TEST(TechnicianStrokes, ADropoutLiftsWhereTheFingerWasAndTouchesDownAgain) {
    TechnicianConfig config = Strokes();
    config.dropouts.push_back({51, 10, 30});  // 30 px from 50 px along
    const TechnicianScript script(config, 100);
    EXPECT_EQ(Frame(script, 4), (Seen{kTouchMove, 41, 10}));
    EXPECT_EQ(Frame(script, 5), (Seen{kTouchUp, 41, 10}));
    EXPECT_EQ(Frame(script, 6), (Seen{0, 0, 0}));
    EXPECT_EQ(Frame(script, 7), (Seen{0, 0, 0}));
    EXPECT_EQ(Frame(script, 8), (Seen{kTouchDown, 81, 10}));
    EXPECT_EQ(Frame(script, 9), (Seen{kTouchMove, 91, 10}));
}

TEST(TechnicianStrokes, AJumpSkipsAheadADeadZoneSaysNothingAndTheRateLeavesFramesOut) {
    TechnicianConfig jumping = Strokes();
    jumping.jumps.push_back({31, 10, 20});  // 20 px ahead from 30 px along
    const TechnicianScript jump(jumping, 100);
    EXPECT_EQ(Frame(jump, 2), (Seen{kTouchMove, 21, 10}));
    EXPECT_EQ(Frame(jump, 3), (Seen{kTouchMove, 51, 10}));

    TechnicianConfig dead = Strokes();
    dead.deadZones.push_back({0, 0, 30, 20});
    const TechnicianScript zone(dead, 100);
    EXPECT_EQ(Frame(zone, 0), (Seen{0, 0, 0}));
    EXPECT_EQ(Frame(zone, 2), (Seen{0, 0, 0}));
    EXPECT_EQ(Frame(zone, 3), (Seen{kTouchDown, 31, 10}));

    TechnicianConfig slow = Strokes();
    slow.reportsPerSecond = 50;
    const TechnicianScript half(slow, 100);
    EXPECT_EQ(Frame(half, 0), (Seen{kTouchDown, 1, 10}));
    EXPECT_EQ(Frame(half, 1), (Seen{0, 0, 0}));
    EXPECT_EQ(Frame(half, 2), (Seen{kTouchMove, 21, 10}));
    EXPECT_EQ(Frame(half, 3), (Seen{0, 0, 0}));
}

TEST(TechnicianTwoFingers, HeldThenMovedApartAndWithAGhostSwapOnTheOtherDiagonal) {
    TechnicianConfig config;
    config.startMs = 0;
    config.liftMs = 0;
    config.twoFingers = TechnicianConfig::TwoFingers{
        {0.2f, 0.3f}, {0.6f, 0.7f}, {0.1f, 0.2f}, {0.7f, 0.8f}, false, 100, 100};
    const TechnicianScript real(config, 100);
    EXPECT_EQ(real.FramesInAll(), 21u);  // 10 held, 10 moving, the lift
    TouchFrame frame = real.FrameAt(0);
    ASSERT_EQ(frame.count, 2u);
    EXPECT_EQ(frame.touches[0].state, kTouchDown);
    EXPECT_FLOAT_EQ(frame.touches[0].x, 0.2f);
    EXPECT_FLOAT_EQ(frame.touches[1].y, 0.7f);
    frame = real.FrameAt(20);
    EXPECT_EQ(frame.touches[1].state, kTouchUp);
    EXPECT_FLOAT_EQ(frame.touches[0].x, 0.1f);
    EXPECT_FLOAT_EQ(frame.touches[1].y, 0.8f);

    config.twoFingers->ghost = true;
    const TechnicianScript ghost(config, 100);
    frame = ghost.FrameAt(0);
    EXPECT_FLOAT_EQ(frame.touches[0].x, 0.2f);
    EXPECT_FLOAT_EQ(frame.touches[0].y, 0.7f);
    EXPECT_FLOAT_EQ(frame.touches[1].x, 0.6f);
    EXPECT_FLOAT_EQ(frame.touches[1].y, 0.3f);
}
