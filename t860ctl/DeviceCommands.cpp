// The commands that ask the controller one thing or switch one thing, each
// waiting for the answer and checking it where the answer tells.

#include <optional>

#include "DriverInterface/DriverIO.h"
#include "Protocol/ModeExchange.h"
#include "Protocol/PerformanceStatsReport.h"
#include "Protocol/Protocolutils.h"
#include "t860ctl/CtlRun.h"
#include "t860ctl/Doctor.h"

namespace {

constexpr uint8_t kCalibrateReply = 0x21;
constexpr uint8_t kStreamStatusReply = 0x83;
constexpr uint8_t kDefaultsRestoredEvent = 0x24;

std::string ModeText(uint32_t mode, int digits) {
    return HexText(mode, digits) + " (" + std::to_string(mode) + ")";
}

// "on" or "off" as a bool; anything else is a usage error.
bool TakeOnOff(CommandWords& words, const char* on, const char* off) {
    const std::string word = words.RequireOperand((std::string(on) + " or " + off).c_str());
    words.RequireEnd();
    if (word != on && word != off) {
        throw CtlFailure(kExitUsage,
                         "expected " + std::string(on) + " or " + off + ", not '" + word + "'");
    }
    return word == on;
}

std::optional<uint32_t> TakeValue(CommandWords& words, uint32_t max, const char* what) {
    const std::optional<std::string> text = words.TakeOperand();
    words.RequireEnd();
    if (!text) {
        return std::nullopt;
    }
    return ParseNumber(*text, max, what);
}

[[noreturn]] void NotFound(const char* what) {
    uint16_t vendor;
    uint16_t product;
    GetDeviceIdentity(vendor, product);
    std::string message = std::string("no ") + what + " found with vendor id " +
                          HexText(vendor, 4) + " and product id " + HexText(product, 4);
    // Said here, since the reason is otherwise only in the trace. The search
    // that failed last tells: the one just made here, or the engine's last
    // when it did not connect in time.
    for (const std::string& node : ControllerDeniedNodes()) {
        message += "\nt860ctl: the controller at " + node +
                   " cannot be opened: permission denied; " + kUdevRuleAdvice;
    }
    throw CtlFailure(kExitNoController, message);
}

void RequireCollection(uint16_t usage, uint16_t usagePage, const char* what) {
    HidCaps caps;
    const HidHandle device = FindHIDDevice(caps, usage, usagePage, false);
    if (device == nullptr) {
        NotFound(what);
    }
    CloseHIDDevice(device);
}

// A mode that was written and read back: the answer, and why it is not the
// value written (empty when it is).
struct ModeAnswer {
    CtlFields fields;
    std::string refusal;
};

std::string Refusal(bool kept, const std::string& what, const std::string& held,
                    const std::string& wanted) {
    return kept ? "" : "the controller kept " + what + " " + held + " instead of " + wanted;
}

// A mode's field in the output: its JSON key, label, what a message calls it
// and its hexadecimal width.
struct ModeField {
    const char* key;
    const char* label;
    const char* name;
    int digits;
};

ModeField FieldOf(ControllerMode mode) {
    return mode == ControllerMode::Report
               ? ModeField{"reportMode", "Report Mode", "report mode", 4}
               : ModeField{"offscreenMode", "Offscreen Mode", "offscreen mode", 2};
}

// Reads the mode, or writes it and reads back what the controller kept.
ModeAnswer ModeFields(CtlRun& run, ControllerMode mode, std::optional<uint32_t> wanted) {
    CtlSession& device = run.Device();
    const ModeReplyWait wait = [&device](ControllerMode asked, const std::function<void()>& send) {
        return device.Exchange(ModeReplyCode(asked), send);
    };
    const ModeField field = FieldOf(mode);
    const bool answered =
        wanted ? WriteMode(mode, *wanted, device.Status(), wait) != ModeWriteResult::NoAnswer
               : ReadMode(mode, device.Status(), wait).has_value();
    if (!answered) {
        run.NoAnswer("the " + std::string(field.name) + " request");
    }
    const uint32_t held = HeldMode(mode, device.Status());
    ModeAnswer answer;
    answer.fields.Add(field.key, field.label, JsonValue::Number(held),
                      ModeText(held, field.digits));
    if (wanted) {
        answer.refusal = Refusal(held == *wanted, field.name, ModeText(held, field.digits),
                                 ModeText(*wanted, field.digits));
    }
    return answer;
}

ModeAnswer InputModeFields(CtlRun& run, std::optional<uint32_t> wanted) {
    RequireCollection(kTouchScreenUsage, kDigitizerUsagePage, "touch screen collection");
    if (wanted && SetFeatureReportInputMode(0, static_cast<uint8_t>(*wanted)) == 0) {
        run.NoAnswer("the input mode feature report");
    }
    const int32_t mode = GetFeatureReportInputMode();
    if (mode < 0) {
        run.NoAnswer("the input mode feature report");
    }
    const auto held = static_cast<uint32_t>(mode);
    ModeAnswer answer;
    answer.fields.Add("inputMode", "Input Mode", JsonValue::Number(mode), ModeText(held, 2));
    if (wanted) {
        answer.refusal =
            Refusal(held == *wanted, "input mode", ModeText(held, 2), ModeText(*wanted, 2));
    }
    return answer;
}

// The answer is shown whether or not the controller took the value.
void ShowThenCheck(CtlRun& run, const ModeAnswer& answer) {
    run.out += answer.fields.Output(run.Json());
    if (!answer.refusal.empty()) {
        throw CtlFailure(kExitFailed, answer.refusal);
    }
}

}  // namespace

