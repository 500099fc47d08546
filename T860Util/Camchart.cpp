#include "T860Util/Camchart.h"

#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
const std::array<QColor, TCamChart::kLineCount> kLineColours = {
    QColor(210, 0, 0),   QColor(128, 64, 0), QColor(0, 0, 210),   QColor(0, 100, 50),
    QColor(210, 0, 100), QColor(255, 64, 0), QColor(0, 100, 210), QColor(0, 210, 0),
};
const QColor kGridColour(150, 150, 150);
const QColor kBandColour(128, 128, 128);
// Cursors stand here, right of the pixel axis, until something moves them.
constexpr double kParkedCursorX = 1000;
constexpr double kCursorReach = 1000;
// Outside both axes.
constexpr double kParkedMarker = -10;

int TruncatedValue(double value) {
    return static_cast<int>(std::clamp(std::trunc(value), -2147483648.0, 2147483647.0));
}
}  // namespace

TCamChart::~TCamChart() {
    // The panel may outlive this object; its chart must then stop calling here.
    if (ChartControl) {
        ChartControl->OnMouseDown = nullptr;
        ChartControl->OnMouseMove = nullptr;
        ChartControl->OnMouseUp = nullptr;
    }
}

void TCamChart::Build(QWidget* panel, bool linesVisible, int lastInteractiveLine,
                      int requestedPixelCount) {
    if (ChartControl) {
        return;
    }
    Panel = panel;
    ChartControl = new TChart(panel);
    PixelCount = std::min(kMaxPixelCount, requestedPixelCount);
    SetupAppearance();

    ChartControl->OnMouseDown = [this](TChart* sender, Qt::MouseButton button,
                                       Qt::KeyboardModifiers shift, int x,
                                       int y) { ChartMouseDown(sender, button, shift, x, y); };
    ChartControl->OnMouseMove = [this](TChart* sender, Qt::KeyboardModifiers shift, int x, int y) {
        ChartMouseMove(sender, shift, x, y);
    };
    ChartControl->OnMouseUp = [this](TChart* sender, Qt::MouseButton button,
                                     Qt::KeyboardModifiers shift, int x,
                                     int y) { ChartMouseUp(sender, button, shift, x, y); };
    QLayout* layout = panel->layout() != nullptr ? panel->layout() : new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ChartControl);
    ChartControl->show();

    CreateBands();
    for (int i = 0; i < kLineCount; ++i) {
        Lines[i] = std::make_unique<TCamLine>(1, PixelCount, linesVisible, kLineColours[i],
                                              ChartControl.data());
    }
    LastInteractiveLine = static_cast<int8_t>(std::clamp(lastInteractiveLine, -1, kLineCount - 1));
    CreateCursorPairs();
    CreateMarker();
}

void TCamChart::SetupAppearance() {
    TChart& chart = *ChartControl;
    chart.SetBackWallBrush(QBrush(Qt::white, Qt::NoBrush));
    chart.SetBackColour(chart.palette().color(QPalette::Button));

    TChartAxis& left = chart.LeftAxis();
    left.SetMinMax(0, kMaxPixelCount);
    left.SetLabelColour(Qt::black);
    left.SetAxisLineColour(Qt::black);
    left.SetGridColour(kGridColour);

    TChartAxis& bottom = chart.BottomAxis();
    bottom.SetGridColour(kGridColour);
    bottom.SetMinMax(0, PixelCount);
    bottom.SetLabelColour(Qt::black);
    bottom.SetAxisLineColour(Qt::black);
}

void TCamChart::CreateBands() {
    for (int i = 0; i < kLineCount; ++i) {
        Bands[i] = ChartControl->AddSeries<TAreaSeries>();
        Bands[i]->SetColour(kBandColour);
        Bands[i]->AddXY(100, 5);
        Bands[i]->AddXY(200, 5);
        SetBandStart(i, 0, 10);
        SetBandEnd(i, 0, 10);
    }
}

void TCamChart::CreateCursorPairs() {
    for (auto& pair : CursorPairs) {
        for (TFastLineNullSeries*& cursor : pair) {
            cursor = ChartControl->AddSeries<TFastLineNullSeries>();
            cursor->SetColour(Qt::black);
            cursor->SetXValuesOrder(TValueOrder::None);
            cursor->AddXY(kParkedCursorX, kCursorReach);
            cursor->AddXY(kParkedCursorX, -kCursorReach);
            cursor->AddNullXY(0, 0);
            cursor->AddXY(kParkedCursorX, kCursorReach);
            cursor->AddXY(kParkedCursorX, -kCursorReach);
        }
    }
}

void TCamChart::CreateMarker() {
    Marker = ChartControl->AddSeries<TLineSeries>();
    Marker->SetColour(QColor(0, 128, 0));
    Marker->SetLinePenVisible(false);
    Marker->Marks.Visible = true;
    Marker->Marks.Transparent = false;
    Marker->Marks.FontColour = QColor(255, 0, 0);
    Marker->Marks.FrameVisible = false;
    Marker->Marks.ArrowPen = QPen(QColor(255, 0, 0), 5);
    Marker->Marks.ArrowLength = 0;
    ResetMarker();
    ResetMarker();
}

void TCamChart::SetBandStart(int index, float x, float y) {
    MoveBandPoint(index, 0, x, y);
}

void TCamChart::SetBandEnd(int index, float x, float y) {
    MoveBandPoint(index, 1, x, y);
}

void TCamChart::MoveBandPoint(int index, int pointIndex, float x, float y) {
    if (index < 0 || index >= kLineCount || Bands[index] == nullptr) {
        return;
    }
    if (Bands[index]->Count() == 2) {
        Bands[index]->SetXY(pointIndex, x, y);
    }
    ChartControl->RequestRepaint();
}

void TCamChart::ResetMarker() {
    if (Marker == nullptr) {
        return;
    }
    Marker->Clear();
    Marker->AddXY(kParkedMarker, kParkedMarker);
    ChartControl->RequestRepaint();
}

void TCamChart::ChartMouseDown(TChart* sender, Qt::MouseButton, Qt::KeyboardModifiers shift, int x,
                               int y) {
    if (!Lines[0]) {
        return;
    }
    const TChartSeries& reference = *Lines[0]->Series;
    const int xValue = TruncatedValue(reference.HorizAxis().CalcPosPoint(x));
    const int yValue = TruncatedValue(reference.VertAxis().CalcPosPoint(y));
    if (shift.testFlag(Qt::ShiftModifier) && OnShiftClick) {
        OnShiftClick(sender, shift, xValue, yValue);
    }
    if (OnChartMouseDown) {
        OnChartMouseDown(sender, shift, xValue, yValue);
    }
}

void TCamChart::ChartMouseMove(TChart* sender, Qt::KeyboardModifiers shift, int x, int y) {
    for (int i = 0; i <= LastInteractiveLine; ++i) {
        Lines[i]->DragTo(sender, shift, x, y);
    }
}

void TCamChart::ChartMouseUp(TChart* sender, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    for (int i = 0; i <= LastInteractiveLine; ++i) {
        Lines[i]->EndDrag(sender);
    }
}
