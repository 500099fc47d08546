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

}  // namespace

std::string InputDeviceName(uint16_t vendor, uint16_t product, const std::string& sysfsRoot) {
    std::error_code error;
    std::filesystem::directory_iterator entries(sysfsRoot, error);
    if (error) {
        return {};
    }
    // A controller can give the system several input devices (a mouse and a
    // touchscreen form); the touchscreen is the one the desktop maps.
    std::string found;
    for (const auto& entry : entries) {
        // input<N> holds id/ and name; event<N> and the like repeat it.
        const std::string leaf = entry.path().filename().string();
        if (leaf.rfind("input", 0) != 0) {
            continue;
        }
        if (HexIdIs(entry.path() / "id" / "vendor", vendor) &&
            HexIdIs(entry.path() / "id" / "product", product)) {
            const std::string name = FirstLine(entry.path() / "name");
            if (!name.empty() && (found.empty() || IsDirect(entry.path()))) {
                found = name;
                if (IsDirect(entry.path())) {
                    break;
                }
            }
        }
    }
    return found;
}
