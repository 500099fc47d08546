#include "Protocol/TouchPackets.h"

#include <bit>
#include <climits>
#include <cmath>

namespace {

uint16_t LittleEndian16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

float BigEndianFloat(const uint8_t* p) {
    return std::bit_cast<float>((uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) |
                                (uint32_t{p[2]} << 8) | p[3]);
}

float LittleEndianFloat(const uint8_t* p) {
    return std::bit_cast<float>((uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) |
                                (uint32_t{p[1]} << 8) | p[0]);
}

XTouchRecord DecodeXTouch(const uint8_t* p) {
    return {p[0], BigEndianFloat(p + 1), BigEndianFloat(p + 5), LittleEndian16(p + 9),
            LittleEndian16(p + 11)};
}

TouchRecord DecodeTouch(const uint8_t* p) {
    return {p[0],
            p[1],
            LittleEndian16(p + 2),
            LittleEndian16(p + 4),
            LittleEndian16(p + 6),
            LittleEndian16(p + 8)};
}

OffscreenTouchRecord DecodeOffscreenTouch(const uint8_t* p) {
    return {p[0],
            p[1],
            LittleEndianFloat(p + 2),
            LittleEndianFloat(p + 6),
            LittleEndian16(p + 10),
            LittleEndian16(p + 12)};
}

}  // namespace

XPacket DecodeXPacket(const uint8_t* report) {
    XPacket packet;
    packet.Length = report[1];
    packet.Touch[0] = DecodeXTouch(report + 2);
    packet.Touch[1] = DecodeXTouch(report + 15);
    return packet;
}

YPacket DecodeYPacket(const uint8_t* report) {
    YPacket packet;
    packet.Touch[0] = DecodeTouch(report + 2);
    packet.Touch[1] = DecodeTouch(report + 12);
    packet.Count = report[22];
    return packet;
}

OffscreenPacket DecodeOffscreenPacket(const uint8_t* report) {
    OffscreenPacket packet;
    packet.Touch[0] = DecodeOffscreenTouch(report + 2);
    packet.Touch[1] = DecodeOffscreenTouch(report + 16);
    packet.Count = report[30];
    return packet;
}

int TruncateToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

uint16_t TruncateToUInt16(double value) {
    if (std::isnan(value) || value <= 0) {
        return 0;
    }
    return value >= 65535.0 ? uint16_t{65535} : static_cast<uint16_t>(value);
}

int PacketRate::Add(uint32_t nowMs) {
    times_[index_] = nowMs;
    // Walking the ring backwards from the newest slot, the gaps add up to the
    // newest tick minus the oldest (modulo 2^32, like the tick counter).
    uint32_t sum = 0;
    int newer = index_;
    for (int step = 1; step < kSlots; ++step) {
        const int older = (index_ - step + kSlots) % kSlots;
        sum += times_[newer] - times_[older];
        newer = older;
    }
    index_ = (index_ + 1) % kSlots;
    if (sum == 0) {
        sum = 1;
    }
    return TruncateToInt(1000.0 / (sum * 0.01));
}
