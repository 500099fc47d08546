#include "Charting/AreaSeries.h"

#include <algorithm>

#include "Charting/ChartAxis.h"

void TAreaSeries::DrawSeries(QPainter& painter) {
    const int bottom = VertAxis().CalcPosValue(VertAxis().Minimum());
    for (int i = 0; i + 1 < CountLocked(); ++i) {
        const int left = std::min(CalcXPos(i), CalcXPos(i + 1));
        const int right = std::max(CalcXPos(i), CalcXPos(i + 1));
        const int top = CalcYPos(i);
        if (right > left && top < bottom) {
            painter.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom)), Colour());
        }
    }
}
