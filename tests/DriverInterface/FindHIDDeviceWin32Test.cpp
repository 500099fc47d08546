#include <gtest/gtest.h>

#include "DriverInterface/DriverIO.h"
#include "platform/hid/HidBackend.h"
#include "tests/support/TraceCapture.h"

namespace {

// The system's own HID class, without the controller attached: every
// collection is looked at and none matches.
TEST(FindHIDDeviceOnTheSystem, WithoutControllerFindsNothingAndTracesNothing) {
    platform::hid::SelectBackend(nullptr);
    SetDeviceIdentity(kDefaultVendorID, kDefaultProductID);
    TraceCapture trace;
    HidCaps caps;
    EXPECT_EQ(FindHIDDevice(caps, kChannel6Usage, kVendorUsagePage, true), nullptr);
    EXPECT_EQ(FindHIDDevice(caps, kTouchScreenUsage, kDigitizerUsagePage, false), nullptr);
    EXPECT_TRUE(trace.Lines().empty()) << trace.Lines().front();
}

}  // namespace
