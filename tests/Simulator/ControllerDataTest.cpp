#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <set>
#include <vector>

#include "Simulator/TouchScript.h"
#include "tests/Simulator/ControllerSession.h"

namespace {

// Reads one block through its chunks as the settings view does: each chunk
// placed by its offset, the block complete with the last-numbered chunk.
struct ReceivedBlock {
    std::vector<uint8_t> bytes;
    std::vector<int> numbers;  // in order of arrival
    int chunkCount = 0;
};

ReceivedBlock ReadBlock(ControllerSession& session, int channel) {
    ReceivedBlock block;
    block.bytes.assign(1024, 0);
    session.Send(channel, {static_cast<uint8_t>(channel), 'S', 'r', 'A'});
    size_t end = 0;
    for (;;) {
        Report chunk;
        if (!session.Channel(channel).Next(chunk)) {
            ADD_FAILURE() << "block not complete";
            return block;
        }
        const uint8_t* data = chunk.Data();
        EXPECT_EQ(chunk.bytes[0], channel);
        EXPECT_EQ(data[0], 'N');
        EXPECT_EQ(data[2], 'A');
        const size_t length = data[1] - 4u;
        EXPECT_LE(length, 57u);
        const size_t offset = BigEndian16(&data[5]);
        EXPECT_LT(offset + length, 1024u);
        std::memcpy(&block.bytes[offset], &data[7], std::min<size_t>(length, 57));
        end = std::max(end, offset + length);
        block.numbers.push_back(data[3]);
        block.chunkCount = data[4];
        if (data[3] == data[4] - 1) {
            break;
        }
    }
    block.bytes.resize(end);
    return block;
}

struct ParsedBlock {
    size_t settings = 0;
    std::set<uint8_t> groups;
    std::set<uint8_t> types;
    size_t valueBytes = 0;
    size_t valuesStart = 0;
};

ParsedBlock Parse(const std::vector<uint8_t>& block) {
    ParsedBlock parsed;
    const size_t tableBytes = BigEndian16(&block[0]);
    parsed.valuesStart = 6 + tableBytes;
    for (size_t at = 6; at + 4 <= parsed.valuesStart; at += 4) {
        if (block[at + 2] == 0 || block[at + 3] == 0) {
            break;
        }
        ++parsed.settings;
        parsed.groups.insert(block[at]);
        parsed.types.insert(block[at + 2]);
        parsed.valueBytes += settingsTypeWidth(block[at + 2]);
    }
    return parsed;
}

TEST(VirtualControllerSettingsTest, EachChannelsBlockReassemblesFromItsChunks) {
    ControllerSession session;
    std::vector<uint8_t> blocks[2];
    for (int channel : {6, 0}) {
        const ReceivedBlock received = ReadBlock(session, channel);
        EXPECT_EQ(received.bytes, session.controller.SettingsBlockBytes(channel));
        EXPECT_GT(received.chunkCount, 2) << "a block long enough for several chunks";
        std::vector<int> sorted = received.numbers;
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> all(received.chunkCount);
        std::iota(all.begin(), all.end(), 0);
        EXPECT_EQ(sorted, all) << "every chunk once";
        EXPECT_FALSE(std::is_sorted(received.numbers.begin(), received.numbers.end()))
            << "the default order is not simply ascending";

        const ParsedBlock parsed = Parse(received.bytes);
        EXPECT_EQ(parsed.valuesStart + parsed.valueBytes, received.bytes.size())
            << "the value area holds exactly the described values";
        EXPECT_EQ(parsed.types, (std::set<uint8_t>{1, 2, 3, 4, 5, 6, 7}));
        EXPECT_TRUE(parsed.groups.count(0x10)) << "My";
        EXPECT_TRUE(parsed.groups.count(0x20)) << "Panel";
        EXPECT_TRUE(parsed.groups.count(0x30) || parsed.groups.count(0x50)) << "a camera group";
        for (uint8_t group : parsed.groups) {
            EXPECT_EQ(group % 16, 0);
            EXPECT_TRUE(group >= 0x10 && group <= 0xE0) << "a group with a name";
        }
        blocks[channel == 0 ? 0 : 1] = received.bytes;
    }
    EXPECT_NE(blocks[0], blocks[1]);
}

TEST(VirtualControllerSettingsTest, ChunkOrderIsConfigurableWithTheLastChunkLast) {
    ControllerConfig config;
    config.chunkOrder = ChunkOrder::Descending;
    ControllerSession session(config);
    const ReceivedBlock received = ReadBlock(session, 6);
    ASSERT_GT(received.chunkCount, 2);
    std::vector<int> expected;
    for (int n = received.chunkCount - 2; n >= 0; --n) {
        expected.push_back(n);
    }
    expected.push_back(received.chunkCount - 1);
    EXPECT_EQ(received.numbers, expected);
    EXPECT_EQ(received.bytes, session.controller.SettingsBlockBytes(6));
}

// Value offset of the setting at a descriptor position.
size_t ValueOffset(const std::vector<uint8_t>& block, size_t position) {
    size_t offset = 6 + BigEndian16(&block[0]);
    for (size_t i = 0; i < position; ++i) {
        offset += settingsTypeWidth(block[6 + 4 * i + 2]);
    }
    return offset;
}

size_t FirstOfType(const std::vector<uint8_t>& block, uint8_t type) {
    size_t position = 0;
    while (block[6 + 4 * position + 2] != type) {
        ++position;
    }
    return position;
}

TEST(VirtualControllerSettingsTest, SetSettingStoresTheValueAndEchoesIt) {
    ControllerSession session;
    const auto before0 = session.controller.SettingsBlockBytes(0);
    const auto before6 = session.controller.SettingsBlockBytes(6);
    const size_t position = FirstOfType(before6, SettingType::FLOAT);
    const uint8_t value[4] = {0x40, 0x49, 0x0F, 0xDB};  // pi, big-endian
    session.Send(6, {6, 'S', 's', 0, static_cast<uint8_t>(position), SettingType::FLOAT, 0,
                     value[0], value[1], value[2], value[3]});
    const Report echo = session.Next(6);
    EXPECT_EQ(echo.Data()[0], 'S');
    EXPECT_EQ(echo.Data()[2], 's');
    EXPECT_EQ(BigEndian16(&echo.Data()[4]), position);
    EXPECT_FLOAT_EQ(BigEndianFloat(&echo.Data()[10]), 3.14159265f);

    const auto after6 = session.controller.SettingsBlockBytes(6);
    const size_t offset = ValueOffset(after6, position);
    EXPECT_TRUE(std::equal(value, value + 4, &after6[offset]));
    std::vector<uint8_t> expected = before6;
    std::copy(value, value + 4, &expected[offset]);
    EXPECT_EQ(after6, expected) << "nothing else changed";
    EXPECT_EQ(session.controller.SettingsBlockBytes(0), before0) << "the other channel's block";
    // A read after the change carries the new value.
    EXPECT_EQ(ReadBlock(session, 6).bytes, after6);
}

TEST(VirtualControllerSettingsTest, SetSettingRefusesWrongTypesAndPositions) {
    ControllerSession session;
    const auto before = session.controller.SettingsBlockBytes(0);
    const size_t count = Parse(before).settings;
    const size_t uint8Position = FirstOfType(before, SettingType::UINT8);
    session.Send(0, {0, 'S', 's', 0, static_cast<uint8_t>(uint8Position), SettingType::UINT32, 0, 1,
                     2, 3, 4});
    session.Send(
        0, {0, 'S', 's', static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count), 1, 0, 9});
    session.Send(0, {0, 'S', 's', 0xFF, 0xFF, 1, 0, 9});
    EXPECT_TRUE(session.channel0->StaysQuiet(150));
    EXPECT_EQ(session.controller.SettingsBlockBytes(0), before);
}

