#pragma once
// Every window of the program, made once per process and all shown, as a
// technician would have them open while the controller talks: for fuzzing
// harnesses and benchmarks that feed the dispatch themselves. Device access
// runs against an empty virtual bus and is stopped at once, so that nothing
// else feeds the windows; the caller runs on the window thread, where each
// hand-over is a direct call.

#include <cstdint>

class TfrmAccuracy;
class TfrmMain;
class TfrmScope;
class TfrmSettingsView;
class TfrmXTest;

struct ProgramWindows {
    TfrmMain* main;
    TfrmXTest* touchTest;
    TfrmScope* scope;
    TfrmSettingsView* settingsView;
    TfrmAccuracy* accuracy;
};

ProgramWindows& OpenEveryWindow();

// Selects the touch test that is drawn: X, Y or offscreen by the selector's value.
void SelectTouchTest(uint8_t selector);

// Lets the window thread paint what the reports asked to repaint.
void LetWindowsPaint();
