#include "T860Util/Main.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGestureEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPinchGesture>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <cstdio>

#include "DriverInterface/DriverIO.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/Protocolutils.h"
#include "T860Util/Dispatch.h"
#include "T860Util/Floopcount.h"
#include "T860Util/KeyPreview.h"
#include "T860Util/OneFingerPan.h"
#include "T860Util/ScreenPlacement.h"
#include "T860Util/Sync.h"
#include "T860Util/WindowHooks.h"
#include "T860Util/WindowPointer.h"
#include "lib/Utils.h"
#include "platform/DebugOutput.h"
#include "platform/Sync.h"

TfrmMain* frmMain = nullptr;

namespace {

// Control grid: three columns of four rows under a strip for the connection
// state; the top margin doubles as the bottom margin that the layout rules add
// under the information label, which leaves room for its two lines.
constexpr int kMarginLeft = 8;
constexpr int kMarginTop = 24;
constexpr int kColumnWidth = 200;
constexpr int kColumnGap = 8;
constexpr int kRowHeight = 25;
constexpr int kRowStep = 31;

constexpr int kSearchNoteIntervalMs = 1000;

// How far the fingers' distance must change for a zoom: a tenth.
constexpr qreal kZoomScaleChange = 0.1;

int ColumnLeft(int column) {
    return kMarginLeft + column * (kColumnWidth + kColumnGap);
}

int RowTop(int row) {
    return kMarginTop + row * kRowStep;
}

QPushButton* MakeButton(QWidget* parent, const char* caption, int column, int row,
                        int width = kColumnWidth, int offset = 0) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(ColumnLeft(column) + offset, RowTop(row), width, kRowHeight);
    return button;
}

int Bottom(const QWidget* widget) {
    return widget->y() + widget->height();
}

int Right(const QWidget* widget) {
    return widget->x() + widget->width();
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    frmMain = this;
    CreateControls();
    ConnectHandlers();

    uint16_t vendor;
    uint16_t product;
    GetDeviceIdentity(vendor, product);
    edVID->setText(QString::asprintf("%04X", vendor));
    edPID->setText(QString::asprintf("%04X", product));

    SetConnectCallback6(ForwardConnectionChange);
    SetReportCallback6(OnChannel6Report);
    SetReportCallback0(OnChannel0Report);

    ShowDebugButtons(true);
    ShowDebugButtons(false);
    CentreOnScreen(*this);
    // Qt recognises pinch and pan from the touch events the window receives;
    // a pan takes one finger or two.
    setAttribute(Qt::WA_AcceptTouchEvents);
    OneFingerPanRecognizer::RegisterOnce();
    grabGesture(Qt::PinchGesture);
    grabGesture(Qt::PanGesture);

    OpenSyncCalls(this);
    StartDriverIO();
    driverRunning_ = true;

    // The first search has just ended; later ones run on the restart thread.
    ShowSearchNote();
    tmrSearchNote = new QTimer(this);
    tmrSearchNote->setInterval(kSearchNoteIntervalMs);
    connect(tmrSearchNote, &QTimer::timeout, this, &TfrmMain::ShowSearchNote);
    tmrSearchNote->start();
}

TfrmMain::~TfrmMain() {
    FormClose();
    CloseSyncCalls(this);
    ForgetWindow(frmMain, this);
}

