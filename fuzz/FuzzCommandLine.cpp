// The command line parser: the input split at zero bytes into arguments.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DriverInterface/DriverIO.h"
#include "Protocol/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments{"t860util"};
    std::string current;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    arguments.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    SetDeviceIdentity(kDefaultVendorID, kDefaultProductID);
    ParseCommandLine(static_cast<int>(arguments.size()), argv.data());
    for (const std::string& argument : arguments) {
        ConvertHexDigits(argument.c_str());
    }
    return 0;
}
