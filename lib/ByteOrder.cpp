#include "lib/ByteOrder.h"

#include <bit>

namespace {
uint16_t Reverse16(uint16_t v) {
    return static_cast<uint16_t>((v >> 8) | (v << 8));
}
uint32_t Reverse32(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
}
}  // namespace

int16_t SwapShort(int16_t value, int32_t swap) {
    return swap ? static_cast<int16_t>(Reverse16(static_cast<uint16_t>(value))) : value;
}

uint16_t SwapUShort(uint16_t value, int32_t swap) {
    return swap ? Reverse16(value) : value;
}

int32_t SwapLong(int32_t value, int32_t swap) {
    return swap ? static_cast<int32_t>(Reverse32(static_cast<uint32_t>(value))) : value;
}

float SwapFloat(uint32_t bits, int32_t swap) {
    return std::bit_cast<float>(swap ? Reverse32(bits) : bits);
}

void SwapUShortArray(uint16_t* values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        values[i] = Reverse16(values[i]);
    }
}

void SwapFloatArray(float* values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        values[i] = std::bit_cast<float>(Reverse32(std::bit_cast<uint32_t>(values[i])));
    }
}
