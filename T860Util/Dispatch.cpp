#include "T860Util/Dispatch.h"

#include <QCheckBox>
#include <QLabel>
#include <cstring>

#include "Protocol/DeviceStatus.h"
#include "T860Util/Accuracy.h"
#include "T860Util/Calibrate.h"
#include "T860Util/Floopcount.h"
#include "T860Util/Main.h"
#include "T860Util/Sync.h"
#include "T860Util/WindowHooks.h"
#include "T860Util/Xtest.h"
#include "platform/Sync.h"

TouchMemory TouchDrawMemory;

namespace {

constexpr uint16_t kXTestMode = 2;
constexpr uint16_t kYTestMode = 128;
constexpr uint16_t kOffscreenTestMode = 512;

void ApplyStatusEffect(StatusEffect effect) {
    switch (effect) {
        case StatusEffect::ShowDeviceInfo:
            SyncCall(frmMain, ShowDeviceInfo, 0);
            break;
        case StatusEffect::ShowHideCalibration:
            SyncCall(frmMain, ShowHideCalibration, 0);
            break;
        case StatusEffect::None:
            break;
    }
}

void OnXPacket(const uint8_t* data) {
    const XPacket packet = DecodeXPacket(data);
    // Logged whether or not the test window is open, before any scaling.
    frmMain->PacketLog.Write(packet);
    if (frmAccuracy != nullptr) {
        frmAccuracy->OnXPacket(packet, platform::GetTickCount());
    }
    if (frmXTest == nullptr) {
        return;
    }
    frmXTest->DrawIfTesting(kXTestMode, [&](TouchCanvas& canvas, const TouchView& view) {
        DrawXPacket(canvas, view, packet, TouchDrawMemory, platform::GetTickCount());
    });
}

void OnYPacket(const uint8_t* data) {
    const YPacket packet = DecodeYPacket(data);
    if (frmXTest == nullptr) {
        return;
    }
    frmXTest->DrawIfTesting(kYTestMode, [&](TouchCanvas& canvas, const TouchView& view) {
        DrawYPacket(canvas, view, packet, TouchDrawMemory, platform::GetTickCount());
    });
}

void OnOffscreenPacket(const uint8_t* data) {
    const OffscreenPacket packet = DecodeOffscreenPacket(data);
    if (frmXTest == nullptr) {
        return;
    }
    frmXTest->DrawIfTesting(kOffscreenTestMode, [&](TouchCanvas& canvas, const TouchView& view) {
        DrawOffscreenPacket(canvas, view, packet, TouchDrawMemory, platform::GetTickCount());
    });
}

}  // namespace

// The canvas lock is held only while a touch packet is drawn, not around the
// whole dispatch: a reply that hands work to the window thread with SyncCall
// would otherwise wait for a window thread that waits for the canvas lock to
// paint the test window.
void OnChannel6Report(int32_t, const uint8_t* data, int32_t length) {
    if (length != kIncomingReportLength || data == nullptr) {
        return;
    }
    switch (data[0]) {
        case 'C':
            ApplyStatusEffect(ApplyCommandReply(DeviceStatus, data));
            break;
        case 'E':
            ApplyStatusEffect(ApplyEvent(DeviceStatus, data));
            break;
        case 'G':
            HandScopeReport(data, length);
            break;
        case 'N':
        case 'S':
            HandSettingsReport(6, data, length);
            break;
        case 'O':
            OnOffscreenPacket(data);
            break;
        case 'T':
            if (ApplyInputDevicesText(DeviceStatus, data)) {
                SyncCall(frmMain, UpdateInputDevicesBox, 0);
            }
            break;
        case 'X':
            OnXPacket(data);
            break;
        case 'Y':
            OnYPacket(data);
            break;
        default:
            break;
    }
}

void OnChannel0Report(int32_t, const uint8_t* data, int32_t length) {
    if (length != kIncomingReportLength || data == nullptr) {
        return;
    }
    if (data[0] == 'N' || data[0] == 'S') {
        HandSettingsReport(0, data, length);
    } else if (data[0] == 'T' && std::memcmp(data + 2, "F loop", 6) == 0) {
        SyncCall(frmMain, CountFloop, 0);
    }
}

void ShowDeviceInfo(int32_t, int32_t) {
    char text[kDeviceInfoCapacity];
    FormatDeviceInfo(DeviceStatus, text, kDeviceInfoCapacity);
    frmMain->lbInfo->setText(QString::fromLatin1(text));
}

void ShowHideCalibration(int32_t, int32_t) {
    if (frmCalibrate == nullptr) {
        return;
    }
    frmCalibrate->setVisible(DeviceStatus.Calibrating);
}

void UpdateInputDevicesBox(int32_t, int32_t) {
    DeviceStatus.InputDevicesUpdating = true;
    frmMain->cbInputDevices->setTristate(false);
    frmMain->cbInputDevices->setCheckState(DeviceStatus.InputDevicesOn ? Qt::Checked
                                                                       : Qt::Unchecked);
    DeviceStatus.InputDevicesUpdating = false;
}
