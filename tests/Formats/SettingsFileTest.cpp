// Settings blocks assembled from chunks, settings files, and the plan that
// brings a block to a file's values.

#include <gmock/gmock.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "Driver/XlateLib/Settings.h"
#include "Formats/SettingsFile.h"
#include "tests/support/TraceCapture.h"

using ::testing::HasSubstr;

namespace {

struct Setting {
    uint8_t parentId;
    uint8_t childId;
    uint8_t typeCode;
    std::vector<uint8_t> value;  // device order
};

// A block as the controller sends it: header and values big-endian.
std::vector<uint8_t> BlockBytes(const std::vector<Setting>& settings) {
    const size_t tableBytes = 4 * (settings.size() + 1);
    std::vector<uint8_t> block = {
        static_cast<uint8_t>(tableBytes >> 8), static_cast<uint8_t>(tableBytes), 0, 1, 0, 2};
    for (const Setting& setting : settings) {
        block.insert(block.end(), {setting.parentId, setting.childId, setting.typeCode, 1});
    }
    block.insert(block.end(), {0, 0, 0, 0});
    for (const Setting& setting : settings) {
        block.insert(block.end(), setting.value.begin(), setting.value.end());
    }
    return block;
}

std::vector<uint8_t> Chunk(const std::vector<uint8_t>& block, size_t offset, size_t length,
                           uint8_t number, uint8_t count) {
    std::vector<uint8_t> report(kSettingsReportSize, 0);
    report[0] = 'N';
    report[1] = static_cast<uint8_t>(length + 4);
    report[2] = 'A';
    report[3] = number;
    report[4] = count;
    report[5] = static_cast<uint8_t>(offset >> 8);
    report[6] = static_cast<uint8_t>(offset);
    std::memcpy(report.data() + 7, block.data() + offset, length);
    return report;
}

std::vector<uint8_t> Echo(int position, std::vector<uint8_t> value) {
    std::vector<uint8_t> report(kSettingsReportSize, 0);
    report[0] = 'S';
    report[2] = 's';
    report[4] = static_cast<uint8_t>(position >> 8);
    report[5] = static_cast<uint8_t>(position);
    std::copy(value.begin(), value.end(), report.begin() + 10);
    return report;
}

const std::vector<Setting> kSettings = {
    {0x10, 115, SettingType::UINT16, {0x00, 0x20}},              // My.ReportMode 32
    {0x20, 34, SettingType::UINT8, {7}},                         // Panel.X
    {0x20, 78, SettingType::SINT16, {0xFF, 0x38}},               // Panel.spare -200
    {0x20, 78, SettingType::SINT16, {0x00, 0x05}},               // Panel.spare again
    {0xA0, 77, SettingType::FLOAT, {0x3D, 0xCC, 0xCC, 0xCD}},    // Filters 0.1f
    {0x90, 120, SettingType::SINT32, {0x80, 0x00, 0x00, 0x00}},  // Border.Left min
    {0x90, 121, SettingType::UINT32, {0xFF, 0xFF, 0xFF, 0xFF}},  // Border.Top max
};

class TakenBlock : public ::testing::Test {
protected:
    TakenBlock() {
        const std::vector<uint8_t> block = BlockBytes(kSettings);
        // Three chunks; the last-numbered one arrives before chunk 1.
        const std::vector<uint8_t> chunks[] = {Chunk(block, 0, 20, 0, 3),
                                               Chunk(block, 40, block.size() - 40, 2, 3),
                                               Chunk(block, 20, 20, 1, 3)};
        EXPECT_EQ(StoreSettingsChunk(assembly, chunks[0].data(), kSettingsReportSize),
                  ChunkResult::Stored);
        EXPECT_EQ(StoreSettingsChunk(assembly, chunks[2].data(), kSettingsReportSize),
                  ChunkResult::Stored);
        EXPECT_EQ(StoreSettingsChunk(assembly, chunks[1].data(), kSettingsReportSize),
                  ChunkResult::Complete);
        EXPECT_TRUE(TakeSettingsBlock(assembly, settingsData));
    }

