// Building the node list from a settings block and mirroring it into the tree widget.

#include <gtest/gtest.h>

#include "tests/Painter/TreeFixture.h"
#include "tests/support/SettingsBlockBuilder.h"
#include "tests/support/TraceCapture.h"

namespace {
TEasyTreeNode Value(const char* name, int64_t value) {
    return TEasyTreeNode{name, "", 1, SettingType::SINT32, value, 0.0f, true, nullptr};
}
TEasyTreeNode Group(const char* name) {
    return TEasyTreeNode{name, "", 0, 0, 0, 0.0f, false, nullptr};
}
}  // namespace

using EasyTreeLoad = TreeFixture;

TEST_F(EasyTreeLoad, NewTreeShowsTheDemoListCollapsed) {
    EXPECT_EQ(Texts(), QStringList({"PANEL", "WIDTH = 2395.000 mm", "HEIGHT = 1123.000 mm", "CAM0",
                                    "X = 0 mm", "Y = -65 mm", "CAM1", "X = 0 mm", "Y = -65 mm"}));
    ASSERT_EQ(widget.topLevelItemCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(widget.topLevelItem(i)->isExpanded());
    }
}

TEST_F(EasyTreeLoad, GroupsAndValuesOfEveryType) {
    SettingsBlockBuilder block;
    block.Add(0x20, 17, SettingType::UINT8, {0xFF})
        .Add(0x20, 5, SettingType::SINT8, {0xFF})
        .Add(0x21, 18, SettingType::UINT16, {0x01, 0x02})
        .Add(0x21, 19, SettingType::SINT16, {0xFF, 0xFE})
        .Add(0x30, 200, SettingType::UINT32, {0x80, 0, 0, 1})
        .Add(0x30, 20, SettingType::SINT32, {0xFF, 0xFF, 0xFF, 0xFE})
        .Add(0x30, 21, 9, {})
        .Add(0x30, 22, SettingType::FLOAT, {0x40, 0x49, 0x0F, 0xD0});
    Load(block.Table(), block.Values());
    // 0x20 and 0x21 are two groups of one name; ids below 17 have no name.
    EXPECT_EQ(Texts(),
              QStringList({"Panel", "SerialNumber = 255 ", " = -1 ", "Panel", "ModelNumber = 258 ",
                           "FirmwareVersion = -2 ", "CAM0", "Unknown_200 = 2147483649 ",
                           "FactoryDate = -2 ", "ReworkDate", "ReworkCount = 3.142 "}));
    EXPECT_EQ(widget.topLevelItemCount(), 3);
    uint8_t* v = block.Values();
    const std::vector<uint8_t*> pointers = {nullptr, v,     v + 1,  nullptr, v + 2, v + 4,
                                            nullptr, v + 6, v + 10, nullptr, v + 14};
    ASSERT_EQ(tree.Nodes().size(), pointers.size());
    for (size_t i = 0; i < pointers.size(); ++i) {
        EXPECT_EQ(tree.Nodes()[i].valuePtr, pointers[i]) << i;
    }

    QTreeWidget otherWidget;
    TEasyTree hostOrder(&otherWidget, false, 0);
    hostOrder.LoadSettings(block.Table(), block.Values());
    EXPECT_EQ(hostOrder.Nodes()[4].intValue, 0x0201) << "no swapping: host order";
}

TEST_F(EasyTreeLoad, WhereBuildingStops) {
    TraceCapture capture;
    SettingsBlockBuilder empty;
    tree.LoadSettings(empty.Table(), empty.Values());
    EXPECT_EQ(tree.Nodes().size(), 1u) << "a zero first descriptor still gives its group";

    SettingsBlockBuilder flagged;
    flagged.Add(0x20, 17, SettingType::UINT8, {1}).Add(0x20, 18, SettingType::UINT8, {2}, 0);
    tree.LoadSettings(flagged.Table(), flagged.Values());
    EXPECT_EQ(tree.Nodes().size(), 2u) << "flags 0 end the table";

    for (int settings : {MAX_TV_SIZE, MAX_TV_SIZE + 5}) {
        SettingsBlockBuilder block;
        for (int i = 0; i < settings; ++i) {
            block.Add(0x20, 17, SettingType::UINT8, {static_cast<uint8_t>(i)});
        }
        tree.LoadSettings(block.Table(), block.Values());
        EXPECT_EQ(tree.Nodes().size(), 1001u);
        EXPECT_EQ(capture.Count("!ERROR! - MAX_TV_SIZE Exceeded"), settings > MAX_TV_SIZE);
    }

    // Without a terminator, the end of the buffer stops the walk: two
    // descriptors and two value bytes, no room for a third descriptor.
    const char* const kShort = "!ERROR! - Settings block ends inside its descriptor table";
    std::vector<uint8_t> buffer = {0x20, 17, 1, 1, 0x20, 18, 1, 1, 5, 6};
    tree.LoadSettings(reinterpret_cast<SettingDescriptor*>(buffer.data()), buffer.data() + 8,
                      buffer.data() + buffer.size());
    EXPECT_EQ(tree.Nodes().size(), 3u);
    EXPECT_EQ(capture.Count(kShort), 1);
    buffer[2] = SettingType::UINT32;  // a 4-byte value with 2 bytes left
    tree.LoadSettings(reinterpret_cast<SettingDescriptor*>(buffer.data()), buffer.data() + 8,
                      buffer.data() + buffer.size());
    EXPECT_EQ(tree.Nodes().size(), 1u);
    EXPECT_EQ(capture.Count(kShort), 2);
}

