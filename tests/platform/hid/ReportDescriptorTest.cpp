#include "platform/hid/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "tests/platform/hid/Descriptors.h"
#include "tests/platform/hid/SysfsTree.h"

using platform::hid::ParseReportDescriptor;
using platform::hid::ReportDescriptor;
using platform::hid::TopLevelCollection;

namespace {

ReportDescriptor Parse(const std::vector<uint8_t>& bytes) {
    return ParseReportDescriptor(bytes.data(), bytes.size());
}

// The first length bytes in a buffer of exactly that size, so that the
// sanitizer sees any read past the end.
ReportDescriptor ParsePrefix(const std::vector<uint8_t>& bytes, size_t length) {
    const std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(length));
    return ParseReportDescriptor(prefix.data(), prefix.size());
}

void ExpectUsage(const TopLevelCollection& collection, uint16_t page, uint16_t usage) {
    EXPECT_EQ(collection.UsagePage, page);
    EXPECT_EQ(collection.Usage, usage);
}

void ExpectLengths(const TopLevelCollection& collection, uint16_t input, uint16_t output,
                   uint16_t feature) {
    EXPECT_EQ(collection.InputReportByteLength, input);
    EXPECT_EQ(collection.OutputReportByteLength, output);
    EXPECT_EQ(collection.FeatureReportByteLength, feature);
}

const std::vector<uint8_t> kVendorCollection = {0x06, 0xA0, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                                                0x75, 0x08, 0x95, 0x04, 0x81, 0x02, 0xC0};

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

}  // namespace

TEST(ReportDescriptor, MultiTouchDigitizerWithFeatureReportsAndPushPop) {
    const ReportDescriptor parsed = Parse(descriptors::kMultiTouch);
    ASSERT_EQ(parsed.Collections.size(), 2u);
    EXPECT_TRUE(parsed.NumberedReports);

    const TopLevelCollection& touch = parsed.Collections[0];
    ExpectUsage(touch, 0x000D, 0x0004);
    EXPECT_EQ(IdsOf(touch.InputIds), (std::vector<size_t>{1}));
    EXPECT_EQ(IdsOf(touch.OutputIds), (std::vector<size_t>{}));
    EXPECT_EQ(IdsOf(touch.FeatureIds), (std::vector<size_t>{2, 3}));
    // 1 + 7 + 8 + 2 * 16 + 8 bits: the contact count is 8 bits again after the Pop.
    ExpectLengths(touch, 8, 0, 2);

    // Named under the page the Pop restored, not the pushed Generic Desktop.
    const TopLevelCollection& configuration = parsed.Collections[1];
    ExpectUsage(configuration, 0x000D, 0x000E);
    EXPECT_EQ(IdsOf(configuration.FeatureIds), (std::vector<size_t>{4}));
    ExpectLengths(configuration, 0, 0, 3);
}

TEST(ReportDescriptor, KeyboardAndConsumerControlShareAnInterface) {
    const ReportDescriptor parsed = Parse(descriptors::kKeyboardAndConsumer);
    ASSERT_EQ(parsed.Collections.size(), 2u);
    EXPECT_TRUE(parsed.NumberedReports);

    const TopLevelCollection& keyboard = parsed.Collections[0];
    ExpectUsage(keyboard, 0x0001, 0x0006);
    EXPECT_EQ(IdsOf(keyboard.InputIds), (std::vector<size_t>{1}));
    EXPECT_EQ(IdsOf(keyboard.OutputIds), (std::vector<size_t>{1}));
    ExpectLengths(keyboard, 9, 2, 0);

    const TopLevelCollection& consumer = parsed.Collections[1];
    ExpectUsage(consumer, 0x000C, 0x0001);
    EXPECT_EQ(IdsOf(consumer.InputIds), (std::vector<size_t>{2}));
    ExpectLengths(consumer, 3, 0, 0);
}

