// One run of the accuracy test: targets in turn, redo, and the desktop's
// positions of each hold.

#include <gtest/gtest.h>

#include "Checks/AccuracySession.h"

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 500;

// The controller's finger, down at (x, y), reports itself still there every
// 10 ms from `from` to `to`.
void KeepStill(AccuracySession& session, double x, double y, uint32_t from, uint32_t to) {
    for (uint32_t at = from; at <= to; at += 10) {
        session.OnControllerTouch(2, x, y, at);
    }
}

// Holds the controller's finger at (x, y) from t for holdMs, lifts, and
// returns the time after the lift.
uint32_t TouchAndHold(AccuracySession& session, double x, double y, uint32_t t,
                      uint32_t holdMs = 300) {
    session.OnControllerTouch(1, x, y, t);
    KeepStill(session, x, y, t + 10, t + holdMs);
    session.OnControllerTouch(3, x, y, t + holdMs + 10);
    return t + holdMs + 100;
}

}  // namespace

TEST(AccuracySession, GoesThroughTheTargetsAndFinishes) {
    AccuracySession session;
    session.Start(3, kWidth, kHeight, 200);
    EXPECT_EQ(session.Phase(), AccuracyPhase::Touching);
    EXPECT_DOUBLE_EQ(session.Sample(0).Target.X, 100);
    EXPECT_DOUBLE_EQ(session.Sample(0).Target.Y, 50);
    uint32_t t = 1000;
    for (int i = 0; i < 9; ++i) {
        ASSERT_EQ(session.CurrentTarget(), i);
        const TargetSample& sample = session.Sample(i);
        t = TouchAndHold(session, sample.Target.X + 4, sample.Target.Y - 3, t);
    }
    EXPECT_EQ(session.Phase(), AccuracyPhase::Finished);
    EXPECT_TRUE(session.Sample(8).Taken);
    EXPECT_DOUBLE_EQ(session.Sample(8).Controller.Mean.X, 904);
    EXPECT_FALSE(session.Sample(8).Desktop);
    // Touches after the end change nothing.
    EXPECT_FALSE(session.OnControllerTouch(1, 5, 5, t));
}

TEST(AccuracySession, ALiftBeforeTheHoldDoesNotCountAndAMissingLiftTimesOut) {
    AccuracySession session;
    session.Start(3, kWidth, kHeight, 200);
    EXPECT_TRUE(session.OnControllerTouch(1, 100, 50, 0));
    EXPECT_TRUE(session.Holding());
    session.OnControllerTouch(2, 100, 50, 100);
    EXPECT_TRUE(session.OnControllerTouch(3, 100, 50, 150));
    EXPECT_FALSE(session.Holding());
    EXPECT_EQ(session.CurrentTarget(), 0);

    session.OnControllerTouch(1, 100, 50, 1000);
    KeepStill(session, 100, 50, 1010, 1200);
    EXPECT_EQ(session.Phase(), AccuracyPhase::Lifting);
    EXPECT_FALSE(session.OnTick(1300));
    EXPECT_TRUE(session.OnTick(1200 + AccuracySession::kLiftTimeoutMs));
    EXPECT_EQ(session.CurrentTarget(), 1);
    EXPECT_TRUE(session.Sample(0).Taken);
}

TEST(AccuracySession, ARedoneTargetReplacesItsSampleAndStepBackForgetsOne) {
    AccuracySession session;
    session.Start(3, kWidth, kHeight, 200);
    uint32_t t = 0;
    for (int i = 0; i < 9; ++i) {
        t = TouchAndHold(session, session.Sample(i).Target.X + 20, session.Sample(i).Target.Y, t);
    }
    session.Redo(4);
    EXPECT_EQ(session.Phase(), AccuracyPhase::Touching);
    EXPECT_FALSE(session.Sample(4).Taken);
    EXPECT_TRUE(session.Sample(5).Taken);
    t = TouchAndHold(session, 501, 250, t);
    EXPECT_EQ(session.Phase(), AccuracyPhase::Finished);
    EXPECT_DOUBLE_EQ(session.Sample(4).Controller.Mean.X, 501);
    EXPECT_DOUBLE_EQ(session.Sample(3).Controller.Mean.X, 120);

    session.Start(3, kWidth, kHeight, 200);
    t = TouchAndHold(session, 100, 50, t);
    t = TouchAndHold(session, 500, 50, t);
    session.StepBack();
    EXPECT_EQ(session.CurrentTarget(), 1);
    EXPECT_FALSE(session.Sample(1).Taken);
    EXPECT_TRUE(session.Sample(0).Taken);
    session.Redo(99);  // not a target: nothing happens
    EXPECT_EQ(session.CurrentTarget(), 1);
}

