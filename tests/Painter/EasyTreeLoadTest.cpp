// Building the node list from a settings block and mirroring it into the tree widget.

#include <gtest/gtest.h>

#include "tests/Painter/TreeFixture.h"
#include "tests/support/SettingsBlock.h"
#include "tests/support/TraceCapture.h"

namespace {

QStringList Strings(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts) {
        list << QString::fromUtf8(text);
    }
    return list;
}

TEasyTreeNode Value(const char* name, int64_t value) {
    return TEasyTreeNode{name, "", 1, SettingType::SINT32, value, 0.0f, true, nullptr};
}

TEasyTreeNode Group(const char* name) {
    return TEasyTreeNode{name, "", 0, 0, 0, 0.0f, false, nullptr};
}

}  // namespace

using EasyTreeLoad = TreeFixture;

TEST_F(EasyTreeLoad, NewTreeShowsTheDemoListCollapsed) {
    EXPECT_EQ(TopLevelTexts(), Strings({"PANEL", "CAM0", "CAM1"}));
    for (int i = 0; i < widget.topLevelItemCount(); ++i) {
        EXPECT_FALSE(widget.topLevelItem(i)->isExpanded());
    }
    EXPECT_EQ(Texts(), Strings({"PANEL", "WIDTH = 2395.000 mm", "HEIGHT = 1123.000 mm", "CAM0",
                                "X = 0 mm", "Y = -65 mm", "CAM1", "X = 0 mm", "Y = -65 mm"}));
    EXPECT_TRUE(widget.isHeaderHidden());
}

TEST_F(EasyTreeLoad, GroupsAndValuesOfEveryType) {
    SettingsBlock block;
    block.Add(0x20, 17, SettingType::UINT8, {0xFF})
        .Add(0x20, 5, SettingType::SINT8, {0xFF})
        .Add(0x21, 18, SettingType::UINT16, {0x01, 0x02})
        .Add(0x21, 19, SettingType::SINT16, {0xFF, 0xFE})
        .Add(0x30, 200, SettingType::UINT32, {0x80, 0, 0, 1})
        .Add(0x30, 20, SettingType::SINT32, {0xFF, 0xFF, 0xFF, 0xFE})
        .Add(0x30, 21, 9, {})
        .Add(0x30, 22, SettingType::FLOAT, {0x40, 0x49, 0x0F, 0xD0});
    Load(block.Table(), block.Values());

    // 0x20 and 0x21 share a name but are separate groups; a childId below 17
    // has no name; one past the table says so.
    EXPECT_EQ(Texts(),
              Strings({"Panel", "SerialNumber = 255 ", " = -1 ", "Panel", "ModelNumber = 258 ",
                       "FirmwareVersion = -2 ", "CAM0", "Unknown_200 = 2147483649 ",
                       "FactoryDate = -2 ", "ReworkDate", "ReworkCount = 3.142 "}));
    EXPECT_EQ(TopLevelTexts(), Strings({"Panel", "Panel", "CAM0"}));

    const std::vector<TEasyTreeNode>& nodes = tree.Nodes();
    ASSERT_EQ(nodes.size(), 11u);
    uint8_t* values = block.Values();
    const std::vector<uint8_t*> expectedPtrs = {nullptr,     values,     values + 1, nullptr,
                                                values + 2,  values + 4, nullptr,    values + 6,
                                                values + 10, nullptr,    values + 14};
    for (size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(nodes[i].valuePtr, expectedPtrs[i]) << i;
        EXPECT_EQ(nodes[i].editable, nodes[i].level > 0) << i;
    }
    EXPECT_EQ(nodes[9].type, 9) << "an unknown type is kept, its value not read";
}

