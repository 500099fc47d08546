// settings save and load against the virtual controller: a load writes back
// exactly what differs, skips what this controller does not have, and sends
// nothing at all for a file it cannot read.

#include <gmock/gmock.h>

#include <chrono>
#include <thread>

#include "Formats/Json.h"
#include "tests/t860ctl/CtlFixture.h"

using ::testing::HasSubstr;

namespace {

// The descriptor position of a setting in a saved channel list, which is in
// descriptor order.
int PositionIn(const std::string& fileText, const char* channel, const char* name) {
    JsonValue root;
    std::string error;
    EXPECT_TRUE(ParseJson(fileText, root, error)) << error;
    const std::vector<JsonValue>& list = root.Find(channel)->Items();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].Find("name")->AsString() == name) {
            return static_cast<int>(i);
        }
    }
    ADD_FAILURE() << name << " not in " << channel;
    return -1;
}

}  // namespace

class CtlSettings : public CtlOnController {
protected:
    std::string Saved() {
        const std::string path = PathOf("saved.json");
        const CtlResult result = Run({"settings", "save", path});
        EXPECT_EQ(result.code, 0) << result.err;
        return path;
    }
};

TEST_F(CtlSettings, DumpListsEverySettingOfEachChannel) {
    const CtlResult dump = Run({"settings", "dump", "--channel", "6"});
    ASSERT_EQ(dump.code, 0) << dump.err;
    EXPECT_THAT(dump.out, HasSubstr("Channel 6: "));
    EXPECT_THAT(dump.out, HasSubstr("SerialNumber               UINT32  86012345"));
    EXPECT_THAT(dump.out, ::testing::Not(HasSubstr("Channel 0")));

    JsonValue both;
    std::string error;
    ASSERT_TRUE(ParseJson(Run({"--json", "settings", "dump"}).out, both, error)) << error;
    ASSERT_NE(both.Find("channel0"), nullptr);
    ASSERT_NE(both.Find("channel6"), nullptr);
    EXPECT_FALSE(both.Find("channel0")->Items().empty());
}

TEST_F(CtlSettings, LoadRestoresExactlyTheValuesChangedSinceTheSave) {
    const std::string path = Saved();
    const std::string text = ReadAll(path);
    const std::vector<uint8_t> saved0 = controller.SettingsBlockBytes(0);
    const std::vector<uint8_t> saved6 = controller.SettingsBlockBytes(6);

    const int reportMode = PositionIn(text, "channel6", "ReportMode");  // UINT16
    ASSERT_NO_FATAL_FAILURE(ChangeOnController(6, reportMode, 2, {0x01, 0x23}));
    const int right = PositionIn(text, "channel6", "Right");  // Panel's, SINT16
    ASSERT_NO_FATAL_FAILURE(ChangeOnController(6, right, 5, {0xFF, 0x9C}));
    ASSERT_NE(controller.SettingsBlockBytes(6), saved6);

    const uint32_t before = controller.OutputReportCount(6);
    const CtlResult load = Run({"settings", "load", path});
    ASSERT_EQ(load.code, 0) << load.err;
    EXPECT_THAT(load.out, HasSubstr("Changed: 2\n  My.ReportMode: 291 -> 32\n"
                                    "  Panel.Right: -100 -> 12\n"));
    EXPECT_THAT(load.out, HasSubstr("Refused: 0\n"));
    EXPECT_THAT(load.out, HasSubstr("Not found on this controller: 0\n"));
    EXPECT_EQ(controller.SettingsBlockBytes(6), saved6);
    EXPECT_EQ(controller.SettingsBlockBytes(0), saved0);
    // One read request and one set-setting command per changed value.
    EXPECT_EQ(controller.OutputReportCount(6) - before, 3u);

    const CtlResult again = Run({"--json", "settings", "load", path});
    EXPECT_THAT(again.out, HasSubstr("\"changed\": []"));
}

TEST_F(CtlSettings, DryRunSaysWhatWouldChangeAndSendsNoSetting) {
    const std::string path = Saved();
    ASSERT_NO_FATAL_FAILURE(ChangeOnController(
        6, PositionIn(ReadAll(path), "channel6", "ReportMode"), 2, {0x00, 0x02}));
    const std::vector<uint8_t> changed = controller.SettingsBlockBytes(6);
    const CtlResult dry = Run({"settings", "load", path, "--dry-run"});
    ASSERT_EQ(dry.code, 0) << dry.err;
    EXPECT_THAT(dry.out, HasSubstr("Would change: 1\n  My.ReportMode: 2 -> 32\n"));
    EXPECT_EQ(controller.SettingsBlockBytes(6), changed);
}

