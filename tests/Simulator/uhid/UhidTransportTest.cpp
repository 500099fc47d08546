#include "Simulator/uhid/UhidTransport.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include "Simulator/VirtualController.h"
#include "Simulator/uhid/UhidLayout.h"
#include "tests/Simulator/uhid/FakeUhid.h"
#include "tests/Simulator/uhid/UhidTestController.h"
#include "tests/support/WaitUntil.h"

namespace {

// Device indices in both topologies' creation order.
constexpr size_t kChannel0Device = 0;
constexpr size_t kStatsDevice = 1;
constexpr size_t kChannel6Device = 2;
constexpr size_t kDigitizerDevice = 3;

// A virtual controller on the fake kernel, plugged and started.
class UhidSession {
public:
    explicit UhidSession(UhidTopology topology, ControllerConfig config = QuietControllerConfig())
        : topology_(topology), plugged_(topology, kernel.Opener(), config) {
        controller.Plug();
        for (size_t device = 0; device < kernel.DeviceCount(); ++device) {
            uhid_event created;
            EXPECT_TRUE(kernel.Next(device, UHID_CREATE2, created));
            kernel.SendType(device, UHID_START);
        }
        EXPECT_TRUE(plugged_.transport.WaitStarted(kUhidStartDeadlineMs));
    }

    // The device that holds a collection in this topology.
    size_t DeviceOf(size_t separateIndex) const {
        return topology_ == UhidTopology::Single ? 0 : separateIndex;
    }

    UhidTransport& Transport() { return plugged_.transport; }

    FakeUhid kernel;

private:
    UhidTopology topology_;
    UhidTestController plugged_;

public:
    VirtualController& controller = plugged_.controller;
};

class UhidTopologyTest : public ::testing::TestWithParam<UhidTopology> {};

std::vector<uint8_t> InputData(const uhid_event& event) {
    return {event.u.input2.data, event.u.input2.data + event.u.input2.size};
}

}  // namespace

TEST_P(UhidTopologyTest, PlugCreatesTheDevicesUnderTheIdentityAndUnplugDestroysThem) {
    FakeUhid kernel;
    UhidTransport transport(TestUhidIdentity(), GetParam(), "/dev/uhid", kernel.Opener());
    ASSERT_EQ(transport.OpenError(), 0);
    const auto layout = BuildUhidLayout(GetParam());
    ASSERT_EQ(kernel.DeviceCount(), layout.size());
    VirtualController controller(transport, QuietControllerConfig());

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        controller.Plug();
        for (size_t device = 0; device < layout.size(); ++device) {
            uhid_event event;
            ASSERT_TRUE(kernel.Next(device, UHID_CREATE2, event));
            const uhid_create2_req& create = event.u.create2;
            // The touch screen carries the controller's own name; the devices
            // of the single-contact forms add theirs, as the system's input
            // devices of one device's applications do.
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(create.name)),
                      "BFT860 test" + layout[device].nameSuffix);
            EXPECT_STREQ(reinterpret_cast<const char*>(create.uniq), "86012345");
            EXPECT_EQ(create.bus, 0x03);  // USB, as in HID_ID
            EXPECT_EQ(create.vendor, 0x2F7Au);
            EXPECT_EQ(create.product, 0x0006u);
            EXPECT_EQ(std::vector<uint8_t>(create.rd_data, create.rd_data + create.rd_size),
                      layout[device].descriptor);
        }
        // Started only once the kernel started every device.
        EXPECT_FALSE(transport.WaitStarted(50));
        for (size_t device = 0; device < layout.size(); ++device) {
            kernel.SendType(device, UHID_START);
        }
        EXPECT_TRUE(transport.WaitStarted(kUhidStartDeadlineMs));
        EXPECT_TRUE(controller.IsPlugged());

        controller.Unplug();
        EXPECT_FALSE(controller.IsPlugged());
        for (size_t device = 0; device < layout.size(); ++device) {
            uhid_event event;
            EXPECT_TRUE(kernel.Next(device, UHID_DESTROY, event));
        }
        EXPECT_FALSE(transport.WaitStarted(0));
    }
}

