#pragma once
// What the controller last reported, with the one-shot flags of the
// command-and-wait convention: a button clears its flag, sends, waits once and
// looks once; channel 6's read thread sets the flag when the reply arrives.

#include <atomic>
#include <cstdint>

// Which of the four information replies arrived since the last connection.
enum InfoReply : uint8_t {
    kInfoVersion = 1,
    kInfoModel = 2,
    kInfoFirmware = 4,
    kInfoSerial = 8,
    kInfoAll = 15,
};

// Written by channel 6's read thread and read by the window thread without a
// lock, so every field is a whole atomic value.
struct TDeviceStatus {
    std::atomic<bool> Connected{false};
    std::atomic<bool> Calibrating{false};
    std::atomic<uint16_t> ReportMode{0};
    std::atomic<bool> ReportModeReceived{false};
    std::atomic<uint8_t> OffscreenMode{0};
    std::atomic<bool> OffscreenModeReceived{false};
    std::atomic<bool> InputDevicesOn{false};
    std::atomic<bool> InputDevicesUpdating{false};
    // "%d.%d.%d.%d" of four 16-bit numbers fits easily; empty until the reply.
    // Written by the read thread before it hands ShowDeviceInfo to the window
    // thread and waits for it, so the window thread never reads it mid-write.
    char DriverVersion[32] = {};
    std::atomic<uint16_t> ModelNumber{0};
    std::atomic<uint16_t> FirmwareVersion{0};
    std::atomic<int32_t> SerialNumber{0};
    std::atomic<bool> RestoreDefaultsDone{false};
    std::atomic<bool> StreamStatusOk{false};
    std::atomic<bool> StreamStatusReceived{false};
    std::atomic<bool> ContinuousStreamOn{false};
    std::atomic<uint8_t> InfoReceived{0};  // InfoReply bits
};

extern TDeviceStatus DeviceStatus;

// Applies one command reply ("C") or event ("E") report of 64 bytes to the
// status. Returns what the window side must do next.
enum class StatusEffect { None, ShowDeviceInfo, ShowHideCalibration };
StatusEffect ApplyCommandReply(TDeviceStatus& status, const uint8_t* report);
StatusEffect ApplyEvent(TDeviceStatus& status, const uint8_t* report);
// A "T" report: true when it changed the input devices state ("M" or "m").
bool ApplyInputDevicesText(TDeviceStatus& status, const uint8_t* report);

// The information label's text; buffer holds at least kDeviceInfoCapacity.
constexpr int kDeviceInfoCapacity = 160;
void FormatDeviceInfo(const TDeviceStatus& status, char* buffer, int capacity);
