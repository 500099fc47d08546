#pragma once
// Runs the engine on a fresh virtual bus and collects what its callbacks
// deliver. The engine is stopped, and every thread it started joined, when the
// fixture ends.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "DriverInterface/DriverIO.h"
#include "tests/DriverInterface/RecordingDevice.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/VirtualBusFixture.h"

// What the callbacks saw, in order: reports of either channel and connection
// notices, so that tests can check their order as well.
struct Delivery {
    enum Kind { Channel0Report, Channel6Report, Connection } kind;
    Bytes bytes;        // reports
    int32_t connected;  // connection notices
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest();
    ~EngineTest() override;

    std::shared_ptr<platform::hid::VirtualDevice> PlugController(
        platform::hid::VirtualDeviceHandler& handler);
    // Injects an input report (report id first) into a collection of the controller.
    void Inject(size_t collection, const Bytes& report);
    std::vector<Delivery> DeliveriesOf(Delivery::Kind kind) const;
    std::vector<int32_t> ConnectionNotices() const;

    TraceCapture trace;
    SelectedVirtualBus virtualBus;
    platform::hid::VirtualBus& bus = virtualBus.bus;
    std::shared_ptr<platform::hid::VirtualDevice> controller;
    RecordingDevice device;

public:
    // Shared with the callbacks, which are plain functions.
    static Inbox<Delivery> deliveries;
    // How long the connection callback takes, to make ordering faults visible.
    static std::atomic<int> connectDelayMs;
    // When set, the connection callback answers a connected notice at once,
    // as the program does, with this report on channel 6.
    static std::atomic<bool> answerConnected;
    static constexpr uint8_t kConnectedAnswer[] = {0x06, 0x43, 0x01, 0x81};
};
