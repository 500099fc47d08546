// The input mode feature report of the digitizer collection and the continuous
// stream command. Each input mode exchange opens its own plain handle and
// closes it at once; neither uses the channel threads or the write mutex.

#include "DriverInterface/DriverIO.h"
#include "lib/Trace.h"

using platform::hid::CurrentBackend;
using platform::hid::kReportSize;

namespace {

constexpr uint8_t kInputModeReportId = 0x02;

HidHandle OpenDigitizer() {
    HidCaps caps;
    return FindHIDDevice(caps, kTouchScreenUsage, kDigitizerUsagePage, false);
}

}  // namespace

int32_t GetFeatureReportInputMode() {
    const HidHandle device = OpenDigitizer();
    if (device == nullptr) {
        TraceError("DriverIO:GetFeatureReportInputMode FindHIDDevice failed", __FILE__, __LINE__);
        return -1;
    }
    uint8_t report[kReportSize] = {kInputModeReportId};
    int32_t mode = -1;
    if (CurrentBackend().GetFeature(device, report, sizeof report)) {
        mode = report[1];
    } else {
        TraceError("DriverIO:GetFeatureReportInputMode HidD_GetFeature failed", __FILE__, __LINE__);
    }
    CloseHIDDevice(device);
    return mode;
}

int32_t SetFeatureReportInputMode(int32_t, uint8_t mode) {
    const HidHandle device = OpenDigitizer();
    if (device == nullptr) {
        TraceError("DriverIO:SetFeatureReportInputMode FindHIDDevice failed", __FILE__, __LINE__);
        return 0;
    }
    const uint8_t report[kReportSize] = {kInputModeReportId, mode};
    int32_t result = 1;
    if (!CurrentBackend().SetFeature(device, report, sizeof report)) {
        TraceError("DriverIO:SetFeatureReportInputMode HidD_SetFeature failed", __FILE__, __LINE__);
        result = 0;
    }
    CloseHIDDevice(device);
    return result;
}

int32_t ContinuousStream(int32_t unit, bool on) {
    TraceInfo(on ? "Sending Continuous stream command on" : "Sending Continuous stream command off",
              __FILE__, __LINE__);
    const uint8_t command[] = {0x00, 0x43, 0x02, 0xF0, static_cast<uint8_t>(on ? 0x01 : 0x00)};
    return QueueReport0(unit, command, sizeof command);
}
