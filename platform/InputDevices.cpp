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

// The last word of a capability or property bit mask holds its lowest bits.
bool LowBitSet(const std::filesystem::path& path, unsigned bit) {
    const std::string text = FirstLine(path);
    const size_t last = text.find_last_of(' ');
    try {
        return (std::stoull(text.substr(last == std::string::npos ? 0 : last + 1), nullptr, 16) >>
                bit) &
               1;
    } catch (const std::exception&) {
        return false;
    }
}

// A controller can make several input devices (a mouse, a pen, a touch
// screen): the touch screen is the one the desktop maps, so a device with
// multi-touch positions comes first, then one that says it is on a display.
int TouchscreenRank(const std::filesystem::path& input) {
    constexpr unsigned kAbsMtPositionX = 0x35;
    constexpr unsigned kPropDirect = 1;
    if (LowBitSet(input / "capabilities" / "abs", kAbsMtPositionX)) {
        return 2;
    }
    return LowBitSet(input / "properties", kPropDirect) ? 1 : 0;
}

// The input<N> folder of the device with the ids, the touch screen first;
// empty when there is none.
std::filesystem::path FindInput(uint16_t vendor, uint16_t product, const std::string& sysfsRoot) {
    std::error_code error;
    std::filesystem::directory_iterator entries(sysfsRoot, error);
    if (error) {
        return {};
    }
    std::filesystem::path best;
    int bestRank = -1;
    for (const auto& entry : entries) {
        // input<N> holds id/ and name; event<N> and the like repeat it.
        const std::string leaf = entry.path().filename().string();
        if (leaf.rfind("input", 0) != 0 || FirstLine(entry.path() / "name").empty()) {
            continue;
        }
        if (HexIdIs(entry.path() / "id" / "vendor", vendor) &&
            HexIdIs(entry.path() / "id" / "product", product)) {
            const int rank = TouchscreenRank(entry.path());
            if (rank > bestRank) {
                best = entry.path();
                bestRank = rank;
            }
        }
    }
    return best;
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
        // Appended, not "c" + ...: GCC 12 warns falsely (-Wrestrict) on a
        // literal before a temporary string.
        std::string name = "c";
        name += FirstLine(entry.path() / "dev");
        std::ifstream record(std::filesystem::path(udevData) / name);
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
