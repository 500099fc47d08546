#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "Simulator/PerformanceStats.h"
#include "tests/Simulator/ControllerSession.h"
#include "tests/support/WaitUntil.h"

namespace {

// Report mode without any touch packet bit, so that channel 6 stays quiet.
constexpr uint16_t kQuietMode = 0x0125;

void ExpectReply(const Report& report, uint8_t code) {
    EXPECT_EQ(report.length, kReportSize);
    EXPECT_EQ(report.bytes[0], 6) << "replies come on channel 6";
    EXPECT_EQ(report.Data()[0], 'C');
    EXPECT_EQ(report.Data()[2], code);
}

void ExpectEvent(const Report& report, uint8_t code) {
    EXPECT_EQ(report.Data()[0], 'E');
    EXPECT_EQ(report.Data()[2], code);
}

void ExpectText(const Report& report, char letter) {
    EXPECT_EQ(report.Data()[0], 'T');
    EXPECT_EQ(report.Data()[1], 1);
    EXPECT_EQ(report.Data()[2], letter);
}

TEST(VirtualControllerTest, PresentsItsCollectionsUnderTheConfiguredIdentity) {
    VirtualBus bus;
    ControllerConfig config;
    config.vendorId = 0x1234;
    config.productId = 0x5678;
    VirtualController controller(bus, config);
    EXPECT_FALSE(controller.IsPlugged());
    controller.Plug();
    EXPECT_TRUE(controller.IsPlugged());
    const struct {
        int channel;
        uint16_t usagePage;
        uint16_t usage;
    } expected[] = {
        {0, 0xFFA0, 0x0001}, {6, 0xFFA0, 0x0006}, {5, 0xFFA0, 0x0002}, {2, 0x000D, 0x0004}};
    for (const auto& collection : expected) {
        HidHandle handle = nullptr;
        const auto path =
            VirtualBus::PathOf(controller.Device(), controller.CollectionOf(collection.channel));
        ASSERT_EQ(bus.Open(path, false, handle), OpenStatus::Ok);
        platform::hid::HidAttributes attributes;
        ASSERT_TRUE(bus.GetAttributes(handle, attributes));
        EXPECT_EQ(attributes.VendorID, 0x1234);
        EXPECT_EQ(attributes.ProductID, 0x5678);
        platform::hid::PreparsedData preparsed = nullptr;
        ASSERT_TRUE(bus.GetPreparsedData(handle, preparsed));
        platform::hid::HidCaps caps;
        EXPECT_EQ(bus.GetCaps(preparsed, caps), platform::hid::kHidpStatusSuccess);
        EXPECT_EQ(caps.UsagePage, collection.usagePage);
        EXPECT_EQ(caps.Usage, collection.usage);
        bus.FreePreparsedData(preparsed);
        bus.Close(handle);
    }
}

TEST(VirtualControllerTest, AnswersTheIdentityQueriesWithTheConfiguredValues) {
    ControllerConfig config;
    config.version = {1, 2, 3, 400};
    config.modelNumber = 861;
    config.firmwareMajor = 1;
    config.firmwareMinor = 4;
    config.serialNumber = 0x80000001u;  // shown signed by the program
    ControllerSession session(config);

    session.Send(6, {6, 'C', 1, 0x80});
    Report reply = session.Next(6);
    ExpectReply(reply, 0x80);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(BigEndian16(&reply.Data()[3 + 2 * i]), config.version[i]);
    }
    session.Send(6, {6, 'C', 1, 0x10});
    reply = session.Next(6);
    ExpectReply(reply, 0x10);
    EXPECT_EQ(BigEndian16(&reply.Data()[3]), 861);
    session.Send(6, {6, 'C', 1, 0x11});
    reply = session.Next(6);
    ExpectReply(reply, 0x11);
    EXPECT_EQ(BigEndian16(&reply.Data()[3]), 0x0104);
    session.Send(6, {6, 'C', 1, 0x12});
    reply = session.Next(6);
    ExpectReply(reply, 0x12);
    EXPECT_EQ(BigEndian32(&reply.Data()[3]), static_cast<int32_t>(0x80000001u));
}