struct ScopeAnswer {
    std::vector<int16_t> values = std::vector<int16_t>(512, 0);
    std::vector<int> covered = std::vector<int>(512, 0);
    std::vector<int> firstPixels;
};

ScopeAnswer RequestScope(ControllerSession& session, uint8_t code) {
    ScopeAnswer answer;
    session.Send(6, {6, 'G', 1, code});
    for (int received = 0; received < 512;) {
        Report report;
        if (!session.channel6->Next(report)) {
            ADD_FAILURE() << "scope answer incomplete after " << received << " pixels";
            break;
        }
        const uint8_t* data = report.Data();
        EXPECT_EQ(data[0], 'G');
        EXPECT_EQ(data[4], code);
        const int count = (data[1] - 5) / 2;
        EXPECT_GE(count, 1);
        EXPECT_LE(count, 28);
        const int first = BigEndian16(&data[2]);
        answer.firstPixels.push_back(first);
        for (int i = 0; i < count && first + i < 512; ++i) {
            answer.values[first + i] = static_cast<int16_t>(BigEndian16(&data[7 + 2 * i]));
            ++answer.covered[first + i];
        }
        received += count;
    }
    return answer;
}

TEST(VirtualControllerScopeTest, OneRequestCoversEveryPixelOnceInItsOwnOrder) {
    ControllerSession session;
    const ScopeAnswer first = RequestScope(session, 49);
    const ScopeAnswer second = RequestScope(session, 49);
    for (const ScopeAnswer* answer : {&first, &second}) {
        EXPECT_EQ(std::count(answer->covered.begin(), answer->covered.end(), 1), 512);
        EXPECT_FALSE(std::is_sorted(answer->firstPixels.begin(), answer->firstPixels.end()));
    }
    EXPECT_NE(first.firstPixels, second.firstPixels) << "each answer starts elsewhere";
    EXPECT_TRUE(session.NothingMoreBeforeAnAnswer()) << "nothing beyond the answer";
}

