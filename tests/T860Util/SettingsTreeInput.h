#pragma once
// Reading and editing the settings view's trees as a user does.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

// Every node's text, top to bottom.
inline QStringList Texts(QTreeWidget* tree) {
    QStringList texts;
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
        texts << (*it)->text(0);
    }
    return texts;
}

// Edits the node showing `node` through the keyboard: F2, the new text, Return.
inline void EditNode(QTreeWidget* tree, const QString& node, const QString& text) {
    tree->expandAll();
    QTreeWidgetItem* item = nullptr;
    for (QTreeWidgetItemIterator it(tree); *it != nullptr && item == nullptr; ++it) {
        item = (*it)->text(0) == node ? *it : nullptr;
    }
    ASSERT_NE(item, nullptr) << node.toStdString();
    tree->setCurrentItem(item);
    QTest::keyClick(tree, Qt::Key_F2);
    auto* editor = tree->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits once the key is handled
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
