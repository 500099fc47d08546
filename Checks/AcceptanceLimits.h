#pragma once
// Installation acceptance judged in millimetres: the screen's physical size
// (from the system when it is believable, else typed in as a diagonal) and
// the two named sets of limits, today's defaults and the strict set that
// public touch validation criteria state.

#include <optional>
#include <string>

#include "Checks/AccuracyCheck.h"

// Where the millimetres come from.
enum class ScreenSizeSource {
    Unknown,  // neither: millimetres assume kAssumedMmPerPx
    System,   // the monitor's reported size
    Typed,    // a diagonal the technician typed
};
const char* ScreenSizeSourceKey(ScreenSizeSource source);
std::optional<ScreenSizeSource> ScreenSizeSourceFromKey(const std::string& key);

// A 96 dpi pixel, for distances on a screen whose size nobody knows.
constexpr double kAssumedMmPerPx = 25.4 / 96;

// Monitors report nothing (0 x 0), a placeholder (a projector's 160 x 90 cm,
// 1 x 1 cm) or a size in the wrong unit. A size is believed when its diagonal
// is 2 to 120 inches and its sides keep the pixels' proportions within 15 %
// (pixels are square on every panel this tool meets).
bool PlausibleScreenSize(double widthMm, double heightMm, int widthPx, int heightPx);

// The screen's width and height from a typed diagonal in inches, with square
// pixels; false (and the screen untouched) for a diagonal outside 2 to 120
// inches or a screen without pixels.
bool ApplyDiagonal(AccuracyScreen& screen, double diagonalInches);
double DiagonalInches(const AccuracyScreen& screen);  // 0 when unknown

// Millimetres per pixel along each axis; the assumed pitch when unknown.
double MmPerPxX(const AccuracyScreen& screen);
double MmPerPxY(const AccuracyScreen& screen);

struct AcceptanceLimits {
    std::string Name = "default";     // "default", "strict" or "custom" once edited
    double OffsetMm = 9;              // a target's offset from its centre
    double OffsetSharePercent = 100;  // of the taken targets, edge targets included
    double JitterMm = 3;              // standard deviation of a held touch
    double MinRatePercent = 100;      // of the screen's refresh rate, per contact
    bool RateLowest = false;          // judge the lowest rate, else the median
    bool operator==(const AcceptanceLimits&) const = default;
};

// Today's defaults: the accuracy test's own limits (1.5 % and 0.5 % of the
// diagonal) in millimetres, every target within them, and a median report
// rate per contact of at least the refresh rate.
AcceptanceLimits DefaultLimits(const AccuracyScreen& screen);
// Strict: within 1 mm on 95 % of the targets, jitter within 0.5 mm, and even
// the lowest report rate of a contact at least the refresh rate.
AcceptanceLimits StrictLimits();
// A set by its name; the defaults for any other name.
AcceptanceLimits NamedLimits(const std::string& name, const AccuracyScreen& screen);
