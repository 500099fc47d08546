#include "Charting/LineSeries.h"

#include <QFontMetrics>

#include "Charting/ChartAxis.h"

namespace {
constexpr int kMarkPadding = 2;
}  // namespace

void TLineSeries::DrawSeries(QPainter& painter) {
    TFastLineSeries::DrawSeries(painter);
    if (!Marks.Visible) {
        return;
    }
    for (int i = 0; i < CountLocked(); ++i) {
        const TChartPoint& point = PointLocked(i);
        if (HorizAxis().Contains(point.X) && VertAxis().Contains(point.Y)) {
            DrawMark(painter, i);
        }
    }
}

void TLineSeries::DrawMark(QPainter& painter, int index) {
    const TChartPoint& point = PointLocked(index);
    const QPoint anchor(CalcXPos(index), CalcYPos(index));
    const QPoint arrowEnd(anchor.x(), anchor.y() - Marks.ArrowLength);
    if (Marks.ArrowPen.style() != Qt::NoPen) {
        painter.setPen(Marks.ArrowPen);
        painter.drawLine(anchor, arrowEnd);
    }
    const QString text = point.Label.isEmpty() ? QString::number(point.Y) : point.Label;
    const QFontMetrics metrics(painter.font());
    QRect box = metrics.boundingRect(text).adjusted(-kMarkPadding, -kMarkPadding, kMarkPadding,
                                                    kMarkPadding);
    box.moveCenter(QPoint(arrowEnd.x(), 0));
    box.moveBottom(arrowEnd.y());
    if (!Marks.Transparent) {
        painter.fillRect(box, Marks.BackColour);
    }
    if (Marks.FrameVisible) {
        painter.setPen(QPen(Qt::black));
        painter.drawRect(box);
    }
    painter.setPen(Marks.FontColour);
    painter.drawText(box, Qt::AlignCenter, text);
}
