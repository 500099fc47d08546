#include "Checks/AcceptanceLimits.h"

#include <cmath>

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kSmallestDiagonalInches = 2;
constexpr double kLargestDiagonalInches = 120;
constexpr double kAspectTolerance = 0.15;

bool DiagonalBelievable(double inches) {
    return std::isfinite(inches) && inches >= kSmallestDiagonalInches &&
           inches <= kLargestDiagonalInches;
}

}  // namespace

const char* ScreenSizeSourceKey(ScreenSizeSource source) {
    switch (source) {
        case ScreenSizeSource::System:
            return "system";
        case ScreenSizeSource::Typed:
            return "typed";
        case ScreenSizeSource::Unknown:
            break;
    }
    return "unknown";
}

std::optional<ScreenSizeSource> ScreenSizeSourceFromKey(const std::string& key) {
    for (ScreenSizeSource source :
         {ScreenSizeSource::Unknown, ScreenSizeSource::System, ScreenSizeSource::Typed}) {
        if (key == ScreenSizeSourceKey(source)) {
            return source;
        }
    }
    return std::nullopt;
}

bool PlausibleScreenSize(double widthMm, double heightMm, int widthPx, int heightPx) {
    if (!(widthMm > 0) || !(heightMm > 0) || widthPx <= 0 || heightPx <= 0 ||
        !std::isfinite(widthMm) || !std::isfinite(heightMm)) {
        return false;
    }
    const double aspectMm = widthMm / heightMm;
    const double aspectPx = static_cast<double>(widthPx) / heightPx;
    return DiagonalBelievable(std::hypot(widthMm, heightMm) / kMmPerInch) &&
           std::abs(aspectMm / aspectPx - 1) <= kAspectTolerance;
}

bool ApplyDiagonal(AccuracyScreen& screen, double diagonalInches) {
    if (!DiagonalBelievable(diagonalInches) || screen.WidthPx <= 0 || screen.HeightPx <= 0) {
        return false;
    }
    const double mmPerPx = diagonalInches * kMmPerInch / screen.DiagonalPx();
    screen.WidthMm = screen.WidthPx * mmPerPx;
    screen.HeightMm = screen.HeightPx * mmPerPx;
    return true;
}

double DiagonalInches(const AccuracyScreen& screen) {
    if (!screen.WidthMm || !screen.HeightMm) {
        return 0;
    }
    return std::hypot(*screen.WidthMm, *screen.HeightMm) / kMmPerInch;
}

double MmPerPxX(const AccuracyScreen& screen) {
    return screen.WidthMm && screen.WidthPx > 0 ? *screen.WidthMm / screen.WidthPx
                                                : kAssumedMmPerPx;
}

double MmPerPxY(const AccuracyScreen& screen) {
    return screen.HeightMm && screen.HeightPx > 0 ? *screen.HeightMm / screen.HeightPx
                                                  : kAssumedMmPerPx;
}

AcceptanceLimits DefaultLimits(const AccuracyScreen& screen) {
    const AccuracyThresholds today;
    const double diagonalMm =
        std::hypot(screen.WidthPx * MmPerPxX(screen), screen.HeightPx * MmPerPxY(screen));
    AcceptanceLimits limits;
    limits.Name = "default";
    limits.OffsetMm = today.OffsetPercent / 100 * diagonalMm;
    limits.JitterMm = today.JitterPercent / 100 * diagonalMm;
    return limits;
}

AcceptanceLimits StrictLimits() {
    AcceptanceLimits limits;
    limits.Name = "strict";
    limits.OffsetMm = 1;
    limits.OffsetSharePercent = 95;
    limits.JitterMm = 0.5;
    limits.MinRatePercent = 100;
    limits.RateLowest = true;
    return limits;
}

AcceptanceLimits NamedLimits(const std::string& name, const AccuracyScreen& screen) {
    return name == "strict" ? StrictLimits() : DefaultLimits(screen);
}
