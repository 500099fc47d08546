// The main window's buttons that read a value from the controller, let the
// user edit it in a modal dialog and write it back.

#include "DriverInterface/DriverIO.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/Protocolutils.h"
#include "T860Util/Featurereportinputmode.h"
#include "T860Util/Main.h"
#include "T860Util/Offscreenmode.h"
#include "T860Util/Reportmode.h"
#include "T860Util/UiSeam.h"

void TfrmMain::btnReportModeClick() {
    DeviceStatus.ReportModeReceived = false;
    GetReportMode();
    WaitForReply();
    if (!DeviceStatus.ReportModeReceived) {
        ShowMessage(this, "Failed to read current report mode.", "Report Mode");
        return;
    }
    frmReportMode->LoadReportMode(DeviceStatus.ReportMode);
    if (ExecModal(*frmReportMode) != QDialog::Accepted) {
        return;
    }
    DeviceStatus.ReportModeReceived = false;
    SetReportMode(frmReportMode->ReadReportMode());
    WaitForReply();
    // A controller that refuses a bit answers with another value.
    if (!DeviceStatus.ReportModeReceived ||
        frmReportMode->ReadReportMode() != DeviceStatus.ReportMode) {
        ShowMessage(this, "Failed to set report mode.", "Report Mode");
    }
}

void TfrmMain::btnOffscreenModeClick() {
    DeviceStatus.OffscreenModeReceived = false;
    GetOffscreenMode();
    WaitForReply();
    if (!DeviceStatus.OffscreenModeReceived) {
        ShowMessage(this, "Failed to read current offscreen mode.", "Offscreen Mode");
        return;
    }
    frmOffscreenMode->LoadOffscreenMode(DeviceStatus.OffscreenMode);
    if (ExecModal(*frmOffscreenMode) != QDialog::Accepted) {
        return;
    }
    DeviceStatus.OffscreenModeReceived = false;
    SetOffscreenMode(frmOffscreenMode->ReadOffscreenMode());
    WaitForReply();
    if (!DeviceStatus.OffscreenModeReceived ||
        frmOffscreenMode->ReadOffscreenMode() != DeviceStatus.OffscreenMode) {
        ShowMessage(this, "Failed to set offscreen mode.", "Offscreen Mode");
    }
}

void TfrmMain::btnFeatureReportInputModeClick() {
    const int32_t mode = GetFeatureReportInputMode();
    if (mode < 0) {
        ShowMessage(this, "Failed to read current input mode.", "Feature Report Input Mode");
        return;
    }
    frmFeatureReportInputMode->LoadInputMode(static_cast<uint8_t>(mode));
    if (ExecModal(*frmFeatureReportInputMode) != QDialog::Accepted) {
        return;
    }
    if (!SetFeatureReportInputMode(0, frmFeatureReportInputMode->ReadInputMode())) {
        ShowMessage(this, "Failed to set input mode.", "Feature Report Input Mode");
    }
}
