#pragma once
// The program's command line: "/scope", "/vendorid HEX" and "/productid HEX".

struct CommandLineEffects {
    // Cleared by "/scope": the main window is created but not shown at start.
    bool showMainForm = true;
};

// Applies the options to the device identity, in argument order. Each option
// is matched as a case-insensitive prefix of an argument; an option's value is
// examined again as an argument of its own.
CommandLineEffects ParseCommandLine(int argc, const char* const* argv);

// True when the argument begins with the option without regard to case.
bool ArgumentHasOption(const char* argument, const char* option);
