#include "platform/UserFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {

std::string GetAppDataFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.config";
    }
    return {};
}

bool PathExists(const char* path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

bool MakeSureDirectoryPathExists(const char* path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

}  // namespace platform
