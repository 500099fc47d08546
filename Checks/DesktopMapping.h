#pragma once
// How the desktop maps the touchscreen, compared with what the controller
// reports: a least-squares affine fit from the controller's positions to the
// desktop's, the likely cause when they differ (whole desktop, wrong monitor,
// rotated, mirrored). The fix as text to copy is MappingAdvice's.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Checks/AccuracyCheck.h"
#include "Checks/DesktopSession.h"

// A rectangle of the desktop in its own (global) pixel coordinates.
struct DesktopRect {
    double Left = 0, Top = 0, Width = 0, Height = 0;
};
struct DesktopScreen {
    std::string Name;  // the output's name ("HDMI-1"), as the system calls it
    DesktopRect Geometry;
};

// The desktop's layout as the test window saw it.
struct DesktopLayout {
    std::vector<DesktopScreen> Screens;
    int TestScreen = 0;  // index of the screen the test window covers
    DesktopRect Window;  // the test window in desktop coordinates
    DesktopRect Bounds() const;
};

// y = A x, the 2 x 3 affine part of a 3 x 3 matrix whose last row is 0 0 1.
struct AffineMap {
    std::array<double, 6> M{1, 0, 0, 0, 1, 0};
    AccuracyPoint Apply(AccuracyPoint p) const;
    std::optional<AffineMap> Inverse() const;
    AffineMap Then(const AffineMap& next) const;  // next after this
};

// Least squares over the pairs; none when the points do not span the plane
// (fewer than three, or all on one line).
std::optional<AffineMap> FitAffine(const std::vector<AccuracyPoint>& from,
                                   const std::vector<AccuracyPoint>& to);

// The eight ways a rectangle can be turned onto itself.
enum class Orientation {
    Normal,
    Rotated90,
    Rotated180,
    Rotated270,
    MirroredLeftRight,
    MirroredTopBottom,
    AxesSwapped,       // mirrored along the diagonal from the top left
    AxesSwappedOther,  // mirrored along the other diagonal
};
// On fractions of a rectangle (0..1 each way); rotations are clockwise.
AffineMap OrientationMap(Orientation orientation);
const char* OrientationName(Orientation orientation);

enum class MappingCause {
    Correct,          // the desktop puts the touches where the controller does
    NoTouchEvents,    // the desktop delivered no touch events to the window
    WholeDesktop,     // mapped to the whole desktop instead of one monitor
    WrongMonitor,     // mapped to another monitor
    Oriented,         // on the right monitor, but rotated or mirrored
    Unrecognised,     // off, but like none of the above
    NotEnoughPoints,  // too few targets with desktop events to tell
};
const char* MappingCauseKey(MappingCause cause);

struct MappingVerdict {
    MappingCause Cause = MappingCause::NoTouchEvents;
    Orientation Turn = Orientation::Normal;
    int MappedScreen = -1;         // the monitor mapped to, for WrongMonitor
    std::optional<AffineMap> Fit;  // controller px -> desktop px, window coordinates
    double FitResidualPx = 0;      // RMS of the fit
    int TargetsWithEvents = 0;
    // The libinput calibration matrix (its first two rows) that corrects the
    // mapping, on device fractions normalised to the area the desktop maps
    // the device onto; set when the mapping is off and the fix is known.
    std::optional<AffineMap> Calibration;
};

// Compares the desktop's positions with the controller's over the taken
// targets (both in window pixels) and names the likely cause: the candidate
// mapping (a monitor or the whole desktop, turned one of the eight ways) that
// puts the controller's positions where the desktop's are, and leaves those
// targets that got no desktop events outside the window.
MappingVerdict JudgeMapping(const std::vector<TargetSample>& samples, const DesktopLayout& layout,
                            SessionKind session);
