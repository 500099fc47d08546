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

}  // namespace

std::string InputDeviceName(uint16_t vendor, uint16_t product, const std::string& sysfsRoot) {
    std::error_code error;
    std::filesystem::directory_iterator entries(sysfsRoot, error);
    if (error) {
        return {};
    }
    for (const auto& entry : entries) {
        // input<N> holds id/ and name; event<N> and the like repeat it.
        const std::string leaf = entry.path().filename().string();
        if (leaf.rfind("input", 0) != 0) {
            continue;
        }
        if (HexIdIs(entry.path() / "id" / "vendor", vendor) &&
            HexIdIs(entry.path() / "id" / "product", product)) {
            const std::string name = FirstLine(entry.path() / "name");
            if (!name.empty()) {
                return name;
            }
        }
    }
    return {};
}
