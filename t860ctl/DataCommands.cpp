// The commands that collect data over a while: one scope profile, and the
// packet log.

#include "Protocol/ScopeChannels.h"
#include "t860ctl/CtlRun.h"

namespace {

constexpr uint32_t kDefaultLogSeconds = 10;
constexpr uint32_t kMaxLogSeconds = 86400;

bool IsScopeChannel(uint32_t code) {
    if (code < static_cast<uint32_t>(kFirstScopeChannel) ||
        code > static_cast<uint32_t>(kLastScopeChannel)) {
        return false;
    }
    const uint32_t camera = (code - kFirstScopeChannel) % 10;
    return camera >= 1 && camera <= 4;
}

std::string ScopeText(uint32_t code, const ScopeProfile& profile, bool csv) {
    std::string text = csv ? "pixel,value\n"
                           : "Scope channel " + std::to_string(code) + ": " +
                                 std::to_string(profile.pixelCount) + " pixels\n";
    for (int pixel = 0; pixel < profile.pixelCount; ++pixel) {
        const std::string value =
            profile.present[pixel] ? std::to_string(profile.values[pixel]) : (csv ? "" : "-");
        text += std::to_string(pixel) + (csv ? "," : " ") + value + "\n";
    }
    return text;
}

}  // namespace

void ScopeCommand(CommandWords& words, CtlRun& run) {
    const bool csv = words.TakeFlag("--csv");
    const uint32_t code = ParseNumber(words.RequireOperand("CODE"), 255, "CODE");
    words.RequireEnd();
    if (!IsScopeChannel(code)) {
        throw CtlFailure(kExitUsage, "CODE " + std::to_string(code) +
                                         " is not a scope channel (48 + 10 x kind 0..3 + "
                                         "camera 1..4)");
    }
    if (csv && run.Json()) {
        throw CtlFailure(kExitUsage, "--csv and --json exclude each other");
    }
    ScopeProfile profile;
    if (!run.Device().CaptureScope(static_cast<uint8_t>(code), profile)) {
        run.NoAnswer("the scope data request");
    }
    if (!run.Json()) {
        run.out += ScopeText(code, profile, csv);
        return;
    }
    JsonValue values = JsonValue::Array();
    for (int pixel = 0; pixel < profile.pixelCount; ++pixel) {
        values.Append(profile.present[pixel] ? JsonValue::Number(profile.values[pixel])
                                             : JsonValue());
    }
    JsonValue json = JsonValue::Object();
    json.Set("code", JsonValue::Number(code));
    json.Set("pixelCount", JsonValue::Number(profile.pixelCount));
    json.Set("values", std::move(values));
    run.out += WriteJson(json);
}

void LogPacketsCommand(CommandWords& words, CtlRun& run) {
    const std::optional<std::string> secondsText = words.TakeOption("--seconds");
    const std::string path = words.RequireOperand("FILE");
    words.RequireEnd();
    const uint32_t seconds =
        secondsText ? ParseNumber(*secondsText, kMaxLogSeconds, "--seconds") : kDefaultLogSeconds;
    uint32_t packets = 0;
    if (!run.Device().LogPackets(path, seconds, packets)) {
        throw CtlFailure(kExitFailed, "cannot open " + path + " for writing");
    }
    CtlFields fields;
    fields.Add("file", "Logged to", path);
    fields.Add("seconds", "Seconds", JsonValue::Number(seconds));
    fields.Add("packets", "Packets", JsonValue::Number(packets));
    run.out += fields.Output(run.Json());
}
