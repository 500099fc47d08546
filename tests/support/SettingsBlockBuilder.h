#pragma once
// Builds a settings block (descriptor table + packed values) for tests. The
// value area is exactly as long as the values added, so that a sanitizer build
// catches any read or write past it.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "Driver/XlateLib/Settings.h"

class SettingsBlockBuilder {
public:
    // A setting with its value bytes as the block holds them (device order).
    SettingsBlockBuilder& Add(uint8_t parentId, uint8_t childId, uint8_t typeCode,
                              std::initializer_list<uint8_t> valueBytes, uint8_t flags = 1) {
        descriptors_.push_back({parentId, childId, typeCode, flags});
        values_.insert(values_.end(), valueBytes);
        return *this;
    }

    // The table is closed by an all-zero descriptor unless Unterminated() was called.
    SettingsBlockBuilder& Unterminated() {
        terminated_ = false;
        return *this;
    }

    SettingDescriptor* Table() {
        table_ = descriptors_;
        if (terminated_) {
            table_.push_back({0, 0, 0, 0});
        }
        return table_.data();
    }
    uint8_t* Values() { return values_.data(); }
    std::vector<uint8_t>& ValueBytes() { return values_; }

private:
    std::vector<SettingDescriptor> descriptors_;
    std::vector<SettingDescriptor> table_;
    std::vector<uint8_t> values_;
    bool terminated_ = true;
};
