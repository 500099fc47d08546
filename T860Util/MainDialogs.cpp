// The main window's buttons that read a value from the controller, let the
// user edit it in a modal dialog and write it back.

#include <functional>
#include <optional>

#include "DriverInterface/DriverIO.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/ModeExchange.h"
#include "Protocol/Protocolutils.h"
#include "T860Util/Featurereportinputmode.h"
#include "T860Util/Main.h"
#include "T860Util/Offscreenmode.h"
#include "T860Util/Reportmode.h"
#include "T860Util/UiSeam.h"

// One of the controller's modes as its dialog edits it.
struct TfrmMain::ModeDialog {
    ControllerMode mode;
    QDialog& dialog;
    std::function<void(uint32_t)> load;
    std::function<uint32_t()> read;
    QString name;     // in a sentence
    QString caption;  // the message boxes' title
};

bool TfrmMain::WaitForModeReply(ControllerMode mode, const std::function<void()>& send) {
    std::atomic<bool>& received = ModeReceived(mode, DeviceStatus);
    received = false;
    send();
    WaitForReply();
    return received;
}

void TfrmMain::EditMode(const ModeDialog& edit) {
    const std::optional<uint32_t> held = ReadMode(edit.mode, DeviceStatus, WaitForModeReply);
    if (!held) {
        ShowMessage(this, "Failed to read current " + edit.name + ".", edit.caption);
        return;
    }
    edit.load(*held);
    if (ExecModal(edit.dialog) != QDialog::Accepted) {
        return;
    }
    if (WriteMode(edit.mode, edit.read(), DeviceStatus, WaitForModeReply) !=
        ModeWriteResult::Kept) {
        ShowMessage(this, "Failed to set " + edit.name + ".", edit.caption);
    }
}

void TfrmMain::btnReportModeClick() {
    EditMode({ControllerMode::Report, *frmReportMode,
              [](uint32_t mode) { frmReportMode->LoadReportMode(static_cast<uint16_t>(mode)); },
              [] { return uint32_t{frmReportMode->ReadReportMode()}; }, "report mode",
              "Report Mode"});
}

void TfrmMain::btnOffscreenModeClick() {
    EditMode(
        {ControllerMode::Offscreen, *frmOffscreenMode,
         [](uint32_t mode) { frmOffscreenMode->LoadOffscreenMode(static_cast<uint8_t>(mode)); },
         [] { return uint32_t{frmOffscreenMode->ReadOffscreenMode()}; }, "offscreen mode",
         "Offscreen Mode"});
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
