#include "T860Util/Camline.h"

#include <algorithm>
#include <span>

TCamLine::TCamLine(int lineWidth, int pixelCount, bool penVisible, const QColor& colour,
                   TChart* chart)
    : PixelCount(pixelCount), Series(chart->AddSeries<TFastLineSeries>()), chart_(chart) {
    Series->OnClickPointer = [this](TChartSeries* series, int pointIndex, Qt::MouseButton button,
                                    Qt::KeyboardModifiers shift, int x,
                                    int y) { PointClick(series, pointIndex, button, shift, x, y); };
    Series->SetLinePenVisible(penVisible);
    Series->SetLinePenWidth(lineWidth);
    Series->SetCursor(Qt::PointingHandCursor);
    Series->SetColour(colour);
    for (int x = 0; x < kPointCount; ++x) {
        Series->AddXY(x, 0);
    }
}

TCamLine::~TCamLine() {
    // The chart outlives a line only when its owner keeps it; then its clicks
    // must no longer reach this object.
    if (chart_) {
        Series->OnClickPointer = nullptr;
    }
}

void TCamLine::SetValues(int first, const int16_t* values, int count, bool repaint) {
    if (count == 0) {
        count = PixelCount;
    }
    if (count <= 0 || first < 0) {
        return;
    }
    const int limit = std::min(PixelCount, kPointCount);
    const int room = std::max(0, limit - first);
    if (room > 0) {
        Series->SetYValues(first, std::span<const int16_t>(values, std::min(count, room)));
    }
    if (count > room) {
        return;
    }
    if (repaint) {
        Series->ParentChart().RequestRepaint();
    }
}

void TCamLine::PointClick(TChartSeries*, int pointIndex, Qt::MouseButton button,
                          Qt::KeyboardModifiers, int, int) {
    // The right button opens the context menu, which takes the release: a
    // point it selected would follow the mouse with no button held.
    if (pointIndex != -1 && button != Qt::RightButton) {
        SelectedPoint = pointIndex;
    }
}

void TCamLine::DragTo(TChart*, Qt::KeyboardModifiers, int, int y) {
    if (SelectedPoint == -1) {
        return;
    }
    Series->SetYValue(SelectedPoint, Series->VertAxis().CalcPosPoint(y));
    Series->ParentChart().RequestRepaint();
}

void TCamLine::EndDrag(TChart*) {
    SelectedPoint = -1;
}
