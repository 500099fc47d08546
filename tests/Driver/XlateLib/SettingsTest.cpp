#include "Driver/XlateLib/Settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/SettingsBlock.h"
#include "tests/support/TraceCapture.h"

namespace {

constexpr uint8_t kPanel = 0x20;
constexpr uint8_t kChildX = 34;
constexpr uint8_t kChildY = 35;
const char* const kNotFound = "!WARNING! - Parent/Child id pair not found";
const char* const kUnsupported = "!ERROR! - Unsupported data type.";

}  // namespace

TEST(SettingsNames, TablesHoldTheNamesAtTheirIds) {
    EXPECT_STREQ(parentNames[0], "");
    EXPECT_STREQ(parentNames[1], "My");
    EXPECT_STREQ(parentNames[0x20 / 16], "Panel");
    EXPECT_STREQ(parentNames[12], "Diameter_Threshold");
    EXPECT_STREQ(parentNames[14], "Mouse");
    EXPECT_STREQ(parentNames[15], "");
    EXPECT_STREQ(parentNames[16], "");
    for (int id = 0; id <= 16; ++id) {
        EXPECT_STREQ(childNames[id], "") << id;
    }
    EXPECT_STREQ(childNames[17], "SerialNumber");
    EXPECT_STREQ(childNames[58], "NumberOfCalibrationPoints");
    EXPECT_STREQ(childNames[84], "TotalPixels");
    EXPECT_STREQ(childNames[85], "");
    EXPECT_STREQ(childNames[86], "Cam_Edges");
    EXPECT_STREQ(childNames[115], "ReportMode");
    EXPECT_STREQ(childNames[145], "AmbientSubtraction");
    EXPECT_STREQ(childNames[147], "end2");
    int spares = 0;
    for (const char* name : childNames) {
        spares += std::strcmp(name, "spare") == 0 ? 1 : 0;
    }
    EXPECT_EQ(spares, 7);
}

TEST(SettingsNames, IdsPastTheTableGetANameThatSaysSo) {
    EXPECT_EQ(settingsChildName(17), "SerialNumber");
    EXPECT_EQ(settingsChildName(147), "end2");
    EXPECT_EQ(settingsChildName(148), "Unknown_148");
    EXPECT_EQ(settingsChildName(255), "Unknown_255");
    EXPECT_EQ(settingsChildName(-1), "Unknown_-1");
}

TEST(SettingsTypeSize, WidthsAndUnsupportedCodes) {
    TraceCapture capture;
    const int widths[] = {0, 1, 2, 4, 1, 2, 4, 4};
    for (uint8_t code = 1; code <= 7; ++code) {
        EXPECT_EQ(settingsTypeSize(code), widths[code]) << int(code);
    }
    EXPECT_EQ(capture.Count(kUnsupported), 0);
    EXPECT_EQ(settingsTypeSize(0), 0);
    EXPECT_EQ(settingsTypeSize(8), 0);
    EXPECT_EQ(settingsTypeSize(255), 0);
    EXPECT_EQ(capture.Count(kUnsupported), 3);
}

TEST(SettingsFindByIds, ValueAddressIsTheSumOfTheEarlierWidths) {
    SettingsBlock block;
    block.Add(0x10, 17, SettingType::UINT8, {1})
        .Add(0x10, 18, SettingType::FLOAT, {2, 2, 2, 2})
        .Add(kPanel, kChildX, SettingType::SINT16, {3, 3})
        .Add(kPanel, kChildY, SettingType::UINT32, {4, 4, 4, 4});
    SettingDescriptor* table = block.Table();
    uint8_t* address = nullptr;
    EXPECT_EQ(settingsFindByIds(table, block.Values(), kPanel, kChildY, &address), 3);
    EXPECT_EQ(address, block.Values() + 7);
    EXPECT_EQ(settingsFindByIds(table, block.Values(), 0x10, 17, &address), 0);
    EXPECT_EQ(address, block.Values());
    EXPECT_EQ(settingsFindByIds(table, block.Values(), kPanel, kChildX), 2) << "address optional";
    EXPECT_EQ(settingsValueAt(table, 4, block.Values(), 3), block.Values() + 7);
    EXPECT_EQ(settingsValueAt(table, 4, block.Values(), 0), block.Values());
    EXPECT_EQ(settingsValueAt(table, 3, block.Values(), 3), nullptr);
    EXPECT_EQ(settingsValueAt(table, 4, block.Values(), -1), nullptr);
}

