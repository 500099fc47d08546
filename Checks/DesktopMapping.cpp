#include "Checks/DesktopMapping.h"

#include <algorithm>
#include <cmath>

DesktopRect DesktopLayout::Bounds() const {
    if (Screens.empty()) {
        return Window;
    }
    double left = Screens[0].Geometry.Left;
    double top = Screens[0].Geometry.Top;
    double right = left + Screens[0].Geometry.Width;
    double bottom = top + Screens[0].Geometry.Height;
    for (const DesktopScreen& screen : Screens) {
        left = std::min(left, screen.Geometry.Left);
        top = std::min(top, screen.Geometry.Top);
        right = std::max(right, screen.Geometry.Left + screen.Geometry.Width);
        bottom = std::max(bottom, screen.Geometry.Top + screen.Geometry.Height);
    }
    return {left, top, right - left, bottom - top};
}

AccuracyPoint AffineMap::Apply(AccuracyPoint p) const {
    return {M[0] * p.X + M[1] * p.Y + M[2], M[3] * p.X + M[4] * p.Y + M[5]};
}

std::optional<AffineMap> AffineMap::Inverse() const {
    const double det = M[0] * M[4] - M[1] * M[3];
    if (!std::isfinite(det) || std::fabs(det) < 1e-12) {
        return std::nullopt;
    }
    AffineMap inverse;
    inverse.M = {M[4] / det, -M[1] / det, 0, -M[3] / det, M[0] / det, 0};
    inverse.M[2] = -(inverse.M[0] * M[2] + inverse.M[1] * M[5]);
    inverse.M[5] = -(inverse.M[3] * M[2] + inverse.M[4] * M[5]);
    return inverse;
}

AffineMap AffineMap::Then(const AffineMap& next) const {
    const std::array<double, 6>& n = next.M;
    AffineMap result;
    result.M = {n[0] * M[0] + n[1] * M[3],        n[0] * M[1] + n[1] * M[4],
                n[0] * M[2] + n[1] * M[5] + n[2], n[3] * M[0] + n[4] * M[3],
                n[3] * M[1] + n[4] * M[4],        n[3] * M[2] + n[4] * M[5] + n[5]};
    return result;
}

std::optional<AffineMap> FitAffine(const std::vector<AccuracyPoint>& from,
                                   const std::vector<AccuracyPoint>& to) {
    const size_t n = std::min(from.size(), to.size());
    if (n < 3) {
        return std::nullopt;
    }
    // Centred on the means, the normal equations split into one 2 x 2 system
    // per output coordinate, and stay well conditioned at screen sizes.
    AccuracyPoint meanFrom;
    AccuracyPoint meanTo;
    for (size_t i = 0; i < n; ++i) {
        meanFrom.X += from[i].X / n;
        meanFrom.Y += from[i].Y / n;
        meanTo.X += to[i].X / n;
        meanTo.Y += to[i].Y / n;
    }
    double suu = 0, suv = 0, svv = 0, sux = 0, svx = 0, suy = 0, svy = 0;
    for (size_t i = 0; i < n; ++i) {
        const double u = from[i].X - meanFrom.X;
        const double v = from[i].Y - meanFrom.Y;
        const double x = to[i].X - meanTo.X;
        const double y = to[i].Y - meanTo.Y;
        suu += u * u;
        suv += u * v;
        svv += v * v;
        sux += u * x;
        svx += v * x;
        suy += u * y;
        svy += v * y;
    }
    const double det = suu * svv - suv * suv;
    // All points on one line (or on one spot): the plane is not spanned.
    if (!std::isfinite(det) || det <= 1e-9 * (suu + svv) * (suu + svv) || suu + svv == 0) {
        return std::nullopt;
    }
    AffineMap map;
    map.M[0] = (svv * sux - suv * svx) / det;
    map.M[1] = (suu * svx - suv * sux) / det;
    map.M[3] = (svv * suy - suv * svy) / det;
    map.M[4] = (suu * svy - suv * suy) / det;
    map.M[2] = meanTo.X - map.M[0] * meanFrom.X - map.M[1] * meanFrom.Y;
    map.M[5] = meanTo.Y - map.M[3] * meanFrom.X - map.M[4] * meanFrom.Y;
    return map;
}