    uint8_t assembly[kSettingsDataSize] = {};
    uint8_t settingsData[kSettingsDataSize] = {};
};

}  // namespace

TEST(SettingsChunks, OnlyChunksInsideTheBufferAndTheReportAreStored) {
    uint8_t assembly[kSettingsDataSize] = {};
    const std::vector<uint8_t> block(1100, 0xAB);
    EXPECT_EQ(StoreSettingsChunk(assembly, Chunk(block, 1000, 24, 0, 1).data(), 64),
              ChunkResult::Overflow);
    EXPECT_EQ(StoreSettingsChunk(assembly, Chunk(block, 1000, 23, 0, 2).data(), 64),
              ChunkResult::Stored);
    EXPECT_EQ(assembly[1022], 0xAB);
    EXPECT_EQ(assembly[1023], 0);

    std::vector<uint8_t> wrapped = Chunk(block, 0, 0, 0, 1);
    wrapped[1] = 3;  // L below 4
    EXPECT_EQ(StoreSettingsChunk(assembly, wrapped.data(), 64), ChunkResult::Overflow);

    TraceCapture trace;
    std::vector<uint8_t> tooLong = Chunk(block, 0, 57, 0, 1);
    tooLong[1] = 62;  // 58 data bytes claimed, 57 in the report
    EXPECT_EQ(StoreSettingsChunk(assembly, tooLong.data(), 64), ChunkResult::Ignored);
    EXPECT_TRUE(trace.Contains("settings chunk longer than its report"));

    EXPECT_EQ(StoreSettingsChunk(assembly, Chunk(block, 0, 10, 0, 0).data(), 64),
              ChunkResult::Stored);  // a count of 0 never completes
    EXPECT_EQ(StoreSettingsChunk(assembly, Chunk(block, 0, 10, 0, 1).data(), 6),
              ChunkResult::Ignored);

    uint8_t settingsData[kSettingsDataSize] = {0x55};
    std::memset(assembly, 0, sizeof assembly);
    assembly[0] = 0x03;  // a table of 1019 bytes reaches past the buffer
    assembly[1] = 0xFB;
    EXPECT_FALSE(TakeSettingsBlock(assembly, settingsData));
    EXPECT_EQ(settingsData[0], 0x55);
}

TEST_F(TakenBlock, ListsTheSettingsWithNamesAndValues) {
    const std::vector<SavedSetting> settings = ListBlockSettings(settingsData);
    ASSERT_EQ(settings.size(), kSettings.size());
    EXPECT_EQ(SettingLabel(settings[0]), "My.ReportMode");
    EXPECT_EQ(FormatSettingValue(settings[0].typeCode, settings[0].value), "32");
    EXPECT_EQ(FormatSettingValue(settings[2].typeCode, settings[2].value), "-200");
    EXPECT_EQ(FormatSettingValue(settings[4].typeCode, settings[4].value), "0.1");
    EXPECT_EQ(FormatSettingValue(settings[5].typeCode, settings[5].value), "-2147483648");
    EXPECT_EQ(FormatSettingValue(settings[6].typeCode, settings[6].value), "4294967295");
}

TEST_F(TakenBlock, EchoesLandOnTheirSettingAndNowhereElse) {
    const std::vector<uint8_t> echo = Echo(3, {0x12, 0x34});
    EXPECT_EQ(ApplySettingEcho(settingsData, echo.data(), 64), 3);
    EXPECT_EQ(
        FormatSettingValue(SettingType::SINT16, settingsData + SettingValueOffset(settingsData, 3)),
        "4660");
    EXPECT_EQ(ListBlockSettings(settingsData)[2].value[1], 0x38);  // the first spare kept

    TraceCapture trace;
    const uint8_t before = settingsData[kSettingsDataSize - 1];
    EXPECT_EQ(ApplySettingEcho(settingsData, Echo(7, {1, 2, 3, 4}).data(), 64), -1);
    EXPECT_EQ(ApplySettingEcho(settingsData, Echo(0xFFFF, {1, 2}).data(), 64), -1);
    EXPECT_TRUE(trace.Contains("setting echo beyond the descriptor table"));
    EXPECT_EQ(ApplySettingEcho(settingsData, Echo(6, {1, 2, 3, 4}).data(), 12), -1);
    EXPECT_TRUE(trace.Contains("setting echo shorter than its value"));
    EXPECT_EQ(settingsData[kSettingsDataSize - 1], before);
}

