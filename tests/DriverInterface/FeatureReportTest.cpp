// The input mode feature report and the continuous stream command.

#include "tests/DriverInterface/EngineFixture.h"

namespace {

TEST_F(EngineTest, InputModeWithoutControllerFailsWithOneErrorEach) {
    platform::hid::PlugDecoys(bus);
    EXPECT_EQ(GetFeatureReportInputMode(), -1);
    ASSERT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(trace.Lines()[0].rfind("!ERROR! - DriverIO:GetFeatureReportInputMode FindHIDDevice "
                                     "failed  FeatureReport.cpp; LINE: ",
                                     0),
              0u);
    trace.Clear();
    EXPECT_EQ(SetFeatureReportInputMode(0, 2), 0);
    ASSERT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(trace.Count("!ERROR! - DriverIO:SetFeatureReportInputMode FindHIDDevice failed"), 1);
}

TEST_F(EngineTest, InputModeIsReadAndWrittenOnAHandleOfItsOwn) {
    PlugController(device);
    device.inputMode = 0xFE;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(GetFeatureReportInputMode(), 0xFE) << "any byte value is a mode";
    }
    EXPECT_EQ(bus.OpenHandleCount(), 0);

    EXPECT_EQ(SetFeatureReportInputMode(0, 2), 1);
    ASSERT_EQ(device.features.Size(), 1u);
    EXPECT_EQ(device.features.Items()[0], Report65({0x02, 0x02}));
    EXPECT_EQ(bus.OpenHandleCount(), 0);
    EXPECT_TRUE(trace.Lines().empty());
}

TEST_F(EngineTest, RefusedInputModeExchangesFailAndCloseTheirHandle) {
    PlugController(device);
    controller->SetHandler(nullptr);  // a device that answers no feature request
    EXPECT_EQ(GetFeatureReportInputMode(), -1);
    EXPECT_EQ(SetFeatureReportInputMode(0, 1), 0);
    EXPECT_EQ(trace.Count("DriverIO:GetFeatureReportInputMode HidD_GetFeature failed"), 1);
    EXPECT_EQ(trace.Count("DriverIO:SetFeatureReportInputMode HidD_SetFeature failed"), 1);
    EXPECT_EQ(bus.OpenHandleCount(), 0);
}

TEST_F(EngineTest, ContinuousStreamTogglesOnAndOffOnChannel0) {
    PlugController(device);
    StartDriverIO();
    EXPECT_EQ(ContinuousStream(0, true), 0);
    ASSERT_TRUE(device.outputs.WaitFor(1));
    EXPECT_EQ(ContinuousStream(0, false), 0);
    ASSERT_TRUE(device.outputs.WaitFor(2));
    EXPECT_EQ(device.SentTo(kChannel0Collection),
              (std::vector<Bytes>{Report65({0x00, 0x43, 0x02, 0xF0, 0x01}),
                                  Report65({0x00, 0x43, 0x02, 0xF0, 0x00})}));
    const auto lines = trace.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("!INFO! - Sending Continuous stream command on  ", 0), 0u);
    EXPECT_EQ(lines[1].rfind("!INFO! - Sending Continuous stream command off  ", 0), 0u);
}

}  // namespace
