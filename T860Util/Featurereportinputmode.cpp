#include "T860Util/Featurereportinputmode.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "T860Util/ScreenPlacement.h"
#include "T860Util/WindowPointer.h"

TFrmFeatureReportInputMode* frmFeatureReportInputMode = nullptr;

TFrmFeatureReportInputMode::~TFrmFeatureReportInputMode() {
    ForgetWindow(frmFeatureReportInputMode, this);
}

TFrmFeatureReportInputMode::TFrmFeatureReportInputMode(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Feature Report Input Mode");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    gbInputModes = new QGroupBox("Input Modes", this);
    rbMouse = new QRadioButton("Mouse", gbInputModes);
    rbDigi = new QRadioButton("Digitizer", gbInputModes);
    rbWin7Multitouch = new QRadioButton("Win7 Multitouch", gbInputModes);
    btnOk = new QPushButton("Ok", this);
    btnCancel = new QPushButton("Cancel", this);

    auto* group = new QVBoxLayout(gbInputModes);
    group->addWidget(rbMouse);
    group->addWidget(rbDigi);
    group->addWidget(rbWin7Multitouch);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gbInputModes);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TFrmFeatureReportInputMode::LoadInputMode(uint8_t mode) {
    switch (mode) {
        case 0:
            rbMouse->setChecked(true);
            break;
        case 1:
            rbDigi->setChecked(true);
            break;
        case 2:
            rbWin7Multitouch->setChecked(true);
            break;
        default:
            break;
    }
}

uint8_t TFrmFeatureReportInputMode::ReadInputMode() const {
    if (rbDigi->isChecked()) {
        return 1;
    }
    if (rbWin7Multitouch->isChecked()) {
        return 2;
    }
    return 0;
}

void TFrmFeatureReportInputMode::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
