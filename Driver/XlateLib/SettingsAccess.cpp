// Typed access to one value of a settings block.

#include <cstring>

#include "Driver/XlateLib/Settings.h"
#include "lib/Trace.h"

namespace {

// The type codes one accessor serves and the lines it writes when a setting is
// of another type.
struct Family {
    const char* name;
    int width;
    uint8_t unsignedCode;
    uint8_t signedCode;
    const char* requestMismatch;  // position, parent id, child id
    const char* setMismatch;      // position, group name, setting name
};

constexpr Family kInt8{
    "INT8",
    1,
    SettingType::UINT8,
    SettingType::SINT8,
    "Request INT8 of data that is not INT8 on device for setting[%d] %d, %d\n",
    "Set INT8 of data that is not INT8 on device for setting[%d] %s, %s ",
};
constexpr Family kInt16{
    "INT16",
    2,
    SettingType::UINT16,
    SettingType::SINT16,
    "Request INT16 of data that is not INT16 on device for setting[%d] %d, %d\n",
    "Set INT16 of data that is not INT16 on device for setting[%d] %s, %s\n",
};
constexpr Family kInt32{
    "INT32",
    4,
    SettingType::UINT32,
    SettingType::SINT32,
    "Request INT32 of data that is not INT32 on device for setting[%d] %d, %d\n",
    "Set INT32 of data that is not INT32 on device for setting[%d] %s, %s\n",
};
constexpr Family kFloat{
    "FLOAT",
    4,
    SettingType::FLOAT,
    SettingType::FLOAT,
    "Request FLOAT of data that is not FLOAT on device for setting[%d] %d, %d\n",
    "Set FLOAT of data that is not FLOAT on device for setting[%d] %s, %s\n",
};

const char* Shown(const char* name) {
    return name != nullptr ? name : "";
}

// Whether the family's bytes may be accessed at a setting of this type code.
// Another type is reported (traceMismatch) and still served when it is at
// least as wide; a narrower one is refused, because the access would reach
// into the settings that follow it.
template <typename TraceMismatch>
bool AccessAllowed(const Family& family, uint8_t typeCode, int position,
                   TraceMismatch traceMismatch) {
    if (typeCode == family.unsignedCode || typeCode == family.signedCode) {
        return true;
    }
    traceMismatch();
    const int width = settingsTypeSize(typeCode);
    if (width < family.width) {
        Trace("Refused %s access to setting[%d], which is %d bytes wide\n", family.name, position,
              width);
        return false;
    }
    return true;
}

int GetValue(const Family& family, const SettingDescriptor* table, void* value, uint8_t* values,
             int parentId, int childId) {
    uint8_t* address = nullptr;
    const int position = settingsFindByIds(table, values, parentId, childId, &address);
    if (position < 0) {
        return 0;
    }
    const bool allowed = AccessAllowed(family, table[position].typeCode, position, [&] {
        Trace(family.requestMismatch, position, parentId, childId);
    });
    if (!allowed) {
        return 0;
    }
    if (address == nullptr) {
        TraceWarning("index could not be found", __FILE__, __LINE__);
        return 0;
    }
    if (value != nullptr) {
        std::memcpy(value, address, static_cast<size_t>(family.width));
    }
    return 1;
}

template <typename TraceNotFound>
void SetValue(const Family& family, const SettingDescriptor* table, uint8_t* values,
              const char* groupName, const char* settingName, const void* bytes,
              TraceNotFound traceNotFound) {
    uint8_t* address = nullptr;
    const int position = settingsFindByNames(table, values, groupName, settingName, &address);
    if (address == nullptr) {
        traceNotFound();
        return;
    }
    const bool allowed = AccessAllowed(family, table[position].typeCode, position, [&] {
        Trace(family.setMismatch, position, groupName, settingName);
    });
    if (allowed) {
        std::memcpy(address, bytes, static_cast<size_t>(family.width));
    }
}

}  // namespace

int settingsGetInt8(const SettingDescriptor* table, uint8_t* value, uint8_t* values, int parentId,
                    int childId) {
    return GetValue(kInt8, table, value, values, parentId, childId);
}

int settingsGetInt16(const SettingDescriptor* table, uint16_t* value, uint8_t* values, int parentId,
                     int childId) {
    return GetValue(kInt16, table, value, values, parentId, childId);
}

int settingsGetInt32(const SettingDescriptor* table, uint32_t* value, uint8_t* values, int parentId,
                     int childId) {
    return GetValue(kInt32, table, value, values, parentId, childId);
}

int settingsGetFloat(const SettingDescriptor* table, float* value, uint8_t* values, int parentId,
                     int childId) {
    return GetValue(kFloat, table, value, values, parentId, childId);
}

void settingsSetInt8(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                     const char* settingName, int8_t value) {
    SetValue(kInt8, table, values, groupName, settingName, &value, [&] {
        Trace("Could not find setting %s, %s to set to %d. ", Shown(groupName), Shown(settingName),
              static_cast<uint8_t>(value));
    });
}

void settingsSetInt16(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                      const char* settingName, int16_t value) {
    SetValue(kInt16, table, values, groupName, settingName, &value, [&] {
        Trace("Could not find setting %s, %s to set to %d. ", Shown(groupName), Shown(settingName),
              static_cast<uint16_t>(value));
    });
}

void settingsSetInt32(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                      const char* settingName, int32_t value) {
    SetValue(kInt32, table, values, groupName, settingName, &value, [&] {
        Trace("Could not find setting %s, %s to set to %ld. ", Shown(groupName), Shown(settingName),
              static_cast<long>(value));
    });
}

void settingsSetFloat(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                      const char* settingName, float value) {
    SetValue(kFloat, table, values, groupName, settingName, &value, [&] {
        Trace("Could not find setting %s, %s to set to %f. ", Shown(groupName), Shown(settingName),
              static_cast<double>(value));
    });
}