void TfrmMain::CreateControls() {
    setWindowTitle(kMainCaption);
    btnCalibrate = MakeButton(this, "&Calibrate", 0, 0);
    btnReportMode = MakeButton(this, "&Report Mode", 0, 1);
    btnXMultiTest = MakeButton(this, "X Multi Test", 0, 2);
    btnRestoreDefaults = MakeButton(this, "Restore Defaults", 1, 0);
    Label1 = new QLabel(this);
    Label1->setGeometry(kMarginLeft, 4, 2 * kColumnWidth, 16);
    btnLogPackets = MakeButton(this, "Log Packets", 0, 3);
    btnYMultiTest = MakeButton(this, "Y Multi Test", 1, 2);
    btnGetStreamStatus = MakeButton(this, "Get StreamStatus", 2, 0);
    btnFeatureReportInputMode = MakeButton(this, "FR Input Mode", 1, 1);
    cbInputDevices = new QCheckBox("Input Devices", this);
    cbInputDevices->setGeometry(ColumnLeft(1), RowTop(3), kColumnWidth, kRowHeight);
    // Grey until the controller has answered (UpdateInputDevicesBox then
    // makes it a two-state box).
    cbInputDevices->setTristate(true);
    cbInputDevices->setCheckState(Qt::PartiallyChecked);
    btnToggleContinuous = MakeButton(this, "Toggle Continuous Stream", 2, 1);
    lbInfo = new QLabel(this);
    lbInfo->move(kMarginLeft, 0);
    lbInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    edVID = new QLineEdit(this);
    edVID->setGeometry(ColumnLeft(2), RowTop(3), 50, kRowHeight);
    edPID = new QLineEdit(this);
    edPID->setGeometry(ColumnLeft(2) + 56, RowTop(3), 50, kRowHeight);
    btnSetVIDPID = MakeButton(this, "Set VID/PID", 2, 3, kColumnWidth - 112, 112);
    btnOffscreen = MakeButton(this, "Test", 2, 2, 60, 76);
    btnOffscreenMode = MakeButton(this, "Mode", 2, 2, kColumnWidth - 142, 142);
    Label3 = new QLabel("Offscreen:", this);
    Label3->setGeometry(ColumnLeft(2), RowTop(2), 72, kRowHeight);

    for (QLabel* grey : {Label1, lbInfo}) {
        QPalette palette = grey->palette();
        palette.setColor(QPalette::WindowText, Qt::darkGray);
        grey->setPalette(palette);
    }
    // The debug controls are hidden in the design; creation shows those of the
    // left and middle columns.
    for (QWidget* debug : std::initializer_list<QWidget*>{
             cbInputDevices, btnReportMode, btnFeatureReportInputMode, btnXMultiTest, btnYMultiTest,
             btnLogPackets, btnGetStreamStatus, btnToggleContinuous, btnOffscreen,
             btnOffscreenMode}) {
        debug->setVisible(false);
    }

    auto* preview = new KeyPreview(this, [this](QKeyEvent* key) { return FormKeyDown(key); });
    preview->Attach();
}

void TfrmMain::ConnectHandlers() {
    const auto onClick = [this](QPushButton* button, void (TfrmMain::*handler)()) {
        connect(button, &QPushButton::clicked, this, handler);
    };
    onClick(btnCalibrate, &TfrmMain::btnCalibrateClick);
    onClick(btnReportMode, &TfrmMain::btnReportModeClick);
    onClick(btnRestoreDefaults, &TfrmMain::btnRestoreDefaultsClick);
    onClick(btnXMultiTest, &TfrmMain::btnXMultiTestClick);
    onClick(btnYMultiTest, &TfrmMain::btnYMultiTestClick);
    onClick(btnOffscreen, &TfrmMain::btnOffscreenClick);
    onClick(btnOffscreenMode, &TfrmMain::btnOffscreenModeClick);
    onClick(btnLogPackets, &TfrmMain::btnLogPacketsClick);
    onClick(btnGetStreamStatus, &TfrmMain::btnGetStreamStatusClick);
    onClick(btnFeatureReportInputMode, &TfrmMain::btnFeatureReportInputModeClick);
    onClick(btnToggleContinuous, &TfrmMain::btnToggleContinuousClick);
    onClick(btnSetVIDPID, &TfrmMain::btnSetVIDPIDClick);
    // Changes of the state, by the user or by UpdateInputDevicesBox, come here.
    connect(cbInputDevices, &QCheckBox::stateChanged, this, &TfrmMain::cbInputDevicesClick);
}

void TfrmMain::ShowDebugButtons(bool compact) {
    const int fontTerm = static_cast<int>(std::trunc(lbInfo->font().pointSizeF() * 10 * 0.125));
    QWidget* const debugControls[] = {
        cbInputDevices, btnReportMode,   btnFeatureReportInputMode, btnXMultiTest,
        btnYMultiTest,  btnLogPackets,   btnGetStreamStatus,        btnToggleContinuous,
        btnOffscreen,   btnOffscreenMode};
    int clientWidth = width();
    int clientHeight = height();
    if (compact) {
        lbInfo->move(lbInfo->x(), Bottom(btnCalibrate) + 5);
        for (QWidget* control : debugControls) {
            control->hide();
        }
        clientWidth = Right(btnRestoreDefaults) + btnCalibrate->x();
        clientHeight = fontTerm + Bottom(btnCalibrate) + btnCalibrate->y();
    } else if (cbInputDevices->isHidden()) {
        lbInfo->move(lbInfo->x(), Bottom(btnLogPackets) + 5);
        for (QWidget* control : debugControls) {
            control->show();
        }
        clientHeight = fontTerm + Bottom(btnLogPackets) + btnCalibrate->y();
    } else {
        clientWidth = Right(btnGetStreamStatus) + btnCalibrate->x();
    }
    lbInfo->resize(Right(btnGetStreamStatus) - kMarginLeft, 2 * fontMetrics().height() + 2);
    setFixedSize(clientWidth, clientHeight);
}

