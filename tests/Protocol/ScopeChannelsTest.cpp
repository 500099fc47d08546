#include "Protocol/ScopeChannels.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int32_t> Requests(const ScopeSelection& selection, int ticks, int32_t& current) {
    std::vector<int32_t> codes;
    for (int i = 0; i < ticks; ++i) {
        if (AdvanceScopeChannel(current, selection)) {
            codes.push_back(current);
        }
    }
    return codes;
}

TEST(ScopeChannels, SelectedChannelsAreVisitedRoundRobin) {
    int32_t current = kFirstScopeChannel;
    const ScopeSelection initial{true, true, false, false, false, true};
    EXPECT_EQ(Requests(initial, 4, current), (std::vector<int32_t>{49, 50, 49, 50}));

    const ScopeSelection withTrigger{true, true, true, false, false, true};
    current = kFirstScopeChannel;
    EXPECT_EQ(Requests(withTrigger, 5, current), (std::vector<int32_t>{49, 50, 59, 60, 49}));

    const ScopeSelection cam2Lit{false, true, false, true, false, false};
    EXPECT_EQ(Requests(cam2Lit, 3, current), (std::vector<int32_t>{70, 70, 70}));

    const ScopeSelection cam1AmbientTrigger{true, false, true, false, true, false};
    EXPECT_EQ(Requests(cam1AmbientTrigger, 4, current), (std::vector<int32_t>{79, 59, 79, 59}));
}

TEST(ScopeChannels, NoCameraSendsNothingAndKeepsTheCode) {
    int32_t current = 59;
    const ScopeSelection none{false, false, true, false, false, true};
    EXPECT_TRUE(Requests(none, 3, current).empty());
    EXPECT_EQ(current, 59);
    const ScopeSelection cam1{true, false, true, false, false, true};
    EXPECT_EQ(Requests(cam1, 2, current), (std::vector<int32_t>{49, 59})) << "resumes from 59";
}

TEST(ScopeChannels, CodesMapToTheirLines) {
    EXPECT_EQ(ScopeChannelToLine(49), 0);
    EXPECT_EQ(ScopeChannelToLine(52), 3);
    EXPECT_EQ(ScopeChannelToLine(59), 4);
    EXPECT_EQ(ScopeChannelToLine(62), 7);
    EXPECT_EQ(ScopeChannelToLine(70), 1);
    EXPECT_EQ(ScopeChannelToLine(82), 3);
    for (int32_t outside : {0, 48, 53, 58, 63, 68, 83, 255}) {
        EXPECT_EQ(ScopeChannelToLine(outside), 0) << outside;
    }
    EXPECT_FALSE(IsScopeChannelSelected(51, {true, true, true, true, true, true}))
        << "cameras 3 and 4 have no box";
}

TEST(ScopeChannels, CameraDataIsTakenOnlyFromInsideTheReport) {
    uint8_t report[64] = {'G', 61, 0x01, 0xF4, 70};
    for (int i = 0; i < 28; ++i) {
        report[7 + 2 * i] = static_cast<uint8_t>(i % 2 ? 0xFF : 0x00);
        report[8 + 2 * i] = static_cast<uint8_t>(i);
    }
    CameraData data = DecodeCameraData(report, 64);
    EXPECT_EQ(data.firstPixel, 500);
    EXPECT_EQ(data.code, 70);
    ASSERT_EQ(data.count, 28);
    EXPECT_EQ(data.values[0], 0);
    EXPECT_EQ(data.values[1], static_cast<int16_t>(0xFF01)) << "signed big-endian";
    EXPECT_EQ(data.values[27], static_cast<int16_t>(0xFF1B));

    const struct {
        uint8_t length;
        int32_t reportLength;
        int count;
    } cases[] = {{255, 64, 28}, {63, 64, 28}, {9, 64, 2},  {7, 64, 1}, {6, 64, 0},
                 {4, 64, 0},    {0, 64, 0},   {61, 20, 6}, {61, 3, 0}};
    for (const auto& c : cases) {
        report[1] = c.length;
        EXPECT_EQ(DecodeCameraData(report, c.reportLength).count, c.count)
            << int{c.length} << " in " << c.reportLength;
    }
    EXPECT_EQ(DecodeCameraData(nullptr, 64).count, 0);
}

}  // namespace
