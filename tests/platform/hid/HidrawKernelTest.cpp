// The hidraw backend against real kernel nodes: the virtual controller plugged
// into the kernel through uhid (t860-uhid), so that the kernel's HID parser,
// its report-id handling and the HIDIOC* requests answer instead of a fixture.
// Runs only where such a controller is present: T860_KERNEL_UHID names its
// topology ("separate" or "single"); the kernel stage sets it in its guest.
// The controller runs without scripted touches, so every report read here is
// an answer to what the test sent.

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <utility>

#include "platform/Sync.h"
#include "platform/hid/HidrawBackend.h"

using namespace platform::hid;
using Report = std::array<uint8_t, kReportSize>;

namespace {

// Usage page and usage of each collection the controller has.
constexpr std::pair<uint16_t, uint16_t> kChannel0{0xFFA0, 0x0001};
constexpr std::pair<uint16_t, uint16_t> kStats{0xFFA0, 0x0002};
constexpr std::pair<uint16_t, uint16_t> kChannel6{0xFFA0, 0x0006};
constexpr std::pair<uint16_t, uint16_t> kDigitizer{0x000D, 0x0004};
// The two that carry the controller's mouse and single-touch forms to the system.
constexpr std::pair<uint16_t, uint16_t> kMouse{0x0001, 0x0002};
constexpr std::pair<uint16_t, uint16_t> kSingleTouch{0x000D, 0x0002};
constexpr uint8_t kInputModeReportId = 2;

class HidrawKernelTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* topology = std::getenv("T860_KERNEL_UHID");
        if (topology == nullptr || *topology == '\0') {
            GTEST_SKIP() << "no controller in the kernel (T860_KERNEL_UHID unset)";
        }
        single_ = std::string(topology) == "single";
        FindCollections();
        ASSERT_EQ(paths_.size(), 6u) << "the controller's six collections";
    }

    void TearDown() override {
        for (const auto& [usage, handle] : open_) {
            backend_.Close(handle);
        }
    }

    // Every collection with the controller's ids, by usage; each opened once.
    void FindCollections() {
        InterfaceSet set = backend_.GetClassDevs();
        ASSERT_NE(set, nullptr);
        for (uint32_t index = 0; backend_.EnumInterface(set, index) == EnumStatus::Ok; ++index) {
            std::string path;
            ASSERT_TRUE(backend_.GetInterfaceDetail(set, index, path));
            HidHandle handle = nullptr;
            ASSERT_EQ(backend_.Open(path, true, handle), OpenStatus::Ok) << path;
            HidAttributes attributes;
            PreparsedData data = nullptr;
            HidCaps caps;
            ASSERT_TRUE(backend_.GetAttributes(handle, attributes));
            ASSERT_TRUE(backend_.GetPreparsedData(handle, data));
            ASSERT_EQ(backend_.GetCaps(data, caps), kHidpStatusSuccess);
            backend_.FreePreparsedData(data);
            if (attributes.VendorID != 0x2F7A || attributes.ProductID != 0x0006) {
                backend_.Close(handle);
                continue;
            }
            const std::pair<uint16_t, uint16_t> usage{caps.UsagePage, caps.Usage};
            EXPECT_TRUE(paths_.emplace(usage, path).second) << "collection listed twice: " << path;
            caps_[usage] = caps;
            open_[usage] = handle;
        }
        backend_.DestroyInterfaceSet(set);
    }

    HidHandle Handle(std::pair<uint16_t, uint16_t> usage) { return open_.at(usage); }

    // One input report, or a status other than Completed when none arrives
    // within the time.
    ReadResult ReadWithin(HidHandle handle, Report& report, uint32_t ms) {
        platform::Event cancel(platform::Event::Reset::Manual);
        std::thread timer([&cancel, ms] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            cancel.Set();
        });
        report.fill(0xEE);
        const ReadResult result = backend_.Read(handle, report.data(), report.size(), cancel);
        timer.join();
        return result;
    }

    // The next report whose first data byte is kind, skipping others.
    bool ReadKind(HidHandle handle, uint8_t kind, Report& report) {
        for (int reads = 0; reads < 50; ++reads) {
            if (ReadWithin(handle, report, 3000).status != ReadStatus::Completed) {
                return false;
            }
            if (report[1] == kind) {
                return true;
            }
        }
        return false;
    }

    static Report Command(uint8_t reportId, std::initializer_list<uint8_t> data) {
        Report report{};
        report[0] = reportId;
        std::copy(data.begin(), data.end(), report.begin() + 1);
        return report;
    }

    // The version query on channel 6 and what the controller answers.
    static Report VersionQuery() { return Command(6, {'C', 1, 0x80}); }
    static void ExpectVersionReply(const Report& reply) {
        const Report expected = Command(6, {'C', 9, 0x80, 0, 2, 0, 6, 0, 0, 0x04, 0xA3});
        EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 12, reply.begin()));
    }

    // The kernel's own requests, with what each of them returned: a backend
    // that falls back to write() must not hide a failing set-output request.
    HidrawSetup KernelSetup() {
        HidrawSetup setup;
        setup.control = [this](int fd, ReportRequest request, uint8_t* report, size_t length) {
            const int result = ControlDeviceNode(fd, request, report, length);
            if (request == ReportRequest::SetOutput) {
                setOutputResult_ = result;
            }
            return result;
        };
        return setup;
    }

    std::atomic<int> setOutputResult_{-1};
    HidrawBackend backend_{KernelSetup()};
    bool single_ = false;
    std::map<std::pair<uint16_t, uint16_t>, std::string> paths_;
    std::map<std::pair<uint16_t, uint16_t>, HidCaps> caps_;
    std::map<std::pair<uint16_t, uint16_t>, HidHandle> open_;
};

