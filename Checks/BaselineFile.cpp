#include "Checks/BaselineFile.h"

#include <cmath>
#include <utility>

namespace {

// Reads members of one object; the first fault is kept with its position.
class FieldReader {
public:
    FieldReader(const JsonValue& object, std::string& error) : object_(object), error_(error) {}

    const JsonValue* Require(const char* key) {
        const JsonValue* value = object_.Find(key);
        if (value == nullptr) {
            Fail(object_, std::string("\"") + key + "\" is missing");
        }
        return value;
    }

    bool String(const char* key, std::string& out) {
        const JsonValue* value = Require(key);
        if (value == nullptr) {
            return false;
        }
        if (!value->IsString()) {
            return Fail(*value, std::string("\"") + key + "\" must be a string");
        }
        out = value->AsString();
        return true;
    }

    template <typename Integer>
    bool Whole(const char* key, double min, double max, Integer& out) {
        const JsonValue* value = Require(key);
        if (value == nullptr) {
            return false;
        }
        if (!IsWholeIn(*value, min, max)) {
            return Fail(*value, std::string("\"") + key + "\" must be a whole number from " +
                                    FormatJsonNumber(min) + " to " + FormatJsonNumber(max));
        }
        out = static_cast<Integer>(value->AsNumber());
        return true;
    }

    bool Fail(const JsonValue& at, const std::string& message) {
        error_ = at.Where() + ": " + message;
        return false;
    }

    static bool IsWholeIn(const JsonValue& value, double min, double max) {
        return value.IsNumber() && value.AsNumber() == std::floor(value.AsNumber()) &&
               value.AsNumber() >= min && value.AsNumber() <= max;
    }

private:
    const JsonValue& object_;
    std::string& error_;
};

bool RowKindNamed(const std::string& name, RowKind& kind) {
    for (RowKind candidate : kRowKinds) {
        if (name == RowKindName(candidate)) {
            kind = candidate;
            return true;
        }
    }
    return false;
}

JsonValue ProfileJson(const BaselineProfile& profile) {
    JsonValue json = JsonValue::Object();
    json.Set("camera", JsonValue::Number(profile.camera));
    json.Set("row", JsonValue::String(RowKindName(profile.kind)));
    JsonValue& values = json.Set("values", JsonValue::Array());
    for (double value : profile.values) {
        values.Append(JsonValue::Number(value));
    }
    return json;
}

bool ProfileFromJson(const JsonValue& json, BaselineProfile& profile, std::string& error) {
    FieldReader reader(json, error);
    if (!json.IsObject()) {
        return reader.Fail(json, "a profile must be an object");
    }
    std::string row;
    if (!reader.Whole("camera", 1, kMaxBaselineCameras, profile.camera) ||
        !reader.String("row", row)) {
        return false;
    }
    if (!RowKindNamed(row, profile.kind)) {
        return reader.Fail(*json.Find("row"),
                           "\"row\" must be \"lit\", \"ambient\", \"subtracted\" or \"trigger\"");
    }
    const JsonValue* values = reader.Require("values");
    if (values == nullptr) {
        return false;
    }
    if (!values->IsArray() || values->Items().size() != kBaselinePixels) {
        return reader.Fail(*values, "\"values\" must be an array of " +
                                        std::to_string(kBaselinePixels) + " numbers");
    }
    for (size_t pixel = 0; pixel < kBaselinePixels; ++pixel) {
        const JsonValue& value = values->Items()[pixel];
        // Pixel values are signed 16-bit numbers.
        if (!value.IsNumber() || std::fabs(value.AsNumber()) > 32768) {
            return reader.Fail(
                value, "pixel " + std::to_string(pixel) + " must be a number from -32768 to 32767");
        }
        profile.values[pixel] = value.AsNumber();
    }
    return true;
}

bool ProfilesFromJson(const JsonValue& root, std::vector<BaselineProfile>& profiles,
                      std::string& error) {
    FieldReader reader(root, error);
    const JsonValue* list = reader.Require("profiles");
    if (list == nullptr) {
        return false;
    }
    if (!list->IsArray() || list->Items().empty()) {
        return reader.Fail(*list, "\"profiles\" must be an array of profiles");
    }
    for (const JsonValue& item : list->Items()) {
        BaselineProfile profile;
        if (!ProfileFromJson(item, profile, error)) {
            return false;
        }
        if (FindProfile(profiles, profile.camera, profile.kind) != nullptr) {
            return reader.Fail(item, "camera " + std::to_string(profile.camera) + " " +
                                         RowKindName(profile.kind) + " is listed twice");
        }
        profiles.push_back(profile);
    }
    // Every camera listed has all four rows, so that a comparison never finds
    // half a camera.
    for (const BaselineProfile& profile : profiles) {
        for (RowKind kind : kRowKinds) {
            if (FindProfile(profiles, profile.camera, kind) == nullptr) {
                return reader.Fail(*list, "camera " + std::to_string(profile.camera) + " has no " +
                                              RowKindName(kind) + " profile");
            }
        }
    }
    return true;
}

bool AccuracyFromJson(const JsonValue& root, std::optional<AccuracySummary>& accuracy,
                      std::string& error) {
    FieldReader reader(root, error);
    const JsonValue* json = reader.Require("accuracy");
    if (json == nullptr) {
        return false;
    }
    if (json->IsNull()) {
        accuracy.reset();
        return true;
    }
    AccuracySummary summary;
    if (!AccuracySummaryFromJson(*json, summary, error)) {
        return reader.Fail(*json, "\"accuracy\": " + error);
    }
    accuracy = std::move(summary);
    return true;
}

bool SettingsFromJson(const JsonValue& root, const char* key, std::vector<SavedSetting>& settings,
                      std::string& error) {
    bool present = false;
    if (!SettingsListFromJson(root, key, present, settings, error)) {
        return false;
    }
    if (!present) {
        error = root.Where() + ": \"" + key + "\" is missing";
        return false;
    }
    return true;
}

}  // namespace

