#pragma once
// One health check's findings (the controller, its modes, what changed since
// the installation baseline, ghost touches in a hands-off window, the last
// accuracy result) and their publication as node exporter textfile metrics,
// all named "t860_...", so that a fleet's monitoring can chart and alert on
// every screen.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Checks/BaselineCompare.h"
#include "Checks/GhostTouches.h"

// The file the metrics go to, in the collector's folder.
constexpr char kHealthTextfileName[] = "t860.prom";

struct HealthIdentity {
    uint32_t serialNumber = 0;
    uint16_t modelNumber = 0;
    std::string firmwareVersion;
    std::string driverVersion;
};

// The comparison with a baseline, and per profile (in the comparison's order)
// its largest change relative to the baseline's value.
struct HealthBaseline {
    BaselineComparison comparison;
    std::vector<double> changeRatios;
};

// A pixel's change relative to the baseline's value there, taken as at least
// this many counts, so that the dark pixels of an ambient row do not turn
// their noise into huge ratios.
constexpr double kRelativeChangeFloor = 60;

HealthBaseline CompareForHealth(const BaselineContent& then, const BaselineContent& now);
double LargestChangeRatio(const BaselineProfile& then, const BaselineProfile& now);

struct HealthFindings {
    double startedUnixSeconds = 0;
    double durationSeconds = 0;

    bool up = false;  // the controller was found and told who it is
    std::optional<HealthIdentity> identity;
    std::optional<uint16_t> reportMode;
    std::optional<int> inputMode;

    // Why the baseline given could not be used (missing, unreadable, corrupt);
    // empty when there was none or it was read.
    std::string baselineFileError;
    std::optional<HealthBaseline> baseline;  // when it was compared

    std::optional<GhostTouchCounter> ghosts;  // when a quiet window was watched
    uint32_t quietSeconds = 0;

    std::string accuracyFileError;  // a result that is there but cannot be read
    std::optional<AccuracySummary> accuracy;
};

// The metrics in the text format, every family with its HELP and TYPE.
std::string HealthMetricsText(const HealthFindings& findings);

// Seconds since 1970 of an ISO 8601 UTC time ("2026-12-08T01:45:10Z"); none
// for anything else.
std::optional<double> UnixSecondsOfIso8601(const std::string& text);
