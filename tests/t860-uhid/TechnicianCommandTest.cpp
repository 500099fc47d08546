#include "t860-uhid/TechnicianCommand.h"

#include <gtest/gtest.h>

#include <string>

TEST(TechnicianCommandTest, PlaysTheAccuracyGridWithAnOptionalStartDelay) {
    TechnicianConfig config;
    ASSERT_TRUE(ParseTechnicianCommand("technician", config));
    ASSERT_EQ(config.targets.size(), 9u);
    // Row by row from the top left, at 10, 50 and 90 % of the range.
    EXPECT_FLOAT_EQ(config.targets[0].x, 0.1f);
    EXPECT_FLOAT_EQ(config.targets[0].y, 0.1f);
    EXPECT_FLOAT_EQ(config.targets[5].x, 0.9f);
    EXPECT_FLOAT_EQ(config.targets[5].y, 0.5f);
    // Touches without errors of their own: only the desktop may move them.
    EXPECT_EQ(config.offsetXPx, 0);
    EXPECT_EQ(config.rotationDeg, 0);
    EXPECT_EQ(config.jitterSdPx, 0);

    ASSERT_TRUE(ParseTechnicianCommand("technician 25 2500", config));
    EXPECT_EQ(config.targets.size(), 25u);
    EXPECT_EQ(config.startMs, 2500u);
}

TEST(TechnicianCommandTest, AnythingElseIsNotTheCommandAndChangesNothing) {
    for (const std::string line :
         {"", "technicians", "technician 16", "technician 9 soon", "technician 9 -5",
          "technician 9 100 extra", "technician 9 999999999999", "fingers"}) {
        TechnicianConfig config;
        EXPECT_FALSE(ParseTechnicianCommand(line, config)) << line;
        EXPECT_TRUE(config.targets.empty()) << line;
    }
}

TEST(TechnicianCommandTest, StrokesCoverEveryCellRowOfTheGridNamed) {
    TechnicianConfig config;
    config.targets.push_back({0.5f, 0.5f});
    ASSERT_TRUE(ParseStrokesCommand("strokes", config));
    EXPECT_TRUE(config.strokes);
    EXPECT_TRUE(config.targets.empty()) << "strokes alone, no targets first";
    // 9 cell rows of 800 / 9 pixels: a stroke row at most every 80 pixels.
    EXPECT_FLOAT_EQ(config.strokeRowSpacingPx, 80);
    EXPECT_EQ(config.startMs, TechnicianConfig{}.startMs);

    ASSERT_TRUE(ParseStrokesCommand("strokes 20 1000", config));
    EXPECT_FLOAT_EQ(config.strokeRowSpacingPx, 36);
    EXPECT_EQ(config.startMs, 1000u);

    for (const std::string line : {"stroke", "strokes 0", "strokes 121", "strokes many",
                                   "strokes 9 -1", "strokes 9 100 extra", "technician"}) {
        TechnicianConfig untouched;
        EXPECT_FALSE(ParseStrokesCommand(line, untouched)) << line;
        EXPECT_FALSE(untouched.strokes) << line;
    }
}
