// Every command's bytes, as the controller receives them through the engine.

#include <string>

#include "Protocol/Protocolutils.h"
#include "tests/DriverInterface/EngineFixture.h"
#include "tests/support/EngineWaits.h"

namespace {

class ProtocolutilsTest : public EngineTest {
protected:
    ProtocolutilsTest() {
        PlugController(device);
        StartDriverIO();
    }
    // Sends one command and returns what the given collection received.
    template <typename Send>
    Bytes SentBy(Send send, size_t collection = kChannel6Collection) {
        const size_t before = device.outputs.Size();
        EXPECT_EQ(send(), 0);
        EXPECT_TRUE(t860test::QueuedReportsSent(0) && t860test::QueuedReportsSent(6));
        const auto outputs = device.outputs.Items();
        if (outputs.size() != before + 1) {
            ADD_FAILURE() << "one report per command, not " << outputs.size() - before;
            return {};
        }
        EXPECT_EQ(outputs.back().collection, collection);
        return outputs.back().bytes;
    }
};

TEST_F(ProtocolutilsTest, ControlCommandsCarryTheirCodeAndData) {
    EXPECT_EQ(SentBy([] { return Calibrate(true); }), Report65({0x06, 0x43, 0x02, 0x21, 0x01}));
    EXPECT_EQ(SentBy([] { return Calibrate(false); }), Report65({0x06, 0x43, 0x02, 0x21, 0x00}));
    EXPECT_EQ(SentBy(GetReportMode), Report65({0x06, 0x43, 0x01, 0x36}));
    EXPECT_EQ(SentBy([] { return SetReportModeByte(0x80); }),
              Report65({0x06, 0x43, 0x02, 0x32, 0x80}));
    EXPECT_EQ(SentBy([] { return SetReportMode(0x0200); }),
              Report65({0x06, 0x43, 0x03, 0x36, 0x02, 0x00}));
    EXPECT_EQ(SentBy([] { return SetReportMode(0x1234); }),
              Report65({0x06, 0x43, 0x03, 0x36, 0x12, 0x34}))
        << "high byte first";
    EXPECT_EQ(SentBy(GetOffscreenMode), Report65({0x06, 0x43, 0x01, 0x84}));
    EXPECT_EQ(SentBy([] { return SetOffscreenMode(1); }), Report65({0x06, 0x43, 0x02, 0x84, 0x01}));
    EXPECT_EQ(SentBy(GetStreamStatus), Report65({0x06, 0x43, 0x01, 0x83}));
    EXPECT_EQ(SentBy([] { return RequestScopeData(48 + 10 + 2); }),
              Report65({0x06, 0x47, 0x01, 60}));
}

TEST_F(ProtocolutilsTest, DeviceQueriesShareOneTemplate) {
    EXPECT_EQ(SentBy([] { return SendDeviceQuery(kGetVersionCode); }),
              Report65({0x06, 0x43, 0x01, 0x80}));
    EXPECT_EQ(SentBy([] { return SendDeviceQuery(kGetModelNumberCode); }),
              Report65({0x06, 0x43, 0x01, 0x10}));
    EXPECT_EQ(SentBy([] { return SendDeviceQuery(kGetFirmwareVersionCode); }),
              Report65({0x06, 0x43, 0x01, 0x11}));
    EXPECT_EQ(SentBy([] { return SendDeviceQuery(kGetSerialNumberCode); }),
              Report65({0x06, 0x43, 0x01, 0x12}));
}

TEST_F(ProtocolutilsTest, SettingsRequestsGoToBothChannelsWithTheirReportId) {
    EXPECT_EQ(SentBy(RequestSettings6), Report65({0x06, 0x53, 0x72, 0x41}));
    EXPECT_EQ(SentBy(RequestSettings0, kChannel0Collection), Report65({0x00, 0x53, 0x72, 0x41}));
}

TEST_F(ProtocolutilsTest, TextsCarryTheirLengthAndAreCutAtSixtyTwoCharacters) {
    EXPECT_EQ(SentBy([] { return SendText("M?"); }), Report65({0x06, 0x54, 0x02, 0x4D, 0x3F}));
    EXPECT_EQ(SentBy([] { return SendText(""); }), Report65({0x06, 0x54, 0x00}));

    const std::string longText(100, 'a');
    const Bytes sent = SentBy([&] { return SendText(longText.c_str()); });
    ASSERT_EQ(sent.size(), 65u);
    EXPECT_EQ(sent[2], 62);
    EXPECT_EQ(std::string(sent.begin() + 3, sent.end()), std::string(62, 'a'));

    // A text of exactly 62 characters is sent whole.
    const std::string longest = std::string(61, 'b') + 'c';
    EXPECT_EQ(SentBy([&] { return SendText(longest.c_str()); }).back(), 'c');
    EXPECT_TRUE(trace.Lines().empty());
}

}  // namespace
