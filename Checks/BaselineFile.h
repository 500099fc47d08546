#pragma once
// Baseline files: a unit as it was recorded at one visit (identity, both
// channels' settings, one profile per camera and row kind, the last accuracy
// result), so that a later visit can say what changed since.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Checks/AccuracyFile.h"
#include "Formats/Json.h"
#include "Formats/SettingsFile.h"

// "format" of a baseline file.
constexpr char kBaselineFileFormat[] = "T860 baseline";
constexpr int kBaselineFileVersion = 1;
constexpr int kBaselinePixels = 512;
constexpr int kMaxBaselineCameras = 4;

// The rows a camera shows, in the order a baseline lists them.
enum class RowKind { Lit, Ambient, Subtracted, Trigger };
constexpr RowKind kRowKinds[] = {RowKind::Lit, RowKind::Ambient, RowKind::Subtracted,
                                 RowKind::Trigger};

// "lit", "ambient", "subtracted", "trigger".
const char* RowKindName(RowKind kind);
// The scope channel code of a camera (1..4) and row kind.
uint8_t ScopeChannelOf(int camera, RowKind kind);

struct BaselineProfile {
    int camera = 1;  // 1..4
    RowKind kind = RowKind::Lit;
    std::array<double, kBaselinePixels> values{};
};

struct BaselineContent {
    std::string date;  // ISO 8601, UTC
    std::string note;
    int scans = 0;  // how many scans each profile was taken from
    uint16_t vendor = 0;
    uint16_t product = 0;
    std::string driverVersion;
    uint16_t modelNumber = 0;
    std::string firmwareVersion;
    uint32_t serialNumber = 0;
    std::vector<SavedSetting> channel0;
    std::vector<SavedSetting> channel6;
    // Every camera the controller has, each with all four row kinds.
    std::vector<BaselineProfile> profiles;
    std::optional<AccuracySummary> accuracy;  // the last accuracy result, if any
};

std::string WriteBaselineFile(const BaselineContent& content);
// Strict: every field present with its type and range, every profile complete
// and each camera's rows listed once. False with a message that names the line
// and column of the fault; content untouched.
bool ParseBaselineFile(std::string_view text, BaselineContent& content, std::string& error);

// The profile of the camera and row kind, or null.
const BaselineProfile* FindProfile(const std::vector<BaselineProfile>& profiles, int camera,
                                   RowKind kind);