namespace {

struct OrientationInfo {
    Orientation Turn;
    std::array<double, 6> Map;  // on fractions of the rectangle
    const char* Name;
};

// The eight, in the order candidates are tried: on a tie the plainer wins.
constexpr OrientationInfo kOrientationTable[] = {
    {Orientation::Normal, {1, 0, 0, 0, 1, 0}, "normal"},
    {Orientation::Rotated90, {0, -1, 1, 1, 0, 0}, "rotated 90\xC2\xB0 clockwise"},
    {Orientation::Rotated180, {-1, 0, 1, 0, -1, 1}, "rotated 180\xC2\xB0"},
    {Orientation::Rotated270, {0, 1, 0, -1, 0, 1}, "rotated 270\xC2\xB0 clockwise"},
    {Orientation::MirroredLeftRight, {-1, 0, 1, 0, 1, 0}, "mirrored left to right"},
    {Orientation::MirroredTopBottom, {1, 0, 0, 0, -1, 1}, "mirrored top to bottom"},
    {Orientation::AxesSwapped, {0, 1, 0, 1, 0, 0}, "with X and Y swapped"},
    {Orientation::AxesSwappedOther,
     {0, -1, 1, -1, 0, 1},
     "with X and Y swapped and rotated 180\xC2\xB0"},
};

const OrientationInfo& InfoOf(Orientation orientation) {
    for (const OrientationInfo& info : kOrientationTable) {
        if (info.Turn == orientation) {
            return info;
        }
    }
    return kOrientationTable[0];
}

}  // namespace

AffineMap OrientationMap(Orientation orientation) {
    AffineMap map;
    map.M = InfoOf(orientation).Map;
    return map;
}

const char* OrientationName(Orientation orientation) {
    return InfoOf(orientation).Name;
}

const char* MappingCauseKey(MappingCause cause) {
    switch (cause) {
        case MappingCause::Correct:
            return "correct";
        case MappingCause::NoTouchEvents:
            return "no touch events";
        case MappingCause::WholeDesktop:
            return "whole desktop";
        case MappingCause::WrongMonitor:
            return "wrong monitor";
        case MappingCause::Oriented:
            return "rotated or mirrored";
        case MappingCause::Unrecognised:
            return "unrecognised";
        case MappingCause::NotEnoughPoints:
            return "not enough points";
    }
    return "unrecognised";
}

