#include "Charting/ChartSeries.h"

#include <algorithm>
#include <cstdlib>

#include "Charting/Chart.h"

namespace {
// How far from a point's pixel a mouse press still hits it.
constexpr int kHitTolerance = 3;
}  // namespace

TChartSeries::TChartSeries(TChart& chart) : chart_(chart) {}

const TChartAxis& TChartSeries::HorizAxis() const {
    return chart_.BottomAxis();
}

const TChartAxis& TChartSeries::VertAxis() const {
    return chart_.LeftAxis();
}

int TChartSeries::AddXY(double x, double y, const QString& label) {
    return AddXY(x, y, label, ToTColor(colour_));
}

int TChartSeries::AddXY(double x, double y, const QString& label, TColor colour) {
    std::lock_guard<std::mutex> guard(lock_);
    auto place = points_.end();
    if (order_ == TValueOrder::Ascending) {
        place = std::upper_bound(
            points_.begin(), points_.end(), x,
            [](double value, const TChartPoint& point) { return value < point.X; });
    }
    place = points_.insert(place, TChartPoint{x, y, colour, label});
    return static_cast<int>(place - points_.begin());
}

int TChartSeries::AddNullXY(double x, double y, const QString& label) {
    return AddXY(x, y, label, clNone);
}

void TChartSeries::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    points_.clear();
}

int TChartSeries::Count() const {
    std::lock_guard<std::mutex> guard(lock_);
    return CountLocked();
}

double TChartSeries::XValue(int index) const {
    std::lock_guard<std::mutex> guard(lock_);
    return index >= 0 && index < CountLocked() ? points_[index].X : 0;
}

double TChartSeries::YValue(int index) const {
    std::lock_guard<std::mutex> guard(lock_);
    return index >= 0 && index < CountLocked() ? points_[index].Y : 0;
}

TColor TChartSeries::ValueColour(int index) const {
    std::lock_guard<std::mutex> guard(lock_);
    return index >= 0 && index < CountLocked() ? points_[index].Colour : clNone;
}

QString TChartSeries::Label(int index) const {
    std::lock_guard<std::mutex> guard(lock_);
    return index >= 0 && index < CountLocked() ? points_[index].Label : QString();
}

bool TChartSeries::SetXY(int index, double x, double y) {
    std::lock_guard<std::mutex> guard(lock_);
    if (index < 0 || index >= CountLocked()) {
        return false;
    }
    points_[index].X = x;
    points_[index].Y = y;
    return true;
}

bool TChartSeries::SetYValue(int index, double y) {
    std::lock_guard<std::mutex> guard(lock_);
    if (index < 0 || index >= CountLocked()) {
        return false;
    }
    points_[index].Y = y;
    return true;
}

int TChartSeries::SetYValues(int first, std::span<const int16_t> values) {
    std::lock_guard<std::mutex> guard(lock_);
    if (first < 0 || first >= CountLocked()) {
        return 0;
    }
    const int written = std::min(static_cast<int>(values.size()), CountLocked() - first);
    for (int i = 0; i < written; ++i) {
        points_[first + i].Y = values[i];
    }
    return written;
}

void TChartSeries::SetLinePenVisible(bool visible) {
    linePenVisible_ = visible;
    chart_.RequestRepaint();
}

void TChartSeries::SetLinePenWidth(int width) {
    linePenWidth_ = width;
    chart_.RequestRepaint();
}

void TChartSeries::Paint(QPainter& painter) {
    std::lock_guard<std::mutex> guard(lock_);
    DrawSeries(painter);
}

int TChartSeries::CalcXPos(int index) const {
    return HorizAxis().CalcPosValue(points_[index].X);
}

int TChartSeries::CalcYPos(int index) const {
    return VertAxis().CalcPosValue(points_[index].Y);
}

std::pair<int, int> TChartSeries::VisibleRangeLocked() const {
    const int count = CountLocked();
    if (order_ == TValueOrder::None || count == 0) {
        return {0, count - 1};
    }
    const auto byX = [](const TChartPoint& point, double value) { return point.X < value; };
    const auto first = std::lower_bound(points_.begin(), points_.end(), HorizAxis().Minimum(), byX);
    const auto last = std::lower_bound(first, points_.end(), HorizAxis().Maximum(), byX);
    return {static_cast<int>(first - points_.begin()),
            std::min(static_cast<int>(last - points_.begin()), count - 1)};
}

int TChartSeries::ClickedPoint(int x, int y) const {
    std::lock_guard<std::mutex> guard(lock_);
    const QRect plot = chart_.PlotRect();
    const auto [first, last] = VisibleRangeLocked();
    int nearest = -1;
    int nearestDistance = 0;
    for (int i = first; i <= last; ++i) {
        if (points_[i].Colour == clNone) {
            continue;
        }
        const QPoint pixel(CalcXPos(i), CalcYPos(i));
        const int dx = std::abs(pixel.x() - x);
        const int dy = std::abs(pixel.y() - y);
        if (dx > kHitTolerance || dy > kHitTolerance || !plot.contains(pixel)) {
            continue;
        }
        if (nearest < 0 || dx + dy < nearestDistance) {
            nearest = i;
            nearestDistance = dx + dy;
        }
    }
    return nearest;
}