TEST(SettingsFindByIds, MissingPairsWarnAndLeaveTheAddressAlone) {
    TraceCapture capture;
    SettingsBlock empty;
    uint8_t marker = 0;
    uint8_t* address = &marker;
    EXPECT_EQ(settingsFindByIds(empty.Table(), empty.Values(), 0, 0, &address), -1)
        << "an all-zero first descriptor ends the table at once";
    EXPECT_EQ(address, &marker);
    EXPECT_EQ(capture.Count(kNotFound), 1);

    SettingsBlock block;
    block.Add(kPanel, kChildX, SettingType::UINT8, {1})
        .Add(kPanel, kChildX, SettingType::UINT8, {2});
    SettingDescriptor* table = block.Table();
    EXPECT_EQ(settingsFindByIds(table, block.Values(), kPanel, kChildX, &address), 0)
        << "the first of two equal id pairs";
    EXPECT_EQ(*address, 1);
    EXPECT_EQ(settingsFindByIds(table, block.Values(), kPanel + 1, kChildX), -1)
        << "both ids must match";
    EXPECT_EQ(capture.Count(kNotFound), 2);
}

TEST(SettingsFindByIds, LooksAtNoMoreThan200Descriptors) {
    TraceCapture capture;
    // Unique pairs: the group changes every 128 settings.
    SettingsBlock unique;
    for (int i = 0; i < kMaxSettingsLookup; ++i) {
        unique.Add(static_cast<uint8_t>(0x30 + i / 128), static_cast<uint8_t>(i % 128),
                   SettingType::UINT8, {static_cast<uint8_t>(i)});
    }
    unique.Unterminated();
    SettingDescriptor* table = unique.Table();
    uint8_t* address = nullptr;
    EXPECT_EQ(settingsFindByIds(table, unique.Values(), 0x31, 199 % 128, &address), 199);
    EXPECT_EQ(*address, 199);
    EXPECT_EQ(settingsFindByIds(table, unique.Values(), 0x90, 1), -1);
    EXPECT_EQ(capture.Count(kNotFound), 0) << "running out of descriptors is silent";
}

TEST(SettingsFindByIds, UnsupportedCodeCountsZeroWideAndTracesEachPass) {
    TraceCapture capture;
    SettingsBlock block;
    block.Add(kPanel, kChildX, SettingType::UINT16, {1, 2})
        .Add(kPanel, 50, 9, {})
        .Add(kPanel, kChildY, SettingType::UINT8, {3});
    SettingDescriptor* table = block.Table();
    uint8_t* address = nullptr;
    EXPECT_EQ(settingsFindByIds(table, block.Values(), kPanel, kChildY, &address), 2);
    EXPECT_EQ(address, block.Values() + 2);
    EXPECT_EQ(capture.Count(kUnsupported), 1);
    EXPECT_EQ(settingsFindByIds(table, block.Values(), kPanel, kChildY, &address), 2);
    EXPECT_EQ(capture.Count(kUnsupported), 2);
}

TEST(SettingsFindByNames, NamesTurnIntoIds) {
    TraceCapture capture;
    SettingsBlock block;
    block.Add(0x00, 0, SettingType::UINT8, {10})
        .Add(kPanel, 79, SettingType::UINT8, {11})
        .Add(kPanel, 78, SettingType::UINT8, {12})
        .Add(kPanel, kChildX, SettingType::UINT8, {13});
    SettingDescriptor* table = block.Table();
    uint8_t* address = nullptr;
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "Panel", "X", &address), 3);
    EXPECT_EQ(*address, 13);
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "Panel", "spare", &address), 2)
        << "spare always means id 78, never the 79 before it";
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "", "", &address), 0)
        << "empty names are group 0 and setting 0";

    capture.Clear();
    uint8_t marker = 0;
    address = &marker;
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "panel", "X", &address), -1);
    EXPECT_EQ(address, nullptr) << "the address is cleared before the lookup";
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "Panel", "x"), -1);
    EXPECT_EQ(settingsFindByNames(table, block.Values(), nullptr, "X"), -1);
    EXPECT_TRUE(capture.Lines().empty()) << "unknown names are not traced";
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "Mouse", "X"), -1);
    EXPECT_EQ(capture.Count(kNotFound), 1) << "known names without a setting are";
}

