#include "Charting/FastLineSeries.h"

#include <QPen>

TFastLineSeries::TFastLineSeries(TChart& chart) : TChartSeries(chart) {
    SetXValuesOrder(TValueOrder::Ascending);
}

void TFastLineSeries::DrawSeries(QPainter& painter) {
    if (!LinePenVisible()) {
        return;
    }
    const auto [first, last] = VisibleRangeLocked();
    if (first > last) {
        return;
    }
    QPen pen(Colour());
    pen.setWidth(LinePenWidth());
    painter.setPen(pen);
    painter_ = &painter;
    firstVisible_ = first;
    stroke_.clear();
    for (int i = first; i <= last; ++i) {
        DrawPoint(i);
    }
    FlushStroke();
    painter_ = nullptr;
}

void TFastLineSeries::DrawPoint(int valueIndex) {
    const int x = CalcXPos(valueIndex);
    const int y = CalcYPos(valueIndex);
    if (valueIndex == firstVisible_) {
        MoveTo(x, y);
    } else {
        LineTo(x, y);
    }
}

void TFastLineSeries::MoveTo(int x, int y) {
    const QPoint target(x, y);
    // A move to where the pen already is keeps the polyline going.
    if (!stroke_.empty() && stroke_.back() == target) {
        return;
    }
    FlushStroke();
    stroke_.push_back(target);
    penPosition_ = target;
}

void TFastLineSeries::LineTo(int x, int y) {
    if (stroke_.empty()) {
        stroke_.push_back(penPosition_);
    }
    penPosition_ = QPoint(x, y);
    stroke_.push_back(penPosition_);
}

void TFastLineSeries::FlushStroke() {
    if (stroke_.size() >= 2 && painter_ != nullptr) {
        painter_->drawPolyline(stroke_.data(), static_cast<int>(stroke_.size()));
    }
    stroke_.clear();
}
