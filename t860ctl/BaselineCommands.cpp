// baseline save and compare: the unit as it is now (identity, settings, every
// camera's rows, the last accuracy result) to a file, and what changed since
// such a file was recorded.

#include <algorithm>
#include <chrono>
#include <thread>

#include "Checks/BaselineCompare.h"
#include "Checks/BaselineScans.h"
#include "Formats/WholeFile.h"
#include "t860ctl/CtlRun.h"

namespace {

std::optional<int> TakeScans(CommandWords& words) {
    const std::optional<std::string> text = words.TakeOption("--scans");
    if (!text) {
        return std::nullopt;
    }
    const uint32_t scans = ParseNumber(*text, kMaxBaselineScans, "--scans");
    if (scans == 0) {
        throw CtlFailure(kExitUsage, "--scans needs at least 1");
    }
    return static_cast<int>(scans);
}

}  // namespace

BaselineContent RecordBaseline(CtlRun& run, int scans, const std::string& note,
                               std::string* accuracyError) {
    BaselineContent content;
    content.note = note;
    GatherInfo(run);
    TakeBaselineIdentity(content, run.Device().Status());
    for (int channel : {0, 6}) {
        uint8_t settingsData[kSettingsDataSize];
        FetchSettingsOrFail(run, channel, settingsData);
        (channel == 0 ? content.channel0 : content.channel6) = ListBlockSettings(settingsData);
    }
    TBaselineScans scanner(BaselineCameraCount(content.channel6), scans);
    const uint8_t incomplete = RunBaselineScans(
        scanner,
        [&](uint8_t code) {
            ScopeProfile profile;
            if (run.Device().CaptureScope(code, profile, kBaselinePixels)) {
                scanner.StoreValues(0, profile.values,
                                    std::min(profile.pixelCount, kBaselinePixels));
            }
        },
        [](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
    if (incomplete != 0) {
        run.NoAnswer("with all " + std::to_string(kBaselinePixels) + " pixels of scope channel " +
                     std::to_string(incomplete));
    }
    std::string error;
    if (!CompleteBaseline(content, scanner, error)) {
        if (accuracyError == nullptr) {
            throw CtlFailure(kExitFailed, error);
        }
        *accuracyError = error;
    }
    return content;
}

BaselineContent ReadBaselineOrFail(const std::string& path) {
    std::string text;
    std::string error;
    if (!ReadWholeTextFile(path, text, error)) {
        throw CtlFailure(kExitFailed, error);
    }
    BaselineContent content;
    if (!ParseBaselineFile(text, content, error)) {
        throw CtlFailure(kExitFailed, path + ": " + error + "; nothing was sent to the controller");
    }
    return content;
}

BaselineComparison CompareWithNow(CtlRun& run, const BaselineContent& then, int scans) {
    return CompareBaseline(then, RecordBaseline(run, scans, ""));
}

namespace {

void SaveBaseline(CommandWords& words, CtlRun& run) {
    const std::string note = words.TakeOption("--note").value_or("");
    const int scans = TakeScans(words).value_or(kDefaultBaselineScans);
    const std::string path = words.RequireOperand("FILE");
    words.RequireEnd();
    const BaselineContent content = RecordBaseline(run, scans, note);
    std::string error;
    if (!WriteFileReplacing(path, WriteBaselineFile(content), error)) {
        throw CtlFailure(kExitFailed, error);
    }
    CtlFields fields;
    fields.Add("file", "Saved to", path);
    fields.Add("serialNumber", "Serial Number", JsonValue::Number(content.serialNumber));
    fields.Add("cameras", "Cameras",
               JsonValue::Number(static_cast<double>(content.profiles.size() / 4)));
    fields.Add("scans", "Scans", JsonValue::Number(content.scans));
    fields.Add("accuracy", "Accuracy Result", JsonValue::Bool(content.accuracy.has_value()));
    run.out += fields.Output(run.Json());
}

void CompareBaselineCommand(CommandWords& words, CtlRun& run) {
    const std::optional<int> scans = TakeScans(words);
    const std::string path = words.RequireOperand("FILE");
    words.RequireEnd();
    // The whole file is checked before the controller is asked anything.
    const BaselineContent then = ReadBaselineOrFail(path);
    const BaselineComparison comparison = CompareWithNow(run, then, scans.value_or(then.scans));
    run.out += run.Json() ? WriteJson(ComparisonJson(comparison, then))
                          : FormatComparison(comparison, then);
    if (comparison.Differs()) {
        throw CtlFailure(kExitDiffers, "the unit differs from the baseline of " + then.date);
    }
}

}  // namespace

void BaselineCommand(CommandWords& words, CtlRun& run) {
    const std::string action = words.RequireOperand("save or compare");
    if (action == "save") {
        SaveBaseline(words, run);
    } else if (action == "compare") {
        CompareBaselineCommand(words, run);
    } else {
        throw CtlFailure(kExitUsage, "baseline takes save or compare, not '" + action + "'");
    }
}
