#include "T860Util/WindowHooks.h"

#include "T860Util/Performancestats.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"

void ShowSettingsView() {
    TfrmSettingsView* view = frmSettingsView.load();
    if (view == nullptr) {
        return;
    }
    view->show();
    view->raise();
    view->activateWindow();
}

void ShowPerformanceStats() {
    if (frmPerformanceStats != nullptr) {
        frmPerformanceStats->show();
        frmPerformanceStats->raise();
    }
}

void ShowScope() {
    if (frmScope != nullptr) {
        frmScope->show();
        frmScope->raise();
    }
}

void HandSettingsReport(int channel, const uint8_t* data, int32_t length) {
    if (channel == 0) {
        OnSettingsReport(SettingsChannel0, data, length);
    } else if (channel == 6 && SettingsViewShowing()) {
        OnSettingsReport(SettingsChannel6, data, length);
    }
}

void HandScopeReport(const uint8_t* data, int32_t length) {
    if (frmScope != nullptr && frmScope->TakesData) {
        frmScope->HandleScopeData(data, length);
    }
}
