#include "Driver/XlateLib/Settings.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/SettingsBlockBuilder.h"
#include "tests/support/TraceCapture.h"

namespace {
constexpr uint8_t kPanel = 0x20;
const char* const kNotFound = "!WARNING! - Parent/Child id pair not found";
const char* const kUnsupported = "!ERROR! - Unsupported data type.";
}  // namespace

TEST(SettingsCatalogue, NamesAndWidths) {
    TraceCapture capture;
    EXPECT_STREQ(parentNames[2], "Panel");
    EXPECT_STREQ(parentNames[14], "Mouse");
    EXPECT_STREQ(parentNames[16], "");
    EXPECT_STREQ(childNames[16], "");
    EXPECT_STREQ(childNames[17], "SerialNumber");
    EXPECT_STREQ(childNames[85], "");
    EXPECT_STREQ(childNames[147], "end2");
    EXPECT_EQ(settingsChildName(147), "end2");
    EXPECT_EQ(settingsChildName(148), "Unknown_148") << "never read past the table";
    const int widths[] = {0, 1, 2, 4, 1, 2, 4, 4, 0};
    for (uint8_t code = 0; code <= 8; ++code) {
        EXPECT_EQ(settingsTypeSize(code), widths[code]) << int(code);
    }
    EXPECT_EQ(capture.Count(kUnsupported), 2);
}

TEST(SettingsFindByIds, FirstMatchAndItsValueAddress) {
    TraceCapture capture;
    SettingsBlockBuilder block;
    block.Add(0x10, 17, SettingType::UINT8, {1})
        .Add(0x10, 18, SettingType::FLOAT, {2, 2, 2, 2})
        .Add(kPanel, 34, SettingType::SINT16, {3, 3})
        .Add(kPanel, 34, SettingType::UINT8, {4});
    SettingDescriptor* table = block.Table();
    uint8_t* address = nullptr;
    EXPECT_EQ(settingsFindByIds(table, block.Values(), kPanel, 34, &address), 2);
    EXPECT_EQ(address, block.Values() + 5) << "the first of two equal pairs";
    EXPECT_EQ(settingsValueAt(table, 4, block.Values(), 3), block.Values() + 7);
    EXPECT_EQ(settingsValueAt(table, 3, block.Values(), 3), nullptr);
    EXPECT_EQ(settingsValueAt(table, 4, block.Values(), -1), nullptr);

    EXPECT_EQ(settingsFindByIds(table, block.Values(), kPanel + 1, 34, &address), -1);
    EXPECT_EQ(address, block.Values() + 5) << "left alone on failure";
    SettingsBlockBuilder empty;
    EXPECT_EQ(settingsFindByIds(empty.Table(), empty.Values(), 0, 0), -1);
    EXPECT_EQ(capture.Count(kNotFound), 2);
}

TEST(SettingsFindByIds, LooksAtNoMoreThan200Descriptors) {
    TraceCapture capture;
    SettingsBlockBuilder block;  // unique pairs: the group changes every 128 settings
    for (int i = 0; i < kMaxSettingsLookup; ++i) {
        block.Add(static_cast<uint8_t>(0x30 + i / 128), static_cast<uint8_t>(i % 128),
                  SettingType::UINT8, {static_cast<uint8_t>(i)});
    }
    SettingDescriptor* table = block.Unterminated().Table();
    uint8_t* address = nullptr;
    EXPECT_EQ(settingsFindByIds(table, block.Values(), 0x31, 199 % 128, &address), 199);
    EXPECT_EQ(*address, 199);
    EXPECT_EQ(settingsFindByIds(table, block.Values(), 0x90, 1), -1);
    EXPECT_EQ(capture.Count(kNotFound), 0) << "running out of descriptors is silent";
}

TEST(SettingsFindByIds, UnsupportedCodeCountsZeroWideAndTracesEachPass) {
    TraceCapture capture;
    SettingsBlockBuilder block;
    block.Add(kPanel, 34, SettingType::UINT16, {1, 2})
        .Add(kPanel, 50, 9, {})
        .Add(kPanel, 35, SettingType::UINT8, {3});
    SettingDescriptor* table = block.Table();
    uint8_t* address = nullptr;
    for (int pass = 1; pass <= 2; ++pass) {
        EXPECT_EQ(settingsFindByIds(table, block.Values(), kPanel, 35, &address), 2);
        EXPECT_EQ(address, block.Values() + 2);
        EXPECT_EQ(capture.Count(kUnsupported), pass);
    }
}