TEST(ReportDescriptor, ControllerCollectionsKeepTheirOwnReportIds) {
    const ReportDescriptor parsed = Parse(descriptors::kController);
    ASSERT_EQ(parsed.Collections.size(), 4u);
    EXPECT_TRUE(parsed.NumberedReports);

    const uint16_t usages[] = {0x0001, 0x0002, 0x0006};
    const size_t ids[] = {0, 5, 6};
    for (size_t i = 0; i < 3; ++i) {
        const TopLevelCollection& vendor = parsed.Collections[i];
        ExpectUsage(vendor, 0xFFA0, usages[i]);
        EXPECT_EQ(IdsOf(vendor.InputIds), (std::vector<size_t>{ids[i]})) << i;
        EXPECT_EQ(IdsOf(vendor.OutputIds), (std::vector<size_t>{ids[i]})) << i;
        ExpectLengths(vendor, 65, 65, 0);
    }
    const TopLevelCollection& digitizer = parsed.Collections[3];
    ExpectUsage(digitizer, 0x000D, 0x0004);
    EXPECT_EQ(IdsOf(digitizer.InputIds), (std::vector<size_t>{7}));
    EXPECT_EQ(IdsOf(digitizer.FeatureIds), (std::vector<size_t>{2}));
    ExpectLengths(digitizer, 11, 0, 2);
}

TEST(ReportDescriptor, BareReportsAreCountedWithTheirIdByte) {
    const ReportDescriptor parsed = Parse(descriptors::kBareMouse);
    ASSERT_EQ(parsed.Collections.size(), 1u) << "the physical collection inside is no interface";
    EXPECT_FALSE(parsed.NumberedReports);
    ExpectUsage(parsed.Collections[0], 0x0001, 0x0002);
    EXPECT_EQ(IdsOf(parsed.Collections[0].InputIds), (std::vector<size_t>{0}));
    ExpectLengths(parsed.Collections[0], 4, 0, 0);
}

TEST(ReportDescriptor, WideUsagesAndOnlyApplicationCollectionsAtTheTop) {
    const std::vector<uint8_t> bytes = {
        0x06, 0xA0, 0xFF,              // Usage Page (0xFFA0)
        0x0B, 0x04, 0x00, 0x0D, 0x00,  // Usage (0x000D0004): brings its own page
        0xA1, 0x01, 0xC0,              // Collection (Application), End
        0x0A, 0x34, 0x12,              // Usage (0x1234), two bytes
        0xA1, 0x01,                    // Collection (Application)
        0x09, 0x05, 0xA1, 0x01, 0xC0,  //   nested application: not one of its own
        0xC0,                          // End Collection
        0x09, 0x07, 0xA1, 0x02,        // Usage (7), Collection (Logical) at the top
        0x75, 0x08, 0x95, 0x01,        //   Report Size (8), Count (1)
        0x81, 0x02, 0xC0,              //   Input, End
        0x81, 0x02,                    // an Input outside any collection
        0xFE, 0x02, 0x10, 0xAA, 0xBB,  // a long item, skipped
        0x09, 0x08, 0xA1, 0x01, 0xC0,  // Usage (8), Collection (Application), End
    };
    const ReportDescriptor parsed = Parse(bytes);
    ASSERT_EQ(parsed.Collections.size(), 3u);
    ExpectUsage(parsed.Collections[0], 0x000D, 0x0004);
    ExpectUsage(parsed.Collections[1], 0xFFA0, 0x1234);
    ExpectUsage(parsed.Collections[2], 0xFFA0, 0x0008);
    ExpectLengths(parsed.Collections[2], 0, 0, 0);
}

