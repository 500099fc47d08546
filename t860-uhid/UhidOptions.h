#pragma once
// t860-uhid's command line.

#include <stdexcept>
#include <string>
#include <vector>

#include "Simulator/VirtualController.h"
#include "Simulator/uhid/UhidLayout.h"

constexpr int kUhidExitOk = 0;
constexpr int kUhidExitFailed = 1;  // the kernel refused a device
constexpr int kUhidExitUsage = 2;
constexpr int kUhidExitNoUhid = 3;  // /dev/uhid missing or refused

struct UhidOptions {
    UhidTopology topology = UhidTopology::Separate;
    ControllerConfig config;
    std::string node = "/dev/uhid";
    bool startUnplugged = false;
    bool help = false;
    bool version = false;
};

// Options as "--name=value" or "--name value"; throws std::invalid_argument
// naming what is wrong.
UhidOptions ParseUhidOptions(const std::vector<std::string>& args);

extern const char kUhidUsage[];
