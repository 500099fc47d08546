// Editing values: parsing, storing into the block, notifying the owner, and the
// widget events that start and end an edit.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "tests/Painter/TreeFixture.h"
#include "tests/support/SettingsBlockBuilder.h"
#include "tests/support/TraceCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Panel: SerialNumber UINT8, ModelNumber UINT16, FirmwareVersion UINT32, FactoryDate FLOAT.
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

    // Accepts text for the node showing `node`; returns what the node then shows.
    QString Commit(const QString& node, QString text) {
        Select(node);
        tree.CommitEdit(text);
        return text;
    }

    Bytes At(size_t offset, size_t count) {
        return Bytes(block.Values() + offset, block.Values() + offset + count);
    }

    QLineEdit* Editor() { return widget.findChild<QLineEdit*>(); }

    void Show() {
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }

    SettingsBlockBuilder block;
};

}  // namespace

TEST_F(EasyTreeEdit, IntegersAreCutToTheirWidthAndStoredInDeviceOrder) {
    EXPECT_EQ(Commit("SerialNumber = 0 ", "300"), "300") << "the node shows what was parsed";
    EXPECT_EQ(At(0, 1), Bytes{0x2C});
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].group, "Panel");
    EXPECT_EQ(calls[0].setting, "SerialNumber");
    EXPECT_EQ(calls[0].value[0], 44);
    Commit("ModelNumber = 0 ", "-1");
    EXPECT_EQ(At(1, 2), (Bytes{0xFF, 0xFF}));
    Commit("FirmwareVersion = 0 ", "16909060");
    EXPECT_EQ(At(3, 4), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(calls.back().value, (std::array<uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(Commit("ModelNumber = -1 ", "abc"), "0");
    EXPECT_EQ(At(1, 2), (Bytes{0, 0}));
    EXPECT_EQ(calls.size(), 4u) << "invalid text is stored and reported as 0";

    QTreeWidget otherWidget;
    TEasyTree hostOrder(&otherWidget, false, 0);
    hostOrder.LoadSettings(block.Table(), block.Values());
    hostOrder.Refresh();
    otherWidget.setCurrentItem(otherWidget.topLevelItem(0)->child(1));
    QString text = "258";
    hostOrder.CommitEdit(text);
    EXPECT_EQ(At(1, 2), (Bytes{0x02, 0x01})) << "no swapping: host order";
}

TEST_F(EasyTreeEdit, FloatsShowThreeDecimalsAndAreStoredBigEndian) {
    EXPECT_EQ(Commit("FactoryDate = 0.000 ", "3.14159"), "3.142");
    EXPECT_EQ(At(7, 4), (Bytes{0x40, 0x49, 0x0F, 0xD0}));
    EXPECT_EQ(calls.back().value, (std::array<uint8_t, 4>{0x40, 0x49, 0x0F, 0xD0}));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    QString text = "2,5";
    tree.CommitEdit(text);
    EXPECT_EQ(text, "2,500");
    EXPECT_EQ(At(7, 4), (Bytes{0x40, 0x20, 0, 0}));
}

TEST_F(EasyTreeEdit, WhoIsTold) {
    TraceCapture capture;
    uint8_t loose = 0;
    const TEasyTreeNode records[] = {
        {"loose", "", 1, SettingType::UINT8, 0, 0.0f, true, &loose},
        {"G", "", 0, 0, 0, 0.0f, false, nullptr},
        {"b", "", 1, SettingType::UINT8, 0, 0.0f, true, nullptr},
        {"odd", "", 1, 9, 0, 0.0f, true, nullptr},
    };
    tree.SetNodes(records, 4);
    widget.expandAll();
    Commit("b = 0 ", "5");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].group, "G") << "found walking back";
    Commit("loose = 0 ", "6");
    EXPECT_EQ(loose, 6) << "stored though no group comes before it";
    EXPECT_EQ(Commit("odd", "7"), "odd");
    EXPECT_EQ(Commit("G", "renamed"), "G");
    EXPECT_EQ(calls.size(), 1u) << "no group, unknown type, group: nobody told";

    tree.SetNotify(false);
    Commit("b = 5 ", "8");
    EXPECT_EQ(calls.size(), 1u);
    widget.setCurrentItem(nullptr);
    QString text = "9";
    tree.CommitEdit(text);
    EXPECT_EQ(capture.Count("!ASSERT! EasyTreeView.cpp"), 1) << "no node, no record";
}