TEST_F(EasyTreeLoad, WithoutSwappingValuesAreReadInHostOrder) {
    QTreeWidget otherWidget;
    TEasyTree hostOrder(&otherWidget, false, 0);
    SettingsBlock block;
    block.Add(0x20, 18, SettingType::UINT16, {0x01, 0x02});
    hostOrder.LoadSettings(block.Table(), block.Values());
    ASSERT_EQ(hostOrder.Nodes().size(), 2u);
    EXPECT_EQ(hostOrder.Nodes()[1].intValue, 0x0201);
}

TEST_F(EasyTreeLoad, TheTableEndsAtTypeCodeOrFlagsZero) {
    SettingsBlock empty;
    tree.LoadSettings(empty.Table(), empty.Values());
    ASSERT_EQ(tree.Nodes().size(), 1u) << "a zero first descriptor still gives its group";
    EXPECT_EQ(tree.Nodes()[0].level, 0);

    SettingsBlock flagged;
    flagged.Add(0x20, 17, SettingType::UINT8, {1})
        .Add(0x20, 18, SettingType::UINT8, {2}, /*flags=*/0)
        .Add(0x20, 19, SettingType::UINT8, {3});
    tree.LoadSettings(flagged.Table(), flagged.Values());
    EXPECT_EQ(tree.Nodes().size(), 2u);
}

TEST_F(EasyTreeLoad, NoMoreThan1001RecordsFromABlock) {
    TraceCapture capture;
    const auto build = [](int settings) {
        SettingsBlock block;
        for (int i = 0; i < settings; ++i) {
            block.Add(0x20, 17, SettingType::UINT8, {static_cast<uint8_t>(i)});
        }
        return block;
    };
    SettingsBlock fits = build(MAX_TV_SIZE);
    tree.LoadSettings(fits.Table(), fits.Values());
    EXPECT_EQ(tree.Nodes().size(), 1001u);
    EXPECT_FALSE(capture.Contains("MAX_TV_SIZE Exceeded"));

    SettingsBlock tooLong = build(MAX_TV_SIZE + 5);
    tree.LoadSettings(tooLong.Table(), tooLong.Values());
    EXPECT_EQ(tree.Nodes().size(), 1001u);
    EXPECT_EQ(capture.Count("!ERROR! - MAX_TV_SIZE Exceeded"), 1);
    tree.Refresh();
    EXPECT_EQ(Texts().size(), 1001);
}

TEST_F(EasyTreeLoad, NothingIsReadPastTheEndOfTheBlock) {
    TraceCapture capture;
    const char* const kShort = "!ERROR! - Settings block ends inside its descriptor table";
    // Two descriptors without a terminator, then two value bytes: the buffer
    // ends before a third descriptor could be read.
    std::vector<uint8_t> buffer = {0x20, 17, 1, 1, 0x20, 18, 1, 1, 5, 6};
    auto* table = reinterpret_cast<SettingDescriptor*>(buffer.data());
    tree.LoadSettings(table, buffer.data() + 8, buffer.data() + buffer.size());
    EXPECT_EQ(tree.Nodes().size(), 3u);
    EXPECT_EQ(tree.Nodes()[2].intValue, 6);
    EXPECT_EQ(capture.Count(kShort), 1);

    // A 4-byte value with only two bytes left in the buffer.
    std::vector<uint8_t> shortValue = {0x20, 17, 3, 1, 0, 0, 0, 0, 5, 6};
    table = reinterpret_cast<SettingDescriptor*>(shortValue.data());
    tree.LoadSettings(table, shortValue.data() + 8, shortValue.data() + shortValue.size());
    EXPECT_EQ(tree.Nodes().size(), 1u) << "the group, not the value";
    EXPECT_EQ(capture.Count(kShort), 2);

    tree.LoadSettings(nullptr, nullptr);
    EXPECT_TRUE(tree.Nodes().empty());
}

