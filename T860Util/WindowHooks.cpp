#include "T860Util/WindowHooks.h"

#include "T860Util/Accuracy.h"
#include "T860Util/Performancestats.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"

namespace {

void Present(QWidget* window) {
    if (window != nullptr) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

}  // namespace

void ShowSettingsView() {
    Present(frmSettingsView.load());
}

void ShowPerformanceStats() {
    Present(frmPerformanceStats);
}

void ShowScope() {
    Present(frmScope);
}

void ShowAccuracyTest() {
    if (frmAccuracy != nullptr) {
        frmAccuracy->StartTest();
    }
}

void HandSettingsReport(int channel, const uint8_t* data, int32_t length) {
    if (channel == 0) {
        OnSettingsReport(SettingsChannel0, data, length);
    } else if (channel == 6 &&
               (SettingsViewShowing() || (frmScope != nullptr && frmScope->RecordingBaseline))) {
        OnSettingsReport(SettingsChannel6, data, length);
    }
}

void HandScopeReport(const uint8_t* data, int32_t length) {
    // A baseline being recorded takes its scans even from a minimised window.
    if (frmScope != nullptr && (frmScope->TakesData || frmScope->RecordingBaseline)) {
        frmScope->HandleScopeData(data, length);
    }
}
