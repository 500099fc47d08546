#pragma once
// What a command works with: its options, the controller (connected on first
// use) and the run's trace lines; and the commands themselves.

#include <memory>
#include <string>

#include "Checks/BaselineCompare.h"
#include "t860ctl/CtlArguments.h"
#include "t860ctl/CtlOutput.h"
#include "t860ctl/CtlSession.h"
#include "t860ctl/TraceTail.h"

class CtlRun {
public:
    CtlRun(const CtlOptions& options, const TraceTail& trace) : options_(options), trace_(trace) {}

    const CtlOptions& Options() const { return options_; }
    bool Json() const { return options_.json; }
    const TraceTail& Trace() const { return trace_; }
    std::string out;

    // The connected controller; throws CtlFailure (no controller) otherwise.
    CtlSession& Device();
    // Throws the time-out failure for what was asked.
    [[noreturn]] void NoAnswer(const std::string& what) const;

private:
    const CtlOptions& options_;
    const TraceTail& trace_;
    std::unique_ptr<CtlSession> session_;
};

// Each reads its own words (usage errors before the controller is touched),
// then works and appends its output to run.out; failures throw CtlFailure.
void InfoCommand(CommandWords& words, CtlRun& run);
void ReportModeCommand(CommandWords& words, CtlRun& run);
void OffscreenModeCommand(CommandWords& words, CtlRun& run);
void InputModeCommand(CommandWords& words, CtlRun& run);
void CalibrateCommand(CommandWords& words, CtlRun& run);
void RestoreDefaultsCommand(CommandWords& words, CtlRun& run);
void StreamStatusCommand(CommandWords& words, CtlRun& run);
void StreamCommand(CommandWords& words, CtlRun& run);
void InputDevicesCommand(CommandWords& words, CtlRun& run);
void SettingsCommand(CommandWords& words, CtlRun& run);
void LogPacketsCommand(CommandWords& words, CtlRun& run);
void ScopeCommand(CommandWords& words, CtlRun& run);
void PerfStatsCommand(CommandWords& words, CtlRun& run);
void ReportCommand(CommandWords& words, CtlRun& run);
void BaselineCommand(CommandWords& words, CtlRun& run);
void HealthCommand(CommandWords& words, CtlRun& run);

// The sections that both their commands and the service report show; each
// throws CtlFailure when the controller does not answer.
CtlFields GatherInfo(CtlRun& run);
CtlFields GatherReportMode(CtlRun& run);
CtlFields GatherOffscreenMode(CtlRun& run);
CtlFields GatherInputMode(CtlRun& run);
CtlFields GatherStreamStatus(CtlRun& run);
CtlFields GatherPerfStats(CtlRun& run);
// Every setting of the channel as a table, or as JSON.
std::string SettingsTable(int channel, const uint8_t (&settingsData)[kSettingsDataSize]);
void FetchSettingsOrFail(CtlRun& run, int channel, uint8_t (&settingsData)[kSettingsDataSize]);

// The unit as it is now, recorded as a baseline is, each profile taken from
// that many scans. A last accuracy result that cannot be read ends the run,
// or with accuracyError given is left out and said there.
BaselineContent RecordBaseline(CtlRun& run, int scans, const std::string& note,
                               std::string* accuracyError = nullptr);
// A baseline file, strictly read; throws CtlFailure (file error) otherwise.
BaselineContent ReadBaselineOrFail(const std::string& path);
BaselineComparison CompareWithNow(CtlRun& run, const BaselineContent& then, int scans);