TEST_F(EasyTreeLoad, MyGroupIsHiddenAndItsValuesStandAtTheTop) {
    SettingsBlockBuilder block;
    block.Add(0x10, 17, SettingType::UINT8, {1})
        .Add(0x10, 18, SettingType::UINT8, {2})
        .Add(0x20, 34, SettingType::UINT8, {3});
    Load(block.Table(), block.Values());
    EXPECT_EQ(Texts(), QStringList({"SerialNumber = 1 ", "ModelNumber = 2 ", "Panel", "X = 3 "}));
    EXPECT_EQ(widget.topLevelItemCount(), 3);
    EXPECT_TRUE(tree.tvCheckStructure()) << "4 nodes for 5 records";
}

TEST_F(EasyTreeLoad, LooseValuesAndTagsOfALongerList) {
    const TEasyTreeNode loose[] = {Value("a", 1), Value("b", 2), Group("G"), Value("c", 3)};
    tree.SetNodes(loose, 4);
    ASSERT_EQ(widget.topLevelItemCount(), 2) << "a value with no group takes the next ones";
    EXPECT_EQ(widget.topLevelItem(0)->child(0)->text(0), "b = 2 ");

    // Three nodes from four records, then three records: the counts agree, the
    // last tag (3) does not, so the tree is rebuilt instead of reading past the list.
    const TEasyTreeNode hidden[] = {Group("My"), Value("a", 1), Group("G"), Value("b", 2)};
    tree.SetNodes(hidden, 4);
    const TEasyTreeNode after[] = {Group("G"), Value("a", 1), Value("b", 2)};
    tree.SetNodes(after, 3);
    EXPECT_EQ(Texts(), QStringList({"G", "a = 1 ", "b = 2 "}));
}

TEST_F(EasyTreeLoad, SameStructureKeepsExpansionAndSelection) {
    SettingsBlockBuilder block;
    block.Add(0x20, 34, SettingType::UINT8, {1}).Add(0x30, 35, SettingType::UINT8, {2});
    SettingDescriptor* table = block.Table();
    Load(table, block.Values());
    widget.topLevelItem(1)->setExpanded(true);
    QTreeWidgetItem* selected = Select("Y = 2 ");
    block.Values()[1] = 9;
    Load(table, block.Values());
    EXPECT_EQ(widget.currentItem(), selected);
    EXPECT_TRUE(widget.topLevelItem(1)->isExpanded());
    EXPECT_EQ(selected->text(0), "Y = 9 ");

    block.Add(0x40, 35, SettingType::UINT8, {3});
    Load(block.Table(), block.Values());
    EXPECT_EQ(widget.topLevelItemCount(), 3);
    EXPECT_FALSE(widget.topLevelItem(1)->isExpanded()) << "another structure: rebuilt";
}

TEST_F(EasyTreeLoad, ARenamedGroupRebuildsTheTree) {
    TraceCapture capture;
    const TEasyTreeNode before[] = {Group("A"), Value("v", 1)};
    tree.SetNodes(before, 2);
    widget.topLevelItem(0)->setExpanded(true);
    const TEasyTreeNode after[] = {Group("B"), Value("v", 2)};
    tree.SetNodes(after, 2);
    EXPECT_EQ(capture.Count("!INFO! - tvCheckStructure: parent text fields are NOT equal"), 1);
    EXPECT_EQ(Texts(), QStringList({"B", "v = 2 "}));
    EXPECT_FALSE(widget.topLevelItem(0)->isExpanded());
}
