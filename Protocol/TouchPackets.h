#pragma once
// The three touch packet kinds of channel 6 and their decoding. Each kind has
// its own coordinate encoding and byte order; decoding reads only the bytes
// the kind defines, from a 64-byte report (report id not included).

#include <cstdint>

constexpr int kIncomingReportLength = 64;

// One record of an X multitouch packet: big-endian float coordinates in
// device units 0..32767; width and height taken in little-endian order.
struct XTouchRecord {
    uint8_t State = 0;  // 1 down, 2 move, 3 up
    float X = 0;
    float Y = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    bool operator==(const XTouchRecord&) const = default;
};

// One record of a Y multitouch packet (little-endian 16-bit device units), and
// the form an offscreen touch is drawn in.
struct TouchRecord {
    uint8_t State = 0;
    uint8_t Id = 0;
    uint16_t X = 0;
    uint16_t Y = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    bool operator==(const TouchRecord&) const = default;
};

// One record of an offscreen packet: little-endian floats, fractions of the
// screen (outside 0..1 is off the screen).
struct OffscreenTouchRecord {
    uint8_t State = 0;
    uint8_t Id = 0;
    float X = 0;
    float Y = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
};

constexpr uint8_t kXLengthOneTouch = 13;
constexpr uint8_t kXLengthTwoTouches = 26;

struct XPacket {
    uint8_t Length = 0;  // byte 1: 13 or 26 when well formed
    XTouchRecord Touch[2];
    // The log's count: anything longer than one record counts as two.
    int LogCount() const { return Length > kXLengthOneTouch ? 2 : 1; }
    bool WellFormed() const { return Length == kXLengthOneTouch || Length == kXLengthTwoTouches; }
};

// Y and offscreen packets carry two record slots and a count byte; the count
// may say anything, so RecordCount() keeps it to the slots that exist.
struct YPacket {
    TouchRecord Touch[2];
    uint8_t Count = 0;
    int RecordCount() const { return Count < 2 ? Count : 2; }
};

struct OffscreenPacket {
    OffscreenTouchRecord Touch[2];
    uint8_t Count = 0;
    int RecordCount() const { return Count < 2 ? Count : 2; }
};

XPacket DecodeXPacket(const uint8_t* report);
YPacket DecodeYPacket(const uint8_t* report);
OffscreenPacket DecodeOffscreenPacket(const uint8_t* report);

// Truncation toward zero that stays defined for any float a device can send:
// NaN gives 0, values beyond the int range give its ends.
int TruncateToInt(double value);
// The same into 0..65535.
uint16_t TruncateToUInt16(double value);

// Packets per second over the last 100 drawn packets.
class PacketRate {
public:
    static constexpr int kSlots = 100;
    // Records the packet's tick and returns the rate. The sum of the 99 gaps is
    // the newest tick minus the oldest; a zero sum (100 packets within one
    // tick) is taken as one millisecond.
    int Add(uint32_t nowMs);
    bool operator==(const PacketRate&) const = default;

private:
    uint32_t times_[kSlots] = {};
    int index_ = 0;
};
