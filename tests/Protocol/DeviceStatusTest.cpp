#include "Protocol/DeviceStatus.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

using Report = std::array<uint8_t, 64>;

Report Make(std::initializer_list<uint8_t> bytes) {
    Report report{};
    std::copy(bytes.begin(), bytes.end(), report.begin());
    return report;
}

std::string Info(const TDeviceStatus& status) {
    char text[kDeviceInfoCapacity];
    FormatDeviceInfo(status, text, kDeviceInfoCapacity);
    return text;
}

TEST(DeviceStatus, ReportModeRepliesMergeOrReplace) {
    TDeviceStatus status;
    status.ReportMode = 0x0302;
    EXPECT_EQ(ApplyCommandReply(status, Make({'C', 2, 0x32, 0x05}).data()), StatusEffect::None);
    EXPECT_EQ(status.ReportMode, 0x0305) << "only the low byte is replaced";
    EXPECT_TRUE(status.ReportModeReceived);
    ApplyCommandReply(status, Make({'C', 3, 0x36, 0x02, 0x01}).data());
    EXPECT_EQ(status.ReportMode, 0x0201);
}

TEST(DeviceStatus, InformationRepliesFillTheLabelText) {
    TDeviceStatus status;
    EXPECT_EQ(ApplyCommandReply(status, Make({'C', 9, 0x80, 0, 1, 0, 2, 0, 3, 0, 4}).data()),
              StatusEffect::ShowDeviceInfo);
    EXPECT_EQ(Info(status),
              "Driver Version: 1.2.3.4, Model Number: 0\nFirmware Version: 0.0, Serial Number: 0");
    ApplyCommandReply(status, Make({'C', 3, 0x10, 0x03, 0x5C}).data());
    ApplyCommandReply(status, Make({'C', 3, 0x11, 0x01, 0x04}).data());
    ApplyCommandReply(status, Make({'C', 5, 0x12, 0xFF, 0xFF, 0xFF, 0xFE}).data());
    EXPECT_EQ(
        Info(status),
        "Driver Version: 1.2.3.4, Model Number: 860\nFirmware Version: 1.4, Serial Number: -2");
    EXPECT_EQ(status.InfoReceived, kInfoAll);

    ApplyCommandReply(status,
                      Make({'C', 9, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}).data());
    EXPECT_STREQ(status.DriverVersion, "65535.65535.65535.65535") << "the widest version fits";
}

TEST(DeviceStatus, FlagsAndCalibrationFollowRepliesAndEvents) {
    TDeviceStatus status;
    EXPECT_EQ(ApplyCommandReply(status, Make({'C', 2, 0x21, 1}).data()),
              StatusEffect::ShowHideCalibration);
    EXPECT_TRUE(status.Calibrating);
    for (uint8_t ended : {0x15, 0x21, 0x22}) {
        status.Calibrating = true;
        EXPECT_EQ(ApplyEvent(status, Make({'E', 1, ended}).data()),
                  StatusEffect::ShowHideCalibration);
        EXPECT_FALSE(status.Calibrating) << int{ended};
    }
    ApplyEvent(status, Make({'E', 1, 0x14}).data());
    EXPECT_TRUE(status.Calibrating);
    ApplyEvent(status, Make({'E', 1, 0x24}).data());
    EXPECT_TRUE(status.RestoreDefaultsDone);
    ApplyCommandReply(status, Make({'C', 2, 0x83, 1}).data());
    EXPECT_TRUE(status.StreamStatusOk && status.StreamStatusReceived);
    ApplyCommandReply(status, Make({'C', 2, 0x84, 7}).data());
    EXPECT_EQ(status.OffscreenMode, 7);
    EXPECT_TRUE(status.OffscreenModeReceived);

    TDeviceStatus untouched;
    EXPECT_EQ(ApplyCommandReply(untouched, Make({'C', 2, 0x99, 1}).data()), StatusEffect::None);
    EXPECT_EQ(ApplyEvent(untouched, Make({'E', 1, 0x99}).data()), StatusEffect::None);
    EXPECT_FALSE(untouched.Calibrating || untouched.RestoreDefaultsDone ||
                 untouched.ReportModeReceived);
}

TEST(DeviceStatus, OnlyOneCharacterTextsSetTheInputDevices) {
    TDeviceStatus status;
    EXPECT_TRUE(ApplyInputDevicesText(status, Make({'T', 1, 'M'}).data()));
    EXPECT_TRUE(status.InputDevicesOn);
    EXPECT_FALSE(ApplyInputDevicesText(status, Make({'T', 2, 'm', 'a'}).data()));
    EXPECT_TRUE(status.InputDevicesOn);
    EXPECT_FALSE(ApplyInputDevicesText(status, Make({'T', 1, 'X'}).data()));
    EXPECT_TRUE(ApplyInputDevicesText(status, Make({'T', 1, 'm'}).data()));
    EXPECT_FALSE(status.InputDevicesOn);
    EXPECT_FALSE(ApplyInputDevicesText(status, Make({'T', 2, 'M', 'a'}).data()));
    EXPECT_FALSE(status.InputDevicesOn);
}

}  // namespace
