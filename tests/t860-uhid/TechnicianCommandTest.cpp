#include "t860-uhid/TechnicianCommand.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

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

TEST(TechnicianCommandTest, StrokesRunAlongTheMiddleOfEachCellRow) {
    TechnicianConfig config;
    config.targets.push_back({0.5f, 0.5f});
    ASSERT_TRUE(ParseStrokesCommand("strokes 20 1000", config));
    EXPECT_TRUE(config.targets.empty()) << "strokes alone, no targets first";
    EXPECT_EQ(config.startMs, 1000u);
    // Where the finger is on its way along each row, as shares of the screen.
    const TechnicianScript script(config, 100);
    std::vector<float> rows;
    for (uint32_t i = 0; i < script.FramesInAll(); ++i) {
        const TouchFrame frame = script.FrameAt(i);
        if (frame.count == 1 && std::abs(frame.touches[0].x - 0.5f) < 0.02f) {
            const float y = frame.touches[0].y;
            if (rows.empty() || std::abs(rows.back() - y) > 1e-4f) {
                rows.push_back(y);
            }
        }
    }
    ASSERT_EQ(rows.size(), 20u);
    for (size_t row = 0; row < rows.size(); ++row) {
        EXPECT_NEAR(rows[row], (row + 0.5) / 20, 1e-4) << row;
    }

    TechnicianConfig nine;
    ASSERT_TRUE(ParseStrokesCommand("strokes", nine));
    EXPECT_EQ(nine.screenHeightPx / nine.strokeRowSpacingPx, 9);
    EXPECT_EQ(nine.startMs, TechnicianConfig{}.startMs);

    for (const std::string line : {"stroke", "strokes 0", "strokes 121", "strokes many",
                                   "strokes 9 -1", "strokes 9 100 extra", "technician"}) {
        TechnicianConfig untouched;
        EXPECT_FALSE(ParseStrokesCommand(line, untouched)) << line;
        EXPECT_FALSE(untouched.strokes) << line;
    }
}
