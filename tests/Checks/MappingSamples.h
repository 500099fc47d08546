// Desktop layouts and accuracy samples whose desktop positions follow a
// known mapping, for the mapping judgement and its advice.
#pragma once

#include <functional>
#include <vector>

#include "Checks/DesktopMapping.h"

namespace mapping_samples {

constexpr double kWidth = 1280;
constexpr double kHeight = 800;

inline DesktopLayout OneScreen() {
    DesktopLayout layout;
    layout.Screens = {{"HDMI-1", {0, 0, kWidth, kHeight}}};
    layout.Window = {0, 0, kWidth, kHeight};
    return layout;
}

// The test screen on the left, another of the same size on its right.
inline DesktopLayout TwoScreens() {
    DesktopLayout layout;
    layout.Screens = {{"DP-1", {0, 0, kWidth, kHeight}}, {"DP-2", {kWidth, 0, kWidth, kHeight}}};
    layout.Window = {0, 0, kWidth, kHeight};
    return layout;
}

// Targets on the 3 x 3 grid whose desktop positions come from a mapping of
// the controller's fractions to desktop pixels; positions outside the window
// get no events, as the desktop would deliver them to another window.
inline std::vector<TargetSample> Samples(const std::function<AccuracyPoint(AccuracyPoint)>& desktop,
                                         int grid = 3) {
    std::vector<TargetSample> samples;
    for (int i = 0; i < TargetCount(grid); ++i) {
        const AccuracyPoint f = TargetFraction(grid, i);
        TargetSample sample;
        sample.Taken = true;
        sample.Target = {f.X * kWidth, f.Y * kHeight};
        sample.Controller.Mean = {f.X * kWidth + 3, f.Y * kHeight - 2};
        const AccuracyPoint d =
            desktop({sample.Controller.Mean.X / kWidth, sample.Controller.Mean.Y / kHeight});
        if (d.X >= 0 && d.X < kWidth && d.Y >= 0 && d.Y < kHeight) {
            sample.Desktop = d;
        }
        samples.push_back(sample);
    }
    return samples;
}

// Samples of a device turned the given way on the whole of the layout's
// screen 0 (scale 1) or of two side-by-side screens (scale 2).
inline std::vector<TargetSample> TurnedSamples(Orientation turn, double widthScale = 1) {
    const AffineMap map = OrientationMap(turn);
    return Samples([=](AccuracyPoint f) {
        const AccuracyPoint t = map.Apply(f);
        return AccuracyPoint{t.X * widthScale * kWidth, t.Y * kHeight};
    });
}

}  // namespace mapping_samples
