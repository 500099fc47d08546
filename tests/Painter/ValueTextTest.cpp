#include "Painter/ValueText.h"

#include <gtest/gtest.h>

TEST(FloatValueText, SixSignificantDigitsThenThreeDecimals) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(FloatValueText(3.14159f, c), "3.142");
    EXPECT_EQ(FloatValueText(2395.0f, c), "2395.000");
    EXPECT_EQ(FloatValueText(-65.0f, c), "-65.000");
    EXPECT_EQ(FloatValueText(0.0f, c), "0.000");
    EXPECT_EQ(FloatValueText(1234.5678f, c), "1234.570") << "7th digit dropped first";
    EXPECT_EQ(FloatValueText(1.0005f, c), "1.001") << "rounded in decimal, not in binary";
    EXPECT_EQ(FloatValueText(0.0005f, c), "0.001");
    EXPECT_EQ(FloatValueText(0.0004f, c), "0.000");
    EXPECT_EQ(FloatValueText(-0.0001f, c), "0.000");
    EXPECT_EQ(FloatValueText(1e-30f, c), "0.000");
    EXPECT_EQ(FloatValueText(999999.0f, c), "999999.000");
}

TEST(FloatValueText, ExponentBeyondSixDigitsAndTheLocaleSeparator) {
    const QLocale c = QLocale::c();
    EXPECT_EQ(FloatValueText(1234567.0f, c), "1.23457E+06");
    EXPECT_EQ(FloatValueText(999999.7f, c), "1.00000E+06") << "rounding can add a digit";
    EXPECT_EQ(FloatValueText(-3e20f, c), "-3.00000E+20");
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(FloatValueText(2395.0f, german), "2395,000") << "no group separator";
    EXPECT_EQ(FloatValueText(3.14159f, german), "3,142");
}

TEST(IntegerFromText, DecimalHexAndInvalidText) {
    EXPECT_EQ(IntegerFromText("300"), 300);
    EXPECT_EQ(IntegerFromText("-1"), -1);
    EXPECT_EQ(IntegerFromText("+12"), 12);
    EXPECT_EQ(IntegerFromText("010"), 10) << "a leading zero is not octal";
    EXPECT_EQ(IntegerFromText("0x10"), 16);
    EXPECT_EQ(IntegerFromText("$ff"), 255);
    EXPECT_EQ(IntegerFromText("-0x10"), -16);
    EXPECT_EQ(IntegerFromText("0xFFFFFFFF"), -1);
    EXPECT_EQ(IntegerFromText("2147483647"), 2147483647);
    for (const char* invalid :
         {"abc", "", "12abc", "1.5", "2147483648", "0x", "0x-5", "0x1FFFFFFFF"}) {
        EXPECT_EQ(IntegerFromText(invalid), 0) << invalid;
    }
}

TEST(FloatFromText, UsesTheLocaleSeparator) {
    EXPECT_FLOAT_EQ(FloatFromText("3.14159", QLocale::c()), 3.14159f);
    EXPECT_FLOAT_EQ(FloatFromText("-2.5", QLocale::c()), -2.5f);
    EXPECT_EQ(FloatFromText("abc", QLocale::c()), 0.0f);
    EXPECT_EQ(FloatFromText("", QLocale::c()), 0.0f);
    EXPECT_FLOAT_EQ(FloatFromText("3,5", QLocale(QLocale::German, QLocale::Germany)), 3.5f);
}
