#pragma once
// One curve of the camera chart: a fixed row of 514 points at x = 0..513, one
// per pixel, whose values are overwritten in place as camera data arrive, and
// whose points can be picked and dragged vertically with the mouse.
//
// Threads: SetValues runs on the device read thread; the rest on the window
// thread. The number of points never changes after construction, and every
// value goes through the series' lock that painting also holds.

#include <QColor>
#include <QPointer>
#include <cstdint>

#include "Charting/Chart.h"
#include "Charting/FastLineSeries.h"

class TCamLine {
public:
    static constexpr int kPointCount = 514;

    // The series is created on the chart, which owns it.
    TCamLine(int lineWidth, int pixelCount, bool penVisible, const QColor& colour, TChart* chart);
    ~TCamLine();
    TCamLine(const TCamLine&) = delete;
    TCamLine& operator=(const TCamLine&) = delete;

    // Stores values[i] into point first + i. A count of 0 means PixelCount
    // values, which values must then hold. Stops at PixelCount (or the last
    // point), and then returns without repainting; a negative count or first
    // stores nothing.
    void SetValues(int first, const int16_t* values, int count, bool repaint);

    void PointClick(TChartSeries* series, int pointIndex, Qt::MouseButton button,
                    Qt::KeyboardModifiers shift, int x, int y);
    // Moves the selected point to the value under client row y.
    void DragTo(TChart* sender, Qt::KeyboardModifiers shift, int x, int y);
    void EndDrag(TChart* sender);

    // Number of leading points that SetValues may write.
    const int32_t PixelCount;
    TFastLineSeries* const Series;
    int32_t SelectedPoint = -1;

private:
    QPointer<TChart> chart_;
};
