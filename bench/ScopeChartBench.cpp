// One repaint of the scope's chart: 8 curves of 514 points at 1000 x 600
// pixels, into a raster image; and the same with a baseline drawn behind the
// curves of both cameras and their triggers.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "T860Util/Camchart.h"
#include "T860Util/ScopeReference.h"

namespace {

void RepaintScopeChart(benchmark::State& state, bool withReference) {
    QWidget panel;
    panel.resize(1000, 600);
    TCamChart chart;
    chart.Build(&panel, true, 1, 512);
    panel.show();
    QCoreApplication::processEvents();
    TScopeReference reference(chart);
    if (withReference) {
        BaselineContent baseline;
        for (int camera : {1, 2}) {
            for (RowKind kind : kRowKinds) {
                BaselineProfile profile{camera, kind, {}};
                for (int pixel = 0; pixel < kBaselinePixels; ++pixel) {
                    profile.values[pixel] = 480 + 380 * std::sin(pixel * 0.05 + camera);
                }
                baseline.profiles.push_back(profile);
            }
        }
        reference.Load(baseline, {true, true, true, false, false, true});
    }

    std::vector<int16_t> profile(512);
    for (int line = 0; line < TCamChart::kLineCount; ++line) {
        for (int pixel = 0; pixel < 512; ++pixel) {
            profile[pixel] = static_cast<int16_t>(500 + 400 * std::sin(pixel * 0.05 + line));
        }
        chart.Lines[line]->SetValues(0, profile.data(), 0, true);
    }
    QImage image(chart.ChartControl->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        chart.ChartControl->Draw(painter);
    }
}
void BM_ScopeChartRepaint(benchmark::State& state) {
    RepaintScopeChart(state, false);
}
BENCHMARK(BM_ScopeChartRepaint)->Unit(benchmark::kMicrosecond);

void BM_ScopeChartRepaintWithReference(benchmark::State& state) {
    RepaintScopeChart(state, true);
}
BENCHMARK(BM_ScopeChartRepaintWithReference)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