TEST(VirtualControllerTest, ReportModeIsSetWholeOrByItsLowByteAndReadBack) {
    ControllerSession session;
    session.Send(6, {6, 'C', 1, 0x36});
    Report reply = session.Next(6);
    ExpectReply(reply, 0x36);
    EXPECT_EQ(BigEndian16(&reply.Data()[3]), session.controller.Config().reportMode);

    session.Send(6, {6, 'C', 3, 0x36, kQuietMode >> 8, kQuietMode & 0xFF});
    reply = session.Next(6);
    ExpectReply(reply, 0x36);
    EXPECT_EQ(BigEndian16(&reply.Data()[3]), kQuietMode);

    session.Send(6, {6, 'C', 2, 0x32, 0x05});
    reply = session.Next(6);
    ExpectReply(reply, 0x32);
    EXPECT_EQ(reply.Data()[3], 0x05);
    EXPECT_EQ(session.controller.ReportMode(), 0x0105) << "the high byte is kept";

    session.controller.RefuseReportModeBits(0x0100);
    session.Send(6, {6, 'C', 3, 0x36, kQuietMode >> 8, kQuietMode & 0xFF});
    reply = session.Next(6);
    EXPECT_EQ(BigEndian16(&reply.Data()[3]), 0x0025) << "a refused bit is answered cleared";
    EXPECT_EQ(session.controller.ReportMode(), 0x0025);
}

TEST(VirtualControllerTest, OffscreenModeAndStreamStatus) {
    ControllerSession session;
    session.Send(6, {6, 'C', 2, 0x84, 7});
    Report reply = session.Next(6);
    ExpectReply(reply, 0x84);
    EXPECT_EQ(reply.Data()[3], 7);
    session.Send(6, {6, 'C', 1, 0x84});
    EXPECT_EQ(session.Next(6).Data()[3], 7);

    session.Send(6, {6, 'C', 1, 0x83});
    reply = session.Next(6);
    ExpectReply(reply, 0x83);
    EXPECT_EQ(reply.Data()[3], 0);
    // The stream command goes on channel 0 as a 5-byte report and gets no reply.
    uint8_t streamOn[5] = {0, 'C', 2, 0xF0, 1};
    size_t written = 0;
    ASSERT_TRUE(session.bus.Write(session.channel0->Handle(), streamOn, sizeof streamOn, written));
    EXPECT_TRUE(session.channel0->StaysQuiet(100));
    session.Send(6, {6, 'C', 1, 0x83});
    EXPECT_NE(session.Next(6).Data()[3], 0);
    EXPECT_TRUE(session.controller.StreamOn());
    session.Send(0, {0, 'C', 2, 0xF0, 0});
    session.Send(6, {6, 'C', 1, 0x83});
    EXPECT_EQ(session.Next(6).Data()[3], 0);
}

TEST(VirtualControllerTest, CalibrationStartsStopsAndEndsByItself) {
    ControllerConfig config;
    config.calibrationMs = 50;
    ControllerSession session(config);
    std::set<uint8_t> endEvents;
    for (int round = 0; round < 2; ++round) {
        session.Send(6, {6, 'C', 2, 0x21, 1});
        Report reply = session.Next(6);
        ExpectReply(reply, 0x21);
        EXPECT_EQ(reply.Data()[3], 1);
        ExpectEvent(session.Next(6), 0x14);
        const Report ended = session.Next(6);
        EXPECT_EQ(ended.Data()[0], 'E');
        EXPECT_TRUE(ended.Data()[2] == 0x15 || ended.Data()[2] == 0x21 || ended.Data()[2] == 0x22);
        endEvents.insert(ended.Data()[2]);
        EXPECT_FALSE(session.controller.Calibrating());
    }
    EXPECT_EQ(endEvents.size(), 2u) << "successive calibrations end in different ways";
}

TEST(VirtualControllerTest, StoppingACalibrationEndsItAtOnce) {
    ControllerConfig slow;
    slow.calibrationMs = 60000;
    ControllerSession stopped(slow);
    stopped.Send(6, {6, 'C', 2, 0x21, 1});
    stopped.Next(6);
    stopped.Next(6);
    EXPECT_TRUE(stopped.controller.Calibrating());
    stopped.Send(6, {6, 'C', 1, 0x21});
    EXPECT_EQ(stopped.Next(6).Data()[3], 1) << "a query answers the running calibration";
    stopped.Send(6, {6, 'C', 2, 0x21, 0});
    const Report reply = stopped.Next(6);
    ExpectReply(reply, 0x21);
    EXPECT_EQ(reply.Data()[3], 0);
    EXPECT_FALSE(stopped.controller.Calibrating());
    EXPECT_TRUE(stopped.channel6->StaysQuiet(100)) << "no end event after a stop";
}

TEST(VirtualControllerTest, InputDeviceTexts) {
    ControllerSession session;
    session.SendText("M?");
    ExpectText(session.Next(6), 'M');
    session.SendText("m");
    ExpectText(session.Next(6), 'm');
    EXPECT_FALSE(session.controller.InputDevicesOn());
    session.SendText("M?");
    ExpectText(session.Next(6), 'm');
    session.SendText("M");
    ExpectText(session.Next(6), 'M');
    EXPECT_TRUE(session.controller.InputDevicesOn());
    session.SendText("M?x");
    session.SendText("Restore");
    EXPECT_TRUE(session.NothingMoreBeforeAnAnswer()) << "other texts are not answered";
}