TEST(AccuracySession, TheDesktopPositionIsTheMeanDuringTheHoldOrTheStillFingersLast) {
    AccuracySession session;
    session.Start(3, kWidth, kHeight, 200);
    // Points of the hold are averaged; a touch over long before is not its.
    session.OnDesktopTouch(1, 1, 1, 0, 0);
    session.OnDesktopTouch(3, 1, 1, 10, 10);
    session.OnControllerTouch(1, 100, 50, 1000);
    session.OnDesktopTouch(1, 110, 60, 1010, 1010);
    session.OnDesktopTouch(2, 112, 62, 1100, 1100);
    KeepStill(session, 100, 50, 1010, 1200);
    session.OnDesktopTouch(2, 300, 300, 1250, 1250);  // after the hold: not needed
    session.OnControllerTouch(3, 100, 50, 1260);
    ASSERT_TRUE(session.Sample(0).Desktop);
    EXPECT_DOUBLE_EQ(session.Sample(0).Desktop->X, 111);
    EXPECT_DOUBLE_EQ(session.Sample(0).Desktop->Y, 61);

    // A still finger: the desktop's only point came just before the
    // controller's first packet.
    session.OnDesktopTouch(1, 505, 48, 1950, 1950);
    TouchAndHold(session, 500, 50, 2000);
    ASSERT_TRUE(session.Sample(1).Desktop);
    EXPECT_DOUBLE_EQ(session.Sample(1).Desktop->X, 505);

    // Many points: the ring keeps the newest.
    session.OnControllerTouch(1, 900, 50, 3000);
    session.OnDesktopTouch(1, 0, 55, 3000, 3000);
    for (int i = 0; i < 2000; ++i) {
        session.OnDesktopTouch(2, i < 1400 ? 0 : 890, 55, 3000, 3000);
    }
    KeepStill(session, 900, 50, 3010, 3200);
    session.OnControllerTouch(3, 900, 50, 3210);
    ASSERT_TRUE(session.Sample(2).Desktop);
    EXPECT_DOUBLE_EQ(session.Sample(2).Desktop->X, 890);
}

// A desktop touch event: happened at `at`, handled by the window at `handled`,
// timed by a desktop clock that runs `clock` ahead of this one.
struct DesktopClock {
    uint32_t clock = 0;
    void Touch(AccuracySession& session, uint8_t state, double x, double y, uint32_t at,
               uint32_t handled) const {
        session.OnDesktopTouch(state, x, y, at + clock, handled);
    }
};

TEST(AccuracySession, LateDesktopTouchesAreCountedForTheHoldTheyArePartOf) {
    // The same clock, or another one (its origin anywhere, wrapping too).
    for (const uint32_t clock : {0u, 123456u, 4294000000u}) {
        SCOPED_TRACE(clock);
        const DesktopClock desktop{clock};
        AccuracySession session;
        session.Start(3, kWidth, kHeight, 200);
        // One event handled at once tells the clocks apart.
        desktop.Touch(session, 1, 5, 5, 500, 501);
        desktop.Touch(session, 3, 5, 5, 510, 511);
        // The desktop is slow: the first hold's touch reaches the window
        // only during the second hold, the second's after the second lift.
        TouchAndHold(session, 100, 50, 1000);  // lifted at 1310
        session.OnControllerTouch(1, 500, 50, 1400);
        KeepStill(session, 500, 50, 1410, 1600);
        desktop.Touch(session, 1, 101, 51, 1002, 1500);
        desktop.Touch(session, 2, 103, 53, 1150, 1500);
        desktop.Touch(session, 3, 103, 53, 1312, 1500);
        session.OnControllerTouch(3, 500, 50, 1700);
        ASSERT_TRUE(session.Sample(0).Desktop);
        EXPECT_DOUBLE_EQ(session.Sample(0).Desktop->X, 102);
        EXPECT_FALSE(session.Sample(1).Desktop) << "not the first hold's touch";
        desktop.Touch(session, 1, 505, 49, 1402, 1800);
        EXPECT_FALSE(session.Sample(1).Desktop) << "the touch goes on";
        desktop.Touch(session, 3, 505, 49, 1702, 1810);
        ASSERT_TRUE(session.Sample(1).Desktop);
        EXPECT_DOUBLE_EQ(session.Sample(1).Desktop->X, 505);
        EXPECT_DOUBLE_EQ(session.Sample(0).Desktop->X, 102) << "the first hold keeps its own";

        // Handled out of order with the controller's: a touch lifted before
        // the hold began is not the hold's, however late it arrives.
        session.OnControllerTouch(1, 900, 50, 2000);
        desktop.Touch(session, 1, 10, 10, 1900, 2003);
        desktop.Touch(session, 3, 10, 10, 1950, 2004);
        desktop.Touch(session, 1, 898, 51, 2001, 2005);
        KeepStill(session, 900, 50, 2010, 2200);
        desktop.Touch(session, 3, 0, 0, 2205, 2206);  // a cancel: no position
        session.OnControllerTouch(3, 900, 50, 2210);
        ASSERT_TRUE(session.Sample(2).Desktop);
        EXPECT_DOUBLE_EQ(session.Sample(2).Desktop->X, 898);
    }
}

TEST(AccuracySession, AHoldWhoseTouchNeverReachesTheDesktopHasNoPosition) {
    // The previous touch, down across the change of target and lifting late,
    // is not the hold's: whether its lift reached the window during the next
    // hold or has not by the end of it (the finger lifted in between, so a
    // touch down since the hold before is that hold's, however long the
    // desktop keeps it down).
    for (const bool liftSeen : {true, false}) {
        SCOPED_TRACE(liftSeen ? "its lift seen late" : "its lift not seen");
        AccuracySession session;
        session.Start(3, kWidth, kHeight, 200);
        session.OnDesktopTouch(1, 101, 51, 1000, 1000);
        TouchAndHold(session, 100, 50, 1000);  // lifted at 1310
        if (liftSeen) {
            session.OnDesktopTouch(2, 102, 52, 1305, 1305);
        }
        session.OnControllerTouch(1, 500, 50, 1400);
        if (liftSeen) {
            session.OnDesktopTouch(3, 102, 52, 1420, 1420);
        }
        KeepStill(session, 500, 50, 1410, 1600);
        session.OnControllerTouch(3, 500, 50, 1610);
        EXPECT_TRUE(session.Sample(1).Taken);
        EXPECT_FALSE(session.Sample(1).Desktop);
        ASSERT_TRUE(session.Sample(0).Desktop);
        EXPECT_DOUBLE_EQ(session.Sample(0).Desktop->X, 101);
    }
}
