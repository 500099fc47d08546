// What the controller does with each command it takes, and what it answers.

#include <cstring>
#include <string_view>

#include "Simulator/ReportBytes.h"
#include "Simulator/VirtualController.h"

namespace {

constexpr uint8_t kCalibrateCode = 0x21;
constexpr uint8_t kReportModeByteCode = 0x32;
constexpr uint8_t kReportModeCode = 0x36;
constexpr uint8_t kVersionCode = 0x80;
constexpr uint8_t kStreamStatusCode = 0x83;
constexpr uint8_t kOffscreenModeCode = 0x84;
constexpr uint8_t kModelNumberCode = 0x10;
constexpr uint8_t kFirmwareVersionCode = 0x11;
constexpr uint8_t kSerialNumberCode = 0x12;
constexpr uint8_t kContinuousStreamCode = 0xF0;

constexpr uint8_t kCalibrationStartedEvent = 0x14;
constexpr uint8_t kDefaultsRestoredEvent = 0x24;

constexpr size_t kMaxTextLength = 62;

constexpr uint16_t kTouchPacketBits =
    kReportModeXPackets | kReportModeYPackets | kReportModeOffscreenPackets;

}  // namespace

// report: the whole output report, report id first, zero-padded to 65 bytes.
void VirtualController::HandleCommandLocked(int channel, const uint8_t* report,
                                            Clock::time_point now) {
    switch (report[1]) {
        case 'C':
            HandleControlLocked(channel, report, now);
            break;
        case 'T':
            if (channel == 6) {
                HandleTextLocked(report, now);
            }
            break;
        case 'S':
            HandleSettingsLocked(channel, report);
            break;
        case 'G':
            if (channel == 6) {
                HandleScopeRequestLocked(report, now);
            }
            break;
        default:
            break;  // not a command this controller knows
    }
}

void VirtualController::HandleControlLocked(int channel, const uint8_t* report,
                                            Clock::time_point now) {
    const uint8_t count = report[2];  // the code and its data bytes
    const uint8_t code = report[3];
    const uint8_t* data = &report[4];
    const bool isSet = count >= 2;
    if (channel == 0) {
        if (code == kContinuousStreamCode && isSet) {
            streamOn_ = data[0] != 0;
        }
        return;
    }
    uint8_t value[8] = {};
    switch (code) {
        case kCalibrateCode:
            if (isSet && data[0] != 0) {
                StartCalibrationLocked(now);
                return;
            }
            if (isSet) {
                calibrating_ = false;
            }
            value[0] = calibrating_ ? 1 : 0;
            ReplyValueLocked(code, value, 1);
            return;
        case kReportModeByteCode:
            if (isSet) {
                SetReportModeLocked(static_cast<uint16_t>((reportMode_ & 0xFF00) | data[0]), now);
            }
            value[0] = static_cast<uint8_t>(reportMode_);
            ReplyValueLocked(code, value, 1);
            return;
        case kReportModeCode:
            if (count >= 3) {
                SetReportModeLocked(GetBigEndian16(data), now);
            }
            PutBigEndian16(value, reportMode_);
            ReplyValueLocked(code, value, 2);
            return;
        case kOffscreenModeCode:
            if (isSet) {
                offscreenMode_ = data[0];
            }
            value[0] = offscreenMode_;
            ReplyValueLocked(code, value, 1);
            return;
        case kStreamStatusCode:
            value[0] = streamOn_ ? 1 : 0;
            ReplyValueLocked(code, value, 1);
            return;
        case kVersionCode:
            for (size_t i = 0; i < config_.version.size(); ++i) {
                PutBigEndian16(&value[2 * i], config_.version[i]);
            }
            ReplyValueLocked(code, value, 8);
            return;
        case kModelNumberCode:
            PutBigEndian16(value, config_.modelNumber);
            ReplyValueLocked(code, value, 2);
            return;
        case kFirmwareVersionCode:
            PutBigEndian16(
                value, static_cast<uint16_t>((config_.firmwareMajor << 8) | config_.firmwareMinor));
            ReplyValueLocked(code, value, 2);
            return;
        case kSerialNumberCode:
            PutBigEndian32(value, config_.serialNumber);
            ReplyValueLocked(code, value, 4);
            return;
        default:
            return;  // unknown codes go unanswered
    }
}

