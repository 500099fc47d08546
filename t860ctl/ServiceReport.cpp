// report FILE: everything support asks for, in one text file, with the result
// of an accuracy test when one is given. A section the controller does not
// answer (or a result file that cannot be read) says so, and the rest is
// still written.

#include <charconv>
#include <ctime>
#include <fstream>
#include <optional>

#include "Checks/AccuracyFile.h"
#include "DriverInterface/DriverIO.h"
#include "lib/Version.h"
#include "t860ctl/CtlRun.h"

#if defined(__unix__)
#include <sys/utsname.h>
#endif

namespace {

std::string PlatformText() {
    std::string text;
#if defined(__unix__)
    utsname name{};
    if (uname(&name) == 0) {
        text = std::string(name.sysname) + " " + name.release + " " + name.machine;
    }
#endif
    if (text.empty()) {
        text = "unknown";
    }
#if defined(__VERSION__)
    text += "; compiler " __VERSION__;
#endif
    return text;
}

std::string NowText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[64] = "unknown";
#ifdef _WIN32
    const bool converted = localtime_s(&local, &now) == 0;
#else
    const bool converted = localtime_r(&now, &local) != nullptr;
#endif
    if (converted) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %z", &local);
    }
    return text;
}

class ReportWriter {
public:
    explicit ReportWriter(CtlRun& run) : run_(run) {}

    void Heading(const std::string& title) { text_ += "\n[" + title + "]\n"; }

    // The section's text, or why it is missing; the first failure is kept.
    template <typename Section>
    void Add(Section section) {
        try {
            text_ += section();
        } catch (const CtlFailure& failure) {
            text_ += std::string("Not available: ") + failure.what() + "\n";
            if (firstFailure_ == kExitOk) {
                firstFailure_ = failure.Code();
                firstMessage_ = failure.what();
            }
        }
    }

    std::string& Text() { return text_; }
    int FirstFailure() const { return firstFailure_; }
    const std::string& FirstMessage() const { return firstMessage_; }

private:
    CtlRun& run_;
    std::string text_;
    int firstFailure_ = kExitOk;
    std::string firstMessage_;
};

std::string SettingsSection(CtlRun& run, int channel) {
    uint8_t settingsData[kSettingsDataSize];
    FetchSettingsOrFail(run, channel, settingsData);
    return SettingsTable(channel, settingsData);
}

// A screen diagonal in inches as a technician types it ("23.8"), for a
// monitor that reported no size or a wrong one.
std::optional<double> TakeDiagonal(CommandWords& words) {
    const std::optional<std::string> text = words.TakeOption("--diagonal");
    if (!text) {
        return std::nullopt;
    }
    double inches = 0;
    const char* last = text->data() + text->size();
    const auto [end, ec] = std::from_chars(text->data(), last, inches);
    AccuracyScreen probe{1600, 900, {}, {}};
    if (text->empty() || ec != std::errc() || end != last || !ApplyDiagonal(probe, inches)) {
        throw CtlFailure(
            kExitUsage, "--diagonal must be the screen's diagonal in inches, from 2 to 120, not '" +
                            *text + "'");
    }
    return inches;
}

// The last accuracy test's result file, as the accuracy window saved it;
// with a typed diagonal its millimetres are worked out again from it.
std::string AccuracySection(const std::string& path, std::optional<double> diagonal) {
    AccuracySummary summary;
    std::string error;
    if (!ReadAccuracySummary(path, summary, error)) {
        throw CtlFailure(kExitFailed, error);
    }
    if (diagonal) {
        if (summary.Acceptance) {
            ApplyTypedDiagonal(*summary.Acceptance, summary.Screen, *diagonal);
        } else {
            ApplyDiagonal(summary.Screen, *diagonal);
        }
    }
    return "File: " + path + "\n" + AccuracySummaryText(summary);
}

}  // namespace

void ReportCommand(CommandWords& words, CtlRun& run) {
    const std::optional<std::string> accuracy = words.TakeOption("--accuracy");
    const std::optional<std::string> baselinePath = words.TakeOption("--baseline");
    const std::optional<double> diagonal = TakeDiagonal(words);
    const std::string path = words.RequireOperand("FILE");
    if (diagonal && !accuracy) {
        throw CtlFailure(kExitUsage, "--diagonal goes with --accuracy");
    }
    words.RequireEnd();
    // A baseline that cannot be read ends the run before the controller is asked.
    const std::optional<BaselineContent> baseline =
        baselinePath ? std::optional(ReadBaselineOrFail(*baselinePath)) : std::nullopt;
    uint16_t vendor;
    uint16_t product;
    GetDeviceIdentity(vendor, product);
    ReportWriter report(run);
    report.Text() = "T860 service report\nCreated: " + NowText() + "\nProgram: t860ctl " +
                    ProgramVersion() + "\nPlatform: " + PlatformText() + "\nIdentity: vendor id " +
                    HexText(vendor, 4) + ", product id " + HexText(product, 4) +
                    (run.Options().simulate ? " (virtual controller)\n" : "\n");
    report.Heading("Device information");
    report.Add([&] { return GatherInfo(run).Text(); });
    report.Heading("Modes");
    report.Add([&] { return GatherReportMode(run).Text(); });
    report.Add([&] { return GatherOffscreenMode(run).Text(); });
    report.Add([&] { return GatherInputMode(run).Text(); });
    report.Heading("Stream");
    report.Add([&] { return GatherStreamStatus(run).Text(); });
    report.Heading("Settings, channel 0");
    report.Add([&] { return SettingsSection(run, 0); });
    report.Heading("Settings, channel 6");
    report.Add([&] { return SettingsSection(run, 6); });
    report.Heading("Performance statistics");
    report.Add([&] { return GatherPerfStats(run).Text(); });
    if (accuracy) {
        report.Heading("Accuracy test");
        report.Add([&] { return AccuracySection(*accuracy, diagonal); });
    }
    if (baseline) {
        report.Heading("Changes since the baseline");
        report.Add([&] {
            return FormatComparison(CompareWithNow(run, *baseline, baseline->scans), *baseline);
        });
    }
    report.Heading("Trace, last lines of this run");
    const std::vector<std::string> traceLines = run.Trace().Lines();
    for (const std::string& line : traceLines) {
        report.Text() += line + "\n";
    }
    if (traceLines.empty()) {
        report.Text() += "(none)\n";
    }

    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!(file << report.Text()) || !file.flush()) {
        throw CtlFailure(kExitFailed, "cannot write " + path);
    }
    CtlFields fields;
    fields.Add("file", "Service report", path);
    fields.Add("complete", "Complete", JsonValue::Bool(report.FirstFailure() == kExitOk));
    run.out += fields.Output(run.Json());
    if (report.FirstFailure() != kExitOk) {
        throw CtlFailure(report.FirstFailure(), report.FirstMessage());
    }
}
