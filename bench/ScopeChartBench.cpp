// One repaint of the scope's chart: 8 curves of 514 points at 1000 x 600
// pixels, into a raster image.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "T860Util/Camchart.h"

namespace {

void BM_ScopeChartRepaint(benchmark::State& state) {
    QWidget panel;
    panel.resize(1000, 600);
    TCamChart chart;
    chart.Build(&panel, true, 1, 512);
    panel.show();
    QCoreApplication::processEvents();

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
BENCHMARK(BM_ScopeChartRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
