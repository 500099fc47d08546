#include "platform/hid/VirtualBus.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace platform::hid;

namespace {

class RecordingDevice : public VirtualDeviceHandler {
public:
    void OnOutputReport(size_t collection, const uint8_t* report, size_t length) override {
        lastCollection = collection;
        written.assign(report, report + length);
    }
    bool OnGetFeature(size_t, uint8_t* report, size_t length) override {
        if (length > 1) {
            report[1] = feature;
        }
        return true;
    }
    bool OnSetFeature(size_t, const uint8_t* report, size_t length) override {
        feature = length > 1 ? report[1] : 0;
        return true;
    }
    size_t lastCollection = 99;
    std::vector<uint8_t> written;
    uint8_t feature = 7;
};

class VirtualBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        device = std::make_shared<VirtualDevice>("dev", 1, 2, ControllerCollections());
        device->SetHandler(&recorder);
        bus.Plug(device);
        ASSERT_EQ(bus.Open(VirtualBus::PathOf(*device, 3), true, handle), OpenStatus::Ok);
    }
    void TearDown() override { bus.Close(handle); }

    VirtualBus bus;
    RecordingDevice recorder;
    std::shared_ptr<VirtualDevice> device;
    HidHandle handle = nullptr;
    platform::Event cancel{platform::Event::Reset::Auto};
    uint8_t buffer[kReportSize] = {};
};

TEST_F(VirtualBusTest, InjectedReportsAreReadInOrderAndBoundedByTheBuffer) {
    const uint8_t first[3] = {6, 'T', 1};
    uint8_t oversized[100];
    for (int i = 0; i < 100; ++i) {
        oversized[i] = static_cast<uint8_t>(i);
    }
    bus.InjectInput(*device, 3, first, sizeof first);
    bus.InjectInput(*device, 1, first, sizeof first);  // another collection: not ours
    bus.InjectInput(*device, 3, oversized, sizeof oversized);
    ReadResult result = bus.Read(handle, buffer, sizeof buffer, cancel);
    EXPECT_EQ(result.status, ReadStatus::Completed);
    EXPECT_EQ(result.bytes, 3u);
    EXPECT_EQ(buffer[1], 'T');
    uint8_t small[10] = {};
    result = bus.Read(handle, small, sizeof small, cancel);
    EXPECT_EQ(result.bytes, 100u) << "the length received, though only the buffer is filled";
    EXPECT_EQ(small[9], 9);
}

TEST_F(VirtualBusTest, FullBufferDropsTheOldestReport) {
    for (uint8_t i = 0; i < 70; ++i) {
        const uint8_t report[2] = {6, i};
        bus.InjectInput(*device, 3, report, sizeof report);
    }
    bus.Read(handle, buffer, sizeof buffer, cancel);
    EXPECT_EQ(buffer[1], 6) << "64 kept: reports 6..69";
}

TEST_F(VirtualBusTest, ReadEndsOnCancelUnplugOrClose) {
    std::thread canceller([&] {
        platform::Sleep(20);
        cancel.Set();
    });
    EXPECT_EQ(bus.Read(handle, buffer, sizeof buffer, cancel).status, ReadStatus::Cancelled);
    canceller.join();
    EXPECT_TRUE(cancel.IsSet()) << "the cancel request stands for the caller to see";
    cancel.Clear();

    std::thread unplugger([&] {
        platform::Sleep(20);
        bus.Unplug(device);
    });
    EXPECT_EQ(bus.Read(handle, buffer, sizeof buffer, cancel).status, ReadStatus::Failed);
    unplugger.join();
    size_t written = 0;
    EXPECT_FALSE(bus.Write(handle, buffer, sizeof buffer, written));
    EXPECT_FALSE(bus.IsPlugged(device));

    bus.Plug(device);
    HidHandle again = nullptr;
    ASSERT_EQ(bus.Open(VirtualBus::PathOf(*device, 3), true, again), OpenStatus::Ok);
    std::thread closer([&] {
        platform::Sleep(20);
        bus.Close(again);
    });
    EXPECT_EQ(bus.Read(again, buffer, sizeof buffer, cancel).status, ReadStatus::Failed);
    closer.join();
}

TEST_F(VirtualBusTest, WritesAndFeatureRequestsReachTheDevice) {
    const uint8_t report[5] = {6, 'C', 1, 0x80, 0};
    size_t written = 0;
    ASSERT_TRUE(bus.Write(handle, report, sizeof report, written));
    EXPECT_EQ(written, sizeof report);
    EXPECT_EQ(recorder.written, std::vector<uint8_t>(report, report + 5));
    EXPECT_EQ(recorder.lastCollection, 3u);

    uint8_t feature[kReportSize] = {2, 9};
    ASSERT_TRUE(bus.SetFeature(handle, feature, sizeof feature));
    feature[1] = 0;
    ASSERT_TRUE(bus.GetFeature(handle, feature, sizeof feature));
    EXPECT_EQ(feature[1], 9);
    device->SetHandler(nullptr);
    EXPECT_FALSE(bus.GetFeature(handle, feature, sizeof feature));
}

TEST_F(VirtualBusTest, UnknownPathsAndClosedHandlesFailSafely) {
    HidHandle none = nullptr;
    EXPECT_EQ(bus.Open("virtual:nothing#0", false, none), OpenStatus::Failed);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(bus.OpenHandleCount(), 1);
    bus.Close(nullptr);
    EXPECT_EQ(bus.Read(nullptr, buffer, sizeof buffer, cancel).status, ReadStatus::Failed);
    PreparsedData data = nullptr;
    EXPECT_FALSE(bus.GetPreparsedData(nullptr, data));
}

}  // namespace
