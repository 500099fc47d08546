// Editing values: parsing, storing into the block, notifying the owner, and the
// tree widget events that start and end an edit.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "tests/Painter/TreeFixture.h"
#include "tests/support/SettingsBlock.h"
#include "tests/support/TraceCapture.h"

namespace {

// Panel: SerialNumber (UINT8), ModelNumber (UINT16), FirmwareVersion (UINT32),
// FactoryDate (FLOAT).
class EasyTreeEdit : public TreeFixture {
protected:
    EasyTreeEdit() {
        block.Add(0x20, 17, SettingType::UINT8, {0})
            .Add(0x20, 18, SettingType::UINT16, {0, 0})
            .Add(0x20, 19, SettingType::UINT32, {0, 0, 0, 0})
            .Add(0x20, 20, SettingType::FLOAT, {0, 0, 0, 0});
        Load(block.Table(), block.Values());
        widget.expandAll();
    }

    // Commits text on the node that shows `node`, as an accepted label edit of
    // the selected node does; returns what the node is left showing.
    QString Commit(const QString& node, const QString& text) {
        Select(node);
        QString edited = text;
        tree.CommitEdit(edited);
        return edited;
    }

    std::vector<uint8_t> Bytes(size_t offset, size_t count) {
        return std::vector<uint8_t>(block.Values() + offset, block.Values() + offset + count);
    }

    QLineEdit* OpenEditor() { return widget.findChild<QLineEdit*>(); }

    void Show() {
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }

    SettingsBlock block;
};

void DeleteClosedEditors() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

TEST_F(EasyTreeEdit, IntegersAreCutToTheirWidthAndStoredInDeviceOrder) {
    EXPECT_EQ(Commit("SerialNumber = 0 ", "300"), "300") << "the node shows what was parsed";
    EXPECT_EQ(Bytes(0, 1), std::vector<uint8_t>{0x2C});
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].userData, kUserData);
    EXPECT_EQ(calls[0].group, "Panel");
    EXPECT_EQ(calls[0].setting, "SerialNumber");
    EXPECT_EQ(calls[0].value[0], 44);

    Commit("ModelNumber = 0 ", "-1");
    EXPECT_EQ(Bytes(1, 2), (std::vector<uint8_t>{0xFF, 0xFF}));
    Commit("FirmwareVersion = 0 ", "16909060");
    EXPECT_EQ(Bytes(3, 4), (std::vector<uint8_t>{0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(calls.back().value, (std::array<uint8_t, 4>{0x01, 0x02, 0x03, 0x04}));

    tree.LoadSettings(block.Table(), block.Values());
    tree.Refresh();
    EXPECT_EQ(Texts()[1], "SerialNumber = 44 ") << "rebuilt from the block, the cut value";
    EXPECT_EQ(Texts()[2], "ModelNumber = 65535 ");
}

TEST_F(EasyTreeEdit, TextThatIsNoNumberStoresZero) {
    block.Values()[1] = 0x12;
    block.Values()[2] = 0x34;
    EXPECT_EQ(Commit("ModelNumber = 0 ", "abc"), "0");
    EXPECT_EQ(Bytes(1, 2), (std::vector<uint8_t>{0, 0}));
    ASSERT_EQ(calls.size(), 1u) << "reported like any other value";
    EXPECT_EQ(calls[0].value[0], 0);
}

TEST_F(EasyTreeEdit, FloatsShowThreeDecimalsAndAreStoredBigEndian) {
    EXPECT_EQ(Commit("FactoryDate = 0.000 ", "3.14159"), "3.142");
    EXPECT_EQ(Bytes(7, 4), (std::vector<uint8_t>{0x40, 0x49, 0x0F, 0xD0}));
    EXPECT_EQ(calls.back().value, (std::array<uint8_t, 4>{0x40, 0x49, 0x0F, 0xD0}));

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QString text = "2,5";
    tree.CommitEdit(text);
    EXPECT_EQ(text, "2,500");
    EXPECT_EQ(Bytes(7, 4), (std::vector<uint8_t>{0x40, 0x20, 0x00, 0x00}));
}

TEST_F(EasyTreeEdit, WithoutSwappingValuesAreStoredInHostOrder) {
    QTreeWidget otherWidget;
    TEasyTree hostOrder(&otherWidget, false, 0);
    hostOrder.LoadSettings(block.Table(), block.Values());
    hostOrder.Refresh();
    otherWidget.setCurrentItem(otherWidget.topLevelItem(0)->child(1));
    QString text = "258";
    hostOrder.CommitEdit(text);
    EXPECT_EQ(Bytes(1, 2), (std::vector<uint8_t>{0x02, 0x01}));
}

TEST_F(EasyTreeEdit, TheCallbackNamesTheGroupFoundWalkingBack) {
    uint8_t first = 0;
    uint8_t second = 0;
    const TEasyTreeNode records[] = {
        {"loose", "", 1, SettingType::UINT8, 0, 0.0f, true, &first},
        {"G", "", 0, 0, 0, 0.0f, false, nullptr},
        {"a", "", 1, SettingType::SINT16, 0, 0.0f, true, nullptr},
        {"b", "", 1, SettingType::UINT8, 0, 0.0f, true, &second},
    };
    tree.SetNodes(records, 4);
    widget.expandAll();
    Commit("b = 0 ", "5");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].group, "G");
    EXPECT_EQ(calls[0].setting, "b");
    EXPECT_EQ(second, 5);

    Commit("loose = 0 ", "6");
    EXPECT_EQ(first, 6) << "stored though no group comes before it";
    EXPECT_EQ(calls.size(), 1u) << "and nobody to tell";
}