TEST(VirtualControllerTest, RestoreDefaultsRestoresSettingsAndReportModeThenSaysSo) {
    ControllerSession session;
    const auto original = session.controller.SettingsBlockBytes(6);
    // Setting 1 of channel 6 is a UINT16.
    session.Send(6, {6, 'S', 's', 0, 1, SettingType::UINT16, 0, 0x12, 0x34});
    session.Next(6);
    session.Send(6, {6, 'C', 3, 0x36, kQuietMode >> 8, kQuietMode & 0xFF});
    session.Next(6);
    ASSERT_NE(session.controller.SettingsBlockBytes(6), original);

    session.SendText("RestoreDefaults");
    ExpectEvent(session.Next(6), 0x24);
    EXPECT_EQ(session.controller.SettingsBlockBytes(6), original);
    EXPECT_EQ(session.controller.ReportMode(), session.controller.Config().reportMode);
}

TEST(VirtualControllerTest, MalformedCommandsGoUnanswered) {
    ControllerSession session;
    session.Send(6, {6, 'T', 63, 'M', '?'});  // longer than a report can hold
    session.Send(6, {6, 'T', 0});             // empty
    session.Send(6, {6, 'C', 1, 0x99});       // unknown code
    session.Send(6, {0, 'C', 1, 0x80});       // another collection's report id
    session.Send(6, {6, 'Q', 1, 0x80});       // unknown letter
    session.Send(6, {6, 'G', 1, 53});         // no camera 5
    session.Send(6, {6, 'G', 1, 40});         // below every scope channel
    session.Send(0, {0, 'C', 1, 0x80});       // channel 0 has no queries
    EXPECT_EQ(session.controller.OutputReportCount(6), 7u) << "received, though not answered";
    EXPECT_EQ(session.controller.LastOutputReport(6)[3], 40);
    EXPECT_TRUE(session.NothingMoreBeforeAnAnswer());
    EXPECT_TRUE(session.channel0->StaysQuiet(10));
}

TEST(VirtualControllerTest, RepliesCanBeDelayedAndDropped) {
    ControllerSession session;
    session.controller.DelayReplies(300);
    session.Send(6, {6, 'C', 1, 0x83});
    EXPECT_EQ(session.controller.OutputReportCount(6), 1u) << "the write itself returns at once";
    EXPECT_TRUE(session.channel6->StaysQuiet(100));
    ExpectReply(session.Next(6), 0x83);

    session.controller.DelayReplies(0);
    session.controller.DropReplies(true);
    session.Send(6, {6, 'C', 2, 0x84, 9});
    EXPECT_TRUE(t860test::WaitUntil([&] { return session.controller.OffscreenMode() == 9; }))
        << "a dropped reply's command still takes effect";
    EXPECT_TRUE(session.channel6->StaysQuiet(100));
    session.controller.DropReplies(false);
    session.Send(6, {6, 'C', 1, 0x84});
    EXPECT_EQ(session.Next(6).Data()[3], 9);
}

TEST(VirtualControllerTest, InjectedReportsArriveWithTheChannelsReportId) {
    ControllerSession session;
    uint8_t data[64];
    for (int i = 0; i < 64; ++i) {
        data[i] = static_cast<uint8_t>(i + 1);
    }
    session.controller.InjectReport(0, data, 64);
    Report report = session.Next(0);
    EXPECT_EQ(report.length, kReportSize);
    EXPECT_EQ(report.bytes[0], 0);
    EXPECT_EQ(report.bytes[64], 64);
    session.controller.InjectReport(6, data, 10);
    report = session.Next(6);
    EXPECT_EQ(report.length, 11u) << "a short report stays short";
    EXPECT_EQ(report.bytes[0], 6);
    session.controller.InjectReport(6, data, 500);
    EXPECT_EQ(session.Next(6).length, kReportSize) << "never more than a report";
}

TEST(VirtualControllerTest, UnplugEndsTheHandlesAndReplugAnswersAgain) {
    ControllerSession session;
    session.Send(6, {6, 'C', 2, 0x84, 3});
    session.Next(6);
    session.controller.Unplug();
    EXPECT_FALSE(session.controller.IsPlugged());
    EXPECT_TRUE(session.channel6->Ends());
    EXPECT_TRUE(session.channel0->Ends());
    HidHandle handle = nullptr;
    EXPECT_EQ(session.bus.Open(VirtualBus::PathOf(session.controller.Device(),
                                                  session.controller.CollectionOf(6)),
                               true, handle),
              OpenStatus::Failed);

    session.controller.Plug();
    OpenCollection channel6(session.bus, session.controller.Device(),
                            session.controller.CollectionOf(6));
    ASSERT_TRUE(channel6.IsOpen());
    uint8_t query[kReportSize] = {6, 'C', 1, 0x84};
    size_t written = 0;
    ASSERT_TRUE(session.bus.Write(channel6.Handle(), query, sizeof query, written));
    Report reply;
    ASSERT_TRUE(channel6.Next(reply));
    EXPECT_EQ(reply.Data()[3], 3) << "modes survive a re-plug";
}

