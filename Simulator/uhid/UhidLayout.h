#pragma once
// How the controller's four collections are presented to the kernel: as four
// HID devices of one collection each, the way a composite USB device with an
// interface per collection appears, or as one device holding all four. Each
// device gets a report descriptor built from the collections' usages and
// report lengths.

#include <cstddef>
#include <cstdint>
#include <vector>

enum class UhidTopology { Separate, Single };

struct UhidDeviceLayout {
    std::vector<uint8_t> descriptor;
    // The controller's collection index of each top-level collection of the
    // descriptor, in descriptor order.
    std::vector<size_t> collections;
};

// Channel 0 carries no report id, so it comes first in a shared descriptor:
// a report id, once declared, holds for every item that follows.
std::vector<UhidDeviceLayout> BuildUhidLayout(UhidTopology topology);
