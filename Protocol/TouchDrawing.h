#pragma once
// Drawing of decoded touch packets on the touch test window's canvas. The
// canvas is an interface so that this runs on the read thread against the
// window's locked backing image, and in tests against a recording canvas.

#include <cstdint>

#include "Protocol/TouchPackets.h"

struct CanvasColor {
    uint8_t Red, Green, Blue;
    bool operator==(const CanvasColor&) const = default;
};

constexpr CanvasColor kFirstDownColor{0, 128, 0};    // green
constexpr CanvasColor kOtherDownColor{0, 0, 255};    // blue
constexpr CanvasColor kFirstUpColor{0, 255, 0};      // lime
constexpr CanvasColor kOtherUpColor{166, 202, 240};  // sky blue

// Rectangles are given by their corners; right and bottom are exclusive.
class TouchCanvas {
public:
    virtual ~TouchCanvas() = default;
    virtual void FillEllipse(int left, int top, int right, int bottom, CanvasColor color) = 0;
    // Outline only, the inside left as it is.
    virtual void HollowEllipse(int left, int top, int right, int bottom) = 0;
    virtual void Line(int fromX, int fromY, int toX, int toY) = 0;
    // Text on the window face colour.
    virtual void Text(int x, int y, const char* text) = 0;
};

// What the drawing needs to know of the test window.
struct TouchView {
    int Width = 0;
    int Height = 0;
    bool AreaCircles = false;
    int MonitorLeft = 0;
    int MonitorTop = 0;
    int MonitorWidth = 0;
    int MonitorHeight = 0;
};

// Where the last touches ended, kept for the whole run so that a move line
// continues from the previous position even across openings of the window.
constexpr int kTouchIds = 4;
struct TouchMemory {
    XTouchRecord LastXTouch[2];
    TouchRecord LastTouchById[kTouchIds];
    PacketRate Rate;
    bool operator==(const TouchMemory&) const = default;
};

void DrawXTouch(TouchCanvas& canvas, const TouchView& view, XTouchRecord& record,
                XTouchRecord& last, bool firstTouch);
// Ids outside the table draw nothing and store nothing.
void DrawTouch(TouchCanvas& canvas, const TouchView& view, const TouchRecord& record,
               TouchMemory& memory);
void DrawOffscreenTouch(TouchCanvas& canvas, const TouchView& view,
                        const OffscreenTouchRecord& record, TouchMemory& memory);
void ShowPacketRate(TouchCanvas& canvas, TouchMemory& memory, uint32_t nowMs);

// Whole packets: the touches, their coordinate texts and the packet rate.
// The Y and offscreen forms draw nothing and return false for a count of 0.
void DrawXPacket(TouchCanvas& canvas, const TouchView& view, XPacket packet, TouchMemory& memory,
                 uint32_t nowMs);
bool DrawYPacket(TouchCanvas& canvas, const TouchView& view, YPacket packet, TouchMemory& memory,
                 uint32_t nowMs);
bool DrawOffscreenPacket(TouchCanvas& canvas, const TouchView& view, OffscreenPacket packet,
                         TouchMemory& memory, uint32_t nowMs);

// Where an offscreen touch lands: the window maps onto the monitor rectangle.
TouchRecord MapOffscreenTouch(const TouchView& view, const OffscreenTouchRecord& record);
