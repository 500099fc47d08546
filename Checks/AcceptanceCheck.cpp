#include "Checks/AcceptanceCheck.h"

#include <algorithm>
#include <cmath>

#include "Protocol/TextBuilder.h"

namespace {

std::string Count(size_t value) {
    return std::to_string(value);
}

CriterionVerdict NotMeasured(const char* name, std::string why) {
    return {name, std::move(why), "", false, false};
}

CriterionVerdict Offset(const AcceptanceRecord& record, const AccuracyScreen& screen) {
    if (record.TargetOffsetsPx.empty()) {
        return NotMeasured("Offset", "no targets taken");
    }
    std::vector<double> offsets;
    for (const AccuracyPoint& offset : record.TargetOffsetsPx) {
        offsets.push_back(std::hypot(offset.X * MmPerPxX(screen), offset.Y * MmPerPxY(screen)));
    }
    std::sort(offsets.begin(), offsets.end());
    const auto within = static_cast<size_t>(
        std::upper_bound(offsets.begin(), offsets.end(), record.Limits.OffsetMm) - offsets.begin());
    const double share = 100.0 * static_cast<double>(within) / static_cast<double>(offsets.size());
    return {"Offset",
            Count(within) + " of " + Count(offsets.size()) + " targets within " +
                FixedText(record.Limits.OffsetMm, 1) + " mm (largest " +
                FixedText(offsets.back(), 2) + " mm)",
            FixedText(record.Limits.OffsetSharePercent, 0) + " % within " +
                FixedText(record.Limits.OffsetMm, 1) + " mm",
            true, share + 1e-9 >= record.Limits.OffsetSharePercent};
}

CriterionVerdict Jitter(const AcceptanceRecord& record, const AccuracyScreen& screen) {
    if (record.TargetJitterSdPx.empty()) {
        return NotMeasured("Jitter", "no targets taken");
    }
    // A held touch's jitter is the same size along both axes.
    const double mmPerPx = std::sqrt(MmPerPxX(screen) * MmPerPxY(screen));
    const double largest =
        *std::max_element(record.TargetJitterSdPx.begin(), record.TargetJitterSdPx.end()) * mmPerPx;
    return {"Jitter", "largest " + FixedText(largest, 2) + " mm (standard deviation)",
            FixedText(record.Limits.JitterMm, 2) + " mm", true, largest <= record.Limits.JitterMm};
}

CriterionVerdict CellCountCriterion(const char* name, const std::vector<CoverageCell>& cells,
                                    const char* what) {
    return {name, Count(cells.size()) + " " + what, "none", true, cells.empty()};
}

CriterionVerdict Rate(const AcceptanceRecord& record, const CoverageRecord& coverage) {
    const ContactRates& rates = coverage.Rates;
    if (rates.Windows == 0) {
        return NotMeasured("Report rate", "no contact moved long enough");
    }
    const double judged = record.Limits.RateLowest ? rates.LowestHz : rates.MedianHz;
    const double needed = record.Limits.MinRatePercent / 100 * record.RefreshHz;
    return {"Report rate",
            "lowest " + FixedText(rates.LowestHz, 0) + " Hz, median " +
                FixedText(rates.MedianHz, 0) + " Hz per contact",
            std::string(record.Limits.RateLowest ? "lowest" : "median") + " at least " +
                FixedText(needed, 0) + " Hz (screen " + FixedText(record.RefreshHz, 0) + " Hz)",
            true, judged + 0.5 >= needed};
}

}  // namespace

std::string FixedText(double value, int decimals) {
    char text[64];
    TextBuilder builder(text, sizeof text);
    builder.Fixed(value, decimals);
    builder.Finish();
    return text;
}

void TakeTargets(AcceptanceRecord& record, const std::vector<TargetSample>& samples) {
    record.TargetOffsetsPx.clear();
    record.TargetJitterSdPx.clear();
    for (const TargetSample& sample : samples) {
        if (sample.Taken) {
            record.TargetOffsetsPx.push_back({sample.Controller.Mean.X - sample.Target.X,
                                              sample.Controller.Mean.Y - sample.Target.Y});
            record.TargetJitterSdPx.push_back(sample.Controller.JitterSd);
        }
    }
}

std::vector<CriterionVerdict> JudgeAcceptance(const AcceptanceRecord& record,
                                              const AccuracyScreen& screen) {
    std::vector<CriterionVerdict> criteria{Offset(record, screen), Jitter(record, screen)};
    if (record.Coverage) {
        const CoverageRecord& coverage = *record.Coverage;
        criteria.push_back({"Coverage",
                            Count(static_cast<size_t>(coverage.CellsReached)) + " of " +
                                Count(static_cast<size_t>(coverage.Cells())) + " cells reached",
                            "all", true, coverage.Unreached.empty()});
        criteria.push_back(CellCountCriterion("Dropouts", coverage.Dropouts, "strokes broke"));
        criteria.push_back(CellCountCriterion("Jumps", coverage.Jumps, "steps jumped"));
        criteria.push_back(Rate(record, coverage));
    } else {
        for (const char* name : {"Coverage", "Dropouts", "Jumps", "Report rate"}) {
            criteria.push_back(NotMeasured(name, "strokes not run"));
        }
    }
    const TwoFingerVerdict two = record.TwoFingers;
    const bool judged = two != TwoFingerVerdict::NotRun && two != TwoFingerVerdict::Skipped;
    criteria.push_back({"Two fingers", TwoFingerVerdictText(two), "two contacts at the targets",
                        judged, two == TwoFingerVerdict::Passed});
    return criteria;
}