TEST_F(HidrawKernelTest, ListsOneInterfacePerCollectionOnTheTopologysNodes) {
    std::set<std::string> nodes;
    for (const auto& [usage, path] : paths_) {
        nodes.insert(path.substr(0, path.rfind('#')));
    }
    EXPECT_EQ(nodes.size(), single_ ? 1u : 6u);
    for (const auto& usage : {kChannel0, kStats, kChannel6, kDigitizer, kMouse, kSingleTouch}) {
        EXPECT_EQ(paths_.count(usage), 1u) << std::hex << usage.first << "/" << usage.second;
    }
    // Report lengths as the kernel's parser gives them, report id byte included.
    EXPECT_EQ(caps_[kChannel6].InputReportByteLength, kReportSize);
    EXPECT_EQ(caps_[kChannel6].OutputReportByteLength, kReportSize);
    EXPECT_EQ(caps_[kChannel0].InputReportByteLength, kReportSize);
    EXPECT_EQ(caps_[kDigitizer].FeatureReportByteLength, kReportSize);
}

TEST_F(HidrawKernelTest, AWrittenCommandIsAnsweredOnItsOwnCollectionOnly) {
    const Report query = VersionQuery();
    size_t written = 0;
    ASSERT_TRUE(backend_.Write(Handle(kChannel6), query.data(), query.size(), written));
    EXPECT_EQ(written, query.size());
    Report reply;
    ASSERT_TRUE(ReadKind(Handle(kChannel6), 'C', reply));
    ExpectVersionReply(reply);
    // Channel 0 shares the node in one topology: the reply must not reach it.
    EXPECT_EQ(ReadWithin(Handle(kChannel0), reply, 300).status, ReadStatus::Cancelled);
}

TEST_F(HidrawKernelTest, ChannelZerosReportsComeWithReportIdZeroFirst) {
    const Report request = Command(0, {'S', 'r', 'A'});
    size_t written = 0;
    ASSERT_TRUE(backend_.Write(Handle(kChannel0), request.data(), request.size(), written));
    Report chunk;
    ASSERT_TRUE(ReadKind(Handle(kChannel0), 'N', chunk));
    EXPECT_EQ(chunk[0], 0);
    // None of the chunks goes to channel 6.
    EXPECT_EQ(ReadWithin(Handle(kChannel6), chunk, 300).status, ReadStatus::Cancelled);
}

TEST_F(HidrawKernelTest, ASetOutputReportIsAnsweredLikeAWrite) {
    const Report query = VersionQuery();
    ASSERT_TRUE(backend_.SetOutputReport(Handle(kChannel6), query.data(), query.size()));
    EXPECT_GE(setOutputResult_.load(), 0) << "HIDIOCSOUTPUT itself, not the write() fallback";
    Report reply;
    ASSERT_TRUE(ReadKind(Handle(kChannel6), 'C', reply));
    ExpectVersionReply(reply);
}

TEST_F(HidrawKernelTest, TheInputModeFeatureReportReadsAndChanges) {
    Report feature{};
    feature[0] = kInputModeReportId;
    ASSERT_TRUE(backend_.GetFeature(Handle(kDigitizer), feature.data(), feature.size()));
    EXPECT_EQ(feature[0], kInputModeReportId);
    const uint8_t before = feature[1];

    Report change{};
    change[0] = kInputModeReportId;
    change[1] = before == 1 ? 2 : 1;
    ASSERT_TRUE(backend_.SetFeature(Handle(kDigitizer), change.data(), change.size()));
    feature.fill(0);
    feature[0] = kInputModeReportId;
    ASSERT_TRUE(backend_.GetFeature(Handle(kDigitizer), feature.data(), feature.size()));
    EXPECT_EQ(feature[1], change[1]);

    change[1] = before;
    EXPECT_TRUE(backend_.SetFeature(Handle(kDigitizer), change.data(), change.size()));
    // A feature report the collection does not have fails instead of
    // answering with stale bytes.
    feature[0] = 7;
    EXPECT_FALSE(backend_.GetFeature(Handle(kDigitizer), feature.data(), feature.size()));
}

TEST_F(HidrawKernelTest, ClosingAHandleEndsAReadBlockedOnIt) {
    const HidHandle handle = Handle(kChannel6);
    Report report;
    platform::Event never(platform::Event::Reset::Manual);
    ReadResult result;
    const auto started = std::chrono::steady_clock::now();
    std::thread reader(
        [&] { result = backend_.Read(handle, report.data(), report.size(), never); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    backend_.Close(handle);
    open_.erase(kChannel6);
    reader.join();
    EXPECT_EQ(result.status, ReadStatus::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

}  // namespace
