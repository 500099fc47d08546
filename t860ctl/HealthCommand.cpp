// health: one short look at the controller for a fleet's monitoring. It never
// hangs (every wait has the run's time-out), carries on past what fails so
// that the rest is still reported, and with --textfile publishes everything
// for the node exporter, also when the controller is missing.

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "Checks/BaselineAccuracy.h"
#include "Checks/HealthCheck.h"
#include "Formats/WholeFile.h"
#include "Protocol/ModeExchange.h"
#include "Protocol/Protocolutils.h"
#include "t860ctl/CtlRun.h"

namespace {

// Where the package documents that a unit's installation baseline is kept.
constexpr char kDefaultHealthBaseline[] = "/etc/t860/baseline.json";
constexpr uint32_t kMaxQuietSeconds = 600;

constexpr uint8_t kXPacketsReportMode = 2;
constexpr uint8_t kReportModeByteReply = 0x32;

struct HealthOptions {
    std::optional<std::string> baselinePath;
    std::optional<std::string> accuracyPath;
    uint32_t quietSeconds = 0;
    std::optional<std::string> textfileFolder;
};

HealthOptions TakeHealthOptions(CommandWords& words) {
    HealthOptions options;
    options.baselinePath = words.TakeOption("--baseline");
    options.accuracyPath = words.TakeOption("--accuracy");
    options.textfileFolder = words.TakeOption("--textfile");
    if (options.textfileFolder && options.textfileFolder->empty()) {
        throw CtlFailure(kExitUsage, "--textfile needs a folder");
    }
    if (const std::optional<std::string> seconds = words.TakeOption("--quiet-seconds")) {
        options.quietSeconds = ParseNumber(*seconds, kMaxQuietSeconds, "--quiet-seconds");
    }
    words.RequireEnd();
    // A baseline named on the command line must be there; the default only
    // where one was recorded.
    std::error_code error;
    if (!options.baselinePath && std::filesystem::exists(kDefaultHealthBaseline, error)) {
        options.baselinePath = kDefaultHealthBaseline;
    }
    return options;
}

// What failed on the way; the run goes on, and ends with the first code.
class HealthFailures {
public:
    template <typename Step>
    bool Attempt(Step step) {
        try {
            step();
            return true;
        } catch (const CtlFailure& failure) {
            Note(failure.Code(), failure.what());
            return false;
        }
    }
    void Note(int code, const std::string& message) {
        code_ = code_ == kExitOk ? code : code_;
        message_ += (message_.empty() ? "" : "\nt860ctl: ") + message;
    }
    // A failure that decides the exit code over any noted before.
    void NoteFirst(int code, const std::string& message) {
        const std::string others = message_;
        code_ = code;
        message_ = message + (others.empty() ? "" : "\nt860ctl: " + others);
    }
    void ThrowAny() const {
        if (code_ != kExitOk) {
            throw CtlFailure(code_, message_);
        }
    }

private:
    int code_ = kExitOk;
    std::string message_;
};

std::optional<BaselineContent> ReadHealthBaseline(const std::string& path, HealthFindings& findings,
                                                  HealthFailures& failures) {
    std::string text;
    std::string error;
    BaselineContent content;
    if (!ReadWholeTextFile(path, text, error)) {
        findings.baselineFileError = error;
    } else if (!ParseBaselineFile(text, content, error)) {
        findings.baselineFileError = path + ": " + error;
    } else {
        return content;
    }
    failures.Note(kExitFailed, findings.baselineFileError);
    return std::nullopt;
}

void ReadAccuracy(const HealthOptions& options, HealthFindings& findings,
                  HealthFailures& failures) {
    std::string error;
    if (options.accuracyPath) {
        AccuracySummary summary;
        if (ReadAccuracySummary(*options.accuracyPath, summary, error)) {
            findings.accuracy = summary;
        }
    } else {
        ReadLastAccuracy(findings.accuracy, error);
    }
    if (!error.empty()) {
        findings.accuracyFileError = error;
        failures.Note(kExitFailed, error);
    }
}

// The controller sends X packets for the window, then its own report mode
// again, also when switching failed half way.
GhostTouchCounter WatchQuietWindow(CtlRun& run, uint32_t seconds) {
    CtlSession& device = run.Device();
    const uint16_t saved = device.Status().ReportMode;
    GhostTouchCounter ghosts;
    const bool switched = device.Exchange(kReportModeByteReply,
                                          [] { return SetReportModeByte(kXPacketsReportMode); });
    if (switched) {
        device.WatchTouches(seconds, ghosts);
    }
    if (!device.Exchange(ModeReplyCode(ControllerMode::Report),
                         [&] { return SetReportMode(saved); })) {
        run.NoAnswer("the report mode request that restores " + HexText(saved, 4));
    }
    if (!switched) {
        run.NoAnswer("the report mode request for the quiet window");
    }
    return ghosts;
}

void ReadController(CtlRun& run, const HealthOptions& options,
                    const std::optional<BaselineContent>& baseline, HealthFindings& findings,
                    CtlFields& fields, HealthFailures& failures) {
    findings.up = failures.Attempt([&] { fields.Append(GatherInfo(run)); });
    if (!findings.up) {
        return;
    }
    const TDeviceStatus& status = run.Device().Status();
    const uint16_t firmware = status.FirmwareVersion;
    findings.identity =
        HealthIdentity{static_cast<uint32_t>(status.SerialNumber.load()), status.ModelNumber,
                       std::to_string(firmware >> 8) + "." + std::to_string(firmware & 0xFF),
                       std::string(status.DriverVersion,
                                   strnlen(status.DriverVersion, sizeof status.DriverVersion))};
    const bool reportModeKnown = failures.Attempt([&] {
        fields.Append(GatherReportMode(run));
        findings.reportMode = status.ReportMode;
    });
    failures.Attempt([&] {
        const CtlFields inputMode = GatherInputMode(run);
        fields.Append(inputMode);
        findings.inputMode = static_cast<int>(inputMode.Json().Find("inputMode")->AsNumber());
    });
    if (baseline) {
        // The accuracy result is read and reported on its own: one that cannot
        // be read must not cost the comparison of the camera rows.
        std::string accuracyError;
        failures.Attempt([&] {
            findings.baseline = CompareForHealth(
                *baseline, RecordBaseline(run, baseline->scans, "", &accuracyError));
        });
    }
    if (options.quietSeconds > 0 && reportModeKnown) {
        failures.Attempt([&] {
            findings.ghosts = WatchQuietWindow(run, options.quietSeconds);
            findings.quietSeconds = options.quietSeconds;
        });
    }
}

std::string GhostAreasText(const GhostTouchCounter& ghosts) {
    std::string text;
    for (int row = 0; row < kGhostGridSize; ++row) {
        for (int column = 0; column < kGhostGridSize; ++column) {
            if (ghosts.At(row, column) > 0) {
                text += std::string(text.empty() ? "" : ", ") + GhostRowName(row) + " " +
                        GhostColumnName(column) + " " + std::to_string(ghosts.At(row, column));
            }
        }
    }
    return text.empty() ? "none" : text;
}

void AddFindings(const HealthFindings& findings, const std::optional<std::string>& baselinePath,
                 CtlFields& fields) {
    fields.Add("baseline", "Baseline",
               baselinePath ? JsonValue::String(*baselinePath) : JsonValue(),
               baselinePath.value_or("none"));
    fields.Add("baselineCompared", "Baseline Compared",
               JsonValue::Bool(findings.baseline.has_value()));
    if (findings.baseline) {
        const BaselineComparison& comparison = findings.baseline->comparison;
        const auto moved = std::count_if(comparison.profiles.begin(), comparison.profiles.end(),
                                         [](const ProfileDifference& p) { return p.moved; });
        fields.Add("differs", "Differs From Baseline", JsonValue::Bool(comparison.Differs()));
        fields.Add("serialNumberDiffers", "Serial Number Differs",
                   JsonValue::Bool(comparison.SerialDiffers()));
        fields.Add("settingsDiffering", "Settings Differing",
                   JsonValue::Number(static_cast<double>(comparison.settings.size())));
        fields.Add("profilesMoved", "Camera Rows Moved",
                   JsonValue::Number(static_cast<double>(moved)));
    }
    if (findings.ghosts) {
        fields.Add("quietSeconds", "Quiet Window Seconds",
                   JsonValue::Number(findings.quietSeconds));
        fields.Add("ghostTouches", "Ghost Touches", JsonValue::Number(findings.ghosts->Total()));
        fields.Add("ghostTouchAreas", "Ghost Touch Areas", GhostAreasText(*findings.ghosts));
    }
    if (findings.accuracy) {
        const AccuracySummaryValues& values = findings.accuracy->Values;
        fields.Add("accuracyPassed", "Accuracy Passed", JsonValue::Bool(values.Passed));
        fields.Add("accuracyLargestOffsetPx", "Accuracy Largest Offset (px)",
                   JsonValue::Number(values.LargestOffsetPx));
        fields.Add("accuracyLargestJitterPx", "Accuracy Largest Jitter (px)",
                   JsonValue::Number(values.LargestJitterPx));
    } else {
        fields.Add("accuracyPassed", "Accuracy Passed", JsonValue(), "no result");
    }
    fields.Add("durationSeconds", "Duration (s)", JsonValue::Number(findings.durationSeconds));
}

}  // namespace

