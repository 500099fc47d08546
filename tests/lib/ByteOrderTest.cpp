#include "lib/ByteOrder.h"

#include <gtest/gtest.h>

TEST(ByteOrder, SwapsOnlyWhenAsked) {
    EXPECT_EQ(SwapUShort(0x1234, 1), 0x3412);
    EXPECT_EQ(SwapUShort(0x1234, 0), 0x1234);
    EXPECT_EQ(SwapShort(static_cast<int16_t>(0xFF00), 1), 0x00FF);
    EXPECT_EQ(SwapShort(0x0080, 1), static_cast<int16_t>(0x8000));
    EXPECT_EQ(SwapLong(0x11223344, 1), 0x44332211);
    EXPECT_EQ(SwapLong(static_cast<int32_t>(0x80000001u), 1), 0x01000080);
    EXPECT_EQ(SwapLong(0x11223344, 0), 0x11223344);
    EXPECT_EQ(SwapFloat(0x0000803Fu, 1), 1.0f);
    EXPECT_EQ(SwapFloat(0x3F800000u, 0), 1.0f);
}

TEST(ByteOrder, ArraysAreSwappedInPlace) {
    uint16_t shorts[3] = {0x0102, 0x0304, 0xA0B0};
    SwapUShortArray(shorts, 2);
    EXPECT_EQ(shorts[0], 0x0201);
    EXPECT_EQ(shorts[1], 0x0403);
    EXPECT_EQ(shorts[2], 0xA0B0) << "elements past the count are left alone";

    float floats[2] = {SwapFloat(0x0000803Fu, 1), SwapFloat(0x000080BFu, 1)};
    SwapFloatArray(floats, 2);
    EXPECT_EQ(SwapFloat(0x3F800000u, 1), floats[0]);
    SwapFloatArray(floats, 2);
    EXPECT_EQ(floats[0], 1.0f);
    EXPECT_EQ(floats[1], -1.0f);
}
