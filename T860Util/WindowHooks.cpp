#include "T860Util/WindowHooks.h"

#include "T860Util/Performancestats.h"
#include "T860Util/Scope.h"

void ShowSettingsView() {}

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

void HandSettingsReport(int, const uint8_t*, int32_t) {}

void HandScopeReport(const uint8_t* data, int32_t length) {
    if (frmScope != nullptr && frmScope->TakesData) {
        frmScope->HandleScopeData(data, length);
    }
}