TEST(SettingsGet, CopiesTheBytesAsTheBlockHoldsThem) {
    SettingsBlock block;
    block.Add(kPanel, 17, SettingType::UINT8, {0xAB})
        .Add(kPanel, 18, SettingType::UINT16, {0x01, 0x02})
        .Add(kPanel, 19, SettingType::SINT32, {0x10, 0x20, 0x30, 0x40})
        .Add(kPanel, 20, SettingType::FLOAT, {0x40, 0x49, 0x0F, 0xD0});
    SettingDescriptor* table = block.Table();
    uint8_t v8 = 0;
    uint16_t v16 = 0;
    uint32_t v32 = 0;
    float vf = 0;
    EXPECT_EQ(settingsGetInt8(table, &v8, block.Values(), kPanel, 17), 1);
    EXPECT_EQ(v8, 0xAB);
    EXPECT_EQ(settingsGetInt16(table, &v16, block.Values(), kPanel, 18), 1);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&v16)[0], 0x01);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&v16)[1], 0x02);
    EXPECT_EQ(settingsGetInt32(table, &v32, block.Values(), kPanel, 19), 1);
    EXPECT_EQ(std::memcmp(&v32, block.Values() + 3, 4), 0);
    EXPECT_EQ(settingsGetFloat(table, &vf, block.Values(), kPanel, 20), 1);
    EXPECT_EQ(std::memcmp(&vf, block.Values() + 7, 4), 0);
    EXPECT_EQ(settingsGetInt8(table, nullptr, block.Values(), kPanel, 17), 1) << "value optional";
    EXPECT_EQ(settingsGetInt8(table, &v8, block.Values(), kPanel, 21), 0);
}

TEST(SettingsGet, OtherTypesAreTracedAndNarrowerOnesRefused) {
    TraceCapture capture;
    SettingsBlock block;
    block.Add(kPanel, 17, SettingType::UINT32, {1, 2, 3, 4})
        .Add(kPanel, 18, SettingType::UINT8, {5})
        .Add(kPanel, 19, SettingType::UINT8, {6});
    SettingDescriptor* table = block.Table();

    uint16_t v16 = 0;
    EXPECT_EQ(settingsGetInt16(table, &v16, block.Values(), kPanel, 17), 1);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(&v16)[0], 1) << "a wider setting is still read";
    EXPECT_EQ(capture.Lines().back(),
              "Request INT16 of data that is not INT16 on device for setting[0] 32, 17\n");

    uint32_t v32 = 0xEEEEEEEE;
    EXPECT_EQ(settingsGetInt32(table, &v32, block.Values(), kPanel, 18), 0);
    EXPECT_EQ(v32, 0xEEEEEEEEu) << "nothing read past a 1-byte setting";
    EXPECT_TRUE(capture.Contains(
        "Request INT32 of data that is not INT32 on device for setting[1] 32, 18\n"));
    EXPECT_TRUE(capture.Contains("Refused INT32 access to setting[1], which is 1 bytes wide"));
}

TEST(SettingsGet, NoValueAreaMeansNoAddress) {
    TraceCapture capture;
    SettingsBlock block;
    block.Add(kPanel, 17, SettingType::UINT8, {1}).Add(kPanel, 18, SettingType::UINT8, {2});
    SettingDescriptor* table = block.Table();
    uint8_t v8 = 7;
    EXPECT_EQ(settingsGetInt8(table, &v8, nullptr, kPanel, 17), 0);
    EXPECT_EQ(settingsGetInt8(table, &v8, nullptr, kPanel, 18), 0);
    EXPECT_EQ(v8, 7);
    EXPECT_EQ(capture.Count("!WARNING! - index could not be found"), 2);
}

