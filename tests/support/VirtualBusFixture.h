#pragma once
// Selects a fresh virtual HID bus for the lifetime of the object.

#include <memory>

#include "DriverInterface/DriverIO.h"
#include "platform/hid/VirtualBus.h"

class SelectedVirtualBus {
public:
    SelectedVirtualBus() {
        platform::hid::SelectBackend(&bus);
        SetDeviceIdentity(kDefaultVendorID, kDefaultProductID);
    }
    ~SelectedVirtualBus() { platform::hid::SelectBackend(nullptr); }

    // Plugs a device with the controller's identity and collections.
    std::shared_ptr<platform::hid::VirtualDevice> PlugController(const char* name = "controller") {
        auto device = std::make_shared<platform::hid::VirtualDevice>(
            name, kDefaultVendorID, kDefaultProductID, platform::hid::ControllerCollections());
        bus.Plug(device);
        return device;
    }

    platform::hid::VirtualBus bus;
};
