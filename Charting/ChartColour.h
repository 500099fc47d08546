#pragma once
// Point colours of the chart: the bits of a QRgb kept in a signed 32-bit value,
// with one reserved value that marks a null point (a gap in the series).

#include <QColor>
#include <cstdint>

using TColor = int32_t;

// No real colour has these bits: its alpha (0x1F) is never produced by ToTColor
// for the opaque colours the chart draws with.
inline constexpr TColor clNone = 0x1FFFFFFF;

inline TColor ToTColor(const QColor& colour) {
    return static_cast<TColor>(colour.rgba());
}

inline QColor ToQColor(TColor colour) {
    return QColor::fromRgba(static_cast<QRgb>(colour));
}
