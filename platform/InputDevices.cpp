#include "platform/InputDevices.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <system_error>

namespace {

std::string FirstLine(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::string line;
    std::getline(file, line);
    return line;
}

bool HexIdIs(const std::filesystem::path& path, uint16_t id) {
    const std::string text = FirstLine(path);
    try {
        size_t used = 0;
        const unsigned long value = std::stoul(text, &used, 16);
        return used == text.size() && value == id;
    } catch (const std::exception&) {
        return false;
    }
}

// A touchscreen is a direct input device: its positions are on the screen.
// The properties are a hexadecimal bit mask; INPUT_PROP_DIRECT is bit 1.
bool IsDirect(const std::filesystem::path& input) {
    const std::string text = FirstLine(input / "properties");
    if (text.empty()) {
        return false;
    }
    const char lowest = text.back();
    const int bits = lowest >= '0' && lowest <= '9'   ? lowest - '0'
                     : lowest >= 'a' && lowest <= 'f' ? lowest - 'a' + 10
                                                      : 0;
    return (bits & 0x2) != 0;
}

// The input<N> folder of the device with the ids, preferring a touchscreen;
// empty when there is none.
std::filesystem::path FindInput(uint16_t vendor, uint16_t product, const std::string& sysfsRoot) {
    std::error_code error;
    std::filesystem::directory_iterator entries(sysfsRoot, error);
    if (error) {
        return {};
    }
    // A controller can give the system several input devices (a mouse and a
    // touchscreen form); the touchscreen is the one the desktop maps.
    std::filesystem::path found;
    for (const auto& entry : entries) {
        // input<N> holds id/ and name; event<N> and the like repeat it.
        const std::string leaf = entry.path().filename().string();
        if (leaf.rfind("input", 0) != 0 || FirstLine(entry.path() / "name").empty()) {
            continue;
        }
        if (HexIdIs(entry.path() / "id" / "vendor", vendor) &&
            HexIdIs(entry.path() / "id" / "product", product)) {
            if (IsDirect(entry.path())) {
                return entry.path();
            }
            if (found.empty()) {
                found = entry.path();
            }
        }
    }
    return found;
}

// "E:KEY=VALUE" lines of udev's record of the input device's event node.
std::string UdevProperty(const std::filesystem::path& input, const std::string& udevData,
                         const std::string& key) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(input, error)) {
        if (entry.path().filename().string().rfind("event", 0) != 0) {
            continue;
        }
        // udev keeps a character device's record as c<major>:<minor>.
        std::ifstream record(std::filesystem::path(udevData) /
                             ("c" + FirstLine(entry.path() / "dev")));
        std::string line;
        while (std::getline(record, line)) {
            if (line.rfind("E:" + key + "=", 0) == 0) {
                return line.substr(key.size() + 3);
            }
        }
    }
    return {};
}

}  // namespace

std::string InputDeviceName(uint16_t vendor, uint16_t product, const InputDeviceRoots& roots) {
    const std::filesystem::path input = FindInput(vendor, product, roots.Sysfs);
    return input.empty() ? std::string() : FirstLine(input / "name");
}

std::optional<std::array<double, 6>> InputDeviceUdevMatrix(uint16_t vendor, uint16_t product,
                                                           const InputDeviceRoots& roots) {
    const std::filesystem::path input = FindInput(vendor, product, roots.Sysfs);
    if (input.empty()) {
        return std::nullopt;
    }
    const std::string text = UdevProperty(input, roots.UdevData, "LIBINPUT_CALIBRATION_MATRIX");
    // Six numbers and nothing else, as libinput itself takes them.
    std::istringstream numbers(text);
    numbers.imbue(std::locale::classic());
    std::array<double, 6> matrix{};
    for (double& value : matrix) {
        if (!(numbers >> value) || !std::isfinite(value)) {
            return std::nullopt;
        }
    }
    std::string rest;
    if (numbers >> rest) {
        return std::nullopt;
    }
    return matrix;
}
