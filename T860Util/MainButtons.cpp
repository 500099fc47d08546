// The main window's command buttons. Each command that expects a reply clears
// its flag, sends, waits once and looks once: a later reply is not looked at.

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "DriverInterface/DriverIO.h"
#include "Protocol/CommandLine.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/ModeExchange.h"
#include "Protocol/Protocolutils.h"
#include "T860Util/Application.h"
#include "T860Util/Main.h"
#include "T860Util/UiSeam.h"
#include "T860Util/Xtest.h"
#include "platform/Sync.h"

void TfrmMain::WaitForReply() {
    platform::Sleep(100);
    QCoreApplication::processEvents();
}

void TfrmMain::btnCalibrateClick() {
    Calibrate(!DeviceStatus.Calibrating);
}

void TfrmMain::btnRestoreDefaultsClick() {
    DeviceStatus.RestoreDefaultsDone = false;
    SendText("RestoreDefaults");
    WaitForReply();
    if (!DeviceStatus.RestoreDefaultsDone) {
        ShowMessage(this, "Failed to restore defaults.", "Restore Defaults");
    }
}

void TfrmMain::btnGetStreamStatusClick() {
    DeviceStatus.StreamStatusReceived = false;
    GetStreamStatus();
    WaitForReply();
    const char* text = !DeviceStatus.StreamStatusReceived ? "Failed to read stream status."
                       : DeviceStatus.StreamStatusOk
                           ? "Stream Status Ok: Driver is getting data from touchscreen."
                           : "Stream Status Bad: Driver is not getting data from touchscreen.";
    ShowMessage(this, text, "Stream Status");
}

void TfrmMain::btnToggleContinuousClick() {
    DeviceStatus.ContinuousStreamOn = !DeviceStatus.ContinuousStreamOn;
    ContinuousStream(0, DeviceStatus.ContinuousStreamOn);
}

void TfrmMain::cbInputDevicesClick() {
    if (DeviceStatus.InputDevicesUpdating) {
        return;
    }
    // Flipped before the text goes out: the controller's answer may arrive on
    // the read thread before this handler would get to flip it afterwards.
    const bool wasOn = DeviceStatus.InputDevicesOn;
    DeviceStatus.InputDevicesOn = !wasOn;
    SendText(wasOn ? "m" : "M");
}

void TfrmMain::btnSetVIDPIDClick() {
    // Both texts are converted before anything changes, so a bad one leaves
    // the identity and device access as they were.
    uint32_t ids[2];
    QLineEdit* const edits[2] = {edVID, edPID};
    for (int i = 0; i < 2; ++i) {
        const QString text = "0x" + edits[i]->text();
        const std::optional<uint32_t> value =
            ConvertHexDigits(edits[i]->text().toLatin1().constData());
        if (!value) {
            ShowExceptionMessage(
                QString("'%1' is not a valid integer value").arg(text).toLocal8Bit().constData());
            return;
        }
        ids[i] = *value;
    }
    SetDeviceIdentity(static_cast<uint16_t>(ids[0]), static_cast<uint16_t>(ids[1]));
    StopDriverIO();
    StartDriverIO();
}

void TfrmMain::StartTouchTest(uint16_t testMode, bool areaCircles) {
    frmXTest->TestMode = testMode;
    frmXTest->cbAreaCircles->setVisible(areaCircles);
    if (testMode != 512) {
        frmXTest->SetMonitor(-10000, frmXTest->monitor->y(), frmXTest->monitor->width(),
                             frmXTest->monitor->height());
    }
    frmXTest->ShowOverScreen();
    if (testMode == 512) {
        frmXTest->CentreMonitor();
    }
}

void TfrmMain::SaveReportModeForTouchTest() {
    // The last known mode is 0 when no reply came since the start, and giving
    // 0 back on close would leave the controller reporting no touches to the
    // system: then the controller is asked first.
    if (!DeviceStatus.ReportModeReceived) {
        ReadMode(ControllerMode::Report, DeviceStatus, WaitForModeReply);
    }
    frmXTest->SavedReportMode = DeviceStatus.ReportMode & 0xFF;
}

void TfrmMain::btnXMultiTestClick() {
    SaveReportModeForTouchTest();
    SetReportModeByte(2);
    StartTouchTest(2, false);
}

void TfrmMain::btnYMultiTestClick() {
    SaveReportModeForTouchTest();
    SetReportModeByte(128);
    StartTouchTest(128, true);
}

void TfrmMain::btnOffscreenClick() {
    SaveReportModeForTouchTest();
    if (DeviceStatus.OffscreenMode == 0) {
        SetOffscreenMode(1);
    }
    SetReportMode(512);
    StartTouchTest(512, false);
}

void TfrmMain::btnLogPacketsClick() {
    if (PacketLog.IsOn()) {
        PacketLog.Stop();
        btnLogPackets->setText("Log Packets");
        return;
    }
    const std::optional<QString> path =
        PromptSaveFileName({this, "MTP files (*.mtp)|*.MTP", ".mtp", "PacketLog.mtp"});
    if (!path) {
        return;
    }
    if (QFile::exists(*path) &&
        ShowMessageBox({"Are you sure you want to overwrite the existing file ?", "Log Packets",
                        MessageButtons::YesNo, MessageIcon::None, nullptr}) != MessageResult::Yes) {
        return;
    }
    if (!PacketLog.Start(QFile::encodeName(*path).toStdString())) {
        return;
    }
    btnLogPackets->setText("Stop Logging");
}
