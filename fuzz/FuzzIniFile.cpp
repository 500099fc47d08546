// The ini reader and writer on an arbitrary file: reading never fails, and a
// written key reads back as written whatever else the file holds.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/IniFile.h"

namespace {

const std::string& IniPath() {
    static const std::string path = [] {
        char folder[] = "/tmp/t860-fuzz-ini-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            std::abort();
        }
        return std::string(folder) + "/XlateLib.ini";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = IniPath();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    platform::GetPrivateProfileInt("DeviceID", "VendorID", 0x2F7A, path.c_str());
    platform::GetPrivateProfileInt("deviceid", "PRODUCTID", 6, path.c_str());
    if (!platform::WritePrivateProfileString("DeviceID", "ProductID", "1234", path.c_str()) ||
        platform::GetPrivateProfileInt("DEVICEID", "productid", 0, path.c_str()) != 1234) {
        std::abort();
    }
    return 0;
}