namespace {

// How far a candidate mapping may miss the desktop's positions and still be
// taken as the cause, as a share of the window's diagonal.
constexpr double kMatchTolerance = 0.02;
// Targets that got no desktop events must be predicted outside the window;
// within this share of its size from an edge either is believable.
constexpr double kEdgeMargin = 0.02;
constexpr int kWholeDesktop = -1;

// Maps fractions of a rectangle to desktop pixels.
AffineMap RectMap(const DesktopRect& rect) {
    AffineMap map;
    map.M = {rect.Width, 0, rect.Left, 0, rect.Height, rect.Top};
    return map;
}

struct Candidate {
    int Area;  // screen index, or kWholeDesktop
    Orientation Turn;
};

struct Pair {
    AccuracyPoint Device;   // the controller's position as fractions of the window
    AccuracyPoint Desktop;  // the desktop's, in desktop pixels
};

DesktopRect AreaOf(const DesktopLayout& layout, int area) {
    return area == kWholeDesktop ? layout.Bounds() : layout.Screens[area].Geometry;
}

AffineMap CandidateMap(const DesktopLayout& layout, const Candidate& candidate) {
    return OrientationMap(candidate.Turn).Then(RectMap(AreaOf(layout, candidate.Area)));
}

bool InsideWindow(const DesktopRect& window, AccuracyPoint p) {
    const double marginX = window.Width * kEdgeMargin;
    const double marginY = window.Height * kEdgeMargin;
    return p.X > window.Left + marginX && p.X < window.Left + window.Width - marginX &&
           p.Y > window.Top + marginY && p.Y < window.Top + window.Height - marginY;
}

// RMS miss over the targets with desktop events, or none when the candidate
// would have put a target without events inside the window.
std::optional<double> CandidateMiss(const AffineMap& map, const std::vector<Pair>& withEvents,
                                    const std::vector<AccuracyPoint>& withoutEvents,
                                    const DesktopRect& window) {
    for (const AccuracyPoint& device : withoutEvents) {
        if (InsideWindow(window, map.Apply(device))) {
            return std::nullopt;
        }
    }
    double squares = 0;
    for (const Pair& pair : withEvents) {
        const AccuracyPoint predicted = map.Apply(pair.Device);
        squares +=
            std::pow(predicted.X - pair.Desktop.X, 2) + std::pow(predicted.Y - pair.Desktop.Y, 2);
    }
    return std::sqrt(squares / static_cast<double>(withEvents.size()));
}

// Fractions of one rectangle to fractions of another.
AffineMap Normalised(const DesktopRect& rect, const DesktopRect& within) {
    AffineMap map;
    map.M = {rect.Width / within.Width,
             0,
             (rect.Left - within.Left) / within.Width,
             0,
             rect.Height / within.Height,
             (rect.Top - within.Top) / within.Height};
    return map;
}

// The calibration matrix on device fractions normalised to the area the
// desktop maps the device onto: with the current mapping A (device fractions
// to area fractions), the matrix C with A(C(d)) = the test screen's place in
// the area.
std::optional<AffineMap> CorrectingMatrix(const AffineMap& current, const DesktopRect& area,
                                          const DesktopRect& testScreen) {
    const std::optional<AffineMap> undo = current.Inverse();
    if (!undo || area.Width <= 0 || area.Height <= 0) {
        return std::nullopt;
    }
    return Normalised(testScreen, area).Then(*undo);
}

// The taken targets, split by whether the desktop delivered events for them.
struct SplitSamples {
    std::vector<Pair> WithEvents;
    std::vector<AccuracyPoint> WithoutEvents;  // device fractions
    std::vector<AccuracyPoint> ControllerPx;   // window pixels, of WithEvents
    std::vector<AccuracyPoint> DesktopPx;      // window pixels, of WithEvents
};

SplitSamples SplitByDesktopEvents(const std::vector<TargetSample>& samples,
                                  const DesktopRect& window) {
    SplitSamples split;
    for (const TargetSample& sample : samples) {
        if (!sample.Taken) {
            continue;
        }
        const AccuracyPoint device{sample.Controller.Mean.X / window.Width,
                                   sample.Controller.Mean.Y / window.Height};
        if (!sample.Desktop) {
            split.WithoutEvents.push_back(device);
            continue;
        }
        split.WithEvents.push_back(
            {device, {sample.Desktop->X + window.Left, sample.Desktop->Y + window.Top}});
        split.ControllerPx.push_back(sample.Controller.Mean);
        split.DesktopPx.push_back(*sample.Desktop);
    }
    return split;
}

double RmsResidual(const AffineMap& fit, const std::vector<AccuracyPoint>& from,
                   const std::vector<AccuracyPoint>& to) {
    double squares = 0;
    for (size_t i = 0; i < from.size(); ++i) {
        const AccuracyPoint fitted = fit.Apply(from[i]);
        squares += std::pow(fitted.X - to[i].X, 2) + std::pow(fitted.Y - to[i].Y, 2);
    }
    return std::sqrt(squares / static_cast<double>(from.size()));
}

bool HasTestScreen(const DesktopLayout& layout) {
    return layout.TestScreen >= 0 && layout.TestScreen < static_cast<int>(layout.Screens.size());
}

// The test screen first, then the whole desktop, then the other screens: on
// a tie the plainer explanation wins.
std::vector<int> CandidateAreas(const DesktopLayout& layout) {
    if (!HasTestScreen(layout)) {
        return {};
    }
    std::vector<int> areas = {layout.TestScreen};
    if (layout.Screens.size() > 1) {
        areas.push_back(kWholeDesktop);
    }
    for (int screen = 0; screen < static_cast<int>(layout.Screens.size()); ++screen) {
        if (screen != layout.TestScreen) {
            areas.push_back(screen);
        }
    }
    return areas;
}

std::optional<Candidate> BestCandidate(const DesktopLayout& layout, const SplitSamples& split) {
    const DesktopRect& window = layout.Window;
    double bestMiss = kMatchTolerance * std::hypot(window.Width, window.Height);
    std::optional<Candidate> best;
    for (int area : CandidateAreas(layout)) {
        for (const OrientationInfo& orientation : kOrientationTable) {
            const Candidate candidate{area, orientation.Turn};
            const std::optional<double> miss = CandidateMiss(
                CandidateMap(layout, candidate), split.WithEvents, split.WithoutEvents, window);
            if (miss && *miss < bestMiss) {
                best = candidate;
                bestMiss = *miss;
            }
        }
    }
    return best;
}

DesktopRect TestScreenRect(const DesktopLayout& layout) {
    return HasTestScreen(layout) ? layout.Screens[static_cast<size_t>(layout.TestScreen)].Geometry
                                 : layout.Window;
}

// For a mapping like none of the candidates: the fit, in device fractions to
// fractions of the area the session maps onto (X11: the whole desktop; else
// taken as the test screen), undone and put onto the test screen.
std::optional<AffineMap> CalibrationFromFit(const AffineMap& fit, const DesktopLayout& layout,
                                            SessionKind session) {
    const DesktopRect& window = layout.Window;
    const DesktopRect testScreen = TestScreenRect(layout);
    const DesktopRect area = session == SessionKind::X11 ? layout.Bounds() : testScreen;
    AffineMap fromFractions;
    fromFractions.M = {window.Width, 0, 0, 0, window.Height, 0};
    AffineMap toDesktop;
    toDesktop.M = {1, 0, window.Left, 0, 1, window.Top};
    AffineMap toArea;
    toArea.M = {1 / area.Width,         0, -area.Left / area.Width, 0, 1 / area.Height,
                -area.Top / area.Height};
    const AffineMap current = fromFractions.Then(fit).Then(toDesktop).Then(toArea);
    return CorrectingMatrix(current, area, testScreen);
}

void TakeCandidate(MappingVerdict& verdict, const Candidate& best, const DesktopLayout& layout) {
    verdict.Turn = best.Turn;
    verdict.MappedScreen = best.Area;
    if (best.Area == layout.TestScreen) {
        verdict.Cause =
            best.Turn == Orientation::Normal ? MappingCause::Correct : MappingCause::Oriented;
    } else {
        verdict.Cause =
            best.Area == kWholeDesktop ? MappingCause::WholeDesktop : MappingCause::WrongMonitor;
    }
    // Another monitor cannot be reached by a matrix inside the area it maps
    // to; that one is fixed by mapping the device to the right output.
    if (verdict.Cause == MappingCause::Oriented || verdict.Cause == MappingCause::WholeDesktop) {
        verdict.Calibration = CorrectingMatrix(OrientationMap(best.Turn), AreaOf(layout, best.Area),
                                               TestScreenRect(layout));
    }
}

}  // namespace