TEST_F(EasyTreeEdit, DoubleClickEditsTheValueAlone) {
    Show();
    QTreeWidgetItem* node = Select("SerialNumber = 0 ");
    const QPoint centre = widget.visualItemRect(node).center();
    // The click on the selected node leaves the widget an edit of its own pending.
    QTest::mouseClick(widget.viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QTest::mouseDClick(widget.viewport(), Qt::LeftButton, Qt::NoModifier, centre);
    QCoreApplication::processEvents();
    QLineEdit* editor = Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "0");
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
    EXPECT_EQ(Editor(), nullptr);
    Select("ModelNumber = 0 ");
    QTest::keyClick(&widget, Qt::Key_F2);
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), "0");
    QTest::keyClick(Editor(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(Editor(), nullptr);
    EXPECT_FALSE(capture.Contains("VK_RETURN && _editing"));
    QTest::keyPress(&widget, Qt::Key_Return);
    EXPECT_NE(Editor(), nullptr) << "Enter on key down";
    EXPECT_EQ(capture.Count("!INFO! - VK_RETURN && _editing"), 1);
}

TEST_F(EasyTreeEdit, AnEditorOpenedByTheWidgetItselfHoldsTheValueAlone) {
    Show();
    block.Values()[0] = 42;
    Load(block.Table(), block.Values());
    widget.editItem(Select("SerialNumber = 42 "));  // as a click on the selected label does
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Editor()->text(), "42");
    QTest::keyClick(Editor(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(block.Values()[0], 42) << "accepted unchanged, the value stays";
}

TEST_F(EasyTreeEdit, LeavingAnEditorForAnotherNodeCommitsToTheEditedOne) {
    Show();
    QTreeWidgetItem* edited = Select("SerialNumber = 0 ");
    tree.BeginEdit(edited);
    ASSERT_NE(Editor(), nullptr);
    Editor()->setText("9");
    QTreeWidgetItem* other = Select("ModelNumber = 0 ");
    EXPECT_EQ(block.Values()[0], 9);
    EXPECT_EQ(At(1, 2), (Bytes{0, 0}));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].setting, "SerialNumber");
    EXPECT_EQ(edited->text(0), "SerialNumber = 9 ");
    EXPECT_EQ(other->text(0), "ModelNumber = 0 ");
}

TEST_F(EasyTreeEdit, AClickSelectsTheNodeWhereTheMouseWentDown) {
    Show();
    QTreeWidgetItem* target = widget.topLevelItem(0)->child(2);
    QTest::mousePress(widget.viewport(), Qt::LeftButton, Qt::NoModifier,
                      widget.visualItemRect(target).center());
    widget.setCurrentItem(widget.topLevelItem(0));
    QTest::mouseRelease(widget.viewport(), Qt::LeftButton, Qt::NoModifier,
                        widget.visualItemRect(widget.topLevelItem(0)).center());
    EXPECT_EQ(widget.currentItem(), target);
}

TEST(EasyTreeLifetime, TheWidgetOutlivesTheTreeObject) {
    QTreeWidget alone;
    { TEasyTree temporary(&alone, true, 0); }
    alone.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&alone));
    alone.setCurrentItem(alone.topLevelItem(1));
    QTest::keyClick(&alone, Qt::Key_F2);
    QTest::mouseDClick(alone.viewport(), Qt::LeftButton, Qt::NoModifier,
                       alone.visualItemRect(alone.topLevelItem(1)).center());
    QCoreApplication::processEvents();
    EXPECT_EQ(alone.topLevelItem(1)->text(0), "CAM0");
}