CtlSession& CtlRun::Device() {
    if (!session_) {
        auto session = std::make_unique<CtlSession>(options_.timeoutMs);
        if (session->Start() == CtlSession::StartResult::NoController) {
            NotFound("controller");
        }
        session_ = std::move(session);
    }
    return *session_;
}

void CtlRun::NoAnswer(const std::string& what) const {
    throw CtlFailure(kExitNoAnswer, "the controller did not answer " + what + " within " +
                                        std::to_string(options_.timeoutMs) + " ms");
}

CtlFields GatherInfo(CtlRun& run) {
    CtlSession& device = run.Device();
    if (!device.InputDevicesExchange("M?")) {
        run.NoAnswer("the input devices query");
    }
    const struct {
        uint8_t code;
        const char* what;
    } queries[] = {{kGetVersionCode, "the version query"},
                   {kGetModelNumberCode, "the model number query"},
                   {kGetFirmwareVersionCode, "the firmware version query"},
                   {kGetSerialNumberCode, "the serial number query"}};
    for (const auto& query : queries) {
        if (!device.Exchange(query.code, [&] { return SendDeviceQuery(query.code); })) {
            run.NoAnswer(query.what);
        }
    }
    const TDeviceStatus& status = device.Status();
    const uint16_t firmware = status.FirmwareVersion;
    CtlFields fields;
    fields.Add("connection", "Connection", "Connected");
    fields.Add("driverVersion", "Driver Version", std::string(status.DriverVersion));
    fields.Add("modelNumber", "Model Number", JsonValue::Number(status.ModelNumber));
    fields.Add("firmwareVersion", "Firmware Version",
               std::to_string(firmware >> 8) + "." + std::to_string(firmware & 0xFF));
    fields.Add("serialNumber", "Serial Number", JsonValue::Number(status.SerialNumber));
    fields.Add("inputDevices", "Input Devices", status.InputDevicesOn ? "on" : "off");
    return fields;
}

CtlFields GatherReportMode(CtlRun& run) {
    return ModeFields(run, ControllerMode::Report, std::nullopt).fields;
}

CtlFields GatherOffscreenMode(CtlRun& run) {
    return ModeFields(run, ControllerMode::Offscreen, std::nullopt).fields;
}

CtlFields GatherInputMode(CtlRun& run) {
    return InputModeFields(run, std::nullopt).fields;
}

CtlFields GatherStreamStatus(CtlRun& run) {
    CtlSession& device = run.Device();
    if (!device.Exchange(kStreamStatusReply, GetStreamStatus)) {
        run.NoAnswer("the stream status request");
    }
    CtlFields fields;
    const bool ok = device.Status().StreamStatusOk;
    fields.Add("streamStatus", "Stream Status", JsonValue::String(ok ? "ok" : "bad"),
               ok ? "Ok: Driver is getting data from touchscreen."
                  : "Bad: Driver is not getting data from touchscreen.");
    return fields;
}