MappingVerdict JudgeMapping(const std::vector<TargetSample>& samples, const DesktopLayout& layout,
                            SessionKind session) {
    MappingVerdict verdict;
    const DesktopRect& window = layout.Window;
    if (window.Width <= 0 || window.Height <= 0) {
        verdict.Cause = MappingCause::NotEnoughPoints;
        return verdict;
    }
    const SplitSamples split = SplitByDesktopEvents(samples, window);
    verdict.TargetsWithEvents = static_cast<int>(split.WithEvents.size());
    if (split.WithEvents.empty()) {
        verdict.Cause = split.WithoutEvents.empty() ? MappingCause::NotEnoughPoints
                                                    : MappingCause::NoTouchEvents;
        return verdict;
    }
    verdict.Fit = FitAffine(split.ControllerPx, split.DesktopPx);
    if (verdict.Fit) {
        verdict.FitResidualPx = RmsResidual(*verdict.Fit, split.ControllerPx, split.DesktopPx);
    }
    if (split.WithEvents.size() < 2) {
        verdict.Cause = MappingCause::NotEnoughPoints;
        return verdict;
    }
    if (const std::optional<Candidate> best = BestCandidate(layout, split)) {
        TakeCandidate(verdict, *best, layout);
        return verdict;
    }
    verdict.Cause = MappingCause::Unrecognised;
    if (verdict.Fit) {
        verdict.Calibration = CalibrationFromFit(*verdict.Fit, layout, session);
    }
    return verdict;
}
