#pragma once
// Hand-over of calls from the device threads to the window thread.
//
// A window takes hand-overs between OpenSyncCalls and CloseSyncCalls. The main
// window opens itself before it starts device access, and the program shuts
// down in this order, so that no thread waits for a window that is gone:
//   1. StopDriverIO (a read thread waiting in SyncCall makes that stop end by
//      its time-out; its call stays queued),
//   2. CloseSyncCalls(window): calls still waiting are abandoned and their
//      callers return; later calls return at once,
//   3. JoinDriverIOThreads, before main returns.
// Destroying the window closes it as well.

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
