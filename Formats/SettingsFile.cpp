#include "Formats/SettingsFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <utility>

#include "Driver/XlateLib/Settings.h"

namespace {

struct TypeInfo {
    uint8_t code;
    const char* name;
    double min;
    double max;
};

constexpr TypeInfo kTypes[] = {
    {SettingType::UINT8, "UINT8", 0, 255},
    {SettingType::UINT16, "UINT16", 0, 65535},
    {SettingType::UINT32, "UINT32", 0, 4294967295.0},
    {SettingType::SINT8, "SINT8", -128, 127},
    {SettingType::SINT16, "SINT16", -32768, 32767},
    {SettingType::SINT32, "SINT32", -2147483648.0, 2147483647.0},
    {SettingType::FLOAT, "FLOAT", 0, 0},
};

const TypeInfo* TypeOf(uint8_t code) {
    for (const TypeInfo& type : kTypes) {
        if (type.code == code) {
            return &type;
        }
    }
    return nullptr;
}

const TypeInfo* TypeNamed(const std::string& name) {
    for (const TypeInfo& type : kTypes) {
        if (name == type.name) {
            return &type;
        }
    }
    return nullptr;
}

// The value's bits, from its device-order bytes.
uint32_t ValueBits(uint8_t typeCode, const uint8_t* value) {
    uint32_t bits = 0;
    for (int i = 0; i < settingsTypeSize(typeCode); ++i) {
        bits = (bits << 8) | value[i];
    }
    return bits;
}

void PutValueBits(uint8_t typeCode, uint32_t bits, uint8_t* value) {
    const int width = settingsTypeSize(typeCode);
    for (int i = width - 1; i >= 0; --i) {
        value[i] = static_cast<uint8_t>(bits);
        bits >>= 8;
    }
}

float FloatOf(const uint8_t* value) {
    const uint32_t bits = ValueBits(SettingType::FLOAT, value);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Integers as their type reads them: the sign of the signed types extended.
int64_t IntegerOf(uint8_t typeCode, const uint8_t* value) {
    const uint32_t bits = ValueBits(typeCode, value);
    switch (typeCode) {
        case SettingType::SINT8:
            return static_cast<int8_t>(bits);
        case SettingType::SINT16:
            return static_cast<int16_t>(bits);
        case SettingType::SINT32:
            return static_cast<int32_t>(bits);
        default:
            return bits;
    }
}

bool ValueFromJson(const JsonValue& json, uint8_t typeCode, uint8_t* value, std::string& error) {
    if (typeCode == SettingType::FLOAT) {
        float f;
        if (json.IsNumber()) {
            const double d = json.AsNumber();
            if (std::fabs(d) > std::numeric_limits<float>::max()) {
                error = "value out of range for FLOAT";
                return false;
            }
            f = static_cast<float>(d);
        } else if (json.IsString() && json.AsString() == "nan") {
            f = std::numeric_limits<float>::quiet_NaN();
        } else if (json.IsString() && (json.AsString() == "inf" || json.AsString() == "-inf")) {
            f = json.AsString()[0] == '-' ? -std::numeric_limits<float>::infinity()
                                          : std::numeric_limits<float>::infinity();
        } else {
            error = "value must be a number";
            return false;
        }
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        PutValueBits(typeCode, bits, value);
        return true;
    }
    const TypeInfo* type = TypeOf(typeCode);
    if (!json.IsNumber()) {
        error = "value must be a number";
        return false;
    }
    const double d = json.AsNumber();
    if (d != std::floor(d) || d < type->min || d > type->max) {
        error = std::string("value is not a whole number within the range of ") + type->name;
        return false;
    }
    PutValueBits(typeCode, static_cast<uint32_t>(static_cast<int64_t>(d)), value);
    return true;
}

bool IdFromJson(const JsonValue* json, uint8_t& id) {
    if (json == nullptr || !json->IsNumber()) {
        return false;
    }
    const double d = json->AsNumber();
    if (d != std::floor(d) || d < 0 || d > 255) {
        return false;
    }
    id = static_cast<uint8_t>(d);
    return true;
}

std::string IndentedLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += "  " + line + "\n";
    }
    return text;
}

