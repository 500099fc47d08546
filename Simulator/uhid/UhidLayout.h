#pragma once
// How the controller's collections are presented to the kernel: as one HID
// device per collection, the way a composite USB device with an interface per
// collection appears, or as one device holding them all. The vendor
// collections' descriptors are built from their usages and report lengths;
// the collections that carry touches to the system declare their fields.
//
// In one device the kernel's multi-touch driver takes the whole device, and
// it passes on only the touch screen's contacts: the mouse and single-touch
// forms reach the system only as devices of their own.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class UhidTopology { Separate, Single };

struct UhidDeviceLayout {
    std::vector<uint8_t> descriptor;
    // The controller's collection index of each top-level collection of the
    // descriptor, in descriptor order.
    std::vector<size_t> collections;
    std::string nameSuffix;  // after the controller's name
};

// Channel 0 carries no report id, so it comes first in a shared descriptor:
// a report id, once declared, holds for every item that follows.
std::vector<UhidDeviceLayout> BuildUhidLayout(UhidTopology topology);
