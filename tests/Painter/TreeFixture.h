#pragma once
// A tree widget with a TEasyTree over it, and what its edit callback received.

#include <gtest/gtest.h>

#include <QLocale>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "Painter/EasyTreeView.h"

struct EditCall {
    std::string group;
    std::string setting;
    std::array<uint8_t, 4> value;
};

class TreeFixture : public ::testing::Test {
protected:
    static constexpr int kUserData = 7;

    TreeFixture() {
        QLocale::setDefault(QLocale::c());
        tree.SetNotify(true);
        tree.SetCallback(
            [this](int userData, const char* group, const char* setting, const uint8_t* value) {
                EXPECT_EQ(userData, kUserData);
                calls.push_back({group, setting, {value[0], value[1], value[2], value[3]}});
                return 0;
            });
    }
    ~TreeFixture() override { QLocale::setDefault(QLocale::c()); }

    // Every node's text, top to bottom, children after their parent.
    QStringList Texts() {
        QStringList texts;
        for (QTreeWidgetItemIterator it(&widget); *it != nullptr; ++it) {
            texts << (*it)->text(0);
        }
        return texts;
    }

    void Load(SettingDescriptor* table, uint8_t* values) {
        tree.LoadSettings(table, values);
        tree.Refresh();
    }

    // Selects the first node with this text.
    QTreeWidgetItem* Select(const QString& text) {
        for (QTreeWidgetItemIterator it(&widget); *it != nullptr; ++it) {
            if ((*it)->text(0) == text) {
                widget.setCurrentItem(*it);
                return *it;
            }
        }
        ADD_FAILURE() << "no node " << text.toStdString();
        return nullptr;
    }

    QTreeWidget widget;
    TEasyTree tree{&widget, true, kUserData};
    std::vector<EditCall> calls;
};