JsonValue StringArray(const std::vector<std::string>& lines) {
    JsonValue array = JsonValue::Array();
    for (const std::string& line : lines) {
        array.Append(JsonValue::String(line));
    }
    return array;
}

}  // namespace

bool SettingFromJson(const JsonValue& json, SavedSetting& setting, std::string& error) {
    if (!json.IsObject()) {
        error = "a setting must be an object";
        return false;
    }
    const JsonValue* group = json.Find("group");
    const JsonValue* name = json.Find("name");
    const JsonValue* type = json.Find("type");
    const JsonValue* value = json.Find("value");
    if (group == nullptr || !group->IsString() || name == nullptr || !name->IsString()) {
        error = "\"group\" and \"name\" must be strings";
        return false;
    }
    if (!IdFromJson(json.Find("parentId"), setting.parentId) ||
        !IdFromJson(json.Find("childId"), setting.childId)) {
        error = "\"parentId\" and \"childId\" must be whole numbers from 0 to 255";
        return false;
    }
    const TypeInfo* info =
        type != nullptr && type->IsString() ? TypeNamed(type->AsString()) : nullptr;
    if (info == nullptr) {
        error = "\"type\" must be one of UINT8, UINT16, UINT32, SINT8, SINT16, SINT32, FLOAT";
        return false;
    }
    setting.group = group->AsString();
    setting.name = name->AsString();
    setting.typeCode = info->code;
    if (value == nullptr) {
        error = "\"value\" is missing";
        return false;
    }
    return ValueFromJson(*value, setting.typeCode, setting.value, error);
}

bool SettingsListFromJson(const JsonValue& root, const char* key, bool& present,
                          std::vector<SavedSetting>& settings, std::string& error) {
    const JsonValue* list = root.Find(key);
    present = list != nullptr;
    if (list == nullptr) {
        return true;
    }
    if (!list->IsArray()) {
        error = std::string("\"") + key + "\" must be an array";
        return false;
    }
    for (size_t i = 0; i < list->Items().size(); ++i) {
        SavedSetting setting;
        if (!SettingFromJson(list->Items()[i], setting, error)) {
            error = list->Items()[i].Where() + ": " + key + " setting " + std::to_string(i + 1) +
                    ": " + error;
            return false;
        }
        settings.push_back(std::move(setting));
    }
    return true;
}

bool HexIdFromJson(const JsonValue* json, uint16_t& id) {
    if (json == nullptr || !json->IsString() || json->AsString().empty() ||
        json->AsString().size() > 4) {
        return false;
    }
    const std::string& text = json->AsString();
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id, 16);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string HexIdText(uint16_t id) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", id);
    return text;
}

std::vector<SavedSetting> ListBlockSettings(const uint8_t (&settingsData)[kSettingsDataSize]) {
    std::vector<SavedSetting> settings;
    const SettingDescriptor* table = SettingsTableOf(settingsData);
    const int count = SettingsDescriptorCount(settingsData);
    for (int position = 0; position < count; ++position) {
        const SettingDescriptor& descriptor = table[position];
        const int offset = SettingValueOffset(settingsData, position);
        const int width = settingsTypeSize(descriptor.typeCode);
        if (offset < 0 || width == 0) {
            continue;
        }
        SavedSetting setting;
        setting.group = parentNames[descriptor.parentId / 16];
        setting.name = settingsChildName(descriptor.childId);
        setting.parentId = descriptor.parentId;
        setting.childId = descriptor.childId;
        setting.typeCode = descriptor.typeCode;
        std::memcpy(setting.value, settingsData + offset, static_cast<size_t>(width));
        settings.push_back(std::move(setting));
    }
    return settings;
}

const char* SettingTypeName(uint8_t typeCode) {
    const TypeInfo* type = TypeOf(typeCode);
    return type == nullptr ? "" : type->name;
}

std::string FormatSettingValue(uint8_t typeCode, const uint8_t* value) {
    if (typeCode != SettingType::FLOAT) {
        return std::to_string(IntegerOf(typeCode, value));
    }
    const float f = FloatOf(value);
    if (std::isnan(f)) {
        return "nan";
    }
    if (std::isinf(f)) {
        return f < 0 ? "-inf" : "inf";
    }
    char text[32];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, f);
    return ec == std::errc() ? std::string(text, end) : "nan";
}

