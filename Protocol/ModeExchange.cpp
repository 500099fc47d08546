#include "Protocol/ModeExchange.h"

#include "Protocol/Protocolutils.h"

namespace {

constexpr uint8_t kReportModeReply = 0x36;
constexpr uint8_t kOffscreenModeReply = 0x84;

}  // namespace

uint8_t ModeReplyCode(ControllerMode mode) {
    return mode == ControllerMode::Report ? kReportModeReply : kOffscreenModeReply;
}

std::atomic<bool>& ModeReceived(ControllerMode mode, TDeviceStatus& status) {
    return mode == ControllerMode::Report ? status.ReportModeReceived
                                          : status.OffscreenModeReceived;
}

uint32_t HeldMode(ControllerMode mode, const TDeviceStatus& status) {
    return mode == ControllerMode::Report ? status.ReportMode.load() : status.OffscreenMode.load();
}

uint32_t LargestMode(ControllerMode mode) {
    return mode == ControllerMode::Report ? 0xFFFF : 0xFF;
}

std::optional<uint32_t> ReadMode(ControllerMode mode, const TDeviceStatus& status,
                                 const ModeReplyWait& wait) {
    const bool answered = wait(
        mode, [mode] { mode == ControllerMode::Report ? GetReportMode() : GetOffscreenMode(); });
    if (!answered) {
        return std::nullopt;
    }
    return HeldMode(mode, status);
}

ModeWriteResult WriteMode(ControllerMode mode, uint32_t value, const TDeviceStatus& status,
                          const ModeReplyWait& wait) {
    value &= LargestMode(mode);
    const bool answered = wait(mode, [mode, value] {
        mode == ControllerMode::Report ? SetReportMode(static_cast<uint16_t>(value))
                                       : SetOffscreenMode(static_cast<uint8_t>(value));
    });
    if (!answered) {
        return ModeWriteResult::NoAnswer;
    }
    return HeldMode(mode, status) == value ? ModeWriteResult::Kept : ModeWriteResult::Refused;
}
