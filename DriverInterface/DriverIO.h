#pragma once
// Device access: the device identity, discovery of the controller's HID
// collections, the report I/O engine, the input mode feature report and the
// continuous stream command.

#include <cstdint>

#include "platform/hid/HidBackend.h"

using platform::hid::HidCaps;
using platform::hid::HidHandle;

constexpr uint16_t kDefaultVendorID = 0x2F7A;
constexpr uint16_t kDefaultProductID = 0x0006;

// Device identity: plain 16-bit values, each read and written whole.
void SetDeviceIdentity(uint16_t vendor, uint16_t product);
void GetDeviceIdentity(uint16_t& vendor, uint16_t& product);
