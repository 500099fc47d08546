#include "tests/DriverInterface/EngineFixture.h"

#include <chrono>
#include <thread>

Inbox<Delivery> EngineTest::deliveries;
std::atomic<int> EngineTest::connectDelayMs{0};
std::atomic<bool> EngineTest::answerConnected{false};

namespace {

void OnReport0(int32_t unit, const uint8_t* data, int32_t length) {
    EXPECT_EQ(unit, 0);
    EngineTest::deliveries.Add({Delivery::Channel0Report, Bytes(data, data + length), 0});
}

void OnReport6(int32_t unit, const uint8_t* data, int32_t length) {
    EXPECT_EQ(unit, 0);
    EngineTest::deliveries.Add({Delivery::Channel6Report, Bytes(data, data + length), 0});
}

void OnConnect6(int32_t unit, int32_t connected) {
    EXPECT_EQ(unit, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(EngineTest::connectDelayMs.load()));
    if (connected != 0 && EngineTest::answerConnected) {
        QueueReport6(EngineTest::kConnectedAnswer, sizeof EngineTest::kConnectedAnswer);
    }
    EngineTest::deliveries.Add({Delivery::Connection, {}, connected});
}

}  // namespace

EngineTest::EngineTest() {
    deliveries.Clear();
    connectDelayMs = 0;
    answerConnected = false;
    SetReportCallback0(OnReport0);
    SetReportCallback6(OnReport6);
    SetConnectCallback6(OnConnect6);
}

EngineTest::~EngineTest() {
    StopDriverIO();
    JoinDriverIOThreads();
    SetReportCallback0(nullptr);
    SetReportCallback6(nullptr);
    SetConnectCallback6(nullptr);
    if (controller) {
        controller->SetHandler(nullptr);
    }
}

std::shared_ptr<platform::hid::VirtualDevice> EngineTest::PlugController(
    platform::hid::VirtualDeviceHandler& handler) {
    controller = virtualBus.PlugController();
    controller->SetHandler(&handler);
    return controller;
}

void EngineTest::Inject(size_t collection, const Bytes& report) {
    bus.InjectInput(*controller, collection, report.data(), report.size());
}

std::vector<Delivery> EngineTest::DeliveriesOf(Delivery::Kind kind) const {
    std::vector<Delivery> found;
    for (const Delivery& delivery : deliveries.Items()) {
        if (delivery.kind == kind) {
            found.push_back(delivery);
        }
    }
    return found;
}

std::vector<int32_t> EngineTest::ConnectionNotices() const {
    std::vector<int32_t> notices;
    for (const Delivery& delivery : DeliveriesOf(Delivery::Connection)) {
        notices.push_back(delivery.connected);
    }
    return notices;
}
