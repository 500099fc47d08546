#include "Checks/MappingAdvice.h"

#include <cmath>
#include <cstdio>

#include "Checks/AdviceText.h"

std::string MatrixValuesText(const AffineMap& map) {
    std::string text;
    for (double value : map.M) {
        char number[32];
        // Three decimals, without trailing zeros, and no "-0".
        const double rounded = std::round(value * 1000) / 1000;
        std::snprintf(number, sizeof number, "%.3f", rounded == 0 ? 0.0 : rounded);
        std::string trimmed = number;
        trimmed.erase(trimmed.find_last_not_of('0') + 1);
        if (trimmed.back() == '.') {
            trimmed.pop_back();
        }
        text += (text.empty() ? "" : " ") + trimmed;
    }
    return text;
}

namespace {

std::string ScreenName(const DesktopLayout& layout, int screen) {
    if (screen < 0 || screen >= static_cast<int>(layout.Screens.size()) ||
        layout.Screens[static_cast<size_t>(screen)].Name.empty()) {
        return "(unnamed)";
    }
    return layout.Screens[static_cast<size_t>(screen)].Name;
}

bool MapsToAnotherArea(MappingCause cause) {
    return cause == MappingCause::WholeDesktop || cause == MappingCause::WrongMonitor;
}

bool NeedsAdvice(const MappingVerdict& verdict) {
    return MapsToAnotherArea(verdict.Cause) || verdict.Cause == MappingCause::Oriented ||
           (verdict.Cause == MappingCause::Unrecognised && verdict.Calibration);
}

// A matrix set on the device takes the place of the one udev gave it, which
// the test saw at work: the correction goes first, then that matrix.
std::optional<AffineMap> InPlaceOfUdevs(const std::optional<AffineMap>& correction,
                                        const TouchscreenDevice& device) {
    if (!correction || !device.UdevMatrix) {
        return correction;
    }
    return correction->Then(*device.UdevMatrix);
}

MappingFix FixFor(const MappingVerdict& verdict, const DesktopLayout& layout,
                  const TouchscreenDevice& device) {
    MappingFix fix;
    fix.Output = ScreenName(layout, layout.TestScreen);
    fix.MapToOutput = MapsToAnotherArea(verdict.Cause);
    // Once the device maps to the right output, only the turn is left.
    if (fix.MapToOutput && verdict.Turn != Orientation::Normal) {
        fix.AfterMapping = InPlaceOfUdevs(OrientationMap(verdict.Turn).Inverse(), device);
    }
    fix.AsMapped = InPlaceOfUdevs(verdict.Calibration, device);
    return fix;
}

// A session that is neither X11 nor Wayland: the matrix alone, for whatever
// sets it there.
std::string BareMatrixAdvice(const MappingFix& fix) {
    std::string text;
    if (fix.MapToOutput) {
        text += "Map the touchscreen to the monitor " + fix.Output + ".\n";
    }
    if (fix.AfterMapping) {
        text +=
            "Then set its calibration matrix: " + MatrixValuesText(*fix.AfterMapping) + " 0 0 1\n";
    }
    if (fix.AsMapped) {
        text += std::string(fix.MapToOutput ? "Or, mapped as it is now, the " : "The ") +
                "calibration matrix: " + MatrixValuesText(*fix.AsMapped) + " 0 0 1\n";
    }
    return text;
}

}  // namespace

std::string MappingAdvice(const MappingVerdict& verdict, const DesktopLayout& layout,
                          const DesktopSession& session, const TouchscreenDevice& device) {
    if (!NeedsAdvice(verdict)) {
        return {};
    }
    const MappingFix fix = FixFor(verdict, layout, device);
    if (session.Kind == SessionKind::X11) {
        return X11Advice(fix, device);
    }
    if (session.Kind != SessionKind::Wayland) {
        return BareMatrixAdvice(fix);
    }
    switch (session.Desktop) {
        case Compositor::Sway:
            return SwayAdvice(fix, device);
        case Compositor::Gnome:
            return GnomeAdvice(fix, device);
        case Compositor::Kde:
            return KdeAdvice(fix, device);
        case Compositor::Hyprland:
            return HyprlandAdvice(fix, device);
        case Compositor::Labwc:
            return LabwcAdvice(fix, device);
        case Compositor::Unknown:
            break;
    }
    return WaylandAdvice(fix, device);
}

std::string MappingSummaryText(const MappingVerdict& verdict, const DesktopLayout& layout) {
    const std::string testScreen = ScreenName(layout, layout.TestScreen);
    const std::string turn = verdict.Turn == Orientation::Normal
                                 ? ""
                                 : std::string(", ") + OrientationName(verdict.Turn);
    switch (verdict.Cause) {
        case MappingCause::Correct:
            return "The desktop puts the touches where the controller reports them.";
        case MappingCause::NoTouchEvents:
            return "No touch events: the desktop delivered no touch events to this window (no "
                   "system driver is bound to the touchscreen, or its touches go to another "
                   "screen).";
        case MappingCause::WholeDesktop:
            return "The desktop maps the touchscreen to the whole desktop instead of the monitor " +
                   testScreen + turn + ".";
        case MappingCause::WrongMonitor:
            return "The desktop maps the touchscreen to the monitor " +
                   ScreenName(layout, verdict.MappedScreen) + " instead of " + testScreen + turn +
                   ".";
        case MappingCause::Oriented:
            return "The desktop maps the touchscreen to the right monitor, but " +
                   std::string(OrientationName(verdict.Turn)) + ".";
        case MappingCause::Unrecognised:
            return "The desktop puts the touches elsewhere than the controller reports them, in "
                   "none of the usual ways.";
        case MappingCause::NotEnoughPoints:
            return "Too few targets got desktop touch events (" +
                   std::to_string(verdict.TargetsWithEvents) +
                   ") to tell how the desktop maps the touchscreen.";
    }
    return {};
}
