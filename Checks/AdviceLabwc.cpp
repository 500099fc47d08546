// The fix under labwc: the touch and libinput elements of its rc.xml, which
// it reads again on labwc --reconfigure.

#include <cctype>
#include <cstring>
#include <optional>

#include "Checks/AdviceText.h"

namespace {

// The length of the UTF-8 sequence that starts at text[at], or 0 where none
// is well-formed there.
size_t Utf8SequenceAt(const std::string& text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead < 0x80                   ? 1
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 0;
    if (length == 0 || at + length > text.size()) {
        return 0;
    }
    uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = code << 6 | (next & 0x3F);
    }
    const uint32_t shortest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = code >= 0xD800 && code < 0xE000;
    return code < shortest[length] || surrogate || code > 0x10FFFF ? 0 : length;
}

// The text as an XML attribute value in double quotes; none where XML cannot
// hold it (control characters other than blanks, bytes that are not UTF-8).
// Tabs and line ends go as character references, which the parser keeps
// where it would make the characters themselves spaces.
std::optional<std::string> XmlAttribute(const std::string& text) {
    std::string escaped;
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceAt(text, at);
        if (length == 0) {
            return std::nullopt;
        }
        const char c = text[at];
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            case '\t':
                escaped += "&#9;";
                break;
            case '\n':
                escaped += "&#10;";
                break;
            case '\r':
                escaped += "&#13;";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    return std::nullopt;
                }
                escaped.append(text, at, length);
        }
        at += length;
    }
    return escaped;
}

// A libinput category given as one of these words means a kind of device,
// not the device of that name.
bool IsCategoryWord(const std::string& name) {
    for (const char* word : {"touch", "touchpad", "non-touch", "default"}) {
        bool same = name.size() == std::strlen(word);
        for (size_t i = 0; same && i < name.size(); ++i) {
            same = std::tolower(static_cast<unsigned char>(name[i])) == word[i];
        }
        if (same) {
            return true;
        }
    }
    return false;
}

// The device's name as labwc matches it, in the touch element and as a
// libinput category; none where it cannot stand there. An empty name would
// make either apply to every device.
struct DeviceAttributes {
    std::optional<std::string> Touch;
    std::optional<std::string> Category;
};

DeviceAttributes AttributesOf(const TouchscreenDevice& device) {
    if (device.Name.empty()) {
        return {};
    }
    const std::optional<std::string> name = XmlAttribute(device.Name);
    return {name, IsCategoryWord(device.Name) ? std::nullopt : name};
}

std::string Write(const TouchSettings& settings, const DeviceAttributes& device) {
    std::string elements;
    const std::optional<std::string> output = XmlAttribute(settings.Output);
    if (!settings.Output.empty() && !output) {
        elements += MapInDesktopSettings(settings.Output);
    } else if (!settings.Output.empty()) {
        elements += "<touch " +
                    (device.Touch ? "deviceName=\"" + *device.Touch + "\" " : std::string()) +
                    "mapToOutput=\"" + *output + "\" />\n";
        if (!device.Touch) {
            elements += "(This applies to every touchscreen: its name cannot stand in rc.xml.)\n";
        }
    }
    if (settings.Matrix) {
        elements += "<libinput>\n  <device category=\"" + *device.Category +
                    "\">\n    <calibrationMatrix>" + MatrixValuesText(*settings.Matrix) +
                    "</calibrationMatrix>\n  </device>\n</libinput>\n";
    }
    return "In ~/.config/labwc/rc.xml, inside its root element:\n" + elements +
           "then: labwc --reconfigure\n";
}

}  // namespace

std::string LabwcAdvice(const MappingFix& fix, const TouchscreenDevice& device) {
    const DeviceAttributes attributes = AttributesOf(device);
    return CompositorAdvice(
        fix, device,
        {[&](const AffineMap&) { return attributes.Category.has_value(); },
         [&](const TouchSettings& settings) { return Write(settings, attributes); }, ""});
}
