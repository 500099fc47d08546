#pragma once
// The input mode dialog for the digitizer's feature report.

#include <QDialog>
#include <cstdint>

class QGroupBox;
class QPushButton;
class QRadioButton;

class TFrmFeatureReportInputMode : public QDialog {
    Q_OBJECT
public:
    explicit TFrmFeatureReportInputMode(QWidget* parent = nullptr);
    ~TFrmFeatureReportInputMode() override;

    // Selects the value's button; any other value keeps the selection.
    void LoadInputMode(uint8_t mode);
    // 0 when nothing is selected.
    uint8_t ReadInputMode() const;

    QGroupBox* gbInputModes;
    QRadioButton* rbMouse;
    QRadioButton* rbDigi;
    QRadioButton* rbWin7Multitouch;
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    // Opens centred on the screen, not on the main window.
    void showEvent(QShowEvent* event) override;
};

// Created once at start-up; null while it does not exist.
extern TFrmFeatureReportInputMode* frmFeatureReportInputMode;
