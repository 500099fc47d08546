#pragma once
// The report mode dialog: the controller's 16-bit report mode as an input mode
// (radio buttons) and modifiers (check boxes).

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class TFrmReportMode : public QDialog {
    Q_OBJECT
public:
    explicit TFrmReportMode(QWidget* parent = nullptr);
    ~TFrmReportMode() override;

    void LoadReportMode(uint16_t mode);
    uint16_t ReadReportMode() const;
    void ReportModeClick();

    QGroupBox* gbMods;
    QGroupBox* gbInputModes;
    QCheckBox* cbBFXMultitouch;
    QRadioButton* rbNone;
    QRadioButton* rbMouse;
    QRadioButton* rbDigi;
    QRadioButton* rbWin7Multitouch;
    QCheckBox* cbWin7FeatureReport;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QCheckBox* cbBFYMultitouch;
    QLabel* lbReportMode;
    QLabel* Label1;
    QCheckBox* cbAngles;
    QCheckBox* cbPuck;
    QCheckBox* cbOffscreen;

protected:
    // Opens centred on the screen, not on the main window.
    void showEvent(QShowEvent* event) override;
};

// Created once at start-up; null while it does not exist.
extern TFrmReportMode* frmReportMode;
