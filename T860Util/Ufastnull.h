#pragma once
// A fast line series that leaves a gap at every null point, so that one series
// can hold several separate strokes (the camera chart's cursor pairs).

#include <cstdint>

#include "Charting/FastLineSeries.h"

class TFastLineNullSeries : public TFastLineSeries {
public:
    using TFastLineSeries::TFastLineSeries;

    // Screen position the pen last went to, and the colours of the point being
    // drawn and of the one drawn before it.
    int32_t LastX = 0;
    int32_t LastY = 0;
    int32_t CurrentColour = 0;
    int32_t PreviousColour = 0;

protected:
    void DrawPoint(int valueIndex) override;
};
