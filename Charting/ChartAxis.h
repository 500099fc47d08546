#pragma once
// One axis of the chart: its fixed value range, its look, and the conversion
// between values and pixels of the chart's client area.
//
// The range is always the one set here: the chart never scales an axis to its
// data, so the scope's picture does not jump as values arrive.

#include <QColor>
#include <vector>

class TChartAxis {
public:
    enum class Orientation { Horizontal, Vertical };

    explicit TChartAxis(Orientation orientation) : orientation_(orientation) {}

    Orientation GetOrientation() const { return orientation_; }

    void SetMinMax(double minimum, double maximum);
    double Minimum() const { return minimum_; }
    double Maximum() const { return maximum_; }

    void SetGridColour(const QColor& colour) { gridColour_ = colour; }
    QColor GridColour() const { return gridColour_; }
    void SetLabelColour(const QColor& colour) { labelColour_ = colour; }
    QColor LabelColour() const { return labelColour_; }
    void SetAxisLineColour(const QColor& colour) { axisLineColour_ = colour; }
    QColor AxisLineColour() const { return axisLineColour_; }

    // Client pixel of a value. Values far outside the range give pixels far
    // outside the plot, limited so that they always fit an int.
    int CalcPosValue(double value) const;
    // Value under a client pixel, not rounded.
    double CalcPosPoint(int pixel) const;
    bool Contains(double value) const { return value >= minimum_ && value <= maximum_; }

    // Where the minimum and the maximum lie (for the vertical axis the minimum
    // is at the bottom); set by the chart's layout.
    void SetPixelRange(int minimumPixel, int maximumPixel);

    // Values at which labels and grid lines go, at least minimumSpacing pixels
    // apart, on round steps (1, 2 or 5 times a power of ten). Fills values.
    void LabelValues(int minimumSpacing, std::vector<double>& values) const;

private:
    Orientation orientation_;
    double minimum_ = 0;
    double maximum_ = 100;
    int minimumPixel_ = 0;
    int maximumPixel_ = 0;
    QColor gridColour_{150, 150, 150};
    QColor labelColour_{Qt::black};
    QColor axisLineColour_{Qt::black};
};