TEST_P(UhidTopologyTest, CommandsAndNoticesCrossWithEachCollectionsReportIds) {
    ControllerConfig config = QuietControllerConfig();
    config.floopPeriodMs = 20;
    config.version = {1, 2, 3, 400};
    UhidSession session(GetParam(), config);
    const size_t channel6 = session.DeviceOf(kChannel6Device);

    std::vector<uint8_t> query(65, 0);
    query[0] = 6;
    query[1] = 'C';
    query[2] = 1;
    query[3] = 0x80;
    session.kernel.SendOutput(channel6, query);
    uhid_event event;
    std::vector<uint8_t> reply;
    // Skip the "F loop" notices a shared device also carries.
    do {
        ASSERT_TRUE(session.kernel.Next(channel6, UHID_INPUT2, event));
        reply = InputData(event);
    } while (!reply.empty() && reply[0] != 6);
    ASSERT_EQ(reply.size(), 65u);
    EXPECT_EQ(reply[1], 'C');
    EXPECT_EQ(reply[3], 0x80);
    EXPECT_EQ(reply[5], 0x01);  // version 1.2.3.400, big-endian
    EXPECT_EQ(reply[7], 0x02);

    // Channel 0 has no report id: bare on its own device, id 0 on a shared one.
    const size_t channel0 = session.DeviceOf(kChannel0Device);
    std::vector<uint8_t> notice;
    do {
        ASSERT_TRUE(session.kernel.Next(channel0, UHID_INPUT2, event));
        notice = InputData(event);
    } while (GetParam() == UhidTopology::Single && !notice.empty() && notice[0] != 0);
    const size_t at = GetParam() == UhidTopology::Single ? 1 : 0;
    ASSERT_EQ(notice.size(), 64u + at);
    EXPECT_EQ(notice[at], 'T');
    EXPECT_EQ(std::string(notice.begin() + at + 2, notice.begin() + at + 8), "F loop");
}

TEST_P(UhidTopologyTest, TheInputModeFeatureReportIsReadAndWrittenThroughReplies) {
    UhidSession session(GetParam());
    const size_t digitizer = session.DeviceOf(kDigitizerDevice);
    const uint8_t initial = session.controller.InputMode();

    uhid_event request{};
    request.type = UHID_GET_REPORT;
    request.u.get_report = {41, 2, UHID_FEATURE_REPORT};
    session.kernel.Send(digitizer, request);
    uhid_event reply;
    ASSERT_TRUE(session.kernel.Next(digitizer, UHID_GET_REPORT_REPLY, reply));
    EXPECT_EQ(reply.u.get_report_reply.id, 41u);
    EXPECT_EQ(reply.u.get_report_reply.err, 0);
    ASSERT_EQ(reply.u.get_report_reply.size, 65);
    EXPECT_EQ(reply.u.get_report_reply.data[0], 2);
    EXPECT_EQ(reply.u.get_report_reply.data[1], initial);
    EXPECT_EQ(reply.u.get_report_reply.data[kContactCountMaximumAt], kMaxContacts)
        << "the multi-touch driver reads how many contacts to expect";

    request = {};
    request.type = UHID_SET_REPORT;
    request.u.set_report.id = 42;
    request.u.set_report.rnum = 2;
    request.u.set_report.rtype = UHID_FEATURE_REPORT;
    request.u.set_report.size = 65;
    request.u.set_report.data[0] = 2;
    request.u.set_report.data[1] = static_cast<uint8_t>(initial + 1);
    session.kernel.Send(digitizer, request);
    ASSERT_TRUE(session.kernel.Next(digitizer, UHID_SET_REPORT_REPLY, reply));
    EXPECT_EQ(reply.u.set_report_reply.id, 42u);
    EXPECT_EQ(reply.u.set_report_reply.err, 0);
    EXPECT_EQ(session.controller.InputMode(), initial + 1);

    // Reports the device does not have are refused, never left unanswered:
    // the kernel would keep its caller waiting.
    const struct {
        uint8_t number;
        uint8_t type;
    } refused[] = {{3, UHID_FEATURE_REPORT}, {2, UHID_INPUT_REPORT}, {6, UHID_FEATURE_REPORT}};
    uint32_t id = 50;
    for (const auto& ask : refused) {
        request = {};
        request.type = UHID_GET_REPORT;
        request.u.get_report = {++id, ask.number, ask.type};
        session.kernel.Send(digitizer, request);
        ASSERT_TRUE(session.kernel.Next(digitizer, UHID_GET_REPORT_REPLY, reply));
        EXPECT_EQ(reply.u.get_report_reply.id, id);
        EXPECT_NE(reply.u.get_report_reply.err, 0);
        EXPECT_EQ(reply.u.get_report_reply.size, 0);
    }
    request = {};
    request.type = UHID_SET_REPORT;
    request.u.set_report = {77, 2, UHID_FEATURE_REPORT, 2, {3, 9}};  // data names another id
    session.kernel.Send(digitizer, request);
    ASSERT_TRUE(session.kernel.Next(digitizer, UHID_SET_REPORT_REPLY, reply));
    EXPECT_NE(reply.u.set_report_reply.err, 0);
    EXPECT_EQ(session.controller.InputMode(), initial + 1);
}