TEST_F(TakenBlock, AFileKeepsEveryValueExactly) {
    SettingsFileContent content;
    content.vendor = 0x2F7A;
    content.product = 0x0006;
    content.hasChannel6 = true;
    content.channel6 = ListBlockSettings(settingsData);
    float nan = std::nanf("");
    uint32_t bits;
    std::memcpy(&bits, &nan, sizeof bits);
    SavedSetting notFinite = content.channel6[4];
    notFinite.value[0] = static_cast<uint8_t>(bits >> 24);
    notFinite.value[1] = static_cast<uint8_t>(bits >> 16);
    notFinite.value[2] = static_cast<uint8_t>(bits >> 8);
    notFinite.value[3] = static_cast<uint8_t>(bits);
    content.channel6.push_back(notFinite);

    const std::string text = WriteSettingsFile(content);
    EXPECT_THAT(text, HasSubstr("\"value\": 0.1}"));
    EXPECT_THAT(text, HasSubstr("\"value\": \"nan\"}"));
    SettingsFileContent read;
    std::string error;
    ASSERT_TRUE(ParseSettingsFile(text, read, error)) << error;
    EXPECT_EQ(read.vendor, 0x2F7A);
    EXPECT_FALSE(read.hasChannel0);
    ASSERT_EQ(read.channel6.size(), content.channel6.size());
    for (size_t i = 0; i < read.channel6.size(); ++i) {
        EXPECT_EQ(std::memcmp(read.channel6[i].value, content.channel6[i].value, 4), 0) << i;
        EXPECT_EQ(read.channel6[i].typeCode, content.channel6[i].typeCode);
    }
}

TEST_F(TakenBlock, APlanWritesOnlyWhatDiffersAndMatchesRepeatedIdsInOrder) {
    std::vector<SavedSetting> saved = ListBlockSettings(settingsData);
    saved[3].value[1] = 0x06;  // the second spare
    saved[1].typeCode = SettingType::SINT8;
    SavedSetting absent = saved[0];
    absent.childId = 99;
    saved.push_back(absent);
    saved.push_back(saved[2]);  // a third spare: this block has two

    const SettingsLoadPlan plan = PlanSettingsLoad(saved, settingsData);
    ASSERT_EQ(plan.writes.size(), 1u);
    EXPECT_EQ(plan.writes[0].position, 3);
    EXPECT_EQ(plan.writes[0].current[1], 0x05);
    EXPECT_EQ(plan.unchanged, 5);
    ASSERT_EQ(plan.notFound.size(), 3u);
    EXPECT_EQ(plan.notFound[0].reason, "is UINT8 on this controller, not SINT8");
    EXPECT_EQ(plan.notFound[1].reason, "not on this controller");

    uint8_t report[kSetSettingReportSize];
    BuildSetSettingReport(6, plan.writes[0].position, SettingType::SINT16,
                          plan.writes[0].wanted.value, report);
    const uint8_t expected[] = {6, 'S', 's', 0, 3, SettingType::SINT16, 0, 0x00, 0x06, 0};
    EXPECT_EQ(std::memcmp(report, expected, sizeof expected), 0);

    SettingsLoadSummary summary;
    RecordSettingMisses(summary, plan);
    RecordSettingWrite(summary, plan.writes[0], WriteOutcome::Refused, plan.writes[0].current);
    EXPECT_THAT(FormatLoadSummary(summary),
                HasSubstr("Refused: 1\n  Panel.spare: 6 refused, the controller holds 5\n"));
}
