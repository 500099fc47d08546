#include "Protocol/DeviceStatus.h"

#include <cstdio>

TDeviceStatus DeviceStatus;

namespace {

uint16_t BigEndian16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void MarkInfo(TDeviceStatus& status, InfoReply reply) {
    status.InfoReceived.fetch_or(reply);
}

}  // namespace

StatusEffect ApplyCommandReply(TDeviceStatus& status, const uint8_t* report) {
    switch (report[2]) {
        case 0x10:
            status.ModelNumber = BigEndian16(report + 3);
            MarkInfo(status, kInfoModel);
            return StatusEffect::ShowDeviceInfo;
        case 0x11:
            status.FirmwareVersion = BigEndian16(report + 3);
            MarkInfo(status, kInfoFirmware);
            return StatusEffect::ShowDeviceInfo;
        case 0x12:
            status.SerialNumber = static_cast<int32_t>(BigEndian32(report + 3));
            MarkInfo(status, kInfoSerial);
            return StatusEffect::ShowDeviceInfo;
        case 0x21:
            status.Calibrating = report[3] != 0;
            return StatusEffect::ShowHideCalibration;
        case 0x32:
            status.ReportMode = static_cast<uint16_t>((status.ReportMode & 0xFF00u) | report[3]);
            status.ReportModeReceived = true;
            return StatusEffect::None;
        case 0x36:
            status.ReportMode = BigEndian16(report + 3);
            status.ReportModeReceived = true;
            return StatusEffect::None;
        case 0x80:
            std::snprintf(status.DriverVersion, sizeof status.DriverVersion, "%d.%d.%d.%d",
                          BigEndian16(report + 3), BigEndian16(report + 5), BigEndian16(report + 7),
                          BigEndian16(report + 9));
            MarkInfo(status, kInfoVersion);
            return StatusEffect::ShowDeviceInfo;
        case 0x83:
            status.StreamStatusOk = report[3] != 0;
            status.StreamStatusReceived = true;
            return StatusEffect::None;
        case 0x84:
            status.OffscreenMode = report[3];
            status.OffscreenModeReceived = true;
            return StatusEffect::None;
        default:
            return StatusEffect::None;
    }
}

StatusEffect ApplyEvent(TDeviceStatus& status, const uint8_t* report) {
    switch (report[2]) {
        case 0x14:
            status.Calibrating = true;
            return StatusEffect::ShowHideCalibration;
        case 0x15:
        case 0x21:
        case 0x22:
            status.Calibrating = false;
            return StatusEffect::ShowHideCalibration;
        case 0x24:
            status.RestoreDefaultsDone = true;
            return StatusEffect::None;
        default:
            return StatusEffect::None;
    }
}

bool ApplyInputDevicesText(TDeviceStatus& status, const uint8_t* report) {
    if (report[1] != 1 || (report[2] != 'M' && report[2] != 'm')) {
        return false;
    }
    status.InputDevicesOn = report[2] == 'M';
    return true;
}

void FormatDeviceInfo(const TDeviceStatus& status, char* buffer, int capacity) {
    const uint16_t firmware = status.FirmwareVersion;
    std::snprintf(
        buffer, static_cast<size_t>(capacity),
        "Driver Version: %s, Model Number: %d\nFirmware Version: %d.%d, Serial Number: %d",
        status.DriverVersion, static_cast<int>(status.ModelNumber.load()), firmware >> 8,
        firmware & 0xFF, static_cast<int>(status.SerialNumber.load()));
}
