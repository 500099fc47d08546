#pragma once
// The program's command line: "/scope", "/vendorid HEX" and "/productid HEX".
// Also our own "/accuracy", "/coverage", "/simulate", "/screenshot FILE" and "--version".

#include <cstdint>
#include <optional>
#include <string>

struct CommandLineEffects {
    // Cleared by "/scope", "/accuracy" and "/coverage": the main window is
    // created but not shown at start; the scope or the accuracy test shows
    // itself.
    bool showMainForm = true;
    // "/simulate": the virtual controller instead of the real HID devices.
    bool simulate = false;
    // "/screenshot FILE": save the main window once connected, then exit.
    std::string screenshotFile;
};

// Applies the options to the device identity, in argument order. Each option
// is matched as a case-insensitive prefix of an argument; an option's value is
// examined again as an argument of its own.
CommandLineEffects ParseCommandLine(int argc, const char* const* argv);

// True when an argument is exactly "--version": the program then prints its
// version and ends before it reads or writes anything. Matched whole, unlike
// the slash options, so that no value or file name that merely begins with it
// ends the program; like them, it counts wherever it stands.
bool AsksForVersion(int argc, const char* const* argv);

// The conversion of "0x" + digits to an integer: hexadecimal, failing on an
// empty digit string, on any other character, or on a value beyond 32 bits.
std::optional<uint32_t> ConvertHexDigits(const char* digits);

// True when the argument begins with the option without regard to case.
bool ArgumentHasOption(const char* argument, const char* option);
