// The fix through libinput's own udev property, which every compositor that
// reads its touchscreens through libinput honours, and the text for a
// Wayland compositor that the advice does not know by name.

#include "Checks/AdviceText.h"

std::string UdevMatrixRule(const AffineMap& matrix, const TouchscreenDevice& device) {
    // Matched on the input device's own ids, which a touchscreen has on any
    // bus (USB, Bluetooth, I2C), and only on its touchscreen node.
    return "In /etc/udev/rules.d/99-t860-calibration.rules:\n"
           "ACTION==\"add|change\", SUBSYSTEM==\"input\", KERNEL==\"event*\", "
           "ENV{ID_INPUT_TOUCHSCREEN}==\"1\", ATTRS{id/vendor}==\"" +
           HexId(device.Vendor) + "\", ATTRS{id/product}==\"" + HexId(device.Product) +
           "\", ENV{LIBINPUT_CALIBRATION_MATRIX}=\"" + MatrixValuesText(matrix) +
           "\"\n"
           "then: sudo udevadm control --reload-rules && sudo udevadm trigger "
           "--subsystem-match=input --action=change\n"
           "and plug the touchscreen in again (or log in again): the desktop reads the matrix "
           "when the touchscreen appears.\n";
}

std::string CompositorAdvice(const MappingFix& fix, const TouchscreenDevice& device,
                             const CompositorTerms& terms) {
    const auto piece = [&](const std::string& output, const std::optional<AffineMap>& matrix) {
        TouchSettings settings{output, std::nullopt};
        std::string udev;
        if (matrix && terms.TakesMatrix(*matrix)) {
            settings.Matrix = matrix;
        } else if (matrix) {
            udev = UdevMatrixRule(*matrix, device) + terms.UdevCaveat;
        }
        std::string text = settings.Output.empty() && !settings.Matrix ? "" : terms.Write(settings);
        if (!udev.empty()) {
            text += (output.empty() ? "" : "Then set its calibration matrix.\n") + udev;
        }
        return text;
    };
    if (!fix.MapToOutput) {
        return piece("", fix.AsMapped);
    }
    std::string text = piece(fix.Output, fix.AfterMapping);
    if (fix.AsMapped) {
        text += "Or, mapped as it is now:\n" + piece("", fix.AsMapped);
    }
    return text;
}

std::string LibinputCompositorAdvice(const std::string& mapToOutput, const MappingFix& fix,
                                     const TouchscreenDevice& device) {
    return CompositorAdvice(fix, device,
                            {[](const AffineMap&) { return false; },
                             [&](const TouchSettings&) { return mapToOutput; }, ""});
}

std::string WaylandAdvice(const MappingFix& fix, const TouchscreenDevice& device) {
    return LibinputCompositorAdvice(MapInDesktopSettings(fix.Output), fix, device);
}

std::string MapInDesktopSettings(const std::string& output) {
    return "Map the touchscreen to the monitor " + output +
           " in the desktop's display or touchscreen settings.\n";
}
