#pragma once
// Conversion between the controller's big-endian values and host order.

#include <cstddef>
#include <cstdint>

int16_t SwapShort(int16_t value, int32_t swap);
uint16_t SwapUShort(uint16_t value, int32_t swap);
int32_t SwapLong(int32_t value, int32_t swap);
// The 32-bit pattern, bytes reversed when swap is nonzero, read as a float.
float SwapFloat(uint32_t bits, int32_t swap);
void SwapUShortArray(uint16_t* values, size_t count);
void SwapFloatArray(float* values, size_t count);
