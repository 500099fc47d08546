#include "platform/InputDevices.h"

#include <filesystem>
#include <fstream>
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

}  // namespace

std::string InputDeviceName(uint16_t vendor, uint16_t product, const std::string& sysfsRoot) {
    std::error_code error;
    std::filesystem::directory_iterator entries(sysfsRoot, error);
    if (error) {
        return {};
    }
    std::string best;
    int bestRank = -1;
    for (const auto& entry : entries) {
        // input<N> holds id/ and name; event<N> and the like repeat it.
        const std::string leaf = entry.path().filename().string();
        if (leaf.rfind("input", 0) != 0) {
            continue;
        }
        if (HexIdIs(entry.path() / "id" / "vendor", vendor) &&
            HexIdIs(entry.path() / "id" / "product", product)) {
            const std::string name = FirstLine(entry.path() / "name");
            const int rank = TouchscreenRank(entry.path());
            if (!name.empty() && rank > bestRank) {
                best = name;
                bestRank = rank;
            }
        }
    }
    return best;
}
