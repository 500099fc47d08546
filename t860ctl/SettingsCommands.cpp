// settings dump, save and load: both channels' blocks read through their
// chunks, saved to a file, and brought back one echoed setting at a time.

#include <cstdio>

#include "DriverInterface/DriverIO.h"
#include "Formats/SettingsFile.h"
#include "Formats/WholeFile.h"
#include "t860ctl/CtlRun.h"

namespace {

constexpr int kChannels[] = {0, 6};

std::vector<int> TakeChannels(CommandWords& words) {
    const std::optional<std::string> channel = words.TakeOption("--channel");
    if (!channel) {
        return {0, 6};
    }
    if (*channel != "0" && *channel != "6") {
        throw CtlFailure(kExitUsage, "--channel must be 0 or 6, not '" + *channel + "'");
    }
    return {*channel == "0" ? 0 : 6};
}

const char* ChannelKey(int channel) {
    return channel == 0 ? "channel0" : "channel6";
}

void DumpSettings(CommandWords& words, CtlRun& run) {
    const std::vector<int> channels = TakeChannels(words);
    words.RequireEnd();
    JsonValue json = JsonValue::Object();
    for (int channel : channels) {
        uint8_t settingsData[kSettingsDataSize];
        FetchSettingsOrFail(run, channel, settingsData);
        if (!run.Json()) {
            run.out += SettingsTable(channel, settingsData);
            continue;
        }
        JsonValue& list = json.Set(ChannelKey(channel), JsonValue::Array());
        for (const SavedSetting& setting : ListBlockSettings(settingsData)) {
            list.Append(SettingJson(setting));
        }
    }
    if (run.Json()) {
        run.out += WriteJson(json);
    }
}

void WriteFileWhole(const std::string& path, const std::string& text) {
    std::string error;
    if (!WriteFileReplacing(path, text, error)) {
        throw CtlFailure(kExitFailed, error);
    }
}

void SaveSettings(CommandWords& words, CtlRun& run) {
    const std::string path = words.RequireOperand("FILE");
    words.RequireEnd();
    SettingsFileContent content;
    GetDeviceIdentity(content.vendor, content.product);
    for (int channel : kChannels) {
        uint8_t settingsData[kSettingsDataSize];
        FetchSettingsOrFail(run, channel, settingsData);
        (channel == 0 ? content.channel0 : content.channel6) = ListBlockSettings(settingsData);
    }
    content.hasChannel0 = content.hasChannel6 = true;
    WriteFileWhole(path, WriteSettingsFile(content));
    CtlFields fields;
    fields.Add("file", "Saved to", path);
    fields.Add("channel0", "Channel 0 settings",
               JsonValue::Number(static_cast<double>(content.channel0.size())));
    fields.Add("channel6", "Channel 6 settings",
               JsonValue::Number(static_cast<double>(content.channel6.size())));
    run.out += fields.Output(run.Json());
}

SettingsFileContent ReadSettingsFile(const std::string& path) {
    std::string text;
    std::string error;
    if (!ReadWholeTextFile(path, text, error)) {
        throw CtlFailure(kExitFailed, error);
    }
    SettingsFileContent content;
    if (!ParseSettingsFile(text, content, error)) {
        throw CtlFailure(kExitFailed, path + ": " + error + "; nothing was written");
    }
    return content;
}

// Brings one channel to the file's values: each differing setting is sent
// and its echo awaited before the next, so the summary says what the
// controller actually holds.
void LoadChannel(CtlRun& run, int channel, const std::vector<SavedSetting>& saved, bool dryRun,
                 SettingsLoadSummary& summary) {
    uint8_t settingsData[kSettingsDataSize];
    FetchSettingsOrFail(run, channel, settingsData);
    const SettingsLoadPlan plan = PlanSettingsLoad(saved, settingsData);
    RecordSettingMisses(summary, plan);
    for (const SettingWrite& write : plan.writes) {
        if (dryRun) {
            RecordSettingWrite(summary, write, WriteOutcome::Changed, nullptr);
            continue;
        }
        const CtlSession::WriteResult result = run.Device().WriteSetting(
            channel, write.position, write.wanted.typeCode, write.wanted.value, settingsData);
        const int offset = SettingValueOffset(settingsData, write.position);
        if (result == CtlSession::WriteResult::NoEcho || offset < 0) {
            RecordSettingWrite(summary, write, WriteOutcome::Unanswered, nullptr);
            continue;
        }
        const bool held = SettingHolds(settingsData, write.position, write.wanted.value);
        RecordSettingWrite(summary, write, held ? WriteOutcome::Changed : WriteOutcome::Refused,
                           settingsData + offset);
    }
}

void LoadSettings(CommandWords& words, CtlRun& run) {
    const bool dryRun = words.TakeFlag("--dry-run");
    const std::string path = words.RequireOperand("FILE");
    words.RequireEnd();
    // The whole file is checked before anything is sent.
    const SettingsFileContent content = ReadSettingsFile(path);
    SettingsLoadSummary summary;
    summary.dryRun = dryRun;
    if (content.hasChannel0) {
        LoadChannel(run, 0, content.channel0, dryRun, summary);
    }
    if (content.hasChannel6) {
        LoadChannel(run, 6, content.channel6, dryRun, summary);
    }
    run.out += run.Json() ? WriteJson(LoadSummaryJson(summary)) : FormatLoadSummary(summary);
    if (!summary.unanswered.empty()) {
        throw CtlFailure(kExitNoAnswer, std::to_string(summary.unanswered.size()) +
                                            " setting(s) were not echoed within " +
                                            std::to_string(run.Options().timeoutMs) + " ms");
    }
    if (!summary.refused.empty()) {
        throw CtlFailure(kExitFailed,
                         std::to_string(summary.refused.size()) + " setting(s) were refused");
    }
}

}  // namespace

void FetchSettingsOrFail(CtlRun& run, int channel, uint8_t (&settingsData)[kSettingsDataSize]) {
    if (!run.Device().FetchSettings(channel, settingsData)) {
        run.NoAnswer("the settings request on channel " + std::to_string(channel));
    }
}

std::string SettingsTable(int channel, const uint8_t (&settingsData)[kSettingsDataSize]) {
    const std::vector<SavedSetting> settings = ListBlockSettings(settingsData);
    std::string text = "Channel " + std::to_string(channel) + ": " +
                       std::to_string(settings.size()) + " settings\n";
    char line[160];
    std::snprintf(line, sizeof line, "  %-20s %-26s %-7s %s\n", "Group", "Name", "Type", "Value");
    text += line;
    for (const SavedSetting& setting : settings) {
        std::snprintf(line, sizeof line, "  %-20s %-26s %-7s %s\n", setting.group.c_str(),
                      setting.name.c_str(), SettingTypeName(setting.typeCode),
                      FormatSettingValue(setting.typeCode, setting.value).c_str());
        text += line;
    }
    return text;
}

void SettingsCommand(CommandWords& words, CtlRun& run) {
    const std::string action = words.RequireOperand("dump, save or load");
    if (action == "dump") {
        DumpSettings(words, run);
    } else if (action == "save") {
        SaveSettings(words, run);
    } else if (action == "load") {
        LoadSettings(words, run);
    } else {
        throw CtlFailure(kExitUsage, "settings takes dump, save or load, not '" + action + "'");
    }
}
