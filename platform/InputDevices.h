#pragma once
// The name under which the system's input layer knows a USB device (what
// xinput and libinput list), found by its vendor and product id.

#include <cstdint>
#include <string>

// Of several with these ids, a touchscreen's. Empty when the system has no
// input device with these ids, or none can be read. sysfsRoot: where the input class lives; tests
// point it elsewhere.
std::string InputDeviceName(uint16_t vendor, uint16_t product,
                            const std::string& sysfsRoot = "/sys/class/input");
