#pragma once
// The virtual controller on a uhid node, as every uhid test plugs it: one
// identity, one quiet configuration, both topologies under their names, and
// whatever plays the kernel behind the node opener (FakeUhid answered by the
// test itself, or FakeKernel's hidraw nodes).

#include <gtest/gtest.h>

#include <string>

#include "DriverInterface/DriverIO.h"
#include "Simulator/VirtualController.h"
#include "Simulator/uhid/UhidTransport.h"
#include "tests/support/WaitUntil.h"

inline UhidIdentity TestUhidIdentity() {
    UhidIdentity identity;
    identity.name = "BFT860 test";
    identity.uniq = "86012345";
    identity.vendorId = kDefaultVendorID;
    identity.productId = kDefaultProductID;
    return identity;
}

// No scripted touches: a test sees only the traffic it causes.
inline ControllerConfig QuietControllerConfig() {
    ControllerConfig config;
    config.touchReportsPerSecond = 0;
    return config;
}

// How long a plug may take to be started by the kernel on a loaded machine.
inline constexpr uint32_t kUhidStartDeadlineMs =
    static_cast<uint32_t>(t860test::kGenerousDeadline.count());

inline auto BothUhidTopologies() {
    return ::testing::Values(UhidTopology::Separate, UhidTopology::Single);
}
inline std::string TopologyName(const ::testing::TestParamInfo<UhidTopology>& info) {
    return info.param == UhidTopology::Single ? "Single" : "Separate";
}

// The transport and the controller on it, not yet plugged.
class UhidTestController {
public:
    UhidTestController(UhidTopology topology, platform::hid::NodeOpener opener,
                       ControllerConfig config = QuietControllerConfig())
        : transport(TestUhidIdentity(), topology, "/dev/uhid", std::move(opener)),
          controller(transport, config) {}

    UhidTransport transport;
    VirtualController controller;
};
