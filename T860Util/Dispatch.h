#pragma once
// The incoming report dispatch: every input report of channels 0 and 6 is
// decoded here and stored in DeviceStatus, handed to the window that takes
// it, drawn on the touch test window or written to the packet log. Both run
// on their channel's read thread; window changes go over with SyncCall.

#include <cstdint>

#include "Protocol/TouchDrawing.h"

void OnChannel6Report(int32_t unit, const uint8_t* data, int32_t length);
void OnChannel0Report(int32_t unit, const uint8_t* data, int32_t length);

// Window-thread halves, run through SyncCall.
void ShowDeviceInfo(int32_t unit, int32_t value);
void ShowHideCalibration(int32_t unit, int32_t value);
void UpdateInputDevicesBox(int32_t unit, int32_t value);

// Where the touches were last drawn, and the packet rate; kept for the whole
// run and used by channel 6's read thread under the canvas lock.
extern TouchMemory TouchDrawMemory;
