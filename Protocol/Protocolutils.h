#pragma once
// Command builders: each builds one 65-byte output report and queues it on its
// channel. None waits for the answer; replies arrive as input reports.

#include <cstdint>

// Codes of the device queries built from one template (SendDeviceQuery).
constexpr uint8_t kGetVersionCode = 0x80;
constexpr uint8_t kGetModelNumberCode = 0x10;
constexpr uint8_t kGetFirmwareVersionCode = 0x11;
constexpr uint8_t kGetSerialNumberCode = 0x12;

// Longest text SendText sends; a longer one is cut.
constexpr int kMaxCommandText = 62;

// Channel 6 commands; each returns the queue's result (0).
int32_t Calibrate(bool start);
int32_t GetReportMode();
int32_t SetReportModeByte(uint8_t mode);
int32_t SetReportMode(uint16_t mode);  // sent high byte first
int32_t GetOffscreenMode();
int32_t SetOffscreenMode(uint8_t mode);
int32_t GetStreamStatus();
int32_t SendText(const char* text);
int32_t RequestSettings6();
int32_t RequestScopeData(uint8_t code);
// The version, model number, firmware version and serial number queries.
int32_t SendDeviceQuery(uint8_t code);

// Channel 0.
int32_t RequestSettings0();
