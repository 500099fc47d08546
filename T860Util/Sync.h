#pragma once
// Hand-over of calls from the device threads to the window thread.
//
// A window takes hand-overs between OpenSyncCalls and CloseSyncCalls. The main
// window opens itself before it starts device access. When the program closes,
// no window takes hand-overs any more before device access stops: a read thread
// handing over its disconnection notice then returns at once instead of
// waiting for a window thread that waits for it to end. So the close runs:
//   1. CloseAllSyncCalls: calls still waiting are abandoned and their callers
//      return; later calls return at once,
//   2. StopDriverIO,
//   3. JoinDriverIOThreads, before main returns.
// A stop while the windows stay open ("Set VID/PID") still waits for such a
// notice until its time-out. Destroying a window closes it as well.

#include <cstdint>

class QObject;

using SyncHandler = void (*)(int32_t unit, int32_t value);

// Runs handler(0, value) on the window's thread and returns when it has run:
// 1 then. On the window's own thread the handler runs at once. Returns 0,
// without running the handler, when the window takes no hand-overs (not
// opened, or closed before the call's turn came).
int SyncCall(QObject* window, SyncHandler handler, int32_t value);

void OpenSyncCalls(QObject* window);
void CloseSyncCalls(QObject* window);
// The program is closing: every window refuses hand-overs from now on.
void CloseAllSyncCalls();
