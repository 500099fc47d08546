// The fix under KDE Plasma: its touchscreen settings page, and the entry of
// kcminputrc that the page writes.

#include "Checks/AdviceText.h"

namespace {

std::string MapToOutput(const MappingFix& fix, const TouchscreenDevice& device) {
    std::string text = "In System Settings \xE2\x80\xBA Touchscreen, choose the display " +
                       fix.Output + " for " + device.Name + ".\n";
    // The file's group names cannot hold brackets as they are; such a name
    // is left to the settings page.
    if (device.Name.find_first_of("[]") != std::string::npos) {
        return text;
    }
    return text + "Or in ~/.config/kcminputrc, then log in again:\n[Libinput][" +
           std::to_string(device.Vendor) + "][" + std::to_string(device.Product) + "][" +
           device.Name + "]\nOutputName=" + fix.Output + "\n";
}

}  // namespace

std::string KdeAdvice(const MappingFix& fix, const TouchscreenDevice& device) {
    return LibinputCompositorAdvice(MapToOutput(fix, device), fix, device);
}