double Mean(const std::vector<int16_t>& values, size_t from, size_t to) {
    return std::accumulate(values.begin() + from, values.begin() + to, 0.0) / (to - from);
}

TEST(VirtualControllerScopeTest, ProfilesLookLikeCameraRows) {
    ControllerSession session;
    for (int camera = 1; camera <= 4; ++camera) {
        const auto lit = RequestScope(session, static_cast<uint8_t>(68 + camera)).values;
        const auto ambient = RequestScope(session, static_cast<uint8_t>(78 + camera)).values;
        const auto subtracted = RequestScope(session, static_cast<uint8_t>(48 + camera)).values;
        const auto trigger = RequestScope(session, static_cast<uint8_t>(58 + camera)).values;
        EXPECT_GT(Mean(lit, 0, 512), 4 * Mean(ambient, 0, 512)) << "camera " << camera;
        EXPECT_GT(*std::max_element(lit.begin(), lit.end()), 500);
        EXPECT_LT(*std::max_element(ambient.begin(), ambient.end()), 100);
        EXPECT_GE(*std::min_element(ambient.begin(), ambient.end()), 0);
        EXPECT_NEAR(Mean(subtracted, 0, 512), Mean(lit, 0, 512) - Mean(ambient, 0, 512), 60);
        // The threshold lies between dark and the unshadowed light.
        EXPECT_GT(Mean(trigger, 200, 312), Mean(ambient, 200, 312));
        EXPECT_LT(Mean(trigger, 200, 312), *std::max_element(lit.begin() + 200, lit.begin() + 312));
    }
}

// Places worked out by hand from the script at 100 frames a second. Frame 60
// (0.6 s): the first finger, a quarter along its figure of eight, is 0.12 past
// the right edge and shown at it, half-way down; the second touches down at
// 0.2 across and 0.82 down. Frame 180 (1.8 s): the first finger is 0.12 past
// the left edge, half-way down.
void ExpectKnownPlace(uint32_t frame, size_t touch, float x, float y) {
    if (frame == 60 && touch == 0) {
        EXPECT_FLOAT_EQ(x, 32767);
        EXPECT_NEAR(y, 16383.5, 0.01);
    } else if (frame == 60 && touch == 1) {
        EXPECT_NEAR(x, 6553.4, 0.01);
        EXPECT_NEAR(y, 26868.94, 0.01);
    } else if (frame == 180 && touch == 0) {
        EXPECT_FLOAT_EQ(x, 0);
        EXPECT_NEAR(y, 16383.5, 0.01);
    }
}

