#pragma once
// The calibration window: covers the technician's monitor (the one under the
// mouse pointer where the platform tells it) while the controller
// calibrates. Shown and hidden by the controller's replies and events; Alt+F4
// or the desktop's close cancels the calibration and leaves it, for a
// kiosk without Esc or mouse.

#include <QWidget>

class FullScreenKeeper;
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
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CentreButton();

    FullScreenKeeper* fullScreen_;
};

extern TfrmCalibrate* frmCalibrate;
