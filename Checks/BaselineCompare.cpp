#include "Checks/BaselineCompare.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>
#include <utility>

namespace {

constexpr char kAbsent[] = "(absent)";

// A setting's place: its ids and how often that pair came before it, as a
// settings load matches them.
using SettingKey = std::tuple<int, int, int>;

// Each setting of the list under its key, in list order.
std::vector<std::pair<SettingKey, const SavedSetting*>> KeyedSettings(
    const std::vector<SavedSetting>& list) {
    std::vector<std::pair<SettingKey, const SavedSetting*>> keyed;
    std::map<std::pair<int, int>, int> seen;
    for (const SavedSetting& setting : list) {
        const int occurrence = seen[{setting.parentId, setting.childId}]++;
        keyed.push_back({{setting.parentId, setting.childId, occurrence}, &setting});
    }
    return keyed;
}

std::string ValueText(const SavedSetting* setting) {
    return setting == nullptr ? kAbsent : FormatSettingValue(setting->typeCode, setting->value);
}

// Changed and removed settings in the baseline's order, then the new ones.
void CompareSettings(int channel, const std::vector<SavedSetting>& then,
                     const std::vector<SavedSetting>& now,
                     std::vector<SettingDifference>& differences) {
    const auto thenKeyed = KeyedSettings(then);
    std::map<SettingKey, const SavedSetting*> nowByKey;
    for (const auto& [key, setting] : KeyedSettings(now)) {
        nowByKey[key] = setting;
    }
    for (const auto& [key, setting] : thenKeyed) {
        const auto found = nowByKey.find(key);
        const SavedSetting* current = found == nowByKey.end() ? nullptr : found->second;
        if (found != nowByKey.end()) {
            nowByKey.erase(found);
        }
        if (current == nullptr || current->typeCode != setting->typeCode ||
            ValueText(current) != ValueText(setting)) {
            differences.push_back(
                {channel, setting->group, setting->name, ValueText(setting), ValueText(current)});
        }
    }
    for (const auto& [key, setting] : KeyedSettings(now)) {
        if (nowByKey.count(key) != 0) {
            differences.push_back(
                {channel, setting->group, setting->name, kAbsent, ValueText(setting)});
        }
    }
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string Signed(double value) {
    // Appended, not prefixed: GCC 12 mistakes a literal before a string for
    // an overlapping copy (-Wrestrict) in an optimised build.
    std::string text = value > 0 ? "+" : "";
    text += Number(value);
    return text;
}

std::string ProfileName(int camera, RowKind kind) {
    return "Camera " + std::to_string(camera) + " " + RowKindName(kind);
}

std::string ProfileLine(const ProfileDifference& profile) {
    std::string line = "  " + ProfileName(profile.camera, profile.kind) + ": mean " +
                       Number(profile.meanDifference) + ", largest " +
                       Signed(profile.largestDifference) + " at pixel " +
                       std::to_string(profile.largestAt);
    if (!profile.moved) {
        return line + "; within the tolerance\n";
    }
    return line + "; " + (profile.dropped ? "dropped" : "rose") + " most over pixels " +
           std::to_string(profile.firstPixel) + "-" + std::to_string(profile.lastPixel) + " (" +
           (profile.dropped ? "shadow or dirt" : "more ambient light") + ")\n";
}

std::string AccuracyText(const std::optional<AccuracySummary>& accuracy) {
    if (!accuracy) {
        return "none";
    }
    const AccuracySummaryValues& values = accuracy->Values;
    return Number(values.LargestOffsetPx) + " px largest, " + Number(values.MeanOffsetPx) +
           " px mean offset, " + (values.Passed ? "passed" : "failed") + " (" + accuracy->Date +
           ")";
}

JsonValue AccuracyJson(const std::optional<AccuracySummary>& accuracy) {
    return accuracy ? AccuracySummaryJson(*accuracy) : JsonValue();
}

}  // namespace

bool BaselineComparison::AccuracyWorse() const {
    return (accuracyThen && accuracyNow && accuracyThen->Values.Passed &&
            !accuracyNow->Values.Passed) ||
           !acceptanceChanges.empty();
}

bool BaselineComparison::Differs() const {
    if (SerialDiffers() || !settings.empty() || !missingProfiles.empty() || AccuracyWorse()) {
        return true;
    }
    for (const ProfileDifference& profile : profiles) {
        if (profile.moved) {
            return true;
        }
    }
    return false;
}

ProfileDifference CompareProfile(const BaselineProfile& then, const BaselineProfile& now,
                                 const ProfileTolerance& tolerance) {
    ProfileDifference result;
    result.camera = then.camera;
    result.kind = then.kind;
    double total = 0;
    double bestArea = 0;
    // The run being walked: its start, direction and change so far.
    int runStart = 0;
    int runSign = 0;
    double runArea = 0;
    for (int pixel = 0; pixel <= kBaselinePixels; ++pixel) {
        int sign = 0;
        double difference = 0;
        if (pixel < kBaselinePixels) {
            difference = now.values[pixel] - then.values[pixel];
            total += std::fabs(difference);
            if (std::fabs(difference) > std::fabs(result.largestDifference)) {
                result.largestDifference = difference;
                result.largestAt = pixel;
            }
            const double allowed =
                std::max(tolerance.absolute, tolerance.relative * std::fabs(then.values[pixel]));
            if (std::fabs(difference) > allowed) {
                sign = difference < 0 ? -1 : 1;
            }
        }
        if (sign != runSign) {
            if (runSign != 0 && pixel - runStart >= tolerance.minRun && runArea > bestArea) {
                bestArea = runArea;
                result.moved = true;
                result.firstPixel = runStart;
                result.lastPixel = pixel - 1;
                result.dropped = runSign < 0;
            }
            runStart = pixel;
            runSign = sign;
            runArea = 0;
        }
        runArea += std::fabs(difference);
    }
    result.meanDifference = total / kBaselinePixels;
    return result;
}

BaselineComparison CompareBaseline(const BaselineContent& then, const BaselineContent& now,
                                   const ProfileTolerance& tolerance) {
    BaselineComparison comparison;
    comparison.serialThen = then.serialNumber;
    comparison.serialNow = now.serialNumber;
    CompareSettings(0, then.channel0, now.channel0, comparison.settings);
    CompareSettings(6, then.channel6, now.channel6, comparison.settings);
    for (const BaselineProfile& profile : then.profiles) {
        const BaselineProfile* current = FindProfile(now.profiles, profile.camera, profile.kind);
        if (current == nullptr) {
            comparison.missingProfiles.push_back(ProfileName(profile.camera, profile.kind));
            continue;
        }
        comparison.profiles.push_back(CompareProfile(profile, *current, tolerance));
    }
    comparison.accuracyThen = then.accuracy;
    comparison.accuracyNow = now.accuracy;
    if (then.accuracy && then.accuracy->Acceptance && now.accuracy && now.accuracy->Acceptance) {
        comparison.acceptanceChanges =
            AcceptanceChanges(*then.accuracy->Acceptance, *now.accuracy->Acceptance);
    }
    return comparison;
}

std::string FormatComparison(const BaselineComparison& comparison, const BaselineContent& then) {
    std::string text;
    if (comparison.SerialDiffers()) {
        text += "Serial number differs: the baseline is of unit " +
                std::to_string(comparison.serialThen) + ", this is unit " +
                std::to_string(comparison.serialNow) + "\n";
    }
    text += "Baseline of " + then.date + (then.note.empty() ? "" : " (" + then.note + ")") + "\n";
    text += "Settings that differ: " + std::to_string(comparison.settings.size()) + "\n";
    for (const SettingDifference& setting : comparison.settings) {
        text += "  Channel " + std::to_string(setting.channel) + " " + setting.group +
                (setting.group.empty() ? "" : ".") + setting.name + ": " + setting.then + " -> " +
                setting.now + "\n";
    }
    text += "Profiles (difference now - then, in counts):\n";
    for (const ProfileDifference& profile : comparison.profiles) {
        text += ProfileLine(profile);
    }
    for (const std::string& missing : comparison.missingProfiles) {
        text += "  " + missing + ": not measured now\n";
    }
    if (comparison.accuracyThen || comparison.accuracyNow) {
        text += "Accuracy then: " + AccuracyText(comparison.accuracyThen) + "\n";
        text += "Accuracy now: " + AccuracyText(comparison.accuracyNow) + "\n";
    }
    for (const std::string& change : comparison.acceptanceChanges) {
        text += "Worse since the baseline: " + change + ".\n";
    }
    text += comparison.Differs() ? "Something differs beyond the tolerances.\n"
                                 : "Nothing differs beyond the tolerances.\n";
    return text;
}

JsonValue ComparisonJson(const BaselineComparison& comparison, const BaselineContent& then) {
    JsonValue json = JsonValue::Object();
    json.Set("differs", JsonValue::Bool(comparison.Differs()));
    json.Set("serialNumberDiffers", JsonValue::Bool(comparison.SerialDiffers()));
    json.Set("serialNumberThen", JsonValue::Number(comparison.serialThen));
    json.Set("serialNumberNow", JsonValue::Number(comparison.serialNow));
    json.Set("baselineDate", JsonValue::String(then.date));
    json.Set("note", JsonValue::String(then.note));
    JsonValue& settings = json.Set("settings", JsonValue::Array());
    for (const SettingDifference& setting : comparison.settings) {
        JsonValue item = JsonValue::Object();
        item.Set("channel", JsonValue::Number(setting.channel));
        item.Set("group", JsonValue::String(setting.group));
        item.Set("name", JsonValue::String(setting.name));
        item.Set("then", JsonValue::String(setting.then));
        item.Set("now", JsonValue::String(setting.now));
        settings.Append(std::move(item));
    }
    JsonValue& profiles = json.Set("profiles", JsonValue::Array());
    for (const ProfileDifference& profile : comparison.profiles) {
        JsonValue item = JsonValue::Object();
        item.Set("camera", JsonValue::Number(profile.camera));
        item.Set("row", JsonValue::String(RowKindName(profile.kind)));
        item.Set("meanDifference", JsonValue::Number(profile.meanDifference));
        item.Set("largestDifference", JsonValue::Number(profile.largestDifference));
        item.Set("largestAt", JsonValue::Number(profile.largestAt));
        item.Set("moved", JsonValue::Bool(profile.moved));
        if (profile.moved) {
            item.Set("firstPixel", JsonValue::Number(profile.firstPixel));
            item.Set("lastPixel", JsonValue::Number(profile.lastPixel));
            item.Set("direction", JsonValue::String(profile.dropped ? "dropped" : "rose"));
        }
        profiles.Append(std::move(item));
    }
    JsonValue& missing = json.Set("notMeasuredNow", JsonValue::Array());
    for (const std::string& name : comparison.missingProfiles) {
        missing.Append(JsonValue::String(name));
    }
    json.Set("accuracyThen", AccuracyJson(comparison.accuracyThen));
    json.Set("accuracyNow", AccuracyJson(comparison.accuracyNow));
    JsonValue& changes = json.Set("acceptanceChanges", JsonValue::Array());
    for (const std::string& change : comparison.acceptanceChanges) {
        changes.Append(JsonValue::String(change));
    }
    return json;
}