TEST_F(EasyTreeLoad, MyGroupIsHiddenAndItsValuesStandAtTheTop) {
    SettingsBlock block;
    block.Add(0x10, 17, SettingType::UINT8, {1})
        .Add(0x10, 18, SettingType::UINT8, {2})
        .Add(0x20, 34, SettingType::UINT8, {3});
    Load(block.Table(), block.Values());
    EXPECT_EQ(tree.Nodes().size(), 5u);
    EXPECT_EQ(TopLevelTexts(), Strings({"SerialNumber = 1 ", "ModelNumber = 2 ", "Panel"}));
    EXPECT_EQ(Texts().size(), 4);
    EXPECT_EQ(widget.topLevelItem(2)->child(0)->text(0), "X = 3 ");
    EXPECT_TRUE(tree.tvCheckStructure()) << "4 nodes for 5 records";
}

TEST_F(EasyTreeLoad, AValueWithoutAGroupTakesTheNextValuesAsChildren) {
    const TEasyTreeNode records[] = {Value("a", 1), Value("b", 2), Group("G"), Value("c", 3)};
    tree.SetNodes(records, 4);
    EXPECT_EQ(TopLevelTexts(), Strings({"a = 1 ", "G"}));
    EXPECT_EQ(widget.topLevelItem(0)->child(0)->text(0), "b = 2 ");
    EXPECT_EQ(widget.topLevelItem(1)->child(0)->text(0), "c = 3 ");
}

TEST_F(EasyTreeLoad, SameStructureKeepsExpansionAndSelection) {
    SettingsBlock block;
    block.Add(0x20, 34, SettingType::UINT8, {1}).Add(0x30, 35, SettingType::UINT8, {2});
    SettingDescriptor* table = block.Table();
    Load(table, block.Values());
    widget.topLevelItem(1)->setExpanded(true);
    QTreeWidgetItem* selected = Select("Y = 2 ");

    block.Values()[1] = 9;
    Load(table, block.Values());
    EXPECT_EQ(widget.currentItem(), selected) << "the same node object, not a rebuilt one";
    EXPECT_TRUE(widget.topLevelItem(1)->isExpanded());
    EXPECT_EQ(selected->text(0), "Y = 9 ");

    SettingsBlock more;
    more.Add(0x20, 34, SettingType::UINT8, {1})
        .Add(0x30, 35, SettingType::UINT8, {2})
        .Add(0x40, 35, SettingType::UINT8, {3});
    Load(more.Table(), more.Values());
    EXPECT_EQ(TopLevelTexts(), Strings({"Panel", "CAM0", "CAM1"}));
    for (int i = 0; i < widget.topLevelItemCount(); ++i) {
        EXPECT_FALSE(widget.topLevelItem(i)->isExpanded()) << i;
    }
}

TEST_F(EasyTreeLoad, ARenamedGroupRebuildsTheTree) {
    TraceCapture capture;
    const TEasyTreeNode before[] = {Group("A"), Value("v", 1)};
    tree.SetNodes(before, 2);
    widget.topLevelItem(0)->setExpanded(true);
    const TEasyTreeNode after[] = {Group("B"), Value("v", 2)};
    tree.SetNodes(after, 2);
    EXPECT_EQ(capture.Count("!INFO! - tvCheckStructure: parent text fields are NOT equal"), 1);
    EXPECT_EQ(Texts(), Strings({"B", "v = 2 "}));
    EXPECT_FALSE(widget.topLevelItem(0)->isExpanded());
}

TEST_F(EasyTreeLoad, TagsOfALongerListNeverReachPastTheRecords) {
    // Three shown nodes from four records (one hidden group), then three
    // records and no hidden group: the counts agree, the last tag does not.
    const TEasyTreeNode before[] = {Group("My"), Value("a", 1), Group("G"), Value("b", 2)};
    tree.SetNodes(before, 4);
    ASSERT_EQ(Texts().size(), 3);
    const TEasyTreeNode after[] = {Group("G"), Value("a", 1), Value("b", 2)};
    tree.SetNodes(after, 3);
    EXPECT_EQ(Texts(), Strings({"G", "a = 1 ", "b = 2 "}));
}