const char* RowKindName(RowKind kind) {
    switch (kind) {
        case RowKind::Lit:
            return "lit";
        case RowKind::Ambient:
            return "ambient";
        case RowKind::Subtracted:
            return "subtracted";
        case RowKind::Trigger:
            return "trigger";
    }
    return "";
}

uint8_t ScopeChannelOf(int camera, RowKind kind) {
    // The controller numbers the kinds subtracted 0, trigger 1, lit 2, ambient 3.
    int code = 0;
    switch (kind) {
        case RowKind::Subtracted:
            code = 0;
            break;
        case RowKind::Trigger:
            code = 1;
            break;
        case RowKind::Lit:
            code = 2;
            break;
        case RowKind::Ambient:
            code = 3;
            break;
    }
    return static_cast<uint8_t>(48 + 10 * code + camera);
}

const BaselineProfile* FindProfile(const std::vector<BaselineProfile>& profiles, int camera,
                                   RowKind kind) {
    for (const BaselineProfile& profile : profiles) {
        if (profile.camera == camera && profile.kind == kind) {
            return &profile;
        }
    }
    return nullptr;
}

std::string WriteBaselineFile(const BaselineContent& content) {
    JsonValue root = JsonValue::Object();
    root.Set("format", JsonValue::String(kBaselineFileFormat));
    root.Set("version", JsonValue::Number(kBaselineFileVersion));
    root.Set("date", JsonValue::String(content.date));
    root.Set("note", JsonValue::String(content.note));
    root.Set("vendorId", JsonValue::String(HexIdText(content.vendor)));
    root.Set("productId", JsonValue::String(HexIdText(content.product)));
    root.Set("driverVersion", JsonValue::String(content.driverVersion));
    root.Set("modelNumber", JsonValue::Number(content.modelNumber));
    root.Set("firmwareVersion", JsonValue::String(content.firmwareVersion));
    root.Set("serialNumber", JsonValue::Number(content.serialNumber));
    root.Set("scans", JsonValue::Number(content.scans));
    for (const auto& [key, settings] :
         {std::pair{"channel0", &content.channel0}, std::pair{"channel6", &content.channel6}}) {
        JsonValue& list = root.Set(key, JsonValue::Array());
        for (const SavedSetting& setting : *settings) {
            list.Append(SettingJson(setting));
        }
    }
    JsonValue& profiles = root.Set("profiles", JsonValue::Array());
    for (const BaselineProfile& profile : content.profiles) {
        profiles.Append(ProfileJson(profile));
    }
    root.Set("accuracy", content.accuracy ? AccuracySummaryJson(*content.accuracy) : JsonValue());
    return WriteJson(root);
}

bool ParseBaselineFile(std::string_view text, BaselineContent& content, std::string& error) {
    JsonValue root;
    if (!ParseJson(text, root, error)) {
        error = "not valid JSON: " + error;
        return false;
    }
    FieldReader reader(root, error);
    const JsonValue* format = root.Find("format");
    if (!root.IsObject() || format == nullptr || !format->IsString() ||
        format->AsString() != kBaselineFileFormat) {
        return reader.Fail(
            format != nullptr ? *format : root,
            std::string("not a baseline file (\"format\" is not \"") + kBaselineFileFormat + "\")");
    }
    const JsonValue* version = reader.Require("version");
    if (version == nullptr) {
        return false;
    }
    if (!version->IsNumber() || version->AsNumber() != kBaselineFileVersion) {
        // Appended, not prefixed: GCC 12 mistakes a literal before a string
        // for an overlapping copy (-Wrestrict) in an optimised build.
        std::string held;
        if (version->IsNumber()) {
            held += ' ';
            held += FormatJsonNumber(version->AsNumber());
        }
        return reader.Fail(*version, "baseline file version" + held +
                                         " is not supported (this program reads version " +
                                         std::to_string(kBaselineFileVersion) + ")");
    }
    BaselineContent parsed;
    if (!reader.String("date", parsed.date) || !reader.String("note", parsed.note)) {
        return false;
    }
    for (const auto& [key, id] :
         {std::pair{"vendorId", &parsed.vendor}, std::pair{"productId", &parsed.product}}) {
        const JsonValue* value = reader.Require(key);
        if (value == nullptr) {
            return false;
        }
        if (!HexIdFromJson(value, *id)) {
            return reader.Fail(*value, std::string("\"") + key +
                                           "\" must be a hexadecimal string of up to 4 digits");
        }
    }
    if (!reader.String("driverVersion", parsed.driverVersion) ||
        !reader.Whole("modelNumber", 0, 65535, parsed.modelNumber) ||
        !reader.String("firmwareVersion", parsed.firmwareVersion) ||
        !reader.Whole("serialNumber", 0, 4294967295.0, parsed.serialNumber) ||
        !reader.Whole("scans", 1, 1000, parsed.scans)) {
        return false;
    }
    if (!SettingsFromJson(root, "channel0", parsed.channel0, error) ||
        !SettingsFromJson(root, "channel6", parsed.channel6, error) ||
        !ProfilesFromJson(root, parsed.profiles, error) ||
        !AccuracyFromJson(root, parsed.accuracy, error)) {
        return false;
    }
    content = std::move(parsed);
    return true;
}
