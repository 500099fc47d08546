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
    int userData;
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
                EditCall call{userData, group, setting, {}};
                std::memcpy(call.value.data(), value, 4);
                calls.push_back(call);
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

    QStringList TopLevelTexts() {
        QStringList texts;
        for (int i = 0; i < widget.topLevelItemCount(); ++i) {
            texts << widget.topLevelItem(i)->text(0);
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
