#pragma once
// The controller's report mode and offscreen mode: each is read with one
// request, written with another, and a write is checked by the value the
// controller answers with (a controller that refuses a bit answers with
// another value). The windows and t860ctl exchange them the same way; each
// waits for a reply in its own way.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

#include "Protocol/DeviceStatus.h"

enum class ControllerMode { Report, Offscreen };

// The command code of the mode's reply, the same for the read and the write.
uint8_t ModeReplyCode(ControllerMode mode);
// Set by the read thread when the mode's reply arrives.
std::atomic<bool>& ModeReceived(ControllerMode mode, TDeviceStatus& status);
// The mode as the controller last answered it.
uint32_t HeldMode(ControllerMode mode, const TDeviceStatus& status);
// The largest value the mode can take (16 or 8 bits).
uint32_t LargestMode(ControllerMode mode);

// Sends one request (calls send) and waits for its reply; true once the
// reply arrived, false when the wait ended without it.
using ModeReplyWait = std::function<bool(ControllerMode mode, const std::function<void()>& send)>;

// Asks the controller for the mode: its value, or nothing when it did not answer.
std::optional<uint32_t> ReadMode(ControllerMode mode, const TDeviceStatus& status,
                                 const ModeReplyWait& wait);

enum class ModeWriteResult { Kept, NoAnswer, Refused };
// Writes the value (cut to the mode's width) and compares the controller's
// answer with it; HeldMode then gives what the controller kept.
ModeWriteResult WriteMode(ControllerMode mode, uint32_t value, const TDeviceStatus& status,
                          const ModeReplyWait& wait);
