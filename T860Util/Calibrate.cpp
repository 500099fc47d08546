#include "T860Util/Calibrate.h"

#include <QPushButton>
#include <QScreen>

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
}

void TfrmCalibrate::FormShow() {
    platform::Sleep(500);
    if (const QScreen* screen = ScreenUnderPointer()) {
        setGeometry(screen->geometry());
    }
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
