#pragma once
// "--simulate": a virtual controller on an in-process bus for one run; the
// HID backend selected before comes back afterwards. Kept apart from the
// catalogue's headers, whose type-code names the simulator spells otherwise.

#include <cstdint>
#include <memory>

class CtlSimulation {
public:
    CtlSimulation();
    ~CtlSimulation();
    CtlSimulation(const CtlSimulation&) = delete;
    CtlSimulation& operator=(const CtlSimulation&) = delete;

    uint16_t VendorID() const;
    uint16_t ProductID() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