TEST(SettingsFindByNames, FirstIndexOfEachExactName) {
    TraceCapture capture;
    SettingsBlockBuilder block;
    block.Add(0x00, 0, SettingType::UINT8, {10})
        .Add(kPanel, 79, SettingType::UINT8, {11})
        .Add(kPanel, 78, SettingType::UINT8, {12})
        .Add(kPanel, 34, SettingType::UINT8, {13});
    SettingDescriptor* table = block.Table();
    uint8_t* address = nullptr;
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "Panel", "X", &address), 3);
    EXPECT_EQ(*address, 13);
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "Panel", "spare"), 2) << "always id 78";
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "", ""), 0) << "group 0, setting 0";
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "panel", "X", &address), -1);
    EXPECT_EQ(address, nullptr) << "cleared before the lookup";
    EXPECT_EQ(settingsFindByNames(table, block.Values(), "Panel", nullptr), -1);
    EXPECT_TRUE(capture.Lines().empty()) << "unknown names are not traced";
}

TEST(SettingsGet, CopiesBlockBytesAndRefusesNarrowerSettings) {
    TraceCapture capture;
    SettingsBlockBuilder block;
    block.Add(kPanel, 17, SettingType::UINT16, {0x01, 0x02})
        .Add(kPanel, 18, SettingType::UINT32, {3, 4, 5, 6})
        .Add(kPanel, 19, SettingType::UINT8, {7})
        .Add(kPanel, 20, SettingType::UINT8, {8});
    SettingDescriptor* table = block.Table();
    uint16_t v16 = 0;
    EXPECT_EQ(settingsGetInt16(table, &v16, block.Values(), kPanel, 17), 1);
    EXPECT_EQ(std::memcmp(&v16, block.Values(), 2), 0) << "no byte-order conversion";
    EXPECT_TRUE(capture.Lines().empty());
    EXPECT_EQ(settingsGetInt16(table, &v16, block.Values(), kPanel, 18), 1) << "wider: read";
    EXPECT_EQ(capture.Lines().back(),
              "Request INT16 of data that is not INT16 on device for setting[1] 32, 18\n");
    uint32_t v32 = 0xEEEEEEEE;
    EXPECT_EQ(settingsGetInt32(table, &v32, block.Values(), kPanel, 19), 0);
    EXPECT_EQ(v32, 0xEEEEEEEEu) << "nothing read past a 1-byte setting";
    EXPECT_TRUE(capture.Contains("Refused INT32 access to setting[2], which is 1 bytes wide"));
    EXPECT_EQ(settingsGetInt32(table, &v32, block.Values(), kPanel, 21), 0);

    uint8_t v8 = 0;
    EXPECT_EQ(settingsGetInt8(table, &v8, nullptr, kPanel, 17), 0);
    EXPECT_EQ(settingsGetInt8(table, &v8, nullptr, kPanel, 19), 0) << "no area, no address";
    EXPECT_EQ(capture.Count("!WARNING! - index could not be found"), 2);
}

TEST(SettingsSet, StoresBytesTracesMisses) {
    TraceCapture capture;
    SettingsBlockBuilder block;
    block.Add(kPanel, 34, SettingType::SINT32, {0, 0, 0, 0})
        .Add(kPanel, 35, SettingType::UINT8, {0xAA})
        .Add(kPanel, 36, SettingType::UINT8, {0xBB})
        .Add(0x30, 41, SettingType::FLOAT, {0, 0, 0, 0});
    SettingDescriptor* table = block.Table();
    settingsSetInt32(table, block.Values(), "Panel", "X", 0x11223344);
    settingsSetFloat(table, block.Values(), "CAM0", "Coeff0", 1.5f);
    EXPECT_TRUE(capture.Lines().empty());
    const int32_t v32 = 0x11223344;
    const float vf = 1.5f;
    EXPECT_EQ(std::memcmp(block.Values(), &v32, 4), 0);
    EXPECT_EQ(std::memcmp(block.Values() + 6, &vf, 4), 0);

    settingsSetInt32(table, block.Values(), "Panel", "Y", 0x01020304);
    EXPECT_EQ(block.Values()[5], 0xBB) << "the next setting is not overwritten";
    EXPECT_TRUE(
        capture.Contains("Set INT32 of data that is not INT32 on device for setting[1] "
                         "Panel, Y\n"));
    settingsSetInt8(table, block.Values(), "Panel", "X", 0x7F);
    EXPECT_EQ(capture.Lines().back(),
              "Set INT8 of data that is not INT8 on device for setting[0] Panel, X ");
    EXPECT_EQ(block.Values()[0], 0x7F) << "a wider setting takes the bytes";

    capture.Clear();
    settingsSetInt8(table, block.Values(), "Panel", "Nope", -1);
    settingsSetInt16(table, block.Values(), "Panel", "Nope", -1);
    settingsSetInt32(table, block.Values(), "panel", "X", -5);
    settingsSetFloat(table, block.Values(), "Panel", "Nope", 2.5f);
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{
                                   "Could not find setting Panel, Nope to set to 255. ",
                                   "Could not find setting Panel, Nope to set to 65535. ",
                                   "Could not find setting panel, X to set to -5. ",
                                   "Could not find setting Panel, Nope to set to 2.500000. ",
                               }));
}
