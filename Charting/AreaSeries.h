#pragma once
// An area drawn as stairs: each point's value holds until the next point's x,
// filled down to the bottom of the vertical axis in the series colour, with no
// outline and no division lines.

#include "Charting/ChartSeries.h"

class TAreaSeries : public TChartSeries {
public:
    using TChartSeries::TChartSeries;

protected:
    void DrawSeries(QPainter& painter) override;
};
