#pragma once
// Where the main window and the report dispatch meet the settings view, the
// performance statistics and the scope. A window that does not exist (yet)
// shows nothing and its reports are dropped.

#include <cstdint>

void ShowSettingsView();
void ShowPerformanceStats();
void ShowScope();
// Opens the accuracy test full screen.
void ShowAccuracyTest();

// Settings block reports ("N", "S") of channel 0 or 6; channel 6's are taken
// only while the settings view is visible or the scope records a baseline,
// channel 0's always.
void HandSettingsReport(int channel, const uint8_t* data, int32_t length);
// Camera data ("G"), taken while the scope window is visible.
void HandScopeReport(const uint8_t* data, int32_t length);
