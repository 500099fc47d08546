#include "tests/T860Util/ProgramGlobals.h"

#include <new>

#include "DriverInterface/DriverIOInternal.h"
#include "Protocol/DeviceStatus.h"
#include "T860Util/Accuracy.h"
#include "T860Util/Calibrate.h"
#include "T860Util/Dispatch.h"
#include "T860Util/Featurereportinputmode.h"
#include "T860Util/Floopcount.h"
#include "T860Util/Main.h"
#include "T860Util/Offscreenmode.h"
#include "T860Util/Performancestats.h"
#include "T860Util/Reportmode.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"
#include "T860Util/Xtest.h"
#include "lib/Trace.h"

namespace {

// Made anew in place, so that a field added later starts fresh as well.
template <class Record, class... Arguments>
void Renew(Record& record, Arguments... arguments) {
    record.~Record();
    new (&record) Record(arguments...);
}

}  // namespace

void ResetProgramGlobals() {
    Renew(DeviceStatus);
    Renew(SettingsChannel0, SettingsChannel0.reportId);
    Renew(SettingsChannel6, SettingsChannel6.reportId);
    frmMain = nullptr;
    frmXTest = nullptr;
    frmCalibrate = nullptr;
    frmFloopCount = nullptr;
    frmAccuracy = nullptr;
    frmScope = nullptr;
    frmReportMode = nullptr;
    frmOffscreenMode = nullptr;
    frmFeatureReportInputMode = nullptr;
    frmPerformanceStats = nullptr;
    frmSettingsView = nullptr;
    CurrentScopeChannel = kFirstScopeChannel;
    TouchDrawMemory = TouchMemory{};
    RearmWriteBugTraces();
    RearmAccessDeniedWarning();
    ResetTraceCountersForTest();
}
