#pragma once
// A line series that can label its points with marks: a text box over each
// point inside both axes, joined to it by an arrow line. The series draws no
// point symbols.

#include <QColor>
#include <QPen>

#include "Charting/FastLineSeries.h"

struct TSeriesMarks {
    bool Visible = false;
    // An opaque mark fills its box with BackColour.
    bool Transparent = false;
    QColor FontColour{Qt::black};
    QColor BackColour{Qt::white};
    bool FrameVisible = true;
    QPen ArrowPen{Qt::black};
    int ArrowLength = 8;
};

class TLineSeries : public TFastLineSeries {
public:
    using TFastLineSeries::TFastLineSeries;

    TSeriesMarks Marks;

protected:
    void DrawSeries(QPainter& painter) override;

private:
    void DrawMark(QPainter& painter, int index);
};
