#include "lib/Utils.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/IniFile.h"
#include "platform/UserFolder.h"

namespace {

#ifdef _WIN32
constexpr char kDataSubfolder[] = "\\Brightfold\\T860\\";
#else
constexpr char kDataSubfolder[] = "/Brightfold/T860/";
#endif
constexpr char kIniFileName[] = "XlateLib.ini";
constexpr char kSection[] = "DeviceID";
constexpr char kVendorKey[] = "VendorID";
constexpr char kProductKey[] = "ProductID";
constexpr uint32_t kDefaultVendor = 12154;
constexpr uint32_t kDefaultProduct = 6;

char g_appDataPath[kDataFolderCapacity];

// Builds "<data folder>XlateLib.ini" into path; false when it cannot be built.
bool BuildIniPath(char (&path)[kDataFolderCapacity]) {
    if (!GetDataFolder(path, kDataFolderCapacity)) {
        return false;
    }
    if (std::strlen(path) + sizeof kIniFileName > kDataFolderCapacity) {
        return false;
    }
    std::strcat(path, kIniFileName);
    return true;
}

}  // namespace

bool GetDataFolder(char* buffer, uint32_t capacity) {
    if (g_appDataPath[0] == '\0') {
        const std::string fetched = platform::GetAppDataFolder();
        // A path that does not fit the cache is as good as none.
        if (fetched.size() < sizeof g_appDataPath) {
            std::memcpy(g_appDataPath, fetched.c_str(), fetched.size() + 1);
        }
    }
    if (g_appDataPath[0] == '\0' || buffer == nullptr) {
        return false;
    }
    const size_t needed = std::strlen(g_appDataPath) + std::strlen(kDataSubfolder) + 1;
    if (capacity < needed) {
        return false;
    }
    std::snprintf(buffer, capacity, "%s%s", g_appDataPath, kDataSubfolder);
    if (!platform::PathExists(buffer)) {
        platform::MakeSureDirectoryPathExists(buffer);
    }
    return true;
}

bool ReadDeviceIdentity(uint16_t& vendor, uint16_t& product) {
    char path[kDataFolderCapacity];
    if (!BuildIniPath(path)) {
        return false;
    }
    vendor = static_cast<uint16_t>(
        platform::GetPrivateProfileInt(kSection, kVendorKey, kDefaultVendor, path));
    product = static_cast<uint16_t>(
        platform::GetPrivateProfileInt(kSection, kProductKey, kDefaultProduct, path));
    return true;
}

bool WriteDeviceIdentity(uint16_t vendor, uint16_t product) {
    char path[kDataFolderCapacity];
    if (!BuildIniPath(path)) {
        return false;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(vendor));
    if (!platform::WritePrivateProfileString(kSection, kVendorKey, text, path)) {
        return false;
    }
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(product));
    return platform::WritePrivateProfileString(kSection, kProductKey, text, path);
}

void ResetDataFolderCacheForTest() {
    g_appDataPath[0] = '\0';
}