void HealthCommand(CommandWords& words, CtlRun& run) {
    const HealthOptions options = TakeHealthOptions(words);
    const auto started = std::chrono::steady_clock::now();
    HealthFindings findings;
    findings.startedUnixSeconds =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    HealthFailures failures;
    const std::optional<BaselineContent> baseline =
        options.baselinePath ? ReadHealthBaseline(*options.baselinePath, findings, failures)
                             : std::nullopt;
    CtlFields fields;
    CtlFields controller;
    ReadController(run, options, baseline, findings, controller, failures);
    fields.Add("up", "Controller Up", JsonValue::Bool(findings.up));
    fields.Append(controller);
    ReadAccuracy(options, findings, failures);
    findings.durationSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    AddFindings(findings, options.baselinePath, fields);

    if (options.textfileFolder) {
        const std::string path =
            (std::filesystem::path(*options.textfileFolder) / kHealthTextfileName).string();
        std::string error;
        if (!WriteFileReplacing(path, HealthMetricsText(findings), error, FileReaders::Everyone)) {
            // The one failure a timer's unit must show: the metrics went stale.
            failures.NoteFirst(kExitFailed, "cannot publish the health metrics: " + error);
        } else {
            fields.Add("textfile", "Metrics Written To", path);
        }
    }
    run.out += fields.Output(run.Json());
    failures.ThrowAny();
    if (findings.baseline && findings.baseline->comparison.Differs()) {
        throw CtlFailure(kExitDiffers, "the unit differs from the baseline of " + baseline->date);
    }
}
