#pragma once
// The input device under which the system's input layer knows a USB device
// (what xinput and libinput list), found by its vendor and product id: its
// name, and the calibration matrix udev gives it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct InputDeviceRoots {
    std::string Sysfs = "/sys/class/input";   // the input class
    std::string UdevData = "/run/udev/data";  // udev's database of properties
};

// Of several devices with these ids, a touchscreen's. Empty when the system
// has no input device with these ids, or none can be read. Tests point the
// roots elsewhere.
std::string InputDeviceName(uint16_t vendor, uint16_t product, const InputDeviceRoots& roots = {});

// The first two rows of the libinput calibration matrix that udev's
// LIBINPUT_CALIBRATION_MATRIX property gives that device's event node; none
// when it has none (libinput then takes the identity) or it cannot be read.
std::optional<std::array<double, 6>> InputDeviceUdevMatrix(uint16_t vendor, uint16_t product,
                                                           const InputDeviceRoots& roots = {});
