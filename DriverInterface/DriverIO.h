#pragma once
// Device access: the device identity, discovery of the controller's HID
// collections, the report I/O engine, the input mode feature report and the
// continuous stream command.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/hid/HidBackend.h"

using platform::hid::HidCaps;
using platform::hid::HidHandle;

constexpr uint16_t kDefaultVendorID = 0x2F7A;
constexpr uint16_t kDefaultProductID = 0x0006;

// Device identity: plain 16-bit values, each read and written whole.
void SetDeviceIdentity(uint16_t vendor, uint16_t product);
void GetDeviceIdentity(uint16_t& vendor, uint16_t& product);

// Discovery: opens the first HID interface whose ids equal the current identity
// and whose collection has the usage page and usage; null when none does. caps
// receives the capabilities of the collection examined last. The caller closes
// the handle with CloseHIDDevice.
HidHandle FindHIDDevice(HidCaps& caps, uint16_t usage, uint16_t usagePage, bool overlapped);
void CloseHIDDevice(HidHandle device);
// The device nodes of interfaces with the current identity that refused the
// last search access (on Linux: the udev rule is missing), each named once;
// empty when that search found its collection, and where the platform
// cannot tell a refused controller from a collection the system keeps to
// itself.
std::vector<std::string> ControllerDeniedNodes();

constexpr uint16_t kVendorUsagePage = 0xFFA0;
constexpr uint16_t kChannel0Usage = 0x0001;
constexpr uint16_t kPerformanceStatsUsage = 0x0002;
constexpr uint16_t kChannel6Usage = 0x0006;
constexpr uint16_t kDigitizerUsagePage = 0x000D;
constexpr uint16_t kTouchScreenUsage = 0x0004;

// Report I/O engine. Callbacks run on the channel's read thread; data points at
// the byte after the report id and length is the bytes read minus 1.
using ReportCallback = void (*)(int32_t unit, const uint8_t* data, int32_t length);
using ConnectCallback = void (*)(int32_t unit, int32_t connected);

// The engine's waits in milliseconds. The defaults are the ones the program
// runs with; a test shortens them to see a restart without waiting seconds.
struct DriverIOWaits {
    // After a failed read (no controller, or it went away), before the read
    // thread asks for the restart that searches again.
    uint32_t readErrorPauseMs = 5000;
    // How long a stop waits for each thread before leaving it to end alone.
    uint32_t stopThreadTimeoutMs = 2000;
    // After the connected notice, before the first query: the controller
    // takes a moment before it answers.
    uint32_t connectionSettleMs = 250;
};
DriverIOWaits GetDriverIOWaits();
// Takes effect at the next wait that starts; safe while the threads run.
void SetDriverIOWaits(const DriverIOWaits& waits);

void StartDriverIO();
// A thread that does not end within the stop time-out is left to end on its
// own (a read thread can be waiting for the window thread in a hand-over); it
// keeps its own references and never touches what a later start made.
void StopDriverIO();
// Waits for the threads that outlived their stop. Call after the last
// StopDriverIO, once the window thread no longer accepts hand-overs (so a read
// thread waiting in one is released), and before main returns.
void JoinDriverIOThreads();
int32_t QueueReport0(int32_t unit, const uint8_t* data, int32_t length);
int32_t QueueReport6(const uint8_t* data, int32_t length);
// Returns true once the write thread of channel 0 or 6 has written every
// report queued on that channel before the call, and at once when the channel
// has no write thread (nothing queued then goes out); false when timeoutMs
// passes first. What a report's sending caused can be checked after it.
bool WaitForQueuedReports(int32_t channel, uint32_t timeoutMs);
bool HidSetOutputReport(HidHandle device, const uint8_t* data, int32_t length);
void SetReportCallback0(ReportCallback callback);
void SetReportCallback6(ReportCallback callback);
void SetConnectCallback6(ConnectCallback callback);

// Input mode feature report (report id 2) of the digitizer collection, and the
// continuous stream command on channel 0.
int32_t GetFeatureReportInputMode();                            // 0..255, or -1
int32_t SetFeatureReportInputMode(int32_t unit, uint8_t mode);  // 1 or 0
int32_t ContinuousStream(int32_t unit, bool on);
