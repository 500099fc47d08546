#include "T860Util/Reportmode.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "T860Util/ScreenPlacement.h"
#include "T860Util/WindowPointer.h"

TFrmReportMode* frmReportMode = nullptr;

namespace {

constexpr uint16_t kMouse = 0x0001;
constexpr uint16_t kBFXMultitouch = 0x0002;
constexpr uint16_t kDigitizer = 0x0004;
constexpr uint16_t kAngles = 0x0008;
constexpr uint16_t kWin7Multitouch = 0x0020;
constexpr uint16_t kWin7FeatureReport = 0x0040;
constexpr uint16_t kBFYMultitouch = 0x0080;
constexpr uint16_t kPuck = 0x0100;
constexpr uint16_t kOffscreen = 0x0200;

}  // namespace

TFrmReportMode::~TFrmReportMode() {
    ForgetWindow(frmReportMode, this);
}

TFrmReportMode::TFrmReportMode(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Set Report Mode");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    gbMods = new QGroupBox("Modifiers", this);
    gbInputModes = new QGroupBox("Input Modes", this);
    cbBFXMultitouch = new QCheckBox("BF X Multitouch", gbMods);
    rbNone = new QRadioButton("None", gbInputModes);
    rbMouse = new QRadioButton("Mouse", gbInputModes);
    rbDigi = new QRadioButton("Digitizer", gbInputModes);
    rbWin7Multitouch = new QRadioButton("Win7 Multitouch", gbInputModes);
    cbWin7FeatureReport = new QCheckBox("Use Feature Report Input Mode", gbMods);
    btnOk = new QPushButton("Ok", this);
    btnCancel = new QPushButton("Cancel", this);
    cbBFYMultitouch = new QCheckBox("BF Y Multitouch", gbMods);
    lbReportMode = new QLabel(this);
    Label1 = new QLabel("(If checked the Feature Report Input Modes take precedence)", gbMods);
    Label1->setWordWrap(true);
    cbAngles = new QCheckBox("Angles", gbMods);
    cbPuck = new QCheckBox("Puck", gbMods);
    cbOffscreen = new QCheckBox("Offscreen Touch", gbMods);

    auto* inputLayout = new QVBoxLayout(gbInputModes);
    for (QRadioButton* button : {rbNone, rbMouse, rbDigi, rbWin7Multitouch}) {
        inputLayout->addWidget(button);
        connect(button, &QRadioButton::toggled, this, &TFrmReportMode::ReportModeClick);
    }
    inputLayout->addStretch();
    auto* modsLayout = new QVBoxLayout(gbMods);
    for (QCheckBox* box : {cbBFXMultitouch, cbBFYMultitouch, cbAngles, cbPuck, cbOffscreen}) {
        modsLayout->addWidget(box);
        connect(box, &QCheckBox::toggled, this, &TFrmReportMode::ReportModeClick);
    }
    modsLayout->addWidget(cbWin7FeatureReport);
    connect(cbWin7FeatureReport, &QCheckBox::toggled, this, &TFrmReportMode::ReportModeClick);
    modsLayout->addWidget(Label1);

    auto* groups = new QHBoxLayout;
    groups->addWidget(gbInputModes);
    groups->addWidget(gbMods);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lbReportMode);
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    rbNone->setChecked(true);
    ReportModeClick();
}

void TFrmReportMode::LoadReportMode(uint16_t mode) {
    rbNone->setChecked(true);
    if (mode & kMouse) {
        rbMouse->setChecked(true);
    } else if (mode & kDigitizer) {
        rbDigi->setChecked(true);
    } else if (mode & kWin7Multitouch) {
        rbWin7Multitouch->setChecked(true);
    }
    cbBFXMultitouch->setChecked(mode & kBFXMultitouch);
    cbBFYMultitouch->setChecked(mode & kBFYMultitouch);
    cbWin7FeatureReport->setChecked(mode & kWin7FeatureReport);
    cbAngles->setChecked(mode & kAngles);
    cbPuck->setChecked(mode & kPuck);
    cbOffscreen->setChecked(mode & kOffscreen);
}

uint16_t TFrmReportMode::ReadReportMode() const {
    uint16_t mode = 0;
    if (rbMouse->isChecked()) {
        mode = kMouse;
    } else if (rbDigi->isChecked()) {
        mode = kDigitizer;
    } else if (rbWin7Multitouch->isChecked()) {
        mode = kWin7Multitouch;
    }
    const struct {
        const QCheckBox* box;
        uint16_t bit;
    } modifiers[] = {{cbBFXMultitouch, kBFXMultitouch},
                     {cbBFYMultitouch, kBFYMultitouch},
                     {cbWin7FeatureReport, kWin7FeatureReport},
                     {cbAngles, kAngles},
                     {cbPuck, kPuck},
                     {cbOffscreen, kOffscreen}};
    for (const auto& modifier : modifiers) {
        if (modifier.box->isChecked()) {
            mode |= modifier.bit;
        }
    }
    return mode;
}

void TFrmReportMode::ReportModeClick() {
    lbReportMode->setText(QString::asprintf("Report Mode: %u", unsigned{ReadReportMode()}));
}

void TFrmReportMode::showEvent(QShowEvent* event) {
    CentreOnScreen(*this);
    QDialog::showEvent(event);
}
