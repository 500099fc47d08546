#pragma once
// A line through the points in their order, drawn point by point: painting
// calls DrawPoint for each visible point in ascending order, and DrawPoint
// draws with the pen primitives MoveTo and LineTo. Derived series change how a
// line is drawn by overriding DrawPoint.
//
// The primitives collect connected segments into one polyline and draw it when
// the pen lifts, so a line of hundreds of points costs one draw call, and the
// buffer is reused from paint to paint.

#include <QPoint>
#include <vector>

#include "Charting/ChartSeries.h"

class TFastLineSeries : public TChartSeries {
public:
    explicit TFastLineSeries(TChart& chart);

protected:
    void DrawSeries(QPainter& painter) override;

    // Draws the stroke into point valueIndex; only called while painting.
    virtual void DrawPoint(int valueIndex);
    virtual void MoveTo(int x, int y);
    virtual void LineTo(int x, int y);

    // The first point of the paint in progress.
    int FirstVisibleIndex() const { return firstVisible_; }

private:
    void FlushStroke();

    QPainter* painter_ = nullptr;
    std::vector<QPoint> stroke_;
    QPoint penPosition_;
    int firstVisible_ = 0;
};
