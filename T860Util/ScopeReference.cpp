#include "T860Util/ScopeReference.h"

const QColor TScopeReference::kColour(150, 150, 150);

namespace {

constexpr int kScopeCameras = 2;  // the window offers two camera boxes
constexpr int kFirstTriggerLine = 4;
// The chart lines of those cameras: their camera and trigger lines.
constexpr int kShownLines[] = {0, 1, kFirstTriggerLine, kFirstTriggerLine + 1};

}  // namespace

void TScopeReference::CreateLines() {
    TChart* chart = chart_.ChartControl;
    if (lines_[0] != nullptr || chart == nullptr || !chart_.Lines[0]) {
        return;
    }
    // Behind the first camera curve, so every live curve is drawn over them.
    int behind = chart->IndexOf(chart_.Lines[0]->Series);
    for (int line : kShownLines) {
        lines_[line] = chart->InsertSeries<TFastLineSeries>(behind++);
        lines_[line]->SetColour(kColour);
        lines_[line]->SetLinePenWidth(1);
        lines_[line]->SetLinePenVisible(false);
        for (int pixel = 0; pixel < kBaselinePixels; ++pixel) {
            lines_[line]->AddXY(pixel, 0);
        }
    }
}

void TScopeReference::Load(const BaselineContent& baseline, const ScopeSelection& selection) {
    CreateLines();
    profiles_ = baseline.profiles;
    Show(selection);
}

void TScopeReference::Clear() {
    profiles_.clear();
    for (TFastLineSeries* line : lines_) {
        if (line != nullptr) {
            line->SetLinePenVisible(false);
        }
    }
    if (TChart* chart = chart_.ChartControl) {
        chart->RequestRepaint();
    }
}

void TScopeReference::Show(const ScopeSelection& selection) {
    if (!IsLoaded()) {
        return;
    }
    const RowKind kind = selection.lit       ? RowKind::Lit
                         : selection.ambient ? RowKind::Ambient
                                             : RowKind::Subtracted;
    for (int camera = 1; camera <= kScopeCameras; ++camera) {
        const bool shown = camera == 1 ? selection.cam1 : selection.cam2;
        ShowProfile(camera - 1, shown ? FindProfile(profiles_, camera, kind) : nullptr);
        ShowProfile(kFirstTriggerLine + camera - 1,
                    shown && selection.trigger ? FindProfile(profiles_, camera, RowKind::Trigger)
                                               : nullptr);
    }
    if (TChart* chart = chart_.ChartControl) {
        chart->RequestRepaint();
    }
}

void TScopeReference::ShowProfile(int line, const BaselineProfile* profile) {
    TFastLineSeries* series = lines_[line];
    if (series == nullptr) {
        return;
    }
    series->SetLinePenVisible(profile != nullptr);
    if (profile == nullptr) {
        return;
    }
    for (int pixel = 0; pixel < kBaselinePixels; ++pixel) {
        series->SetYValue(pixel, profile->values[pixel]);
    }
}

TFastLineSeries* TScopeReference::LineBehind(int line) const {
    return line >= 0 && line < TCamChart::kLineCount ? lines_[line] : nullptr;
}
