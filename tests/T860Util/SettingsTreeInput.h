#pragma once
// Reading and editing the settings view's trees as a user does, and running
// the window thread's events while waiting for the controller.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <chrono>
#include <functional>
#include <thread>

// Every node's text, top to bottom.
inline QStringList Texts(QTreeWidget* tree) {
    QStringList texts;
    for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it) {
        texts << (*it)->text(0);
    }
    return texts;
}

inline bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
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
