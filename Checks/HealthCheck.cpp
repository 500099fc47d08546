#include "Checks/HealthCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "Formats/PrometheusText.h"

namespace {

double Flag(bool value) {
    return value ? 1 : 0;
}

void IdentityMetrics(const HealthFindings& findings, PrometheusText& metrics) {
    metrics.Gauge("t860_up", "Whether the controller was found and answered (1) or not (0).",
                  Flag(findings.up));
    if (findings.identity) {
        const HealthIdentity& identity = *findings.identity;
        metrics.Family("t860_info", "The controller's identity and versions; always 1.");
        metrics.Sample(1, {{"serial", std::to_string(identity.serialNumber)},
                           {"model", std::to_string(identity.modelNumber)},
                           {"firmware", identity.firmwareVersion},
                           {"driver", identity.driverVersion}});
    }
    if (findings.reportMode) {
        metrics.Gauge("t860_report_mode", "The controller's report mode (bit field).",
                      *findings.reportMode);
    }
    if (findings.inputMode) {
        metrics.Gauge("t860_input_mode",
                      "The input mode of the controller's touch screen collection.",
                      *findings.inputMode);
    }
    metrics.Gauge("t860_last_run_timestamp_seconds",
                  "When the health check ran, in seconds since 1970.", findings.startedUnixSeconds);
    metrics.Gauge("t860_last_run_duration_seconds", "How long the health check took.",
                  findings.durationSeconds);
}

// One series per setting: a setting listed twice under the same name counts
// twice in its one series, as the collector refuses repeated series.
void SettingMetrics(const BaselineComparison& comparison, PrometheusText& metrics) {
    metrics.Gauge("t860_baseline_settings_differing",
                  "Settings whose value differs from the baseline's.",
                  static_cast<double>(comparison.settings.size()));
    if (comparison.settings.empty()) {
        return;
    }
    std::map<std::tuple<int, std::string, std::string>, int> counts;
    for (const SettingDifference& setting : comparison.settings) {
        ++counts[{setting.channel, setting.group, setting.name}];
    }
    metrics.Family("t860_baseline_setting_differs",
                   "Settings of this channel, group and name that differ from the baseline.");
    for (const auto& [key, count] : counts) {
        const auto& [channel, group, name] = key;
        metrics.Sample(count,
                       {{"channel", std::to_string(channel)}, {"group", group}, {"name", name}});
    }
}

void ProfileMetrics(const HealthBaseline& baseline, PrometheusText& metrics) {
    const std::vector<ProfileDifference>& profiles = baseline.comparison.profiles;
    const auto labels = [](const ProfileDifference& profile) {
        return PrometheusLabels{{"camera", std::to_string(profile.camera)},
                                {"row", RowKindName(profile.kind)}};
    };
    if (!profiles.empty()) {
        metrics.Family("t860_baseline_profile_change_ratio",
                       "Largest change of a pixel of the camera row since the baseline, relative "
                       "to the baseline's value there (taken as at least 60 counts).");
        for (size_t i = 0; i < profiles.size(); ++i) {
            metrics.Sample(i < baseline.changeRatios.size() ? baseline.changeRatios[i] : 0,
                           labels(profiles[i]));
        }
        metrics.Family("t860_baseline_profile_moved",
                       "Whether the camera row moved beyond the tolerances since the baseline.");
        for (const ProfileDifference& profile : profiles) {
            metrics.Sample(Flag(profile.moved), labels(profile));
        }
    }
    const auto moved = std::count_if(profiles.begin(), profiles.end(),
                                     [](const ProfileDifference& p) { return p.moved; });
    metrics.Gauge("t860_baseline_profiles_moved",
                  "Camera rows that moved beyond the tolerances since the baseline.",
                  static_cast<double>(moved));
    metrics.Gauge("t860_baseline_profiles_missing",
                  "Camera rows of the baseline that the controller does not show now.",
                  static_cast<double>(baseline.comparison.missingProfiles.size()));
}

void BaselineMetrics(const HealthFindings& findings, PrometheusText& metrics) {
    metrics.Gauge("t860_baseline_file_error",
                  "Whether the baseline file given is missing, unreadable or not a baseline.",
                  Flag(!findings.baselineFileError.empty()));
    metrics.Gauge("t860_baseline_compared",
                  "Whether the controller was compared with its baseline in this run.",
                  Flag(findings.baseline.has_value()));
    if (!findings.baseline) {
        return;
    }
    const BaselineComparison& comparison = findings.baseline->comparison;
    metrics.Gauge("t860_baseline_serial_differs",
                  "Whether the baseline is of another unit than this controller.",
                  Flag(comparison.SerialDiffers()));
    SettingMetrics(comparison, metrics);
    ProfileMetrics(*findings.baseline, metrics);
}

void GhostMetrics(const HealthFindings& findings, PrometheusText& metrics) {
    if (!findings.ghosts) {
        return;
    }
    const GhostTouchCounter& ghosts = *findings.ghosts;
    metrics.Gauge("t860_quiet_window_seconds",
                  "How long the health check watched for touches nobody should make.",
                  findings.quietSeconds);
    metrics.Gauge("t860_ghost_touches", "Touches during the hands-off window.", ghosts.Total());
    metrics.Family("t860_ghost_touches_by_area",
                   "Touches during the hands-off window, by where on the screen they appeared.");
    for (int row = 0; row < kGhostGridSize; ++row) {
        for (int column = 0; column < kGhostGridSize; ++column) {
            metrics.Sample(ghosts.At(row, column),
                           {{"row", GhostRowName(row)}, {"column", GhostColumnName(column)}});
        }
    }
}

void AccuracyMetrics(const HealthFindings& findings, PrometheusText& metrics) {
    metrics.Gauge("t860_accuracy_file_error",
                  "Whether the last accuracy result is there but cannot be read.",
                  Flag(!findings.accuracyFileError.empty()));
    metrics.Gauge("t860_accuracy_result", "Whether there is an accuracy result to report.",
                  Flag(findings.accuracy.has_value()));
    if (!findings.accuracy) {
        return;
    }
    const AccuracySummary& accuracy = *findings.accuracy;
    metrics.Gauge("t860_accuracy_passed", "Whether the last accuracy test passed.",
                  Flag(accuracy.Values.Passed));
    metrics.Gauge("t860_accuracy_largest_offset_pixels",
                  "Largest offset of a target in the last accuracy test.",
                  accuracy.Values.LargestOffsetPx);
    metrics.Gauge("t860_accuracy_largest_jitter_pixels",
                  "Largest jitter of a target in the last accuracy test.",
                  accuracy.Values.LargestJitterPx);
    if (const std::optional<double> when = UnixSecondsOfIso8601(accuracy.Date)) {
        metrics.Gauge("t860_accuracy_timestamp_seconds",
                      "When the last accuracy test ran, in seconds since 1970.", *when);
    }
}

// Days from 1970-01-01 to the civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

double LargestChangeRatio(const BaselineProfile& then, const BaselineProfile& now) {
    double largest = 0;
    for (int pixel = 0; pixel < kBaselinePixels; ++pixel) {
        const double reference = std::max(std::fabs(then.values[pixel]), kRelativeChangeFloor);
        largest = std::max(largest, std::fabs(now.values[pixel] - then.values[pixel]) / reference);
    }
    return largest;
}

HealthBaseline CompareForHealth(const BaselineContent& then, const BaselineContent& now) {
    HealthBaseline baseline;
    baseline.comparison = CompareBaseline(then, now);
    for (const ProfileDifference& profile : baseline.comparison.profiles) {
        const BaselineProfile* before = FindProfile(then.profiles, profile.camera, profile.kind);
        const BaselineProfile* after = FindProfile(now.profiles, profile.camera, profile.kind);
        baseline.changeRatios.push_back(
            before != nullptr && after != nullptr ? LargestChangeRatio(*before, *after) : 0);
    }
    return baseline;
}

std::string HealthMetricsText(const HealthFindings& findings) {
    PrometheusText metrics;
    IdentityMetrics(findings, metrics);
    BaselineMetrics(findings, metrics);
    GhostMetrics(findings, metrics);
    AccuracyMetrics(findings, metrics);
    return metrics.Text();
}

std::optional<double> UnixSecondsOfIso8601(const std::string& text) {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    char zone = 0;
    int length = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%n", &year, &month, &day, &hour,
                    &minute, &second, &zone, &length) != 7 ||
        zone != 'Z' || static_cast<size_t>(length) != text.size() || month < 1 || month > 12 ||
        day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60 || hour < 0 || minute < 0 ||
        second < 0) {
        return std::nullopt;
    }
    return static_cast<double>(DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 +
                               second);
}
