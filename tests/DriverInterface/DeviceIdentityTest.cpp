#include <gtest/gtest.h>

#include "DriverInterface/DriverIO.h"

TEST(DeviceIdentity, StartsAtTheDefaultAndStoresBothValues) {
    uint16_t vendor = 0;
    uint16_t product = 0;
    GetDeviceIdentity(vendor, product);
    EXPECT_EQ(vendor, 0x2F7A);
    EXPECT_EQ(product, 0x0006);
    SetDeviceIdentity(0x1234, 0xFFFF);
    GetDeviceIdentity(vendor, product);
    EXPECT_EQ(vendor, 0x1234);
    EXPECT_EQ(product, 0xFFFF);
    // The identity is the process's: the next test, or this one repeated,
    // starts at the default again.
    SetDeviceIdentity(kDefaultVendorID, kDefaultProductID);
}
