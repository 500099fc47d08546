#pragma once
// The fix for a desktop mapping that is off, as text to copy, in the terms of
// the desktop the test ran in: xinput on X11; on Wayland the compositor's own
// setting (sway, GNOME, KDE Plasma, Hyprland, labwc) and, for rotation or mirroring, the udev
// property that every libinput compositor reads. Nothing here changes the
// system.

#include <cstdint>
#include <optional>
#include <string>

#include "Checks/DesktopMapping.h"
#include "Checks/DesktopSession.h"

// The touchscreen as the desktop's input system knows it.
struct TouchscreenDevice {
    std::string Name;  // the input device's name, as the kernel's input layer gives it
    uint16_t Vendor = 0;
    uint16_t Product = 0;
    // The calibration matrix the system's udev gives it, which the desktop
    // applies already; none is the identity.
    std::optional<AffineMap> UdevMatrix;
};

// What to run or write to correct the mapping; empty when nothing needs
// correcting. Every matrix it gives replaces the device's udev matrix, and so
// includes it.
std::string MappingAdvice(const MappingVerdict& verdict, const DesktopLayout& layout,
                          const DesktopSession& session, const TouchscreenDevice& device);
// One line of explanation for the verdict.
std::string MappingSummaryText(const MappingVerdict& verdict, const DesktopLayout& layout);

// The six matrix values as text ("0.5 0 0 0 1 0"), three decimals at most.
std::string MatrixValuesText(const AffineMap& map);