void VirtualController::HandleTextLocked(const uint8_t* report, Clock::time_point now) {
    const size_t length = report[2];
    if (length == 0 || length > kMaxTextLength) {
        return;
    }
    const std::string_view text(reinterpret_cast<const char*>(&report[3]), length);
    if (text == "RestoreDefaults") {
        RestoreDefaultsLocked(now);
        SendEventLocked(kDefaultsRestoredEvent, true);
        return;
    }
    if (text == "M") {
        inputDevicesOn_ = true;
    } else if (text == "m") {
        inputDevicesOn_ = false;
    } else if (text != "M?") {
        return;
    }
    const uint8_t answer[kReportDataSize] = {'T', 1,
                                             static_cast<uint8_t>(inputDevicesOn_ ? 'M' : 'm')};
    ReplyLocked(6, answer);
}

void VirtualController::HandleSettingsLocked(int channel, const uint8_t* report) {
    SettingsBlock& block = channel == 0 ? settings0_ : settings6_;
    uint8_t data[kReportDataSize];
    if (report[2] == 'r' && report[3] == 'A') {
        for (size_t sent = 0; sent < block.ChunkCount(); ++sent) {
            block.EncodeChunk(block.ChunkNumberAt(config_.chunkOrder, sent), data);
            ReplyLocked(channel, data);
        }
        return;
    }
    if (report[2] == 's') {
        constexpr size_t kValueOffset = 7;
        const uint16_t position = GetBigEndian16(&report[3]);
        if (block.Store(position, report[5], &report[kValueOffset],
                        platform::hid::kReportSize - kValueOffset)) {
            block.EncodeEcho(position, data);
            ReplyLocked(channel, data);
        }
    }
}

void VirtualController::HandleScopeRequestLocked(const uint8_t* report, Clock::time_point now) {
    if (report[2] < 1) {
        return;
    }
    const double seconds = SecondsSinceStart(now);
    const auto frame = static_cast<uint32_t>(seconds * touchScript_.FramesPerSecond());
    if (!profiles_.Prepare(report[3], seconds, touchScript_.FrameAt(frame))) {
        return;  // not a scope channel: nothing to show
    }
    uint8_t data[kReportDataSize];
    for (size_t sent = 0; sent < CameraProfiles::kReportsPerAnswer; ++sent) {
        profiles_.EncodeReport(sent, data);
        ReplyLocked(6, data);
    }
}

void VirtualController::SetReportModeLocked(uint16_t mode, Clock::time_point now) {
    mode = static_cast<uint16_t>(mode & ~refusedModeBits_);
    if ((reportMode_ & kTouchPacketBits) == 0 && (mode & kTouchPacketBits) != 0) {
        // Touch packets start at the beginning of the script.
        touchFrame_ = 0;
        nextTouch_ = now;
    }
    reportMode_ = mode;
}

void VirtualController::StartCalibrationLocked(Clock::time_point now) {
    calibrating_ = true;
    calibrationEnd_ = now + std::chrono::milliseconds(config_.calibrationMs);
    const uint8_t value[1] = {1};
    ReplyValueLocked(kCalibrateCode, value, 1);
    SendEventLocked(kCalibrationStartedEvent, true);
}

void VirtualController::RestoreDefaultsLocked(Clock::time_point now) {
    settings0_ = defaults0_;
    settings6_ = defaults6_;
    offscreenMode_ = config_.offscreenMode;
    SetReportModeLocked(config_.reportMode, now);
}

void VirtualController::ReplyValueLocked(uint8_t code, const uint8_t* value, size_t length) {
    uint8_t data[kReportDataSize] = {'C', static_cast<uint8_t>(1 + length), code};
    std::memcpy(&data[3], value, length);
    ReplyLocked(6, data);
}

void VirtualController::SendEventLocked(uint8_t code, bool isReply) {
    const uint8_t data[kReportDataSize] = {'E', 1, code};
    if (isReply) {
        ReplyLocked(6, data);
    } else {
        SendLocked(6, data);
    }
}
