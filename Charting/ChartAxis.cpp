#include "Charting/ChartAxis.h"

#include <algorithm>
#include <cmath>

namespace {
// Far beyond any screen, yet safe to convert to int and to draw with.
constexpr double kPixelLimit = 1 << 24;
// A label list never grows past this, whatever the range and spacing.
constexpr int kMaximumLabels = 1000;
}  // namespace

void TChartAxis::SetMinMax(double minimum, double maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
}

void TChartAxis::SetPixelRange(int minimumPixel, int maximumPixel) {
    minimumPixel_ = minimumPixel;
    maximumPixel_ = maximumPixel;
}

int TChartAxis::CalcPosValue(double value) const {
    const double range = maximum_ - minimum_;
    if (range == 0 || !std::isfinite(value)) {
        return minimumPixel_;
    }
    const double pixel =
        minimumPixel_ + (value - minimum_) * (maximumPixel_ - minimumPixel_) / range;
    return static_cast<int>(std::lround(std::clamp(pixel, -kPixelLimit, kPixelLimit)));
}

double TChartAxis::CalcPosPoint(int pixel) const {
    const int span = maximumPixel_ - minimumPixel_;
    if (span == 0) {
        return minimum_;
    }
    return minimum_ + static_cast<double>(pixel - minimumPixel_) * (maximum_ - minimum_) / span;
}

void TChartAxis::LabelValues(int minimumSpacing, std::vector<double>& values) const {
    values.clear();
    const double range = maximum_ - minimum_;
    const int pixels = std::abs(maximumPixel_ - minimumPixel_);
    if (!(range > 0) || !std::isfinite(range) || pixels <= 0) {
        values.push_back(minimum_);
        return;
    }
    const int labelRoom = std::max(1, pixels / std::max(1, minimumSpacing));
    const double rawStep = range / labelRoom;
    const double magnitude = std::pow(10.0, std::floor(std::log10(rawStep)));
    double step = 10 * magnitude;
    for (double multiple : {1.0, 2.0, 5.0}) {
        if (multiple * magnitude >= rawStep) {
            step = multiple * magnitude;
            break;
        }
    }
    const double first = std::ceil(minimum_ / step);
    for (int i = 0; i < kMaximumLabels; ++i) {
        const double value = (first + i) * step;
        if (value > maximum_ + step * 1e-9) {
            break;
        }
        values.push_back(value);
    }
}