TEST_P(UhidTopologyTest, PerformanceStatisticsRequestsAreTakenAndAnsweredWithNothing) {
    UhidSession session(GetParam());
    const size_t stats = session.DeviceOf(kStatsDevice);
    // Addresses of another process: filling them here would crash this one.
    std::vector<uint8_t> request(65, 0);
    request[0] = 5;
    request[4] = 7;
    request[12] = 0x10;
    request[20] = 0x20;
    session.kernel.SendOutput(stats, request);
    // Taken on the controller's own thread after the kernel passed it on.
    EXPECT_TRUE(t860test::WaitUntil([&] { return session.controller.OutputReportCount(5) != 0; }));
    EXPECT_EQ(session.controller.OutputReportCount(5), 1u);
    EXPECT_TRUE(session.kernel.Quiet(stats, UHID_INPUT2, 200));
}

TEST_P(UhidTopologyTest, ScriptedTouchesGoOnChannel6InTheSelectedPacketKind) {
    ControllerConfig config;
    config.touchReportsPerSecond = 200;
    config.reportMode = kReportModeXPackets;
    UhidSession session(GetParam(), config);
    uhid_event event;
    ASSERT_TRUE(session.kernel.Next(session.DeviceOf(kChannel6Device), UHID_INPUT2, event));
    const auto packet = InputData(event);
    ASSERT_EQ(packet.size(), 65u);
    EXPECT_EQ(packet[0], 6);
}

INSTANTIATE_TEST_SUITE_P(BothTopologies, UhidTopologyTest, BothUhidTopologies(), TopologyName);

TEST(UhidTransportTest, AnUnopenableNodeIsReportedAndNothingIsSent) {
    FakeUhid kernel;
    kernel.RefuseOpens(EACCES);
    UhidTransport transport(TestUhidIdentity(), UhidTopology::Separate, "/dev/uhid",
                            kernel.Opener());
    EXPECT_EQ(transport.OpenError(), EACCES);
    VirtualController controller(transport, QuietControllerConfig());
    controller.Plug();
    EXPECT_FALSE(transport.WaitStarted(0));
    EXPECT_EQ(kernel.DeviceCount(), 0u);
}

TEST(UhidTransportTest, AKernelThatRefusesACreationFailsTheStart) {
    FakeUhid kernel;
    UhidTransport transport(TestUhidIdentity(), UhidTopology::Separate, "/dev/uhid",
                            kernel.Opener());
    VirtualController controller(transport, QuietControllerConfig());
    signal(SIGPIPE, SIG_IGN);  // a write to the closed fake must fail, not end the test
    kernel.CloseKernelEnds();
    controller.Plug();
    EXPECT_FALSE(transport.WaitStarted(1000));
    EXPECT_NE(transport.PlugError(), 0);
}

TEST(UhidEventsTest, RequestsCutShortOrOverlongAreRejected) {
    uhid_event event{};
    UhidRequest request;
    event.type = UHID_SET_REPORT;
    event.u.set_report.size = 10;
    const size_t header = offsetof(uhid_event, u) + offsetof(uhid_set_report_req, data);
    EXPECT_FALSE(DecodeRequest(event, header + 9, request));
    EXPECT_TRUE(DecodeRequest(event, header + 10, request));
    EXPECT_EQ(request.length, 10u);
    event.u.set_report.size = UHID_DATA_MAX + 1;
    EXPECT_FALSE(DecodeRequest(event, sizeof event, request));

    event = {};
    event.type = UHID_OUTPUT;
    event.u.output.size = UHID_DATA_MAX + 1;
    EXPECT_FALSE(DecodeRequest(event, sizeof event, request));
    event.u.output.size = 3;
    const size_t outputEnd = offsetof(uhid_event, u) + sizeof(uhid_output_req);
    EXPECT_FALSE(DecodeRequest(event, outputEnd - 1, request));  // rtype cut off
    EXPECT_TRUE(DecodeRequest(event, sizeof event, request));

    event.type = UHID_GET_REPORT;
    EXPECT_FALSE(DecodeRequest(event, 5, request));
    EXPECT_FALSE(DecodeRequest(event, 2, request));  // not even a type

    uhid_event input;
    std::vector<uint8_t> tooLong(UHID_DATA_MAX + 1, 0);
    EXPECT_FALSE(EncodeInput(input, tooLong.data(), tooLong.size()));
    EXPECT_FALSE(EncodeCreate(input, TestUhidIdentity(), {}));
}