JsonValue SettingValueJson(uint8_t typeCode, const uint8_t* value) {
    if (typeCode != SettingType::FLOAT) {
        return JsonValue::Number(static_cast<double>(IntegerOf(typeCode, value)));
    }
    const float f = FloatOf(value);
    if (!std::isfinite(f)) {
        return JsonValue::String(FormatSettingValue(typeCode, value));
    }
    // Through the float's own shortest text, so 0.1f is written 0.1.
    double d = f;
    const std::string text = FormatSettingValue(typeCode, value);
    std::from_chars(text.data(), text.data() + text.size(), d);
    return JsonValue::Number(d);
}

JsonValue SettingJson(const SavedSetting& setting) {
    JsonValue json = JsonValue::Object();
    json.Set("group", JsonValue::String(setting.group));
    json.Set("name", JsonValue::String(setting.name));
    json.Set("parentId", JsonValue::Number(setting.parentId));
    json.Set("childId", JsonValue::Number(setting.childId));
    json.Set("type", JsonValue::String(SettingTypeName(setting.typeCode)));
    json.Set("value", SettingValueJson(setting.typeCode, setting.value));
    return json;
}

std::string WriteSettingsFile(const SettingsFileContent& content) {
    JsonValue root = JsonValue::Object();
    root.Set("format", JsonValue::String(kSettingsFileFormat));
    root.Set("version", JsonValue::Number(kSettingsFileVersion));
    root.Set("vendorId", JsonValue::String(HexIdText(content.vendor)));
    root.Set("productId", JsonValue::String(HexIdText(content.product)));
    const auto addChannel = [&](const char* key, bool present,
                                const std::vector<SavedSetting>& settings) {
        if (!present) {
            return;
        }
        JsonValue& list = root.Set(key, JsonValue::Array());
        for (const SavedSetting& setting : settings) {
            list.Append(SettingJson(setting));
        }
    };
    addChannel("channel0", content.hasChannel0, content.channel0);
    addChannel("channel6", content.hasChannel6, content.channel6);
    return WriteJson(root);
}

bool ParseSettingsFile(std::string_view text, SettingsFileContent& content, std::string& error) {
    JsonValue root;
    if (!ParseJson(text, root, error)) {
        error = "not valid JSON: " + error;
        return false;
    }
    const JsonValue* format = root.Find("format");
    const JsonValue* version = root.Find("version");
    if (!root.IsObject() || format == nullptr || !format->IsString() ||
        format->AsString() != kSettingsFileFormat) {
        error =
            std::string("not a settings file (\"format\" is not \"") + kSettingsFileFormat + "\")";
        return false;
    }
    if (version == nullptr || !version->IsNumber() || version->AsNumber() != kSettingsFileVersion) {
        error = "unsupported settings file version";
        return false;
    }
    SettingsFileContent parsed;
    if (!HexIdFromJson(root.Find("vendorId"), parsed.vendor) ||
        !HexIdFromJson(root.Find("productId"), parsed.product)) {
        error = "\"vendorId\" and \"productId\" must be hexadecimal strings of up to 4 digits";
        return false;
    }
    if (!SettingsListFromJson(root, "channel0", parsed.hasChannel0, parsed.channel0, error) ||
        !SettingsListFromJson(root, "channel6", parsed.hasChannel6, parsed.channel6, error)) {
        return false;
    }
    if (!parsed.hasChannel0 && !parsed.hasChannel6) {
        error = "the file holds neither \"channel0\" nor \"channel6\"";
        return false;
    }
    content = std::move(parsed);
    return true;
}

