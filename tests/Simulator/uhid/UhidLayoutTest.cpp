#include "Simulator/uhid/UhidLayout.h"

#include "Simulator/DigitizerForms.h"

#include <gtest/gtest.h>

#include <vector>

#include "DriverInterface/DriverIO.h"
#include "platform/hid/ReportDescriptor.h"
#include "platform/hid/VirtualBus.h"
#include "tests/platform/hid/Descriptors.h"

using platform::hid::ParseReportDescriptor;
using platform::hid::ReportDescriptor;
using platform::hid::TopLevelCollection;

namespace {

ReportDescriptor Parse(const UhidDeviceLayout& device) {
    return ParseReportDescriptor(device.descriptor.data(), device.descriptor.size());
}

// What the program's collection search and its report id filter need of each
// collection, whichever device holds it: the four it uses exactly as always,
// and the two that carry the single-contact forms with their own report ids.
void ExpectControllerCollection(const TopLevelCollection& parsed, size_t index) {
    const auto expected = VirtualControllerCollections().at(index);
    EXPECT_EQ(parsed.UsagePage, expected.usagePage);
    EXPECT_EQ(parsed.Usage, expected.usage);
    EXPECT_EQ(parsed.InputReportByteLength, expected.inputLength);
    EXPECT_EQ(parsed.OutputReportByteLength, expected.outputLength);
    EXPECT_EQ(parsed.FeatureReportByteLength, expected.featureLength);
    using Ids = std::vector<size_t>;
    struct ReportIds {
        Ids input, output, feature;
    };
    // In the order of the collections: the touch screen with its contacts and
    // its input mode feature report, channel 0 without an id, the performance
    // statistics, channel 6, the mouse, the single-touch digitizer.
    const ReportIds kIds[] = {
        {{kMultitouchReportId}, {}, {kInputModeReportId}},
        {{0}, {0}, {}},
        {{5}, {5}, {}},
        {{6}, {6}, {}},
        {{kMouseReportId}, {}, {}},
        {{kSingleTouchReportId}, {}, {}},
    };
    ASSERT_LT(index, std::size(kIds));
    EXPECT_EQ(IdsOf(parsed.InputIds), kIds[index].input);
    EXPECT_EQ(IdsOf(parsed.OutputIds), kIds[index].output);
    EXPECT_EQ(IdsOf(parsed.FeatureIds), kIds[index].feature);
}

}  // namespace

TEST(UhidLayoutTest, SeparateTopologyIsOneDeviceOfOneCollectionEach) {
    const auto devices = BuildUhidLayout(UhidTopology::Separate);
    ASSERT_EQ(devices.size(), 6u);
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
    // Each input device of the system has a name of its own.
    std::vector<std::string> names;
    for (const UhidDeviceLayout& device : devices) {
        names.push_back(device.nameSuffix);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()) - names.begin(), 3)
        << "the vendor devices and the touch screen share the controller's name";
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<size_t>{0, 1, 2, 3, 4, 5}));
}

TEST(UhidLayoutTest, SingleTopologyHoldsAllWithChannel0AsReportIdZero) {
    const auto devices = BuildUhidLayout(UhidTopology::Single);
    ASSERT_EQ(devices.size(), 1u);
    const ReportDescriptor parsed = Parse(devices[0]);
    EXPECT_TRUE(parsed.NumberedReports);
    ASSERT_EQ(parsed.Collections.size(), 6u);
    ASSERT_EQ(devices[0].collections.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
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
