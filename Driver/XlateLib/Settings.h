#pragma once
// The settings catalogue: names for the group and setting ids of a settings
// block, the widths of its type codes, lookups of a setting's descriptor
// position and value address, and typed access to one value.
//
// A settings block is a descriptor table (closed by a descriptor whose type
// code is 0) followed by the packed values in descriptor order. The catalogue
// never copies a block and holds no state besides its constant name tables:
// every operation works on a table and a value area that the caller owns and
// guards. Values are read and written exactly as the block holds them (the
// controller's big-endian order); converting them is the caller's business.

#include <cstdint>
#include <string>

// Type codes of a descriptor. Kept in a namespace of their own because the bare
// names are common type names on some platforms.
namespace SettingType {
constexpr uint8_t UINT8 = 1;
constexpr uint8_t UINT16 = 2;
constexpr uint8_t UINT32 = 3;
constexpr uint8_t SINT8 = 4;
constexpr uint8_t SINT16 = 5;
constexpr uint8_t SINT32 = 6;
constexpr uint8_t FLOAT = 7;
}  // namespace SettingType

struct SettingDescriptor {
    uint8_t parentId;  // 16 times the group's index in parentNames
    uint8_t childId;   // index of the setting's name in childNames
    uint8_t typeCode;  // 0 closes the table
    uint8_t flags;
};
static_assert(sizeof(SettingDescriptor) == 4, "descriptors are packed 4-byte records");

constexpr int kParentNameCount = 17;
constexpr int kChildNameCount = 148;
// Lookups by ids never look at more descriptors than this.
constexpr int kMaxSettingsLookup = 200;

// Indexed by parentId / 16.
extern const char* const parentNames[kParentNameCount];
// Indexed by childId; ids from kChildNameCount on have no entry (see settingsChildName).
extern const char* const childNames[kChildNameCount];

// The name of a setting id. An id past the table gets a name that says it has
// none ("Unknown_150"), so that a controller with newer ids never makes us read
// past the table.
std::string settingsChildName(int childId);

// Width in bytes of a type code; 0 (with an error trace) for an unsupported one.
int settingsTypeSize(uint8_t typeCode);
// The same without the trace, for callers that check codes they were sent.
int settingsTypeWidth(uint8_t typeCode);

// Position of the first descriptor with both ids, or -1. On success the value
// address is stored when asked for (null when values is null); on failure it
// is left untouched.
int settingsFindByIds(const SettingDescriptor* table, uint8_t* values, int parentId, int childId,
                      uint8_t** valueAddress = nullptr);

// Position of the setting whose group and setting names match exactly (a name
// that repeats resolves to its first index), or -1. The value address, when
// asked for, is set to null first.
int settingsFindByNames(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                        const char* settingName, uint8_t** valueAddress = nullptr);

// Value address of descriptor n when 0 <= n < count, else null.
uint8_t* settingsValueAt(const SettingDescriptor* table, unsigned count, uint8_t* values, int n);

// Copy the setting's bytes into value (when given): 1 when found and copied, 0
// when not. A setting of another type of the same width or wider is copied after
// a trace line; a narrower one is refused, so nothing past it is ever read.
int settingsGetInt8(const SettingDescriptor* table, uint8_t* value, uint8_t* values, int parentId,
                    int childId);
int settingsGetInt16(const SettingDescriptor* table, uint16_t* value, uint8_t* values, int parentId,
                     int childId);
int settingsGetInt32(const SettingDescriptor* table, uint32_t* value, uint8_t* values, int parentId,
                     int childId);
int settingsGetFloat(const SettingDescriptor* table, float* value, uint8_t* values, int parentId,
                     int childId);

// Store the value's bytes into the setting found by names. As with the getters,
// a setting narrower than the value is refused, so nothing past it is written.
void settingsSetInt8(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                     const char* settingName, int8_t value);
void settingsSetInt16(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                      const char* settingName, int16_t value);
void settingsSetInt32(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                      const char* settingName, int32_t value);
void settingsSetFloat(const SettingDescriptor* table, uint8_t* values, const char* groupName,
                      const char* settingName, float value);