// The touch packets of every frame of the script decode back to its positions,
// in each of the three encodings: the offscreen packet as the script has it,
// the others held at the screen's edges.
TEST(VirtualControllerTouchTest, PacketsDecodeToTheScriptUnderEachEncoding) {
    ControllerSession session;
    session.Send(6, {6, 'C', 3, 0x36, 0x02, 0x82});
    ASSERT_EQ(session.Next(6).Data()[0], 'C');

    const uint32_t rate = session.controller.Config().touchReportsPerSecond;
    ASSERT_EQ(rate, 100u) << "the known places are worked out for 100 frames a second";
    const TouchScript script(rate);
    bool sawOffscreen = false;
    bool sawTwoFingers = false;
    bool sawUp = false;
    // Up to the first finger's lift, 2.4 s into the script.
    for (uint32_t index = 0; index <= rate * 24 / 10; ++index) {
        const TouchFrame frame = script.FrameAt(index);
        if (frame.count == 0) {
            continue;
        }
        const Report x = session.Next(6);
        const Report y = session.Next(6);
        const Report o = session.Next(6);
        ASSERT_EQ(x.Data()[0], 'X');
        ASSERT_EQ(y.Data()[0], 'Y');
        ASSERT_EQ(o.Data()[0], 'O');
        EXPECT_EQ(x.Data()[1], 13 * frame.count);
        EXPECT_EQ(y.Data()[22], frame.count);
        EXPECT_EQ(o.Data()[30], frame.count);
        sawTwoFingers |= frame.count == 2;
        for (size_t i = 0; i < frame.count; ++i) {
            const ScriptTouch& touch = frame.touches[i];
            sawUp |= touch.state == kTouchUp;

            const uint8_t* xRecord = &x.Data()[2 + 13 * i];
            EXPECT_EQ(xRecord[0], touch.state);
            const float screenX = BigEndianFloat(&xRecord[1]);
            const float screenY = BigEndianFloat(&xRecord[5]);
            ExpectKnownPlace(index, i, screenX, screenY);
            uint16_t width;
            std::memcpy(&width, &xRecord[9], 2);
            EXPECT_EQ(width, touch.width);

            const uint8_t* yRecord = &y.Data()[2 + 10 * i];
            uint16_t yx, yy;
            std::memcpy(&yx, &yRecord[2], 2);
            std::memcpy(&yy, &yRecord[4], 2);
            EXPECT_EQ(yRecord[0], touch.state);
            EXPECT_EQ(yRecord[1], touch.id);
            EXPECT_NEAR(yx, screenX, 0.5) << "the X packet's place, rounded";
            EXPECT_NEAR(yy, screenY, 0.5);

            const uint8_t* oRecord = &o.Data()[2 + 14 * i];
            float ox, oy;
            std::memcpy(&ox, &oRecord[2], 4);
            std::memcpy(&oy, &oRecord[6], 4);
            EXPECT_EQ(oRecord[1], touch.id);
            EXPECT_FLOAT_EQ(ox, touch.x);
            EXPECT_FLOAT_EQ(oy, touch.y);
            sawOffscreen |= ox < 0 || ox > 1;
        }
        if (HasFailure()) {
            FAIL() << "at frame " << index;
        }
    }
    EXPECT_TRUE(sawTwoFingers);
    EXPECT_TRUE(sawUp);
    EXPECT_TRUE(sawOffscreen) << "offscreen fractions reach past the edges";
}

TEST(VirtualControllerTouchTest, FingersGoDownMoveAndLiftInTurn) {
    const TouchScript script(100);
    uint8_t last[2] = {kTouchUp, kTouchUp};
    int downs[2] = {};
    for (uint32_t index = 0; index < 2 * script.FramesPerCycle(); ++index) {
        const TouchFrame frame = script.FrameAt(index);
        ASSERT_LE(frame.count, 2u);
        for (size_t i = 0; i < frame.count; ++i) {
            const ScriptTouch& touch = frame.touches[i];
            const uint8_t previous = last[touch.id];
            if (touch.state == kTouchDown) {
                EXPECT_EQ(previous, kTouchUp) << "frame " << index;
                ++downs[touch.id];
            } else {
                EXPECT_NE(previous, kTouchUp) << "frame " << index;
            }
            last[touch.id] = touch.state;
        }
        if (frame.count == 2) {
            EXPECT_EQ(frame.touches[0].id, 0) << "the first finger's record comes first";
        }
    }
    EXPECT_EQ(downs[0], 2);
    EXPECT_EQ(downs[1], 2);
}

TEST(VirtualControllerTouchTest, OnlyTheSelectedPacketKindIsSent) {
    ControllerSession session;
    session.Send(6, {6, 'C', 3, 0x36, 0x00, 0x80});
    ASSERT_EQ(session.Next(6).Data()[0], 'C');
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(session.Next(6).Data()[0], 'Y');
    }
    session.Send(6, {6, 'C', 3, 0x36, 0x00, 0x20});
    // Packets already on their way, then the reply, then silence.
    Report report;
    while (session.channel6->Next(report) && report.Data()[0] == 'Y') {
    }
    EXPECT_EQ(report.Data()[0], 'C');
    EXPECT_TRUE(session.NothingMoreBeforeAnAnswer());
}

TEST(VirtualControllerTest, FloopNoticesComeOnChannel0AtTheirPeriod) {
    ControllerConfig config;
    config.floopPeriodMs = 20;
    ControllerSession session(config);
    for (int i = 0; i < 3; ++i) {
        const Report notice = session.Next(0);
        EXPECT_EQ(notice.bytes[0], 0);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&notice.Data()[2]), 6), "F loop");
    }
    EXPECT_TRUE(session.NothingMoreBeforeAnAnswer());
}

}  // namespace