TEST_F(EasyTreeEdit, WithNotificationOffEditsAreStoredSilently) {
    tree.SetNotify(false);
    Commit("SerialNumber = 0 ", "12");
    EXPECT_EQ(block.Values()[0], 12);
    EXPECT_TRUE(calls.empty());
}

TEST_F(EasyTreeEdit, GroupsAndUnknownTypesHoldNothingToStore) {
    EXPECT_EQ(Commit("Panel", "renamed"), "Panel");
    SettingsBlock odd;
    odd.Add(0x20, 21, 9, {}).Add(0x20, 17, SettingType::UINT8, {7});
    Load(odd.Table(), odd.Values());
    widget.expandAll();
    EXPECT_EQ(Commit("ReworkDate", "5"), "ReworkDate");
    EXPECT_EQ(odd.Values()[0], 7);
    EXPECT_TRUE(calls.empty());
}

TEST_F(EasyTreeEdit, AnEditWithNoNodeOfTheListAsserts) {
    TraceCapture capture;
    widget.setCurrentItem(nullptr);
    QString text = "5";
    tree.CommitEdit(text);
    EXPECT_EQ(capture.Count("!ASSERT! EasyTreeView.cpp"), 1);
    EXPECT_EQ(text, "5");
    EXPECT_EQ(Bytes(0, 1), std::vector<uint8_t>{0});
    EXPECT_TRUE(calls.empty());
}

TEST_F(EasyTreeEdit, DoubleClickOpensTheEditorWithTheValueAlone) {
    Show();
    QTreeWidgetItem* node = Select("SerialNumber = 0 ");
    const QPoint centre = widget.visualItemRect(node).center();
    // A click first: the node is selected, so the widget has an edit of its
    // own pending when the double click comes.
    QTest::mouseClick(widget.viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseDClick(widget.viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QCoreApplication::processEvents();
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "0");
    EXPECT_EQ(node->text(0), "0");

    editor->setText("77");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits once it has seen the key
    EXPECT_EQ(block.Values()[0], 77);
    EXPECT_EQ(node->text(0), "77");
    ASSERT_EQ(calls.size(), 1u);

    widget.setCurrentItem(widget.topLevelItem(0));
    EXPECT_EQ(node->text(0), "SerialNumber = 77 ") << "leaving the node restores its display";
}

TEST_F(EasyTreeEdit, KeysStartEditsOfValuesOnly) {
    Show();
    TraceCapture capture;
    Select("Panel");
    QTest::keyClick(&widget, Qt::Key_F2);
    EXPECT_EQ(OpenEditor(), nullptr) << "a group is not editable";

    Select("ModelNumber = 0 ");
    QTest::keyClick(&widget, Qt::Key_F2);
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "0");
    QTest::keyClick(editor, Qt::Key_Escape);
    DeleteClosedEditors();
    ASSERT_EQ(OpenEditor(), nullptr);

    EXPECT_FALSE(capture.Contains("VK_RETURN && _editing"));
    QTest::keyPress(&widget, Qt::Key_Return);
    ASSERT_NE(OpenEditor(), nullptr) << "Enter goes down";
    EXPECT_EQ(capture.Count("!INFO! - VK_RETURN && _editing"), 1);
}

TEST_F(EasyTreeEdit, AnEditorOpenedByTheWidgetItselfHoldsTheValueAlone) {
    Show();
    block.Values()[0] = 42;
    Load(block.Table(), block.Values());
    QTreeWidgetItem* node = Select("SerialNumber = 42 ");
    widget.editItem(node);  // as a click on the selected node's label does
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "42");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(block.Values()[0], 42) << "accepting it unchanged keeps the value";
}

TEST_F(EasyTreeEdit, LeavingAnEditorForAnotherNodeCommitsToTheEditedOne) {
    Show();
    QTreeWidgetItem* edited = Select("SerialNumber = 0 ");
    tree.BeginEdit(edited);
    QLineEdit* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    editor->setText("9");
    QTreeWidgetItem* other = Select("ModelNumber = 0 ");
    EXPECT_EQ(block.Values()[0], 9);
    EXPECT_EQ(Bytes(1, 2), (std::vector<uint8_t>{0, 0}));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].setting, "SerialNumber");
    EXPECT_EQ(edited->text(0), "SerialNumber = 9 ");
    EXPECT_EQ(other->text(0), "ModelNumber = 0 ");
}

TEST_F(EasyTreeEdit, AClickSelectsTheNodeWhereTheMouseWentDown) {
    Show();
    QTreeWidgetItem* target = widget.topLevelItem(0)->child(2);
    const QPoint where = widget.visualItemRect(target).center();
    QTest::mousePress(widget.viewport(), Qt::LeftButton, Qt::NoModifier, where);
    widget.setCurrentItem(widget.topLevelItem(0));
    QTest::mouseRelease(widget.viewport(), Qt::LeftButton, Qt::NoModifier,
                        widget.visualItemRect(widget.topLevelItem(0)).center());
    EXPECT_EQ(widget.currentItem(), target);
}

TEST_F(EasyTreeEdit, DestroyingTheTreeObjectLeavesAWorkingWidget) {
    QTreeWidget alone;
    {
        TEasyTree temporary(&alone, true, 0);
        EXPECT_EQ(alone.topLevelItemCount(), 3);
    }
    alone.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&alone));
    alone.setCurrentItem(alone.topLevelItem(1));
    QTest::keyClick(&alone, Qt::Key_F2);
    QTest::mouseDClick(alone.viewport(), Qt::LeftButton, Qt::NoModifier,
                       alone.visualItemRect(alone.topLevelItem(1)).center());
    EXPECT_EQ(alone.topLevelItem(1)->text(0), "CAM0");
}
