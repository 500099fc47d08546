#pragma once
// The base of every series: its points, its pen, its click event and cursor.
//
// Threads: the points are guarded by the series' own lock, which painting and
// hit testing hold while they walk the points. Adding and removing points
// belongs to the window thread; any thread may overwrite the values of points
// that exist (SetYValue, SetYValues), and then ask the chart to repaint.

#include <QPainter>
#include <QString>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "Charting/ChartColour.h"

class TChart;
class TChartAxis;
class TChartSeries;

struct TChartPoint {
    double X = 0;
    double Y = 0;
    TColor Colour = clNone;
    QString Label;
};

// Whether points are kept sorted by x (inserted at their place) or in the
// order they were added.
enum class TValueOrder { Ascending, None };

using TPointClickHandler =
    std::function<void(TChartSeries* series, int pointIndex, Qt::MouseButton button,
                       Qt::KeyboardModifiers shift, int x, int y)>;

class TChartSeries {
public:
    explicit TChartSeries(TChart& chart);
    virtual ~TChartSeries() = default;
    TChartSeries(const TChartSeries&) = delete;
    TChartSeries& operator=(const TChartSeries&) = delete;

    TChart& ParentChart() const { return chart_; }
    const TChartAxis& HorizAxis() const;
    const TChartAxis& VertAxis() const;

    // The series colour, also given to points added without one.
    void SetColour(const QColor& colour) { colour_ = colour; }
    QColor Colour() const { return colour_; }

    void SetXValuesOrder(TValueOrder order) { order_ = order; }

    // Both return the index the point got.
    int AddXY(double x, double y, const QString& label = {});
    int AddXY(double x, double y, const QString& label, TColor colour);
    // A null point: it breaks the line of the series that honour nulls.
    int AddNullXY(double x, double y, const QString& label = {});
    void Clear();

    int Count() const;
    // Out-of-range indexes read as 0, clNone and empty.
    double XValue(int index) const;
    double YValue(int index) const;
    TColor ValueColour(int index) const;
    QString Label(int index) const;

    // False (and nothing changed) for an index outside the points.
    bool SetXY(int index, double x, double y);
    bool SetYValue(int index, double y);
    // Overwrites the values of the points from first on; values past the last
    // point are dropped. Returns how many were written.
    int SetYValues(int first, std::span<const int16_t> values);

    void SetLinePenVisible(bool visible);
    bool LinePenVisible() const { return linePenVisible_; }
    void SetLinePenWidth(int width);
    int LinePenWidth() const { return linePenWidth_; }

    // The mouse cursor shown while the pointer is over a point of the series.
    void SetCursor(Qt::CursorShape shape) { cursor_ = shape; }
    std::optional<Qt::CursorShape> Cursor() const { return cursor_; }

    // Called by the chart when a mouse press hits a point of this series.
    TPointClickHandler OnClickPointer;

    // Window thread.
    void Paint(QPainter& painter);
    // The visible point nearest to a client position, within a few pixels;
    // -1 when none.
    int ClickedPoint(int x, int y) const;

protected:
    virtual void DrawSeries(QPainter& painter) = 0;

    // For DrawSeries only: the lock is held while it runs.
    int CountLocked() const { return static_cast<int>(points_.size()); }
    const TChartPoint& PointLocked(int index) const { return points_[index]; }
    int CalcXPos(int index) const;
    int CalcYPos(int index) const;
    // First and last point that painting visits (first > last when none). In
    // x order the range reaches the first point at or past the right end, so
    // that the line leaves the plot at its edge.
    std::pair<int, int> VisibleRangeLocked() const;

private:
    TChart& chart_;
    QColor colour_{Qt::red};
    TValueOrder order_ = TValueOrder::Ascending;
    bool linePenVisible_ = true;
    int linePenWidth_ = 1;
    std::optional<Qt::CursorShape> cursor_;
    mutable std::mutex lock_;
    std::vector<TChartPoint> points_;
};