TEST_F(CtlSettings, SettingsThisControllerDoesNotHaveAreReportedAndNotWritten) {
    const std::string path = PathOf("other.json");
    WriteAll(path, R"({"format": "T860 settings", "version": 1, "vendorId": "2F7A",
        "productId": "0007", "channel6": [
        {"group": "Panel", "name": "Pen", "parentId": 32, "childId": 127, "type": "UINT8",
         "value": 1},
        {"group": "My", "name": "ReportMode", "parentId": 16, "childId": 115, "type": "UINT32",
         "value": 7}]})");
    const std::vector<uint8_t> block = controller.SettingsBlockBytes(6);
    const uint32_t before = controller.OutputReportCount(6);
    const CtlResult load = Run({"settings", "load", path});
    ASSERT_EQ(load.code, 0) << load.err;
    EXPECT_THAT(
        load.out,
        HasSubstr("Not found on this controller: 2\n"
                  "  Panel.Pen (0x20/127): not on this controller\n"
                  "  My.ReportMode (0x10/115): is UINT16 on this controller, not UINT32\n"));
    EXPECT_THAT(load.out, HasSubstr("Changed: 0\n"));
    EXPECT_EQ(controller.OutputReportCount(6) - before, 1u);  // the read request only
    EXPECT_EQ(controller.SettingsBlockBytes(6), block);
}

TEST_F(CtlSettings, AFileThatCannotBeReadIsRefusedBeforeAnythingIsSent) {
    const std::string header =
        R"({"format": "T860 settings", "version": 1, "vendorId": "2F7A", "productId": "0006", )";
    const std::string entry =
        R"({"group": "My", "name": "ReportMode", "parentId": 16, "childId": 115, "type": "UINT16", )";
    const struct {
        std::string text;
        const char* message;
    } cases[] = {
        {header + R"("channel6": [)" + entry + R"("value": 2},]})", "line 1"},
        {header + R"("channel6": [)" + entry + R"("value": 2})", "the text ends early"},
        {header + R"("channel6": [)" + entry + R"("value": 65536}]})",
         "within the range of UINT16"},
        {header + R"("channel6": [)" + entry + R"("value": 2.5}]})", "whole number"},
        {header + R"("channel6": [)" + entry + R"("value": "2"}]})", "must be a number"},
        {header + R"("channel6": [{"group": "My", "name": "X", "parentId": 16, "childId": 34,
            "type": "INT16", "value": 1}]})",
         "\"type\" must be one of"},
        {header + R"("channel6": [{"group": "My", "name": "X", "parentId": 256, "childId": 34,
            "type": "UINT8", "value": 1}]})",
         "\"parentId\""},
        {header + R"("channel6": [)" + entry + "\"value\": 2, \"note\": \"\xC3\x28\"}]}",
         "not valid UTF-8"},
        {header + "\"channel6\": []}\n// done", "unexpected text after the value"},
        {R"({"format": "something else", "version": 1})", "not a settings file"},
        {header + R"("channel6": {}})", "must be an array"},
        {header + "\"x\": 1}", "neither"},
    };
    const std::vector<uint8_t> block = controller.SettingsBlockBytes(6);
    const std::string path = PathOf("bad.json");
    for (const auto& bad : cases) {
        WriteAll(path, bad.text);
        const CtlResult load = Run({"settings", "load", path});
        EXPECT_EQ(load.code, 1) << bad.text;
        EXPECT_THAT(load.err, HasSubstr(bad.message)) << bad.text;
        EXPECT_THAT(load.err, HasSubstr("nothing was written"));
    }
    EXPECT_EQ(OutputReports(), 0u);
    EXPECT_EQ(controller.SettingsBlockBytes(6), block);

    const CtlResult missing = Run({"settings", "load", PathOf("absent.json")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_THAT(missing.err, HasSubstr("cannot read"));
}

TEST_F(CtlSettings, SaveToAFolderThatDoesNotExistFailsCleanly) {
    const CtlResult result = Run({"settings", "save", PathOf("no/such/folder/s.json")});
    EXPECT_EQ(result.code, 1);
    EXPECT_THAT(result.err, HasSubstr("cannot write"));
}
