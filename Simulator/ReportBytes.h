#pragma once
// Byte placement in the reports the controller sends and receives. The
// controller's own values are big-endian; a few packet fields are little-endian
// by design. Written byte by byte so that the host's order never matters.

#include <bit>
#include <cstddef>
#include <cstdint>

#include "platform/hid/HidBackend.h"

// An input report as the controller sends it: report id, then 64 data bytes.
constexpr size_t kReportDataSize = platform::hid::kReportSize - 1;

inline void PutBigEndian16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

inline void PutBigEndian32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

inline void PutBigEndianFloat(uint8_t* at, float value) {
    PutBigEndian32(at, std::bit_cast<uint32_t>(value));
}

inline void PutLittleEndian16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutLittleEndian32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

inline void PutLittleEndian64(uint8_t* at, uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        at[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

inline void PutLittleEndianFloat(uint8_t* at, float value) {
    PutLittleEndian32(at, std::bit_cast<uint32_t>(value));
}

inline uint16_t GetBigEndian16(const uint8_t* at) {
    return static_cast<uint16_t>((at[0] << 8) | at[1]);
}

inline uint32_t GetLittleEndian32(const uint8_t* at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | at[i];
    }
    return value;
}

inline uint64_t GetLittleEndian64(const uint8_t* at) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = (value << 8) | at[i];
    }
    return value;
}
