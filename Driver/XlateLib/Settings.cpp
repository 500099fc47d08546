#include "Driver/XlateLib/Settings.h"

#include <cstring>

#include "lib/Trace.h"

namespace {

// An absent value area stays absent: no address is made up from an offset.
uint8_t* AddressInValues(uint8_t* values, size_t offset) {
    return values != nullptr ? values + offset : nullptr;
}

// Index of the first entry equal to name, or -1.
int FirstNameIndex(const char* const* names, int count, const char* name) {
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(names[i], name) == 0) {
            return i;
        }
    }
    return -1;
}

}  // namespace

int settingsTypeWidth(uint8_t typeCode) {
    switch (typeCode) {
        case SettingType::UINT8:
        case SettingType::SINT8:
            return 1;
        case SettingType::UINT16:
        case SettingType::SINT16:
            return 2;
        case SettingType::UINT32:
        case SettingType::SINT32:
        case SettingType::FLOAT:
            return 4;
        default:
            return 0;
    }
}

int settingsTypeSize(uint8_t typeCode) {
    const int width = settingsTypeWidth(typeCode);
    if (width == 0) {
        TraceError("Unsupported data type.", __FILE__, __LINE__);
    }
    return width;
}

int settingsFindByIds(const SettingDescriptor* table, uint8_t* values, int parentId, int childId,
                      uint8_t** valueAddress) {
    if (table == nullptr) {
        return -1;
    }
    size_t offset = 0;
    for (int position = 0; position < kMaxSettingsLookup; ++position) {
        const SettingDescriptor& descriptor = table[position];
        if (descriptor.typeCode == 0) {
            TraceWarning("Parent/Child id pair not found", __FILE__, __LINE__);
            return -1;
        }
        if (descriptor.childId == childId && descriptor.parentId == parentId) {
            if (valueAddress != nullptr) {
                *valueAddress = AddressInValues(values, offset);
            }
            return position;
        }
        offset += static_cast<size_t>(settingsTypeSize(descriptor.typeCode));
    }
    return -1;
}

int settingsFindByNames(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                        const char* settingName, uint8_t** valueAddress) {
    if (valueAddress != nullptr) {
        *valueAddress = nullptr;
    }
    if (groupName == nullptr || settingName == nullptr) {
        return -1;
    }
    const int group = FirstNameIndex(parentNames, kParentNameCount, groupName);
    if (group < 0) {
        return -1;
    }
    const int setting = FirstNameIndex(childNames, kChildNameCount, settingName);
    if (setting < 0) {
        return -1;
    }
    return settingsFindByIds(table, values, group * 16, setting, valueAddress);
}

uint8_t* settingsValueAt(const SettingDescriptor* table, unsigned count, uint8_t* values, int n) {
    if (table == nullptr || n < 0 || static_cast<unsigned>(n) >= count) {
        return nullptr;
    }
    size_t offset = 0;
    for (int position = 0; position < n; ++position) {
        offset += static_cast<size_t>(settingsTypeSize(table[position].typeCode));
    }
    return AddressInValues(values, offset);
}
