// The fix under sway and the compositors that read sway's configuration:
// swaymsg now, and the lines for the configuration file to make it last.

#include <cctype>
#include <cstring>
#include <vector>

#include "Checks/AdviceText.h"

namespace {

// The device as `swaymsg -t get_inputs` lists it: "vendor:product:name"
// with the ids in decimal, the name without its outer blanks, and each blank
// or unprintable character of it made an underscore.
std::string SwayIdentifier(const TouchscreenDevice& device) {
    std::string name = device.Name;
    const size_t first = name.find_first_not_of(" \t\n\r\f\v");
    name = first == std::string::npos ? "" : name.substr(first);
    name.erase(name.find_last_not_of(" \t\n\r\f\v") + 1);
    for (char& c : name) {
        if (c == ' ' || !std::isprint(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return std::to_string(device.Vendor) + ":" + std::to_string(device.Product) + ":" + name;
}

// The identifier as one argument of a sway command. Sway splits its
// commands at blanks, ";" and "," outside quotes and drops the quotes of an
// argument that starts with one, but keeps backslashes; a name it cannot
// take back whole is left for the identifier of every touchscreen.
std::string SwayArgument(const std::string& identifier) {
    bool plain = true;
    for (char c : identifier) {
        plain = plain &&
                (std::isalnum(static_cast<unsigned char>(c)) || std::strchr("_:.+-", c) != nullptr);
    }
    if (plain) {
        return identifier;
    }
    if (identifier.find('\\') != std::string::npos) {
        return "type:touch";
    }
    if (identifier.find('"') == std::string::npos) {
        return "\"" + identifier + "\"";
    }
    if (identifier.find('\'') == std::string::npos) {
        return "'" + identifier + "'";
    }
    return "type:touch";
}

}  // namespace

std::string SwayAdvice(const MappingFix& fix, const TouchscreenDevice& device) {
    std::vector<std::string> settings;  // of the device's input block
    if (fix.MapToOutput) {
        settings.push_back("map_to_output " + SwayArgument(fix.Output));
        if (fix.AfterMapping) {
            settings.push_back("calibration_matrix " + MatrixValuesText(*fix.AfterMapping));
        }
    } else if (fix.AsMapped) {
        settings.push_back("calibration_matrix " + MatrixValuesText(*fix.AsMapped));
    }
    if (settings.empty()) {
        return {};
    }
    const std::string input = SwayArgument(SwayIdentifier(device));
    std::string now;
    std::string block;
    for (const std::string& setting : settings) {
        // One word: swaymsg would take a negative matrix value for an option.
        now += "swaymsg " + ShellWord("input " + input + " " + setting) + "\n";
        block += "    " + setting + "\n";
    }
    return now + "To keep it, in ~/.config/sway/config (then swaymsg reload):\ninput " + input +
           " {\n" + block + "}\n";
}
