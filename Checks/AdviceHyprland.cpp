// The fix under Hyprland: the touchscreen's output and transform, now with
// hyprctl and for good in hyprland.conf; a matrix that no transform gives
// through the udev property.

#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "Checks/AdviceText.h"

namespace {

// The libinput matrices that Hyprland sets for its transforms 0 to 7 (the
// output transforms: normal, 90, 180, 270, then each flipped).
constexpr double kTransformMatrices[8][6] = {
    {1, 0, 0, 0, 1, 0},  {0, -1, 1, 1, 0, 0}, {-1, 0, 1, 0, -1, 1}, {0, 1, 0, -1, 0, 1},
    {-1, 0, 1, 0, 1, 0}, {0, 1, 0, 1, 0, 0},  {1, 0, 0, 0, -1, 1},  {0, -1, 1, -1, 0, 1},
};

std::optional<int> TransformOf(const AffineMap& matrix) {
    for (int transform = 0; transform < 8; ++transform) {
        bool same = true;
        for (size_t i = 0; i < 6; ++i) {
            same = same && std::fabs(matrix.M[i] - kTransformMatrices[transform][i]) < 1e-3;
        }
        if (same) {
            return transform;
        }
    }
    return std::nullopt;
}

// The device's name as `hyprctl devices` lists it: lower case, blanks as
// dashes. None where the configuration could not hold it as it is (its
// comment, variable, block and key characters, control characters) or
// where Hyprland's releases differ on it (a comma, which newer ones make a
// dash); the settings then go to every touchscreen.
std::optional<std::string> HyprlandName(const std::string& name) {
    std::string converted;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || std::strchr("#$[]{}=\\;,", c) != nullptr) {
            return std::nullopt;
        }
        converted += c == ' ' ? '-' : c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    if (converted.empty()) {
        return std::nullopt;
    }
    return converted;
}

std::vector<std::pair<std::string, std::string>> Values(const TouchSettings& settings) {
    std::vector<std::pair<std::string, std::string>> values;
    if (!settings.Output.empty()) {
        values.emplace_back("output", settings.Output);
    }
    if (settings.Matrix) {
        values.emplace_back("transform", std::to_string(*TransformOf(*settings.Matrix)));
    }
    return values;
}

std::string Write(const TouchSettings& settings, const std::optional<std::string>& name) {
    const auto values = Values(settings);
    const std::string prefix = name ? "device[" + *name + "]:" : "input:touchdevice:";
    std::string now;
    std::string block =
        name ? "device {\n    name = " + *name + "\n" : "input {\n    touchdevice {\n";
    const std::string indent = name ? "    " : "        ";
    for (const auto& [key, value] : values) {
        now += "hyprctl -r -- keyword " + ShellWord(prefix + key) + " " + ShellWord(value) + "\n";
        block += indent + key + " = " + value + "\n";
    }
    block += name ? "}\n" : "    }\n}\n";
    return now + "To keep it, in ~/.config/hypr/hyprland.conf:\n" + block +
           (name ? ""
                 : "(This applies to every touchscreen: its name cannot stand in a device "
                   "block.)\n") +
           "With a Lua configuration (hyprland.lua) set the same through hl.device or hl.config "
           "instead; hyprctl keyword does not apply there.\n";
}

}  // namespace

std::string HyprlandAdvice(const MappingFix& fix, const TouchscreenDevice& device) {
    const std::optional<std::string> name = HyprlandName(device.Name);
    return CompositorAdvice(
        fix, device,
        {[](const AffineMap& matrix) { return TransformOf(matrix).has_value(); },
         [&](const TouchSettings& settings) { return Write(settings, name); },
         "Hyprland keeps this matrix only while no transform is set for the touchscreen.\n"});
}
