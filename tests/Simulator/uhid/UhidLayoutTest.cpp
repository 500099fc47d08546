#include "Simulator/uhid/UhidLayout.h"

#include <gtest/gtest.h>

#include <vector>

#include "DriverInterface/DriverIO.h"
#include "platform/hid/ReportDescriptor.h"
#include "platform/hid/VirtualBus.h"
#include "tests/platform/hid/SysfsTree.h"

using platform::hid::ParseReportDescriptor;
using platform::hid::ReportDescriptor;
using platform::hid::TopLevelCollection;

namespace {

ReportDescriptor Parse(const UhidDeviceLayout& device) {
    return ParseReportDescriptor(device.descriptor.data(), device.descriptor.size());
}

// What the program's collection search and its report id filter need of each
// collection, whichever device holds it.
void ExpectControllerCollection(const TopLevelCollection& parsed, size_t index) {
    const auto expected = platform::hid::ControllerCollections().at(index);
    EXPECT_EQ(parsed.UsagePage, expected.usagePage);
    EXPECT_EQ(parsed.Usage, expected.usage);
    EXPECT_EQ(parsed.InputReportByteLength, expected.inputLength);
    EXPECT_EQ(parsed.OutputReportByteLength, expected.outputLength);
    EXPECT_EQ(parsed.FeatureReportByteLength, expected.featureLength);
    using Ids = std::vector<size_t>;
    switch (expected.usage) {
        case kChannel0Usage:
            EXPECT_EQ(IdsOf(parsed.InputIds), Ids{0});
            EXPECT_EQ(IdsOf(parsed.OutputIds), Ids{0});
            break;
        case kPerformanceStatsUsage:
            EXPECT_EQ(IdsOf(parsed.InputIds), Ids{5});
            EXPECT_EQ(IdsOf(parsed.OutputIds), Ids{5});
            break;
        case kChannel6Usage:
            EXPECT_EQ(IdsOf(parsed.InputIds), Ids{6});
            EXPECT_EQ(IdsOf(parsed.OutputIds), Ids{6});
            break;
        default:  // the digitizer: its input mode feature report
            EXPECT_EQ(IdsOf(parsed.FeatureIds), Ids{2});
            EXPECT_TRUE(IdsOf(parsed.OutputIds).empty());
            EXPECT_FALSE(parsed.InputIds.test(0));
            break;
    }
    if (expected.usage != 0x0004) {
        EXPECT_TRUE(IdsOf(parsed.FeatureIds).empty());
    }
}

}  // namespace

TEST(UhidLayoutTest, SeparateTopologyIsOneDeviceOfOneCollectionEach) {
    const auto devices = BuildUhidLayout(UhidTopology::Separate);
    ASSERT_EQ(devices.size(), 4u);
    std::vector<size_t> seen;
    for (const UhidDeviceLayout& device : devices) {
        const ReportDescriptor parsed = Parse(device);
        ASSERT_EQ(parsed.Collections.size(), 1u);
        ASSERT_EQ(device.collections.size(), 1u);
        ExpectControllerCollection(parsed.Collections[0], device.collections[0]);
        // Only channel 0's interface sends its reports bare.
        const bool isChannel0 = parsed.Collections[0].Usage == kChannel0Usage &&
                                parsed.Collections[0].UsagePage == kVendorUsagePage;
        EXPECT_EQ(parsed.NumberedReports, !isChannel0);
        seen.push_back(device.collections[0]);
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<size_t>{0, 1, 2, 3}));
}

TEST(UhidLayoutTest, SingleTopologyHoldsAllFourWithChannel0AsReportIdZero) {
    const auto devices = BuildUhidLayout(UhidTopology::Single);
    ASSERT_EQ(devices.size(), 1u);
    const ReportDescriptor parsed = Parse(devices[0]);
    EXPECT_TRUE(parsed.NumberedReports);
    ASSERT_EQ(parsed.Collections.size(), 4u);
    ASSERT_EQ(devices[0].collections.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ExpectControllerCollection(parsed.Collections[i], devices[0].collections[i]);
    }
    // No two collections take the same id, or reads would cross channels.
    std::bitset<256> taken;
    for (const TopLevelCollection& collection : parsed.Collections) {
        EXPECT_TRUE((taken & collection.InputIds).none());
        taken |= collection.InputIds;
    }
}