bool AcceptancePassed(const std::vector<CriterionVerdict>& criteria) {
    bool any = false;
    for (const CriterionVerdict& criterion : criteria) {
        if (criterion.Judged) {
            any = true;
            if (!criterion.Passed) {
                return false;
            }
        }
    }
    return any;
}

std::string AcceptanceText(const std::vector<CriterionVerdict>& criteria) {
    std::string text;
    for (const CriterionVerdict& criterion : criteria) {
        text += criterion.Name + ": " + criterion.Measured;
        if (criterion.Judged) {
            text +=
                " (limit: " + criterion.Limit + ") - " + (criterion.Passed ? "passed" : "FAILED");
        } else {
            text += " - not judged";
        }
        text += "\n";
    }
    return text;
}

std::string ScreenSizeText(const AccuracyScreen& screen) {
    if (!screen.WidthMm || !screen.HeightMm) {
        return "unknown";
    }
    return FixedText(*screen.WidthMm, 1) + " x " + FixedText(*screen.HeightMm, 1) + " mm (" +
           FixedText(DiagonalInches(screen), 1) + " in)";
}

namespace {

struct CellList {
    const char* heading;
    const std::vector<CoverageCell> CoverageRecord::*cells;
    const char* worse;  // the sentence's end when a region gets such cells
};
constexpr CellList kCellLists[] = {
    {"Not reached", &CoverageRecord::Unreached, " is now not reached"},
    {"Dropouts", &CoverageRecord::Dropouts, " now drops out"},
    {"Jumps", &CoverageRecord::Jumps, " now jumps"},
    {"Desktop events missing", &CoverageRecord::DesktopMissed, " now misses desktop touch events"},
    {"Desktop events elsewhere", &CoverageRecord::DesktopOnly,
     " now gets desktop touch events the controller did not report"},
};

}  // namespace

std::string CoverageRegionsText(const CoverageRecord& coverage) {
    std::string text;
    for (const CellList& list : kCellLists) {
        const std::array<int, kCoverageRegions> counts =
            CountByRegion(coverage.*list.cells, coverage.Columns, coverage.Rows);
        std::string regions;
        for (int region = 0; region < kCoverageRegions; ++region) {
            if (counts[static_cast<size_t>(region)] > 0) {
                regions += std::string(regions.empty() ? "" : ", ") +
                           CoverageRegionName(static_cast<CoverageRegion>(region)) + " (" +
                           std::to_string(counts[static_cast<size_t>(region)]) + ")";
            }
        }
        if (!regions.empty()) {
            text += std::string(list.heading) + ": " + regions + "\n";
        }
    }
    return text;
}

std::string CoverageDesktopText(const CoverageRecord& coverage) {
    if (!coverage.DesktopEvents) {
        return "Desktop: no touch events";
    }
    const bool same = coverage.DesktopMissed.empty() && coverage.DesktopOnly.empty();
    return "Desktop: touch events reached " + std::to_string(coverage.DesktopCellsReached) +
           " of " + std::to_string(coverage.Cells()) + " cells" +
           (same ? ", the same cells as the controller's reports" : "");
}

std::vector<std::string> AcceptanceChanges(const AcceptanceRecord& then,
                                           const AcceptanceRecord& now) {
    std::vector<std::string> changes;
    if (then.Coverage && now.Coverage) {
        for (const CellList& list : kCellLists) {
            const auto before = CountByRegion((*then.Coverage).*list.cells, then.Coverage->Columns,
                                              then.Coverage->Rows);
            const auto after = CountByRegion((*now.Coverage).*list.cells, now.Coverage->Columns,
                                             now.Coverage->Rows);
            for (int region = 0; region < kCoverageRegions; ++region) {
                const auto index = static_cast<size_t>(region);
                if (before[index] == 0 && after[index] > 0) {
                    changes.push_back(CoverageRegionName(static_cast<CoverageRegion>(region)) +
                                      std::string(list.worse));
                }
            }
        }
        const ContactRates& was = then.Coverage->Rates;
        const ContactRates& is = now.Coverage->Rates;
        if (was.Windows > 0 && is.Windows > 0 && was.LowestHz + 0.5 >= then.RefreshHz &&
            is.LowestHz + 0.5 < now.RefreshHz) {
            changes.push_back("the lowest report rate fell from " + FixedText(was.LowestHz, 0) +
                              " Hz to " + FixedText(is.LowestHz, 0) + " Hz, below the screen's " +
                              FixedText(now.RefreshHz, 0) + " Hz");
        }
    }
    if (then.TwoFingers == TwoFingerVerdict::Passed && now.TwoFingers != TwoFingerVerdict::Passed &&
        now.TwoFingers != TwoFingerVerdict::NotRun && now.TwoFingers != TwoFingerVerdict::Skipped) {
        changes.push_back(std::string("the two-finger check passed then and now says: ") +
                          TwoFingerVerdictText(now.TwoFingers));
    }
    return changes;
}

bool ApplyTypedDiagonal(AcceptanceRecord& record, AccuracyScreen& screen, double inches) {
    if (!ApplyDiagonal(screen, inches)) {
        return false;
    }
    record.SizeSource = ScreenSizeSource::Typed;
    if (record.Limits.Name == DefaultLimits(screen).Name) {
        record.Limits = DefaultLimits(screen);
    }
    return true;
}
