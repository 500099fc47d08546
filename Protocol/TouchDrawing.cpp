#include "Protocol/TouchDrawing.h"

#include <cstdio>

#include "Protocol/TextBuilder.h"

namespace {

constexpr int kTouchRadius = 8;

void TouchCircle(TouchCanvas& canvas, int x, int y, CanvasColor color) {
    canvas.FillEllipse(x - kTouchRadius, y - kTouchRadius, x + kTouchRadius, y + kTouchRadius,
                       color);
}

// The same circle from float coordinates: each corner truncated after the
// radius was added or subtracted.
void TouchCircle(TouchCanvas& canvas, float x, float y, CanvasColor color) {
    canvas.FillEllipse(TruncateToInt(x - kTouchRadius), TruncateToInt(y - kTouchRadius),
                       TruncateToInt(x + kTouchRadius), TruncateToInt(y + kTouchRadius), color);
}

// "X: %f, Y: %f", with a point whatever the desktop's locale.
void CoordinateText(TouchCanvas& canvas, int line, float x, float y) {
    char text[160];
    TextBuilder builder(text, sizeof text);
    builder.Text("X: ");
    builder.Fixed(x, 6);
    builder.Text(", Y: ");
    builder.Fixed(y, 6);
    builder.Finish();
    canvas.Text(10, line == 0 ? 10 : 30, text);
}

void CoordinateText(TouchCanvas& canvas, int line, int x, int y) {
    char text[48];
    std::snprintf(text, sizeof text, "X: %d, Y: %d", x, y);
    canvas.Text(10, line == 0 ? 10 : 30, text);
}

}  // namespace

void DrawXTouch(TouchCanvas& canvas, const TouchView& view, XTouchRecord& record,
                XTouchRecord& last, bool firstTouch) {
    record.X = static_cast<float>(view.Width) * record.X / 32767.0f;
    record.Y = static_cast<float>(view.Height) * record.Y / 32767.0f;
    switch (record.State) {
        case 1:
            TouchCircle(canvas, record.X, record.Y, firstTouch ? kFirstDownColor : kOtherDownColor);
            break;
        case 2:
            canvas.Line(TruncateToInt(last.X), TruncateToInt(last.Y), TruncateToInt(record.X),
                        TruncateToInt(record.Y));
            break;
        case 3:
            TouchCircle(canvas, record.X, record.Y, firstTouch ? kFirstUpColor : kOtherUpColor);
            break;
        default:
            break;
    }
    last = record;
}

void DrawTouch(TouchCanvas& canvas, const TouchView& view, const TouchRecord& record,
               TouchMemory& memory) {
    if (record.Id >= kTouchIds) {
        return;
    }
    TouchRecord& last = memory.LastTouchById[record.Id];
    const bool firstId = record.Id == 0;
    switch (record.State) {
        case 1:
            TouchCircle(canvas, int{record.X}, int{record.Y},
                        firstId ? kFirstDownColor : kOtherDownColor);
            last = record;
            break;
        case 2:
            canvas.Line(last.X, last.Y, record.X, record.Y);
            if (view.AreaCircles && record.Width > 0 && record.Height > 0) {
                canvas.HollowEllipse(record.X - record.Width / 2, record.Y - record.Height / 2,
                                     record.X + record.Width / 2, record.Y + record.Height / 2);
            }
            last = record;
            break;
        case 3:
            TouchCircle(canvas, int{record.X}, int{record.Y},
                        firstId ? kFirstUpColor : kOtherUpColor);
            break;
        default:
            break;
    }
}

TouchRecord MapOffscreenTouch(const TouchView& view, const OffscreenTouchRecord& record) {
    TouchRecord mapped;
    mapped.State = record.State;
    mapped.Id = record.Id;
    const double x =
        record.X / static_cast<double>(view.Width) * view.MonitorWidth + view.MonitorLeft;
    const double y =
        record.Y / static_cast<double>(view.Height) * view.MonitorHeight + view.MonitorTop;
    mapped.X = TruncateToUInt16(x);
    mapped.Y = TruncateToUInt16(y);
    mapped.Width = record.Width;
    mapped.Height = record.Height;
    return mapped;
}

void DrawOffscreenTouch(TouchCanvas& canvas, const TouchView& view,
                        const OffscreenTouchRecord& record, TouchMemory& memory) {
    DrawTouch(canvas, view, MapOffscreenTouch(view, record), memory);
}

void ShowPacketRate(TouchCanvas& canvas, TouchMemory& memory, uint32_t nowMs) {
    char text[32];
    std::snprintf(text, sizeof text, "XPS: %03d", memory.Rate.Add(nowMs));
    canvas.Text(10, 100, text);
}

void DrawXPacket(TouchCanvas& canvas, const TouchView& view, XPacket packet, TouchMemory& memory,
                 uint32_t nowMs) {
    if (packet.WellFormed()) {
        const int touches = packet.Length == kXLengthTwoTouches ? 2 : 1;
        for (int i = 0; i < touches; ++i) {
            DrawXTouch(canvas, view, packet.Touch[i], memory.LastXTouch[i], i == 0);
        }
        for (int i = 0; i < touches; ++i) {
            CoordinateText(canvas, i, packet.Touch[i].X, packet.Touch[i].Y);
        }
    } else {
        canvas.Text(100, 100, "X Multitouch Packet Length Error");
    }
    ShowPacketRate(canvas, memory, nowMs);
}

bool DrawYPacket(TouchCanvas& canvas, const TouchView& view, YPacket packet, TouchMemory& memory,
                 uint32_t nowMs) {
    const int count = packet.RecordCount();
    if (count == 0) {
        return false;
    }
    const double scaleX = view.Width * (1.0 / 32767);
    const double scaleY = view.Height * (1.0 / 32767);
    for (int i = 0; i < count; ++i) {
        TouchRecord& touch = packet.Touch[i];
        touch.X = TruncateToUInt16(touch.X * scaleX);
        touch.Y = TruncateToUInt16(touch.Y * scaleY);
        DrawTouch(canvas, view, touch, memory);
    }
    for (int i = 0; i < count; ++i) {
        CoordinateText(canvas, i, packet.Touch[i].X, packet.Touch[i].Y);
    }
    ShowPacketRate(canvas, memory, nowMs);
    return true;
}

bool DrawOffscreenPacket(TouchCanvas& canvas, const TouchView& view, OffscreenPacket packet,
                         TouchMemory& memory, uint32_t nowMs) {
    const int count = packet.RecordCount();
    if (count == 0) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        OffscreenTouchRecord& touch = packet.Touch[i];
        touch.X *= static_cast<float>(view.Width);
        touch.Y *= static_cast<float>(view.Height);
        DrawOffscreenTouch(canvas, view, touch, memory);
    }
    for (int i = 0; i < count; ++i) {
        CoordinateText(canvas, i, TruncateToInt(packet.Touch[i].X),
                       TruncateToInt(packet.Touch[i].Y));
    }
    ShowPacketRate(canvas, memory, nowMs);
    return true;
}