SettingsLoadPlan PlanSettingsLoad(const std::vector<SavedSetting>& saved,
                                  const uint8_t (&settingsData)[kSettingsDataSize]) {
    SettingsLoadPlan plan;
    const SettingDescriptor* table = SettingsTableOf(settingsData);
    const int count = SettingsDescriptorCount(settingsData);
    std::map<std::pair<int, int>, int> seen;  // occurrences of each id pair so far
    for (const SavedSetting& setting : saved) {
        int occurrence = seen[{setting.parentId, setting.childId}]++;
        int position = -1;
        for (int at = 0; at < count && position < 0; ++at) {
            if (table[at].parentId == setting.parentId && table[at].childId == setting.childId &&
                occurrence-- == 0) {
                position = at;
            }
        }
        const int offset = SettingValueOffset(settingsData, position);
        if (position < 0 || offset < 0) {
            plan.notFound.push_back({setting, "not on this controller"});
            continue;
        }
        if (table[position].typeCode != setting.typeCode) {
            plan.notFound.push_back(
                {setting, std::string("is ") + SettingTypeName(table[position].typeCode) +
                              " on this controller, not " + SettingTypeName(setting.typeCode)});
            continue;
        }
        if (SettingHolds(settingsData, position, setting.value)) {
            ++plan.unchanged;
            continue;
        }
        SettingWrite write{setting, position, {}};
        std::memcpy(write.current, settingsData + offset,
                    static_cast<size_t>(settingsTypeSize(setting.typeCode)));
        plan.writes.push_back(std::move(write));
    }
    return plan;
}

bool SettingHolds(const uint8_t (&settingsData)[kSettingsDataSize], int position,
                  const uint8_t* value) {
    const int offset = SettingValueOffset(settingsData, position);
    if (offset < 0) {
        return false;
    }
    const uint8_t typeCode = SettingsTableOf(settingsData)[position].typeCode;
    return std::memcmp(settingsData + offset, value,
                       static_cast<size_t>(settingsTypeSize(typeCode))) == 0;
}

std::string SettingLabel(const SavedSetting& setting) {
    return setting.group.empty() ? setting.name : setting.group + "." + setting.name;
}

void RecordSettingWrite(SettingsLoadSummary& summary, const SettingWrite& write,
                        WriteOutcome outcome, const uint8_t* held) {
    const uint8_t type = write.wanted.typeCode;
    const std::string label = SettingLabel(write.wanted);
    const std::string wanted = FormatSettingValue(type, write.wanted.value);
    switch (outcome) {
        case WriteOutcome::Changed:
            summary.changed.push_back(label + ": " + FormatSettingValue(type, write.current) +
                                      " -> " + wanted);
            break;
        case WriteOutcome::Refused:
            summary.refused.push_back(label + ": " + wanted + " refused, the controller holds " +
                                      FormatSettingValue(type, held));
            break;
        case WriteOutcome::Unanswered:
            summary.unanswered.push_back(label + ": " + wanted + " sent, no echo");
            break;
    }
}

void RecordSettingMisses(SettingsLoadSummary& summary, const SettingsLoadPlan& plan) {
    for (const SettingMiss& miss : plan.notFound) {
        char ids[32];
        std::snprintf(ids, sizeof ids, " (0x%02X/%d): ", miss.setting.parentId,
                      miss.setting.childId);
        summary.notFound.push_back(SettingLabel(miss.setting) + ids + miss.reason);
    }
    summary.unchanged += plan.unchanged;
}

std::string FormatLoadSummary(const SettingsLoadSummary& summary) {
    std::string text = (summary.dryRun ? "Would change: " : "Changed: ") +
                       std::to_string(summary.changed.size()) + "\n" +
                       IndentedLines(summary.changed);
    text += "Refused: " + std::to_string(summary.refused.size()) + "\n" +
            IndentedLines(summary.refused);
    if (!summary.unanswered.empty()) {
        text += "Not answered: " + std::to_string(summary.unanswered.size()) + "\n" +
                IndentedLines(summary.unanswered);
    }
    text += "Not found on this controller: " + std::to_string(summary.notFound.size()) + "\n" +
            IndentedLines(summary.notFound);
    text += "Unchanged: " + std::to_string(summary.unchanged) + "\n";
    return text;
}

JsonValue LoadSummaryJson(const SettingsLoadSummary& summary) {
    JsonValue json = JsonValue::Object();
    json.Set(summary.dryRun ? "wouldChange" : "changed", StringArray(summary.changed));
    json.Set("refused", StringArray(summary.refused));
    json.Set("notAnswered", StringArray(summary.unanswered));
    json.Set("notFound", StringArray(summary.notFound));
    json.Set("unchanged", JsonValue::Number(summary.unchanged));
    return json;
}
