#pragma once
// The main window: connection state, device information, the command buttons
// and the debug controls that open the test windows and dialogs.

#include <QWidget>
#include <cstdint>
#include <functional>

#include "Protocol/ModeExchange.h"
#include "Protocol/PacketLog.h"

class QCheckBox;
class QGestureEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

inline constexpr char kMainCaption[] = "BFT860 TouchScreen Utilities";

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    // Registers the device callbacks and starts device access.
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    QPushButton* btnCalibrate;  // default button: Enter clicks it
    QPushButton* btnReportMode;
    QPushButton* btnXMultiTest;  // cancel button: Esc clicks the first visible one
    QPushButton* btnRestoreDefaults;
    QLabel* Label1;
    QPushButton* btnLogPackets;
    QPushButton* btnYMultiTest;
    QPushButton* btnGetStreamStatus;
    QPushButton* btnFeatureReportInputMode;
    QCheckBox* cbInputDevices;
    QPushButton* btnToggleContinuous;
    QLabel* lbInfo;
    QLineEdit* edVID;
    QLineEdit* edPID;
    QPushButton* btnSetVIDPID;
    QPushButton* btnOffscreen;
    QPushButton* btnOffscreenMode;
    QLabel* Label3;

    // Written on channel 6's read thread, opened and closed here.
    TPacketLog PacketLog;

    void ShowDebugButtons(bool compact);
    // While no controller is connected the information label says why, when
    // known: access to the controller was refused, or none was found since
    // start. Device information is never replaced; runs every second.
    void ShowSearchNote();
    // The window's key handler; true when the key was used.
    bool FormKeyDown(QKeyEvent* key);
    void FormClose();
    void OnZoomGesture();
    void OnPanGesture();

    void btnCalibrateClick();
    void btnReportModeClick();
    void btnRestoreDefaultsClick();
    void btnXMultiTestClick();
    void btnYMultiTestClick();
    void btnOffscreenClick();
    void btnOffscreenModeClick();
    void btnLogPacketsClick();
    void btnGetStreamStatusClick();
    void btnFeatureReportInputModeClick();
    void cbInputDevicesClick();
    void btnToggleContinuousClick();
    void btnSetVIDPIDClick();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum class TouchGesture { None, Zoom, Pan };

    void CreateControls();
    void OnGesture(QGestureEvent* gestures);
    void ConnectHandlers();
    // Sleeps for the reply and lets the window thread handle what waits, once.
    static void WaitForReply();
    // The same wait for one request about a mode: true when its reply came.
    static bool WaitForModeReply(ControllerMode mode, const std::function<void()>& send);
    struct ModeDialog;
    // Reads the mode, lets the user edit it in its dialog, writes it and
    // checks the controller's answer.
    void EditMode(const ModeDialog& edit);
    // The report mode the touch test gives back when it closes.
    void SaveReportModeForTouchTest();
    // Shows the touch test window for one test.
    void StartTouchTest(uint16_t testMode, bool areaCircles);

    bool driverRunning_ = false;
    // What the current touch sequence did.
    TouchGesture touchGesture_ = TouchGesture::None;
    QTimer* tmrSearchNote;
    // The note the information label shows, and whether a controller was
    // connected since start (set by OnConnectionChange).
    QString shownNote_;
    bool controllerSeen_ = false;

    friend void OnConnectionChange(int32_t unit, int32_t connected);
};

extern TfrmMain* frmMain;

// Channel 6's connection callback (read thread) and its window-thread half.
void ForwardConnectionChange(int32_t unit, int32_t connected);
void OnConnectionChange(int32_t unit, int32_t connected);
