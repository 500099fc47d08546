#pragma once
// The camera chart: a chart on a host panel with eight camera curves (lines
// 0..3 the profiles of cameras 1..4, lines 4..7 their trigger profiles), a
// shaded band and a pair of vertical cursors per curve and a marker series,
// all parked out of sight. Points of curves 0..LastInteractiveLine can be
// dragged vertically with the mouse.

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "Charting/AreaSeries.h"
#include "Charting/Chart.h"
#include "Charting/LineSeries.h"
#include "T860Util/Camline.h"
#include "T860Util/Ufastnull.h"

class TCamChart {
public:
    static constexpr int kLineCount = 8;
    static constexpr int kMaxPixelCount = 1023;

    using ChartClickHandler =
        std::function<void(TChart* sender, Qt::KeyboardModifiers shift, int x, int y)>;

    TCamChart() = default;
    ~TCamChart();
    TCamChart(const TCamChart&) = delete;
    TCamChart& operator=(const TCamChart&) = delete;

    // Creates the chart on panel and every series on it. Runs once; later
    // calls change nothing. lastInteractiveLine is kept within -1 (no curve
    // follows the mouse) and the last line.
    void Build(QWidget* panel, bool linesVisible, int lastInteractiveLine, int requestedPixelCount);

    // Move the first, respectively second, point of a band, which must hold
    // exactly two points; the chart repaints either way.
    void SetBandStart(int index, float x, float y);
    void SetBandEnd(int index, float x, float y);
    void ResetMarker();

    void ChartMouseDown(TChart* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                        int y);
    void ChartMouseMove(TChart* sender, Qt::KeyboardModifiers shift, int x, int y);
    void ChartMouseUp(TChart* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift, int x,
                      int y);

    QWidget* Panel = nullptr;
    // Owned by Panel, like every series on it.
    QPointer<TChart> ChartControl;
    std::array<std::unique_ptr<TCamLine>, kLineCount> Lines;
    std::array<std::array<TFastLineNullSeries*, 2>, kLineCount> CursorPairs{};
    std::array<TAreaSeries*, kLineCount> Bands{};
    TLineSeries* Marker = nullptr;
    // -1 until Build: no curve follows the mouse.
    int8_t LastInteractiveLine = -1;
    int32_t PixelCount = 0;
    ChartClickHandler OnShiftClick;
    ChartClickHandler OnChartMouseDown;

private:
    void SetupAppearance();
    void CreateBands();
    void CreateCursorPairs();
    void CreateMarker();
    void MoveBandPoint(int index, int pointIndex, float x, float y);
};
