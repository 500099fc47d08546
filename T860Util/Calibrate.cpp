#include "T860Util/Calibrate.h"

#include <QCloseEvent>
#include <QPushButton>

#include "Protocol/Protocolutils.h"
#include "T860Util/FullScreen.h"
#include "T860Util/WindowPointer.h"
#include "platform/Sync.h"

TfrmCalibrate* frmCalibrate = nullptr;

TfrmCalibrate::~TfrmCalibrate() {
    ForgetWindow(frmCalibrate, this);
}

TfrmCalibrate::TfrmCalibrate(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setWindowTitle("Calibrate");
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);
    setCursor(Qt::CrossCursor);
    btnCancelCalibration = new QPushButton("Cancel Calibration", this);
    btnCancelCalibration->resize(130, 25);
    connect(btnCancelCalibration, &QPushButton::clicked, this,
            &TfrmCalibrate::btnCancelCalibrationClick);
    // After the button: it takes Alt+F4 from it too.
    fullScreen_ = new FullScreenKeeper(this);
}

void TfrmCalibrate::FormShow() {
    platform::Sleep(500);
    fullScreen_->CoverShown();
    CentreButton();
}

void TfrmCalibrate::CentreButton() {
    btnCancelCalibration->move(width() / 2 - btnCancelCalibration->width() / 2,
                               height() / 2 - btnCancelCalibration->height() / 2);
}

void TfrmCalibrate::btnCancelCalibrationClick() {
    Calibrate(false);
}

void TfrmCalibrate::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TfrmCalibrate::closeEvent(QCloseEvent* event) {
    // Leaving the window must not leave the controller calibrating, where
    // every touch would go to the calibration instead of the desktop.
    Calibrate(false);
    event->accept();  // hidden, not destroyed
}

void TfrmCalibrate::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A window manager that sizes the window after it showed.
    CentreButton();
}