TEST(SettingsSet, StoresTheBytesOfTheValueAsGiven) {
    TraceCapture capture;
    SettingsBlock block;
    block.Add(kPanel, kChildX, SettingType::SINT32, {0, 0, 0, 0})
        .Add(kPanel, kChildY, SettingType::SINT8, {0})
        .Add(0x30, 41, SettingType::FLOAT, {0, 0, 0, 0})
        .Add(0x30, 42, SettingType::UINT16, {0, 0});
    SettingDescriptor* table = block.Table();
    settingsSetInt32(table, block.Values(), "Panel", "X", 0x11223344);
    settingsSetInt8(table, block.Values(), "Panel", "Y", -2);
    settingsSetFloat(table, block.Values(), "CAM0", "Coeff0", 1.5f);
    settingsSetInt16(table, block.Values(), "CAM0", "Coeff1", 0x0102);
    EXPECT_TRUE(capture.Lines().empty()) << "no mismatch for matching families";

    int32_t v32 = 0x11223344;
    float vf = 1.5f;
    int16_t v16 = 0x0102;
    EXPECT_EQ(std::memcmp(block.Values(), &v32, 4), 0);
    EXPECT_EQ(block.Values()[4], 0xFE);
    EXPECT_EQ(std::memcmp(block.Values() + 5, &vf, 4), 0);
    EXPECT_EQ(std::memcmp(block.Values() + 9, &v16, 2), 0);
}

TEST(SettingsSet, UnknownNamesWriteTheirNotFoundLines) {
    TraceCapture capture;
    SettingsBlock block;
    block.Add(kPanel, kChildX, SettingType::UINT8, {9});
    SettingDescriptor* table = block.Table();
    settingsSetInt8(table, block.Values(), "Panel", "Nope", -1);
    settingsSetInt16(table, block.Values(), "Panel", "Nope", -1);
    settingsSetInt32(table, block.Values(), "panel", "X", -5);
    settingsSetFloat(table, block.Values(), "Panel", "Y", 2.5f);
    const std::vector<std::string> expected = {
        "Could not find setting Panel, Nope to set to 255. ",
        "Could not find setting Panel, Nope to set to 65535. ",
        "Could not find setting panel, X to set to -5. ",
    };
    std::vector<std::string> lines = capture.Lines();
    ASSERT_EQ(lines.size(),
              5u);  // the last lookup also warns: "Y" is a name, but not in this block
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3), expected);
    EXPECT_NE(lines[3].find(kNotFound), std::string::npos);
    EXPECT_EQ(lines[4], "Could not find setting Panel, Y to set to 2.500000. ");
    EXPECT_EQ(block.Values()[0], 9);
}

TEST(SettingsSet, OtherTypesAreTracedAndNarrowerOnesRefused) {
    TraceCapture capture;
    SettingsBlock block;
    block.Add(kPanel, kChildX, SettingType::UINT8, {0xAA})
        .Add(kPanel, kChildY, SettingType::UINT8, {0xBB})
        .Add(kPanel, 17, SettingType::UINT32, {0, 0, 0, 0});
    SettingDescriptor* table = block.Table();

    settingsSetInt32(table, block.Values(), "Panel", "X", 0x01020304);
    EXPECT_EQ(block.Values()[0], 0xAA);
    EXPECT_EQ(block.Values()[1], 0xBB) << "the next setting is not overwritten";
    EXPECT_TRUE(capture.Contains(
        "Set INT32 of data that is not INT32 on device for setting[0] Panel, X\n"));
    EXPECT_TRUE(capture.Contains("Refused INT32 access to setting[0], which is 1 bytes wide"));

    capture.Clear();
    settingsSetInt8(table, block.Values(), "Panel", "SerialNumber", 0x7F);
    EXPECT_EQ(capture.Lines(),
              std::vector<std::string>{"Set INT8 of data that is not INT8 on device for setting[2] "
                                       "Panel, SerialNumber "})
        << "a wider setting takes the bytes after the line";
    EXPECT_EQ(block.Values()[2], 0x7F);
    EXPECT_EQ(block.Values()[3], 0);
}
