#pragma once
// Accuracy result files: one finished accuracy test as JSON ("T860 accuracy",
// version 2: version 1 plus the acceptance checks), written whole through a
// temporary file, and the summary read back strictly (t860ctl's service
// report, the baseline file); version 1 files are still read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Checks/AcceptanceCheck.h"
#include "Checks/AccuracyCheck.h"
#include "Checks/DesktopMapping.h"
#include "Formats/Json.h"

constexpr char kAccuracyFileFormat[] = "T860 accuracy";
constexpr int kAccuracyFileVersion = 2;
constexpr int kOldestAccuracyFileVersion = 1;
// The last finished result, in the data folder beside the ini file.
constexpr char kLastAccuracyFileName[] = "LastAccuracy.json";

// Everything a finished test leaves behind.
struct AccuracyResult {
    std::string Date;  // ISO 8601 UTC, "2026-12-08T01:45:10Z"
    std::optional<int64_t> SerialNumber;
    AccuracyScreen Screen;
    AccuracyThresholds Thresholds;
    int GridSize = kSmallTargetGrid;
    std::vector<TargetSample> Samples;  // one per target, taken or not
    MappingVerdict Mapping;
    std::string MappingText;  // the verdict's sentence
    std::string Advice;       // the fix to copy, empty when none
    // The coverage, two-finger and millimetre checks; none in a version 1 file.
    std::optional<AcceptanceRecord> Acceptance;
};

// The part of a result that other files and reports carry.
struct AccuracySummary {
    std::string Date;
    std::optional<int64_t> SerialNumber;
    AccuracyScreen Screen;
    AccuracySummaryValues Values;
    std::optional<AcceptanceRecord> Acceptance;
};

AccuracySummary SummaryOf(const AccuracyResult& result);

JsonValue AccuracyResultJson(const AccuracyResult& result);
std::string WriteAccuracyFile(const AccuracyResult& result);
// Written beside the path and renamed over it; false with a message.
bool SaveAccuracyFile(const std::string& path, const AccuracyResult& result, std::string& error);

// The summary of a result file's root object (format, version, date,
// serialNumber, screen, summary); strict: false with a message naming the
// member at fault, and out untouched.
bool AccuracySummaryFromJson(const JsonValue& root, AccuracySummary& out, std::string& error);
// The same members as an object that AccuracySummaryFromJson reads back, for
// files that embed a summary.
JsonValue AccuracySummaryJson(const AccuracySummary& summary);
// Reads a result file; malformed JSON gives the line and column in error.
bool ReadAccuracySummary(const std::string& path, AccuracySummary& out, std::string& error);

// Lines for a text report: date, serial, screen, offsets, jitter, verdict,
// and each acceptance criterion when the result has them.
std::string AccuracySummaryText(const AccuracySummary& summary);

// Now as ISO 8601 UTC.
std::string UtcNowIso8601();
