#include "Protocol/CommandLine.h"

#include <cstdint>
#include <optional>
#include <string_view>

#include "DriverInterface/DriverIO.h"

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

}  // namespace

std::optional<uint32_t> ConvertHexDigits(const char* digits) {
    if (digits == nullptr || digits[0] == '\0') {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (const char* p = digits; *p != '\0'; ++p) {
        const char c = LowerAscii(*p);
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
        if (value > 0xFFFFFFFFu) {
            return std::nullopt;
        }
    }
    return static_cast<uint32_t>(value);
}

namespace {

uint16_t IdFromArgument(const char* value, uint16_t fallback) {
    return static_cast<uint16_t>(ConvertHexDigits(value).value_or(fallback) & 0xFFFFu);
}

}  // namespace

bool ArgumentHasOption(const char* argument, const char* option) {
    if (argument == nullptr) {
        return false;
    }
    for (; *option != '\0'; ++option, ++argument) {
        if (*argument == '\0' || LowerAscii(*argument) != *option) {
            return false;
        }
    }
    return true;
}

bool AsksForVersion(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] != nullptr && std::string_view(argv[i]) == "--version") {
            return true;
        }
    }
    return false;
}

CommandLineEffects ParseCommandLine(int argc, const char* const* argv) {
    CommandLineEffects effects;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        uint16_t vendor;
        uint16_t product;
        if (ArgumentHasOption(argv[i], "/scope") || ArgumentHasOption(argv[i], "/accuracy") ||
            ArgumentHasOption(argv[i], "/coverage")) {
            effects.showMainForm = false;
        } else if (ArgumentHasOption(argv[i], "/simulate")) {
            effects.simulate = true;
        } else if (ArgumentHasOption(argv[i], "/screenshot") && hasValue) {
            effects.screenshotFile = argv[i + 1];
        } else if (ArgumentHasOption(argv[i], "/vendorid") && hasValue) {
            GetDeviceIdentity(vendor, product);
            SetDeviceIdentity(IdFromArgument(argv[i + 1], kDefaultVendorID), product);
        } else if (ArgumentHasOption(argv[i], "/productid") && hasValue) {
            GetDeviceIdentity(vendor, product);
            SetDeviceIdentity(vendor, IdFromArgument(argv[i + 1], kDefaultProductID));
        }
    }
    return effects;
}
