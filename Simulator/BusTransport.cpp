#include "Simulator/BusTransport.h"

#include "Simulator/DigitizerForms.h"

BusTransport::BusTransport(platform::hid::VirtualBus& bus, const std::string& deviceName,
                           uint16_t vendorId, uint16_t productId)
    : bus_(bus),
      device_(std::make_shared<platform::hid::VirtualDevice>(deviceName, vendorId, productId,
                                                             VirtualControllerCollections())) {}

BusTransport::~BusTransport() {
    bus_.Unplug(device_);
    device_->SetHandler(nullptr);
}

void BusTransport::Attach(platform::hid::VirtualDeviceHandler* handler) {
    device_->SetHandler(handler);
}

void BusTransport::Plug() {
    bus_.Plug(device_);
}

void BusTransport::Unplug() {
    bus_.Unplug(device_);
}

bool BusTransport::IsPlugged() const {
    return bus_.IsPlugged(device_);
}

void BusTransport::SendInput(size_t collection, const uint8_t* report, size_t length) {
    bus_.InjectInput(*device_, collection, report, length);
}
