#pragma once
// The installation acceptance verdict: the accuracy targets, the coverage
// strokes and the two-finger check judged in millimetres against one set of
// limits, one pass or fail per criterion.

#include <string>
#include <vector>

#include "Checks/AcceptanceLimits.h"
#include "Checks/CoverageCheck.h"
#include "Checks/TwoFingerCheck.h"

// What the result file keeps of the acceptance checks: enough to judge them
// again against other limits or another screen size.
struct AcceptanceRecord {
    AcceptanceLimits Limits;
    ScreenSizeSource SizeSource = ScreenSizeSource::Unknown;
    double RefreshHz = 60;
    // Of the taken accuracy targets, in the order of the targets.
    std::vector<AccuracyPoint> TargetOffsetsPx;
    std::vector<double> TargetJitterSdPx;
    std::optional<CoverageRecord> Coverage;  // none when the strokes were not run
    TwoFingerVerdict TwoFingers = TwoFingerVerdict::NotRun;
};

// The offsets and jitter of the taken targets into the record.
void TakeTargets(AcceptanceRecord& record, const std::vector<TargetSample>& samples);

struct CriterionVerdict {
    std::string Name;      // "Offset", "Jitter", "Coverage", "Dropouts", ...
    std::string Measured;  // what was measured, in words and millimetres
    std::string Limit;     // the limit it was judged against
    bool Judged = false;   // false: not measured in this run
    bool Passed = false;
};

// Every criterion in a fixed order: Offset, Jitter, Coverage, Dropouts, Jumps,
// Report rate, Two fingers.
std::vector<CriterionVerdict> JudgeAcceptance(const AcceptanceRecord& record,
                                              const AccuracyScreen& screen);
// Passed when at least one criterion was judged and every judged one passed.
bool AcceptancePassed(const std::vector<CriterionVerdict>& criteria);
// One line per criterion: "Coverage: 142 of 144 cells reached (all) - FAILED".
std::string AcceptanceText(const std::vector<CriterionVerdict>& criteria);

// Text of a number as "%.*f" writes it in the C locale, whatever the process
// locale.
std::string FixedText(double value, int decimals);

// "531.4 x 298.9 mm (24.0 in)", or "unknown".
std::string ScreenSizeText(const AccuracyScreen& screen);
// Where the strokes failed, by region: "Not reached: the lower left corner
// (16 cells)", then the dropouts, the jumps, and where the desktop's touch
// events and the controller's reports disagree; empty when nothing failed.
std::string CoverageRegionsText(const CoverageRecord& coverage);
// What the desktop's own touch events reached: "Desktop: no touch events", or
// the count of cells, said to be the controller's cells when they are. Where
// they are not, CoverageRegionsText names the regions.
std::string CoverageDesktopText(const CoverageRecord& coverage);

// What got worse between two runs, one sentence each: "the lower left corner
// now drops out", "the top edge is now not reached", "the right edge now
// jumps", the report rate falling below the screen's, the two-finger check
// failing now. Nothing when the earlier run had no coverage to compare with.
std::vector<std::string> AcceptanceChanges(const AcceptanceRecord& then,
                                           const AcceptanceRecord& now);

// A diagonal the technician typed: the screen's millimetres from it, the
// source "typed", and today's defaults (which follow the diagonal) again;
// false and nothing changed for a diagonal outside 2 to 120 inches.
bool ApplyTypedDiagonal(AcceptanceRecord& record, AccuracyScreen& screen, double inches);
