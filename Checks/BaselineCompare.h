#pragma once
// What changed between a baseline and the unit now (recorded the same way):
// serial number, settings, how far each profile moved, and the accuracy then
// and now.

#include <optional>
#include <string>
#include <vector>

#include "Checks/BaselineFile.h"
#include "Formats/Json.h"

// A pixel moved when it differs by more than the larger of an absolute and a
// relative amount, and a profile moved when a run of such pixels, all moved
// the same way, is at least minRun long. The defaults sit above what a
// healthy unit drifts between two recordings: light sources warm up and dim
// by some percent, and ambient light wanders by a few dozen counts.
struct ProfileTolerance {
    double absolute = 60;
    double relative = 0.15;
    int minRun = 4;
};

struct SettingDifference {
    int channel = 6;
    std::string group;
    std::string name;
    std::string then;  // "(absent)" when only the other side has it
    std::string now;
};

struct ProfileDifference {
    int camera = 1;
    RowKind kind = RowKind::Lit;
    double meanDifference = 0;     // mean of |now - then| over all pixels
    double largestDifference = 0;  // now - then where it is largest in size
    int largestAt = 0;
    bool moved = false;  // beyond the tolerance
    // The run of moved pixels with the most change in it (only when moved).
    int firstPixel = 0;
    int lastPixel = 0;
    bool dropped = false;  // the run went down (shadow, dirt), else up (light)
};

struct BaselineComparison {
    uint32_t serialThen = 0;
    uint32_t serialNow = 0;
    std::vector<SettingDifference> settings;
    std::vector<ProfileDifference> profiles;   // every camera and row of the baseline
    std::vector<std::string> missingProfiles;  // in the baseline, not measured now
    std::optional<AccuracySummary> accuracyThen;
    std::optional<AccuracySummary> accuracyNow;
    // What got worse in the acceptance checks: "the lower left corner now
    // drops out", ...
    std::vector<std::string> acceptanceChanges;

    bool SerialDiffers() const { return serialThen != serialNow; }
    // Accuracy counts when it passed then and fails now, or an acceptance
    // check got worse.
    bool AccuracyWorse() const;
    bool Differs() const;
};

BaselineComparison CompareBaseline(const BaselineContent& then, const BaselineContent& now,
                                   const ProfileTolerance& tolerance = {});
ProfileDifference CompareProfile(const BaselineProfile& then, const BaselineProfile& now,
                                 const ProfileTolerance& tolerance);

// Serial number first, then settings, profiles and accuracy.
std::string FormatComparison(const BaselineComparison& comparison, const BaselineContent& then);
JsonValue ComparisonJson(const BaselineComparison& comparison, const BaselineContent& then);
