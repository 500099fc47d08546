#include "Charting/Chart.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace {
constexpr int kTickLength = 4;
constexpr int kGap = 3;
// Labels of the left axis are at most this wide.
constexpr char kWidestLabel[] = "-00000";
}  // namespace

TChart::TChart(QWidget* parent) : QWidget(parent), backColour_(palette().color(QPalette::Window)) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    leftAxis_.SetMinMax(0, 100);
    bottomAxis_.SetMinMax(0, 100);
    UpdateLayout();
}

TChart::~TChart() = default;

int TChart::IndexOf(const TChartSeries* series) const {
    for (int i = 0; i < SeriesCount(); ++i) {
        if (series_[static_cast<size_t>(i)].get() == series) {
            return i;
        }
    }
    return -1;
}

void TChart::SetBackColour(const QColor& colour) {
    backColour_ = colour;
    RequestRepaint();
}

void TChart::SetBackWallBrush(const QBrush& brush) {
    backWall_ = brush;
    RequestRepaint();
}

void TChart::RequestRepaint() {
    if (repaintPending_.exchange(true)) {
        return;
    }
    // Clearing the flag before update() lets a value written after this point
    // ask again, so nothing written is left unpainted.
    QMetaObject::invokeMethod(
        this,
        [this] {
            repaintPending_.store(false);
            update();
        },
        Qt::QueuedConnection);
}

void TChart::UpdateLayout() {
    layoutSize_ = size();
    // Margins depend on the font only, so that value-to-pixel conversion is
    // ready before the first paint and does not shift with the labels.
    const QFontMetrics metrics(font());
    const int left = metrics.horizontalAdvance(kWidestLabel) + kTickLength + 2 * kGap;
    const int top = metrics.height() / 2 + kGap;
    const int right = metrics.horizontalAdvance(kWidestLabel) / 2 + kGap;
    const int bottom = metrics.height() + kTickLength + 2 * kGap;
    plotRect_ = QRect(QPoint(left, top), QPoint(width() - 1 - right, height() - 1 - bottom));
    bottomAxis_.SetPixelRange(plotRect_.left(), plotRect_.right());
    leftAxis_.SetPixelRange(plotRect_.bottom(), plotRect_.top());
}

void TChart::Draw(QPainter& painter) {
    // A hidden widget hears of a resize only when shown; an image render of it
    // still needs the layout of its current size.
    if (layoutSize_ != size()) {
        UpdateLayout();
    }
    painter.fillRect(rect(), backColour_);
    if (backWall_.style() != Qt::NoBrush) {
        painter.fillRect(plotRect_, backWall_);
    }
    painter.setFont(font());
    DrawAxes(painter);
    painter.save();
    painter.setClipRect(plotRect_);
    for (const auto& series : series_) {
        series->Paint(painter);
    }
    painter.restore();
}

void TChart::DrawAxes(QPainter& painter) {
    DrawLabels(painter, bottomAxis_);
    DrawLabels(painter, leftAxis_);
    painter.setPen(leftAxis_.AxisLineColour());
    painter.drawLine(plotRect_.topLeft(), plotRect_.bottomLeft());
    painter.setPen(bottomAxis_.AxisLineColour());
    painter.drawLine(plotRect_.bottomLeft(), plotRect_.bottomRight());
}

void TChart::DrawLabels(QPainter& painter, const TChartAxis& axis) {
    const QFontMetrics metrics(painter.font());
    const bool horizontal = axis.GetOrientation() == TChartAxis::Orientation::Horizontal;
    const int spacing =
        horizontal ? metrics.horizontalAdvance(kWidestLabel) + 2 * kGap : metrics.height() * 2;
    axis.LabelValues(spacing, labelValues_);
    for (double value : labelValues_) {
        const int pixel = axis.CalcPosValue(value);
        const QString text = QString::number(value, 'g', 10);
        painter.setPen(axis.GridColour());
        if (horizontal) {
            painter.drawLine(pixel, plotRect_.top(), pixel, plotRect_.bottom());
            painter.setPen(axis.AxisLineColour());
            painter.drawLine(pixel, plotRect_.bottom(), pixel, plotRect_.bottom() + kTickLength);
            const QRect box(pixel - spacing / 2, plotRect_.bottom() + kTickLength + kGap, spacing,
                            metrics.height());
            painter.setPen(axis.LabelColour());
            painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, text);
        } else {
            painter.drawLine(plotRect_.left(), pixel, plotRect_.right(), pixel);
            painter.setPen(axis.AxisLineColour());
            painter.drawLine(plotRect_.left() - kTickLength, pixel, plotRect_.left(), pixel);
            const int right = plotRect_.left() - kTickLength - kGap;
            const QRect box(0, pixel - metrics.height() / 2, right, metrics.height());
            painter.setPen(axis.LabelColour());
            painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter, text);
        }
    }
}

void TChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter);
}

void TChart::resizeEvent(QResizeEvent* event) {
    UpdateLayout();
    QWidget::resizeEvent(event);
}

void TChart::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        UpdateLayout();
    }
    QWidget::changeEvent(event);
}

void TChart::mousePressEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    for (auto it = series_.rbegin(); it != series_.rend(); ++it) {
        TChartSeries* series = it->get();
        if (!series->OnClickPointer || !series->LinePenVisible()) {
            continue;
        }
        const int index = series->ClickedPoint(position.x(), position.y());
        if (index >= 0) {
            series->OnClickPointer(series, index, event->button(), event->modifiers(), position.x(),
                                   position.y());
            break;
        }
    }
    if (OnMouseDown) {
        OnMouseDown(this, event->button(), event->modifiers(), position.x(), position.y());
    }
}

void TChart::mouseMoveEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    UpdateCursorAt(position);
    if (OnMouseMove) {
        OnMouseMove(this, event->modifiers(), position.x(), position.y());
    }
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    if (OnMouseUp) {
        OnMouseUp(this, event->button(), event->modifiers(), position.x(), position.y());
    }
}

void TChart::UpdateCursorAt(const QPoint& position) {
    for (auto it = series_.rbegin(); it != series_.rend(); ++it) {
        const TChartSeries* series = it->get();
        if (series->Cursor() && series->LinePenVisible() &&
            series->ClickedPoint(position.x(), position.y()) >= 0) {
            setCursor(*series->Cursor());
            return;
        }
    }
    unsetCursor();
}
