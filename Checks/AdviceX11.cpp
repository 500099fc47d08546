// The fix in an X11 session: xinput, on the device as the X server names it.

#include "Checks/AdviceText.h"

namespace {

std::string SetMatrix(const std::string& name, const AffineMap& matrix) {
    return "xinput set-prop " + name + " \"libinput Calibration Matrix\" " +
           MatrixValuesText(matrix) + " 0 0 1\n";
}

}  // namespace

std::string X11Advice(const MappingFix& fix, const TouchscreenDevice& device) {
    const std::string name = ShellWord(device.Name);
    std::string text;
    if (fix.MapToOutput) {
        text += "xinput map-to-output " + name + " " + ShellWord(fix.Output) + "\n";
        if (fix.AfterMapping) {
            text += SetMatrix(name, *fix.AfterMapping);
        }
    }
    if (fix.AsMapped) {
        text += std::string(fix.MapToOutput ? "or, without map-to-output:\n" : "") +
                SetMatrix(name, *fix.AsMapped);
    }
    return text;
}
