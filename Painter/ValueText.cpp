#include "Painter/ValueText.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kSignificantDigits = 6;
constexpr int kDecimals = 3;

int64_t PowerOfTen(int exponent) {
    int64_t result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= 10;
    }
    return result;
}

// |value| in thousandths, from its 6 significant decimal digits, rounded half
// away from zero. Working on the decimal digits rather than the binary value
// keeps the two roundings decimal: 1.0005 reads 1.001, as it does on paper.
int64_t Thousandths(const char* mantissa, int exponent) {
    int64_t digits = 0;  // the 6 digits of "d.ddddd" as an integer
    for (const char* p = mantissa; *p != '\0' && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') {
            digits = digits * 10 + (*p - '0');
        }
    }
    // value = digits * 10^(exponent - 5); in thousandths: digits * 10^shift.
    const int shift = exponent - (kSignificantDigits - 1) + kDecimals;
    if (shift >= 0) {
        return digits * PowerOfTen(shift);
    }
    if (shift < -kSignificantDigits) {
        return 0;  // below half a thousandth
    }
    const int64_t divisor = PowerOfTen(-shift);
    return (digits + divisor / 2) / divisor;
}

QString WithLocaleSeparator(const char* text, const QLocale& locale) {
    QString result = QString::fromLatin1(text);
    result.replace(QLatin1Char('.'), locale.decimalPoint());
    return result;
}

}  // namespace

QString FloatValueText(float value, const QLocale& locale) {
    const double number = value;
    if (!std::isfinite(number)) {
        return QString::number(number);
    }
    char text[48];
    std::snprintf(text, sizeof text, "%.*e", kSignificantDigits - 1, std::fabs(number));
    const int exponent = std::atoi(std::strchr(text, 'e') + 1);
    if (exponent >= kSignificantDigits) {
        std::snprintf(text, sizeof text, "%.*E", kSignificantDigits - 1, number);
        return WithLocaleSeparator(text, locale);
    }
    const int64_t thousandths = Thousandths(text, exponent);
    const int64_t scale = PowerOfTen(kDecimals);
    std::snprintf(text, sizeof text, "%s%lld.%03lld", number < 0 && thousandths != 0 ? "-" : "",
                  static_cast<long long>(thousandths / scale),
                  static_cast<long long>(thousandths % scale));
    return WithLocaleSeparator(text, locale);
}

int32_t IntegerFromText(const QString& text) {
    bool ok = false;
    const int decimal = text.toInt(&ok, 10);
    if (ok) {
        return decimal;
    }
    QString digits = text.trimmed();
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative) {
        digits.remove(0, 1);
    }
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        digits.remove(0, 2);
    } else if (digits.startsWith(QLatin1Char('$'))) {
        digits.remove(0, 1);
    } else {
        return 0;
    }
    // toUInt would take a second sign or blanks after the prefix; hex digits only.
    if (digits.isEmpty() || !std::isxdigit(static_cast<unsigned char>(digits.at(0).toLatin1()))) {
        return 0;
    }
    const uint32_t bits = digits.toUInt(&ok, 16);
    if (!ok) {
        return 0;
    }
    return static_cast<int32_t>(negative ? 0u - bits : bits);
}

float FloatFromText(const QString& text, const QLocale& locale) {
    bool ok = false;
    const float value = locale.toFloat(text, &ok);
    return ok ? value : 0.0f;
}
