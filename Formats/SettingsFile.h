#pragma once
// Settings files: both channels' settings as JSON, and the plan that brings a
// controller's block to a file's values. A setting is matched by its group id,
// setting id and how often that pair came before it (names repeat, ids rarely
// do), and must have the same type on the controller.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Formats/Json.h"
#include "Protocol/SettingsBlockAssembly.h"

// "format" of a settings file.
constexpr char kSettingsFileFormat[] = "T860 settings";
constexpr int kSettingsFileVersion = 1;

struct SavedSetting {
    std::string group;
    std::string name;
    uint8_t parentId = 0;
    uint8_t childId = 0;
    uint8_t typeCode = 0;
    uint8_t value[4] = {};  // device byte order, as wide as the type
};

struct SettingsFileContent {
    uint16_t vendor = 0;
    uint16_t product = 0;
    bool hasChannel0 = false;
    bool hasChannel6 = false;
    std::vector<SavedSetting> channel0;
    std::vector<SavedSetting> channel6;
};

// The settings of a taken block in descriptor order, named from the catalogue.
// Settings of an unsupported type are left out: they have no value.
std::vector<SavedSetting> ListBlockSettings(const uint8_t (&settingsData)[kSettingsDataSize]);

// "UINT8" ... "FLOAT"; empty for an unsupported code.
const char* SettingTypeName(uint8_t typeCode);
// The value as text: decimal integers; floats as the shortest text that reads
// back to the same float ("nan", "inf", "-inf" where not finite).
std::string FormatSettingValue(uint8_t typeCode, const uint8_t* value);
// A number, or one of those three strings for a float that is not finite.
JsonValue SettingValueJson(uint8_t typeCode, const uint8_t* value);
JsonValue SettingJson(const SavedSetting& setting);

// Readers of the parts that other files share with the settings file; each
// says what is wrong in error.
bool SettingFromJson(const JsonValue& json, SavedSetting& setting, std::string& error);
// The array root[key] of settings; present tells whether it is there at all.
bool SettingsListFromJson(const JsonValue& root, const char* key, bool& present,
                          std::vector<SavedSetting>& settings, std::string& error);
// Vendor and product ids as "2F7A".
std::string HexIdText(uint16_t id);
bool HexIdFromJson(const JsonValue* json, uint16_t& id);

std::string WriteSettingsFile(const SettingsFileContent& content);
// Strict: every setting must carry group, name, parentId, childId, type and a
// value that fits its type. False with a message and content untouched.
bool ParseSettingsFile(std::string_view text, SettingsFileContent& content, std::string& error);

struct SettingWrite {
    SavedSetting wanted;
    int position = 0;
    uint8_t current[4] = {};
};
struct SettingMiss {
    SavedSetting setting;
    std::string reason;
};
struct SettingsLoadPlan {
    std::vector<SettingWrite> writes;  // values that differ, in file order
    std::vector<SettingMiss> notFound;
    int unchanged = 0;
};

SettingsLoadPlan PlanSettingsLoad(const std::vector<SavedSetting>& saved,
                                  const uint8_t (&settingsData)[kSettingsDataSize]);

// True when the block holds exactly the value at the position.
bool SettingHolds(const uint8_t (&settingsData)[kSettingsDataSize], int position,
                  const uint8_t* value);

// The name shown for a setting: "Group.Name", or the name alone where the
// group has none ("My" settings keep their group).
std::string SettingLabel(const SavedSetting& setting);

// What a load did, one line per setting, for the people reading it.
struct SettingsLoadSummary {
    bool dryRun = false;  // changed then lists what would change
    std::vector<std::string> changed;
    std::vector<std::string> refused;
    std::vector<std::string> unanswered;
    std::vector<std::string> notFound;
    int unchanged = 0;
};
enum class WriteOutcome { Changed, Refused, Unanswered };
// held: the value the controller echoed (Refused only).
void RecordSettingWrite(SettingsLoadSummary& summary, const SettingWrite& write,
                        WriteOutcome outcome, const uint8_t* held);
void RecordSettingMisses(SettingsLoadSummary& summary, const SettingsLoadPlan& plan);
std::string FormatLoadSummary(const SettingsLoadSummary& summary);
JsonValue LoadSummaryJson(const SettingsLoadSummary& summary);
