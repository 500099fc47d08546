#pragma once
// The virtual controller on the in-process bus: one device with the
// controller's four collections, in the program's own process.

#include <memory>
#include <string>

#include "Simulator/ControllerTransport.h"
#include "platform/hid/VirtualBus.h"

class BusTransport final : public ControllerTransport {
public:
    BusTransport(platform::hid::VirtualBus& bus, const std::string& deviceName, uint16_t vendorId,
                 uint16_t productId);
    ~BusTransport() override;

    const platform::hid::VirtualDevice& Device() const { return *device_; }

    void Attach(platform::hid::VirtualDeviceHandler* handler) override;
    void Plug() override;
    void Unplug() override;
    bool IsPlugged() const override;
    void SendInput(size_t collection, const uint8_t* report, size_t length) override;
    bool SharesSenderMemory() const override { return true; }

private:
    platform::hid::VirtualBus& bus_;
    const std::shared_ptr<platform::hid::VirtualDevice> device_;
};
