#pragma once
// Text of the values the editable tree shows and the conversion of what the
// user types back into values.

#include <QLocale>
#include <QString>
#include <cstdint>

// Fixed-point with 3 decimals after the value has been rounded to 6
// significant digits; exponent notation once it needs more than 6 digits
// before the separator. The separator is the locale's.
QString FloatValueText(float value, const QLocale& locale = QLocale());

// A 32-bit integer from decimal text with an optional sign, or from
// hexadecimal text with a "0x" or "$" prefix; 0 when the text is neither.
int32_t IntegerFromText(const QString& text);

// A float written with the locale's decimal separator; 0 when the text is not
// a number.
float FloatFromText(const QString& text, const QLocale& locale = QLocale());
