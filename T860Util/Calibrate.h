#pragma once
// The calibration window: covers the monitor under the mouse pointer while the
// controller calibrates. Shown and hidden only by the controller's replies and
// events.

#include <QWidget>

class QPushButton;

class TfrmCalibrate : public QWidget {
    Q_OBJECT
public:
    explicit TfrmCalibrate(QWidget* parent = nullptr);
    ~TfrmCalibrate() override;

    QPushButton* btnCancelCalibration;

    void FormShow();
    void btnCancelCalibrationClick();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TfrmCalibrate* frmCalibrate;
