#include "T860Util/TouchImageCanvas.h"

#include <QFontMetrics>
#include <algorithm>

namespace {

// A touch the controller reports far off the window is drawn where it is, and
// clipped. Its coordinates are first brought into a range in which a width,
// a height or a line's run cannot overflow.
constexpr int kFarOffCanvas = 1 << 20;

int OnCanvasScale(int coordinate) {
    return std::clamp(coordinate, -kFarOffCanvas, kFarOffCanvas);
}

QRect CornersToRect(int left, int top, int right, int bottom) {
    left = OnCanvasScale(left);
    top = OnCanvasScale(top);
    return QRect(left, top, OnCanvasScale(right) - left, OnCanvasScale(bottom) - top);
}

QBrush SolidBrush(CanvasColor color) {
    return QBrush(QColor(color.Red, color.Green, color.Blue));
}

}  // namespace

TouchImageCanvas::TouchImageCanvas(const QColor& face, const QFont& font)
    : face_(face),
      brushes_{{{kFirstDownColor, SolidBrush(kFirstDownColor)},
                {kOtherDownColor, SolidBrush(kOtherDownColor)},
                {kFirstUpColor, SolidBrush(kFirstUpColor)},
                {kOtherUpColor, SolidBrush(kOtherUpColor)}}} {
    const QFontMetrics metrics(font);
    lineHeight_ = metrics.height();
    for (int i = 0; i < kGlyphCount; ++i) {
        const QChar glyph(kFirstGlyph + i);
        QImage& image = glyphs_[i];
        image = QImage(std::max(1, metrics.horizontalAdvance(glyph)), lineHeight_,
                       QImage::Format_RGB32);
        image.fill(face);
        QPainter glyphPainter(&image);
        glyphPainter.setFont(font);
        glyphPainter.setPen(Qt::black);
        glyphPainter.drawText(0, metrics.ascent(), QString(glyph));
    }
}

TouchImageCanvas::~TouchImageCanvas() {
    if (painter_.isActive()) {
        painter_.end();
    }
}

void TouchImageCanvas::Reset(const QSize& size) {
    if (painter_.isActive()) {
        painter_.end();
    }
    image_ = QImage(size, QImage::Format_RGB32);
    if (image_.isNull()) {
        return;
    }
    painter_.begin(&image_);
    Clear();
}

void TouchImageCanvas::Clear() {
    if (painter_.isActive()) {
        painter_.fillRect(image_.rect(), face_);
    }
}

const QBrush& TouchImageCanvas::BrushOf(CanvasColor color) {
    for (const auto& [known, brush] : brushes_) {
        if (known == color) {
            return brush;
        }
    }
    // Every colour the drawing uses is prepared; another one is only possible
    // from a new drawing routine, and then it is added in place of the last.
    brushes_.back() = {color, SolidBrush(color)};
    return brushes_.back().second;
}

void TouchImageCanvas::FillEllipse(int left, int top, int right, int bottom, CanvasColor color) {
    painter_.setBrush(BrushOf(color));
    painter_.drawEllipse(CornersToRect(left, top, right, bottom));
}

void TouchImageCanvas::HollowEllipse(int left, int top, int right, int bottom) {
    painter_.setBrush(Qt::NoBrush);
    painter_.drawEllipse(CornersToRect(left, top, right, bottom));
}

void TouchImageCanvas::Line(int fromX, int fromY, int toX, int toY) {
    painter_.drawLine(OnCanvasScale(fromX), OnCanvasScale(fromY), OnCanvasScale(toX),
                      OnCanvasScale(toY));
}

void TouchImageCanvas::Text(int x, int y, const char* text) {
    // Glyph by glyph from the prepared images, each on the face colour:
    // laying the text out anew for every packet would allocate.
    x = OnCanvasScale(x);
    y = OnCanvasScale(y);
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c >= kFirstGlyph && *c <= kLastGlyph) {
            const QImage& glyph = glyphs_[*c - kFirstGlyph];
            painter_.drawImage(x, y, glyph);
            x += glyph.width();
        }
    }
    painter_.fillRect(QRect(x, y, 2, lineHeight_), face_);
}