CtlFields GatherPerfStats(CtlRun& /*run*/) {
    HidCaps caps;
    const HidHandle device = FindHIDDevice(caps, kPerformanceStatsUsage, kVendorUsagePage, false);
    if (device == nullptr) {
        NotFound("performance statistics collection");
    }
    MemoryStatsBuffer memory;
    ThreadTimesBuffer threads;
    const bool answered = GetPerformanceStats(device, memory, threads);
    CloseHIDDevice(device);
    if (!answered) {
        throw CtlFailure(kExitNoAnswer,
                         "BF_REPORT_GET_PERFORMANCE_STATS failed: the statistics are filled in by "
                         "the controller's own driver component, which does not answer here");
    }
    const int32_t* v = memory.values;
    CtlFields fields;
    fields.Add("totalNP", "Total NP", JsonValue::Number(v[0]));
    fields.Add("totalPaged", "Total Paged", JsonValue::Number(v[1]));
    fields.Add("t860NP", "T860 NP", JsonValue::Number(v[2]));
    fields.Add("t860Paged", "T860 Paged", JsonValue::Number(v[3]));
    fields.Add("xlateLibNP", "XlateLib NP", JsonValue::Number(v[7]));
    fields.Add("xlateLibPaged", "XlateLib Paged", JsonValue::Number(v[8]));
    return fields;
}

void InfoCommand(CommandWords& words, CtlRun& run) {
    words.RequireEnd();
    run.out += GatherInfo(run).Output(run.Json());
}

void ReportModeCommand(CommandWords& words, CtlRun& run) {
    const std::optional<uint32_t> wanted = TakeValue(words, 0xFFFF, "the report mode");
    ShowThenCheck(run, ModeFields(run, ControllerMode::Report, wanted));
}

void OffscreenModeCommand(CommandWords& words, CtlRun& run) {
    const std::optional<uint32_t> wanted = TakeValue(words, 0xFF, "the offscreen mode");
    ShowThenCheck(run, ModeFields(run, ControllerMode::Offscreen, wanted));
}

void InputModeCommand(CommandWords& words, CtlRun& run) {
    const std::optional<uint32_t> wanted = TakeValue(words, 0xFF, "the input mode");
    ShowThenCheck(run, InputModeFields(run, wanted));
}

void CalibrateCommand(CommandWords& words, CtlRun& run) {
    const bool start = TakeOnOff(words, "start", "stop");
    CtlSession& device = run.Device();
    if (!device.Exchange(kCalibrateReply, [&] { return Calibrate(start); })) {
        run.NoAnswer("the calibration command");
    }
    const bool calibrating = device.Status().Calibrating;
    CtlFields fields;
    fields.Add("calibrating", "Calibrating", JsonValue::Bool(calibrating));
    run.out += fields.Output(run.Json());
    if (calibrating != start) {
        throw CtlFailure(kExitFailed, start ? "the controller did not start calibrating"
                                            : "the controller is still calibrating");
    }
}

void RestoreDefaultsCommand(CommandWords& words, CtlRun& run) {
    words.RequireEnd();
    if (!run.Device().EventExchange(kDefaultsRestoredEvent, "RestoreDefaults")) {
        run.NoAnswer("the restore defaults command");
    }
    run.out += CtlFields()
                   .Add("defaultsRestored", "Defaults Restored", JsonValue::Bool(true))
                   .Output(run.Json());
}

void StreamStatusCommand(CommandWords& words, CtlRun& run) {
    words.RequireEnd();
    run.out += GatherStreamStatus(run).Output(run.Json());
}

void StreamCommand(CommandWords& words, CtlRun& run) {
    const bool on = TakeOnOff(words, "on", "off");
    CtlSession& device = run.Device();
    ContinuousStream(0, on);
    // The command has no answer of its own. Channel 0 sends in order, so once
    // a settings block answers a request queued after it, the controller has
    // the command; only then does the stream status tell its effect.
    uint8_t settingsData[kSettingsDataSize];
    if (!device.FetchSettings(0, settingsData)) {
        run.NoAnswer("on channel 0 after the continuous stream command");
    }
    CtlFields fields;
    fields.Add("continuousStream", "Continuous Stream", on ? "on" : "off");
    fields.Append(GatherStreamStatus(run));
    run.out += fields.Output(run.Json());
}

void InputDevicesCommand(CommandWords& words, CtlRun& run) {
    const bool on = TakeOnOff(words, "on", "off");
    CtlSession& device = run.Device();
    if (!device.InputDevicesExchange(on ? "M" : "m")) {
        run.NoAnswer("the input devices command");
    }
    const bool nowOn = device.Status().InputDevicesOn;
    run.out +=
        CtlFields().Add("inputDevices", "Input Devices", nowOn ? "on" : "off").Output(run.Json());
    if (nowOn != on) {
        throw CtlFailure(kExitFailed, std::string("the controller kept the input devices ") +
                                          (nowOn ? "on" : "off"));
    }
}

void PerfStatsCommand(CommandWords& words, CtlRun& run) {
    words.RequireEnd();
    run.out += GatherPerfStats(run).Output(run.Json());
}