bool TfrmMain::FormKeyDown(QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers();
    if (mods.testFlag(Qt::ControlModifier) && mods.testFlag(Qt::ShiftModifier)) {
        switch (key->key()) {
            case Qt::Key_D:
                ShowDebugButtons(false);
                return true;
            case Qt::Key_T:
                ShowSettingsView();
                return true;
            case Qt::Key_P:
                ShowPerformanceStats();
                return true;
            case Qt::Key_F:
                setWindowFlag(Qt::WindowStaysOnTopHint, true);
                show();  // a changed window flag hides the window
                frmFloopCount->show();
                return true;
            case Qt::Key_S:
                ShowScope();
                return true;
            case Qt::Key_A:
                ShowAccuracyTest();
                return true;
            default:
                return false;
        }
    }
    if (mods & ~Qt::KeypadModifier) {
        return false;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // A focused button takes Enter itself; otherwise the default button.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        (focused != nullptr ? focused : btnCalibrate)->click();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        for (QPushButton* cancel : {btnXMultiTest, btnYMultiTest, btnOffscreen, btnOffscreenMode}) {
            if (cancel->isVisibleTo(this)) {
                cancel->click();
                return true;
            }
        }
    }
    return false;
}

void TfrmMain::ShowSearchNote() {
    QString note;
    if (!DeviceStatus.Connected) {
        QStringList nodes;
        for (const std::string& node : ControllerDeniedNodes()) {
            nodes.append(QString::fromLocal8Bit(node.c_str()));
        }
        if (!nodes.isEmpty()) {
            // The advice of the README's Install section, short.
            note = QString(
                       "No access to the controller at %1:\n"
                       "install the udev rule 70-t860.rules and re-plug it.")
                       .arg(nodes.join(", "));
        } else if (!controllerSeen_) {
            note = "No controller found yet.";
        }
    }
    // Only a note replaces a note: device information stays.
    if (note != shownNote_ && lbInfo->text() == shownNote_) {
        lbInfo->setText(note);
        shownNote_ = note;
    }
}

void TfrmMain::FormClose() {
    if (driverRunning_) {
        driverRunning_ = false;
        // The windows are going away: the read threads' last notices must not
        // wait for this thread while it waits for them to end.
        CloseAllSyncCalls();
        StopDriverIO();
    }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    FormClose();
    QWidget::closeEvent(event);
}

void TfrmMain::OnZoomGesture() {
    ShowDebugButtons(false);
}

void TfrmMain::OnPanGesture() {
    if (!DeviceStatus.Calibrating) {
        btnCalibrate->click();
    }
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == QEvent::TouchBegin) {
        touchGesture_ = TouchGesture::None;
    }
    // Touches are left unaccepted, so that Qt still makes a one-finger tap a
    // mouse click; the recognisers follow the sequence all the same.
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::Gesture) {
        OnGesture(static_cast<QGestureEvent*>(event));
        return true;
    }
    return handled;
}

// One touch sequence makes one gesture at most: two fingers that move apart
// or together zoom, two that move alike pan. The pinch recogniser follows
// both, so a zoom needs its fingers' distance to change.
void TfrmMain::OnGesture(QGestureEvent* gestures) {
    if (touchGesture_ != TouchGesture::None) {
        return;
    }
    if (auto* pinch = static_cast<QPinchGesture*>(gestures->gesture(Qt::PinchGesture));
        pinch != nullptr && std::abs(pinch->totalScaleFactor() - 1) >= kZoomScaleChange) {
        touchGesture_ = TouchGesture::Zoom;
        char line[64];
        std::snprintf(line, sizeof line, "%d, %d\n", static_cast<int>(pinch->centerPoint().x()),
                      static_cast<int>(pinch->centerPoint().y()));
        platform::OutputDebugString(line);
        OnZoomGesture();
        return;
    }
    if (QGesture* pan = gestures->gesture(Qt::PanGesture);
        pan != nullptr &&
        (pan->state() == Qt::GestureStarted || pan->state() == Qt::GestureUpdated)) {
        touchGesture_ = TouchGesture::Pan;
        OnPanGesture();
    }
}

void ForwardConnectionChange(int32_t, int32_t connected) {
    SyncCall(frmMain, OnConnectionChange, connected);
}

void OnConnectionChange(int32_t, int32_t connected) {
    DeviceStatus.Connected = connected != 0;
    if (connected == 0) {
        frmMain->Label1->setText("Disconnected");
        frmMain->lbInfo->clear();
        return;
    }
    frmMain->controllerSeen_ = true;
    frmMain->ShowSearchNote();
    frmMain->Label1->setText("Connected");
    uint16_t vendor;
    uint16_t product;
    GetDeviceIdentity(vendor, product);
    WriteDeviceIdentity(vendor, product);
    DeviceStatus.InfoReceived = 0;
    platform::Sleep(GetDriverIOWaits().connectionSettleMs);
    SendText("M?");
    for (uint8_t code : {0x80, 0x10, 0x11, 0x12}) {
        SendDeviceQuery(code);
    }
}
