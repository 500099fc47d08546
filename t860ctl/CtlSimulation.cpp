#include "t860ctl/CtlSimulation.h"

#include "Simulator/VirtualController.h"
#include "platform/hid/VirtualBus.h"

struct CtlSimulation::Parts {
    Parts() : previous(platform::hid::CurrentBackend()), controller(bus) {}

    platform::hid::Backend& previous;
    platform::hid::VirtualBus bus;
    VirtualController controller;
};

CtlSimulation::CtlSimulation() : parts_(std::make_unique<Parts>()) {
    parts_->controller.Plug();
    platform::hid::SelectBackend(&parts_->bus);
}

CtlSimulation::~CtlSimulation() {
    parts_->controller.Unplug();
    platform::hid::SelectBackend(&parts_->previous);
}

uint16_t CtlSimulation::VendorID() const {
    return parts_->controller.Config().vendorId;
}

uint16_t CtlSimulation::ProductID() const {
    return parts_->controller.Config().productId;
}