TEST(VirtualControllerTest, InputModeFeatureReportTakesEveryValue) {
    ControllerSession session;
    HidHandle handle = nullptr;
    ASSERT_EQ(session.bus.Open(VirtualBus::PathOf(session.controller.Device(),
                                                  session.controller.CollectionOf(2)),
                               false, handle),
              OpenStatus::Ok);
    uint8_t feature[kReportSize] = {2};
    feature[5] = 0xEE;
    ASSERT_TRUE(session.bus.GetFeature(handle, feature, sizeof feature));
    EXPECT_EQ(feature[1], session.controller.Config().inputMode);
    EXPECT_EQ(feature[5], 0) << "the rest of the report is zero";
    for (int mode : {0, 255, 77}) {
        uint8_t set[kReportSize] = {2, static_cast<uint8_t>(mode)};
        ASSERT_TRUE(session.bus.SetFeature(handle, set, sizeof set));
        uint8_t get[kReportSize] = {2};
        ASSERT_TRUE(session.bus.GetFeature(handle, get, sizeof get));
        EXPECT_EQ(get[1], mode);
    }
    uint8_t otherId[kReportSize] = {3, 1};
    EXPECT_FALSE(session.bus.SetFeature(handle, otherId, sizeof otherId));
    EXPECT_FALSE(session.bus.GetFeature(handle, otherId, sizeof otherId));
    EXPECT_EQ(session.controller.InputMode(), 77);
    session.bus.Close(handle);
}

class PerformanceStatsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(session.bus.Open(VirtualBus::PathOf(session.controller.Device(),
                                                      session.controller.CollectionOf(5)),
                                   false, handle),
                  OpenStatus::Ok);
    }
    void TearDown() override { session.bus.Close(handle); }

    bool Request(uint32_t code, void* memory, void* threads) {
        uint8_t report[kReportSize] = {5};
        const uint64_t memoryAddress = reinterpret_cast<uintptr_t>(memory);
        const uint64_t threadAddress = reinterpret_cast<uintptr_t>(threads);
        std::memcpy(&report[4], &code, 4);
        std::memcpy(&report[12], &memoryAddress, 8);
        std::memcpy(&report[20], &threadAddress, 8);
        return session.bus.SetOutputReport(handle, report, sizeof report);
    }

    ControllerSession session;
    HidHandle handle = nullptr;
};

TEST_F(PerformanceStatsTest, FillsBothBuffersWithGrowingThreadTimes) {
    int32_t memory[9] = {};
    uint8_t first[36];
    uint8_t second[36];
    ASSERT_TRUE(Request(7, memory, first));
    for (int shown : {0, 1, 2, 3, 7, 8}) {
        EXPECT_GT(memory[shown], 0) << "memory value " << shown;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(Request(7, memory, second));
    uint64_t firstBase, secondBase;
    std::memcpy(&firstBase, &first[28], 8);
    std::memcpy(&secondBase, &second[28], 8);
    EXPECT_GT(secondBase, firstBase);
    for (int thread = 0; thread < 6; ++thread) {
        uint32_t before, after;
        std::memcpy(&before, &first[4 + 4 * thread], 4);
        std::memcpy(&after, &second[4 + 4 * thread], 4);
        EXPECT_GE(after, before) << "thread " << thread;
        EXPECT_LE(after - before, secondBase - firstBase)
            << "no thread takes more than all the time";
    }
    EXPECT_EQ(session.controller.OutputReportCount(5), 2u);
}

TEST_F(PerformanceStatsTest, LeavesTheBuffersAloneForABadRequest) {
    uint8_t memory[36];
    uint8_t threads[36];
    std::memset(memory, 0xAB, sizeof memory);
    std::memset(threads, 0xAB, sizeof threads);
    Request(7, nullptr, threads);
    Request(7, memory, nullptr);
    Request(6, memory, threads);
    uint8_t shortRequest[20] = {5, 0, 0, 0, 7};
    session.bus.SetOutputReport(handle, shortRequest, sizeof shortRequest);
    for (size_t i = 0; i < 36; ++i) {
        ASSERT_EQ(memory[i], 0xAB);
        ASSERT_EQ(threads[i], 0xAB);
    }
}

}  // namespace
