#pragma once
// The touch test window's backing image as a touch canvas. It keeps one
// painter open on the image and prepares its brushes and the glyphs of the
// texts once, so that drawing a touch packet allocates nothing. The glyphs are
// rendered into small images on the window thread: the toolkit's font engines
// belong to the thread that made them, and the drawing runs on a read thread.

#include <QBrush>
#include <QImage>
#include <QPainter>
#include <array>
#include <utility>

#include "Protocol/TouchDrawing.h"

class TouchImageCanvas final : public TouchCanvas {
public:
    TouchImageCanvas(const QColor& face, const QFont& font);
    ~TouchImageCanvas() override;

    // Starts drawing on a new image of the given size, filled with the face colour.
    void Reset(const QSize& size);
    void Clear();
    bool IsNull() const { return image_.isNull(); }
    // The image itself, for copying to the screen. The caller holds the
    // window's canvas lock, as for every drawing call.
    const QImage& Image() const { return image_; }

    void FillEllipse(int left, int top, int right, int bottom, CanvasColor color) override;
    void HollowEllipse(int left, int top, int right, int bottom) override;
    void Line(int fromX, int fromY, int toX, int toY) override;
    void Text(int x, int y, const char* text) override;

private:
    static constexpr char kFirstGlyph = ' ';
    static constexpr char kLastGlyph = '~';
    static constexpr int kGlyphCount = kLastGlyph - kFirstGlyph + 1;

    const QBrush& BrushOf(CanvasColor color);

    QImage image_;
    QPainter painter_;
    QBrush face_;
    std::array<std::pair<CanvasColor, QBrush>, 4> brushes_;
    std::array<QImage, kGlyphCount> glyphs_;
    int lineHeight_ = 0;
};
