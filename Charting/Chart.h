#pragma once
// The chart control: a 2-D plot with a left and a bottom axis and series drawn
// in the order they were added, with no legend.
//
// Mouse: a press first offers itself to the series (topmost first) whose
// point-click handler is set and whose line shows; the first one hit gets the
// click. Then the chart's own OnMouseDown runs. Moves (also without a button
// held) and releases go to OnMouseMove and OnMouseUp. While the pointer is over
// a point of a series that has a cursor, that cursor shows.
//
// Repaint: RequestRepaint may be called from any thread; requests made before
// the window thread gets round to painting fold into one paint.

#include <QBrush>
#include <QColor>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "Charting/ChartAxis.h"
#include "Charting/ChartSeries.h"

class TChart : public QWidget {
    Q_OBJECT
public:
    using MouseButtonHandler = std::function<void(TChart* sender, Qt::MouseButton button,
                                                  Qt::KeyboardModifiers shift, int x, int y)>;
    using MouseMoveHandler =
        std::function<void(TChart* sender, Qt::KeyboardModifiers shift, int x, int y)>;

    explicit TChart(QWidget* parent = nullptr);
    ~TChart() override;

    TChartAxis& LeftAxis() { return leftAxis_; }
    const TChartAxis& LeftAxis() const { return leftAxis_; }
    TChartAxis& BottomAxis() { return bottomAxis_; }
    const TChartAxis& BottomAxis() const { return bottomAxis_; }

    void SetBackColour(const QColor& colour);
    QColor BackColour() const { return backColour_; }
    // Fills the plot area behind the grid; Qt::NoBrush leaves it transparent.
    void SetBackWallBrush(const QBrush& brush);

    // Creates a series on this chart; the chart owns it. Window thread.
    template <class Series>
    Series* AddSeries() {
        auto series = std::make_unique<Series>(*this);
        Series* added = series.get();
        series_.push_back(std::move(series));
        RequestRepaint();
        return added;
    }
    // The same, drawn before the series now at index (behind it and all after).
    template <class Series>
    Series* InsertSeries(int index) {
        auto series = std::make_unique<Series>(*this);
        Series* added = series.get();
        const int at = std::clamp(index, 0, SeriesCount());
        series_.insert(series_.begin() + at, std::move(series));
        RequestRepaint();
        return added;
    }
    int SeriesCount() const { return static_cast<int>(series_.size()); }
    // The index of a series of this chart, or -1.
    int IndexOf(const TChartSeries* series) const;
    TChartSeries* Series(int index) const { return series_.at(index).get(); }

    // Any thread.
    void RequestRepaint();
    bool IsRepaintPending() const { return repaintPending_.load(); }

    // Where the series are drawn, in client pixels (edges included).
    QRect PlotRect() const { return plotRect_; }
    // Paints the whole chart with its current size; the widget paints itself
    // with this, and it also renders into an image.
    void Draw(QPainter& painter);

    MouseButtonHandler OnMouseDown;
    MouseMoveHandler OnMouseMove;
    MouseButtonHandler OnMouseUp;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UpdateLayout();
    void DrawAxes(QPainter& painter);
    void DrawLabels(QPainter& painter, const TChartAxis& axis);
    void UpdateCursorAt(const QPoint& position);

    TChartAxis leftAxis_{TChartAxis::Orientation::Vertical};
    TChartAxis bottomAxis_{TChartAxis::Orientation::Horizontal};
    QColor backColour_;
    QBrush backWall_{Qt::NoBrush};
    QRect plotRect_;
    QSize layoutSize_;
    std::vector<std::unique_ptr<TChartSeries>> series_;
    std::vector<double> labelValues_;
    std::atomic<bool> repaintPending_{false};
};
