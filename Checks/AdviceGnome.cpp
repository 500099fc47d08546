// The fix under GNOME: the touchscreen's per-device "output" setting, which
// names the monitor by the vendor, product and serial of its EDID.

#include "Checks/AdviceText.h"

namespace {

std::string MapToOutput(const MappingFix& fix, const TouchscreenDevice& device) {
    // GNOME tells an application neither the EDID's vendor code nor its
    // serial; its display service lists them beside the connector name.
    const std::string path = "/org/gnome/desktop/peripherals/touchscreens/" + HexId(device.Vendor) +
                             ":" + HexId(device.Product) + "/";
    return "The monitor " + fix.Output +
           " is listed with its vendor, product and serial (the three strings after its "
           "connector name '" +
           fix.Output +
           "') by:\n"
           "gdbus call --session --dest org.gnome.Mutter.DisplayConfig --object-path "
           "/org/gnome/Mutter/DisplayConfig --method "
           "org.gnome.Mutter.DisplayConfig.GetCurrentState\n"
           "Put them in place of VENDOR, PRODUCT and SERIAL:\n"
           "gsettings set org.gnome.desktop.peripherals.touchscreen:" +
           path + " output " + ShellWord("[\"VENDOR\", \"PRODUCT\", \"SERIAL\"]") +
           "\n"
           "It applies when the touchscreen is plugged in again, or at the next login.\n";
}

}  // namespace

std::string GnomeAdvice(const MappingFix& fix, const TouchscreenDevice& device) {
    return LibinputCompositorAdvice(MapToOutput(fix, device), fix, device);
}
