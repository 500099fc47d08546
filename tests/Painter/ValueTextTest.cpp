#include "Painter/ValueText.h"

#include <gtest/gtest.h>

TEST(ValueText, FloatsWithSixDigitsThenThreeDecimals) {
    const QLocale c = QLocale::c();
    const std::pair<float, const char*> cases[] = {
        {3.14159f, "3.142"},         {-65.0f, "-65.000"},        {1234.5678f, "1234.570"},
        {1.0005f, "1.001"},          {0.0004f, "0.000"},         {999999.0f, "999999.000"},
        {1234567.0f, "1.23457E+06"}, {999999.7f, "1.00000E+06"}, {-3e20f, "-3.00000E+20"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(FloatValueText(value, c), text) << value;
    }
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(FloatValueText(2395.0f, german), "2395,000") << "no group separator";
    EXPECT_FLOAT_EQ(FloatFromText("3,5", german), 3.5f);
    EXPECT_FLOAT_EQ(FloatFromText("-2.5", c), -2.5f);
    EXPECT_EQ(FloatFromText("abc", c), 0.0f);
}

TEST(ValueText, IntegersDecimalOrHexElseZero) {
    const std::pair<const char*, int32_t> cases[] = {
        {"300", 300}, {"-1", -1}, {"010", 10}, {"0x10", 16},      {"$ff", 255}, {"0xFFFFFFFF", -1},
        {"abc", 0},   {"", 0},    {"1.5", 0},  {"2147483648", 0}, {"0x-5", 0},  {"0x1FFFFFFFF", 0},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(IntegerFromText(text), value) << text;
    }
}
