#pragma once
// The wire the virtual controller sits on, seen from the device's side: the
// in-process bus that "/simulate" uses, or the kernel through /dev/uhid. The
// controller's collections are always those of VirtualControllerCollections(),
// in that order; a transport presents them the way its wire needs.
//
// What the program sends reaches the controller through the handler given to
// Attach, on the transport's own thread or the sender's. A transport never
// calls the handler while holding a lock that SendInput takes, so that the
// controller may send from inside the handler and with its own lock held.

#include <cstddef>
#include <cstdint>

#include "platform/hid/VirtualBus.h"

class ControllerTransport {
public:
    virtual ~ControllerTransport() = default;

    // The controller that answers what arrives; nullptr detaches it, after
    // which nothing calls the previous one.
    virtual void Attach(platform::hid::VirtualDeviceHandler* handler) = 0;

    virtual void Plug() = 0;
    virtual void Unplug() = 0;
    virtual bool IsPlugged() const = 0;

    // Sends an input report of one collection, report id byte first.
    virtual void SendInput(size_t collection, const uint8_t* report, size_t length) = 0;

    // Whether a request's buffer addresses lie in the memory of the process
    // that sent it. Only then can the controller fill them, as the component
    // behind the performance statistics collection does.
    virtual bool SharesSenderMemory() const = 0;
};
