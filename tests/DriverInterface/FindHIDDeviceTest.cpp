#include <gtest/gtest.h>

#include "DriverInterface/DriverIO.h"
#include "DriverInterface/DriverIOInternal.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/VirtualBusFixture.h"

using platform::hid::InterfaceStep;
using platform::hid::OpenStatus;
using platform::hid::VirtualCollection;
using platform::hid::VirtualDevice;

namespace {

class FindHIDDeviceTest : public ::testing::Test {
protected:
    void SetUp() override { RearmAccessDeniedWarning(); }
    HidHandle Find(uint16_t usage, uint16_t usagePage = kVendorUsagePage) {
        return FindHIDDevice(caps, usage, usagePage, true);
    }
    SelectedVirtualBus virtualBus;
    platform::hid::VirtualBus& bus = virtualBus.bus;
    TraceCapture trace;
    HidCaps caps;
};

TEST_F(FindHIDDeviceTest, WithoutControllerFindsNothingQuietlyAndLeavesNothingOpen) {
    platform::hid::PlugDecoys(bus);
    EXPECT_EQ(Find(kChannel6Usage), nullptr);
    EXPECT_EQ(Find(kChannel0Usage), nullptr);
    EXPECT_EQ(FindHIDDevice(caps, kTouchScreenUsage, kDigitizerUsagePage, false), nullptr);
    EXPECT_TRUE(trace.Lines().empty()) << "access denied and mismatches are not traced";
    EXPECT_EQ(bus.OpenHandleCount(), 0);
}

TEST_F(FindHIDDeviceTest, RightIdsButOtherUsageIsNotReturned) {
    bus.Plug(std::make_shared<VirtualDevice>("perf-only", kDefaultVendorID, kDefaultProductID,
                                             std::vector<VirtualCollection>{{0xFFA0, 0x0002}}));
    EXPECT_EQ(Find(kChannel0Usage), nullptr);
    EXPECT_EQ(caps.Usage, 0x0002) << "caps hold the collection examined last";
    EXPECT_EQ(bus.OpenHandleCount(), 0);
}

TEST_F(FindHIDDeviceTest, FindsEachCollectionPastDecoysAndKeepsOnlyItOpen) {
    platform::hid::PlugDecoys(bus);
    auto controller = virtualBus.PlugController();
    HidHandle channel6 = Find(kChannel6Usage);
    ASSERT_NE(channel6, nullptr);
    EXPECT_EQ(caps.UsagePage, 0xFFA0);
    EXPECT_EQ(caps.Usage, 0x0006);
    EXPECT_EQ(bus.OpenHandleCount(), 1);
    EXPECT_EQ(bus.OpenHandleCount(*controller, 3), 1);
    HidHandle digitizer = FindHIDDevice(caps, kTouchScreenUsage, kDigitizerUsagePage, false);
    ASSERT_NE(digitizer, nullptr);
    EXPECT_EQ(bus.OpenHandleCount(*controller, 0), 1);
    CloseHIDDevice(channel6);
    CloseHIDDevice(digitizer);
    EXPECT_EQ(bus.OpenHandleCount(), 0);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(FindHIDDeviceTest, FirstMatchInEnumerationOrderWins) {
    auto first = virtualBus.PlugController("first");
    auto second = virtualBus.PlugController("second");
    HidHandle handle = Find(kChannel0Usage);
    EXPECT_EQ(bus.OpenHandleCount(*first, 1), 1);
    EXPECT_EQ(bus.OpenHandleCount(*second, 1), 0);
    CloseHIDDevice(handle);
}

TEST_F(FindHIDDeviceTest, IdentityChangeAppliesToTheNextSearchOnly) {
    auto other = std::make_shared<VirtualDevice>("other", 0x1234, 0x5678,
                                                 platform::hid::ControllerCollections());
    bus.Plug(other);
    auto controller = virtualBus.PlugController();
    HidHandle before = Find(kChannel6Usage);
    ASSERT_NE(before, nullptr);
    SetDeviceIdentity(0x1234, 0x5678);
    HidHandle after = Find(kChannel6Usage);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(bus.OpenHandleCount(*other, 3), 1);
    EXPECT_EQ(bus.OpenHandleCount(*controller, 3), 1) << "the earlier handle stays open";
    CloseHIDDevice(before);
    CloseHIDDevice(after);
}

TEST_F(FindHIDDeviceTest, EachFailingStepIsTracedAndTheSearchGoesOn) {
    struct Case {
        InterfaceStep step;
        OpenStatus open;
        const char* trace;
    };
    const Case cases[] = {
        {InterfaceStep::Open, OpenStatus::Failed, "DriverIO: Failed CreateFile"},
        {InterfaceStep::Open, OpenStatus::AccessDenied, nullptr},
        {InterfaceStep::PreparsedData, OpenStatus::Failed,
         "DriverIO: Failed to retrieve pre-parsed data"},
        {InterfaceStep::Attributes, OpenStatus::Failed,
         "DriverIO: Failed to retrieve attributes data"},
        {InterfaceStep::Caps, OpenStatus::Failed, "DriverIO: Failed to retrieve device caps data"},
    };
    auto broken = std::make_shared<VirtualDevice>("broken", 0x1111, 0x2222,
                                                  std::vector<VirtualCollection>{{0xFFA0, 0x0006}});
    bus.Plug(broken);
    virtualBus.PlugController();
    for (const Case& c : cases) {
        broken->ClearFaults();
        broken->FailStep(0, c.step, c.open);
        trace.Clear();
        HidHandle handle = Find(kChannel6Usage);
        EXPECT_NE(handle, nullptr) << "a failing interface does not end the search";
        CloseHIDDevice(handle);
        if (c.trace == nullptr) {
            EXPECT_TRUE(trace.Lines().empty());
        } else {
            ASSERT_EQ(trace.Lines().size(), 1u) << c.trace;
            EXPECT_EQ(trace.Lines()[0].rfind(std::string("!ERROR! - ") + c.trace + "  ", 0), 0u)
                << trace.Lines()[0];
        }
        EXPECT_EQ(bus.OpenHandleCount(), 0);
    }
}

// The warning is given once per process (re-armed for each test).
TEST_F(FindHIDDeviceTest, ControllerRefusingAccessIsWarnedOnceNamingNodeAndRule) {
    platform::hid::PlugDecoys(bus);  // a keyboard that refuses access too
    auto controller = virtualBus.PlugController("locked");
    auto second = virtualBus.PlugController("locked too");
    for (const auto& refusing : {controller, second}) {
        for (size_t collection = 0; collection < refusing->Collections().size(); ++collection) {
            refusing->FailStep(collection, InterfaceStep::Open, OpenStatus::AccessDenied);
        }
    }
    for (int search = 0; search < 3; ++search) {
        EXPECT_EQ(Find(kChannel6Usage), nullptr);
        EXPECT_EQ(Find(kChannel0Usage), nullptr);
    }
    // Every refusing node, each once though it has four collections.
    EXPECT_EQ(ControllerDeniedNodes(),
              (std::vector<std::string>{"virtual:locked", "virtual:locked too"}));
    ASSERT_EQ(trace.Lines().size(), 1u) << "once, and nothing for the keyboard";
    const std::string line = trace.Lines()[0];
    EXPECT_EQ(
        line.rfind("!WARNING! - DriverIO: Access denied to the controller at virtual:locked;", 0),
        0u)
        << line;
    EXPECT_NE(line.find("70-t860.rules"), std::string::npos) << line;
    EXPECT_NE(line.find("FindHIDDevice.cpp; LINE:"), std::string::npos) << line;

    controller->ClearFaults();
    HidHandle handle = Find(kChannel6Usage);
    EXPECT_NE(handle, nullptr) << "found once access is given";
    CloseHIDDevice(handle);
    EXPECT_EQ(trace.Lines().size(), 1u);
    EXPECT_TRUE(ControllerDeniedNodes().empty()) << "a search that found its collection";
}

TEST_F(FindHIDDeviceTest, EnumerationFailuresEndTheSearch) {
    virtualBus.PlugController();
    bus.FailClassDevs(true);
    EXPECT_EQ(Find(kChannel6Usage), nullptr);
    EXPECT_TRUE(trace.Lines().empty());
    bus.FailClassDevs(false);

    bus.FailDetailAt(0);
    EXPECT_EQ(Find(kChannel6Usage), nullptr);
    EXPECT_TRUE(trace.Lines().empty());
    bus.FailDetailAt(-1);

    bus.FailEnumerationAt(1);
    EXPECT_EQ(Find(kChannel6Usage), nullptr) << "channel 6 lies past the failing index";
    EXPECT_EQ(trace.Count("!ERROR! - DriverIO: Failed to retrieve DeviceInfoData"), 1);
    EXPECT_EQ(bus.OpenHandleCount(), 0);
}

}  // namespace
