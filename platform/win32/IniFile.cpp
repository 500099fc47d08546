#include "platform/IniFile.h"

#include <string>

#include "platform/UserFolder.h"
#include "platform/win32/Windows.h"

namespace platform {

uint32_t GetPrivateProfileInt(const char* section, const char* key, uint32_t defaultValue,
                              const char* path) {
    if (section == nullptr || key == nullptr || path == nullptr) {
        return defaultValue;
    }
    return ::GetPrivateProfileIntA(section, key, static_cast<INT>(defaultValue), path);
}

bool WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const char* path) {
    if (section == nullptr || key == nullptr || value == nullptr || path == nullptr) {
        return false;
    }
    // The system writes into an existing folder only.
    std::string folder(path);
    const size_t last = folder.find_last_of("\\/");
    if (last != std::string::npos && last > 0) {
        folder.resize(last);
        MakeSureDirectoryPathExists(folder.c_str());
    }
    return ::WritePrivateProfileStringA(section, key, value, path) != FALSE;
}

}  // namespace platform