TEST(ReportDescriptor, ReportSplitAcrossItemsIsOneLengthPerId) {
    // Report 3 gathers 2 + 4 bytes in two places; report 4 in between has 10.
    const std::vector<uint8_t> bytes = {
        0x06, 0xA0, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08,  // page, usage, app, size 8
        0x85, 0x03, 0x95, 0x02, 0x81, 0x02,                    // id 3: 2 bytes
        0x85, 0x04, 0x95, 0x0A, 0x81, 0x02,                    // id 4: 10 bytes
        0x85, 0x03, 0x95, 0x04, 0x81, 0x02,                    // id 3: 4 more
        0xC0,
    };
    const ReportDescriptor parsed = Parse(bytes);
    ASSERT_EQ(parsed.Collections.size(), 1u);
    EXPECT_EQ(IdsOf(parsed.Collections[0].InputIds), (std::vector<size_t>{3, 4}));
    ExpectLengths(parsed.Collections[0], 11, 0, 0);
}

TEST(ReportDescriptor, BrokenDescriptorsKeepWhatWasCompleteBeforeTheFault) {
    EXPECT_TRUE(ParseReportDescriptor(nullptr, 10).Collections.empty());
    EXPECT_TRUE(Parse({}).Collections.empty());

    struct Case {
        const char* what;
        std::vector<uint8_t> tail;
    };
    const Case cases[] = {
        {"unbalanced End Collection", {0xC0, 0x09, 0x01, 0xA1, 0x01, 0xC0}},
        {"Pop without Push", {0xB4, 0x09, 0x01, 0xA1, 0x01, 0xC0}},
        {"long item past the end", {0xFE, 0x10, 0x00, 0x01, 0x02}},
        {"long item header cut", {0xFE, 0x10}},
        {"item data cut", {0x09, 0x01, 0xA1, 0x01, 0x27, 0x01}},
        {"collection never closed", {0x09, 0x01, 0xA1, 0x01, 0xA1, 0x02, 0xC0}},
        {"report id beyond a byte", {0x09, 0x01, 0xA1, 0x01, 0x86, 0x00, 0x01, 0xC0}},
        {"absurd size and count",
         {0x09, 0x01, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81,
          0x02, 0xC0}},
        {"report longer than the kernel allows",
         {0x09, 0x01, 0xA1, 0x01, 0x76, 0x00, 0x01, 0x96, 0x01, 0x02, 0x81, 0x02, 0xC0}},
    };
    for (const Case& broken : cases) {
        const ReportDescriptor parsed = Parse(Concat({kVendorCollection, broken.tail}));
        ASSERT_EQ(parsed.Collections.size(), 1u) << broken.what;
        ExpectLengths(parsed.Collections[0], 5, 0, 0);
    }

    std::vector<uint8_t> deepPush = kVendorCollection;
    deepPush.insert(deepPush.end(), 17, 0xA4);
    deepPush.insert(deepPush.end(), {0x09, 0x02, 0xA1, 0x01, 0xC0});
    EXPECT_EQ(Parse(deepPush).Collections.size(), 1u) << "Push deeper than the stack";
    deepPush.erase(deepPush.begin() + kVendorCollection.size());
    EXPECT_EQ(Parse(deepPush).Collections.size(), 2u) << "16 Pushes fit";
}

TEST(ReportDescriptor, EveryTruncationStaysInsideTheBuffer) {
    const std::vector<uint8_t>& full = descriptors::kController;
    size_t previous = 0;
    for (size_t length = 0; length <= full.size(); ++length) {
        const size_t count = ParsePrefix(full, length).Collections.size();
        EXPECT_GE(count, previous) << length;
        previous = count;
    }
    EXPECT_EQ(previous, 4u);
}

TEST(ReportDescriptor, RandomBytesGiveADefinedResult) {
    std::mt19937 random(860);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<size_t> size(0, 96);
    for (int round = 0; round < 20000; ++round) {
        std::vector<uint8_t> bytes(size(random));
        for (uint8_t& b : bytes) {
            b = static_cast<uint8_t>(byte(random));
        }
        for (const TopLevelCollection& collection : Parse(bytes).Collections) {
            // Whatever the bytes, no length can exceed the largest legal report.
            EXPECT_LE(collection.InputReportByteLength, 16385);
            EXPECT_LE(collection.FeatureReportByteLength, 16385);
        }
    }
}
