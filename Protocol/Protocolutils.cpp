#include "Protocol/Protocolutils.h"

#include <cstring>
#include <initializer_list>

#include "DriverInterface/DriverIO.h"
#include "lib/ByteOrder.h"

namespace {

constexpr int kCommandSize = 65;
constexpr uint8_t kChannel6Id = 0x06;
constexpr uint8_t kChannel0Id = 0x00;
constexpr uint8_t kControl = 0x43;   // 'C'
constexpr uint8_t kText = 0x54;      // 'T'
constexpr uint8_t kSettings = 0x53;  // 'S'
constexpr uint8_t kScope = 0x47;     // 'G'

struct Command {
    uint8_t bytes[kCommandSize] = {};
};

// A zeroed report that starts with the given bytes.
Command Build(std::initializer_list<uint8_t> leading) {
    Command command;
    std::memcpy(command.bytes, leading.begin(), leading.size());
    return command;
}

int32_t Queue6(const Command& command) {
    return QueueReport6(command.bytes, kCommandSize);
}

}  // namespace

int32_t Calibrate(bool start) {
    return Queue6(Build({kChannel6Id, kControl, 0x02, 0x21, static_cast<uint8_t>(start ? 1 : 0)}));
}

int32_t GetReportMode() {
    return Queue6(Build({kChannel6Id, kControl, 0x01, 0x36}));
}

int32_t SetReportModeByte(uint8_t mode) {
    return Queue6(Build({kChannel6Id, kControl, 0x02, 0x32, mode}));
}

int32_t SetReportMode(uint16_t mode) {
    Command command = Build({kChannel6Id, kControl, 0x03, 0x36});
    // The controller reads its values big-endian.
    uint16_t value = mode;
    SwapUShortArray(&value, 1);
    std::memcpy(command.bytes + 4, &value, sizeof value);
    return Queue6(command);
}

int32_t GetOffscreenMode() {
    return Queue6(Build({kChannel6Id, kControl, 0x01, 0x84}));
}

int32_t SetOffscreenMode(uint8_t mode) {
    return Queue6(Build({kChannel6Id, kControl, 0x02, 0x84, mode}));
}

int32_t GetStreamStatus() {
    return Queue6(Build({kChannel6Id, kControl, 0x01, 0x83}));
}

int32_t SendText(const char* text) {
    Command command = Build({kChannel6Id, kText, 0x00});
    const size_t length = text == nullptr ? 0 : strnlen(text, kMaxCommandText);
    command.bytes[2] = static_cast<uint8_t>(length);
    if (length > 0) {
        std::memcpy(command.bytes + 3, text, length);
    }
    return Queue6(command);
}

int32_t RequestSettings6() {
    return Queue6(Build({kChannel6Id, kSettings, 0x72, 0x41}));
}

int32_t RequestSettings0() {
    const Command command = Build({kChannel0Id, kSettings, 0x72, 0x41});
    return QueueReport0(0, command.bytes, kCommandSize);
}

int32_t RequestScopeData(uint8_t code) {
    return Queue6(Build({kChannel6Id, kScope, 0x01, code}));
}

int32_t SendDeviceQuery(uint8_t code) {
    return Queue6(Build({kChannel6Id, kControl, 0x01, code}));
}
