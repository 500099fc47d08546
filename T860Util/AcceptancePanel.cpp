#include "T860Util/AcceptancePanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

const QColor kPassColor(0, 140, 0);
const QColor kFailColor(200, 0, 0);
// The sets in the order of the choice box, by the names the file keeps.
const char* const kLimitSetNames[] = {"default", "strict", "custom"};
constexpr int kCustomSet = 2;

QDoubleSpinBox* SpinBox(QWidget* parent, double low, double high, int decimals,
                        const QString& suffix) {
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    box->setKeyboardTracking(false);
    return box;
}

}  // namespace

TAcceptancePanel::TAcceptancePanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    lbVerdict = new QLabel(this);
    lbVerdict->setTextFormat(Qt::RichText);
    tbCriteria = new QTableWidget(0, 4, this);
    tbCriteria->setHorizontalHeaderLabels({"Criterion", "Measured", "Limit", "Result"});
    tbCriteria->verticalHeader()->hide();
    tbCriteria->horizontalHeader()->setStretchLastSection(true);
    tbCriteria->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbCriteria->setSelectionMode(QAbstractItemView::NoSelection);
    lbRegions = new QLabel(this);
    lbRegions->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbVerdict);
    layout->addWidget(tbCriteria, 1);
    layout->addWidget(lbRegions);
    layout->addLayout(BuildLimitEditors());
    layout->addLayout(BuildButtons());
}

QLayout* TAcceptancePanel::BuildLimitEditors() {
    cbLimitSet = new QComboBox(this);
    cbLimitSet->addItems({"Today's defaults", "Strict", "Custom"});
    edOffsetMm = SpinBox(this, 0.05, 100, 2, " mm");
    edOffsetShare = SpinBox(this, 1, 100, 0, " % of the targets");
    edJitterMm = SpinBox(this, 0.01, 50, 2, " mm");
    edMinRate = SpinBox(this, 1, 400, 0, " % of the refresh rate");
    cbRateLowest = new QCheckBox("Judge the lowest rate, not the median", this);
    edDiagonal = SpinBox(this, 0, 120, 1, " in");
    edDiagonal->setSpecialValueText("as the system reports");
    edRefresh = SpinBox(this, 1, 1000, 0, " Hz");
    auto* form = new QFormLayout;
    form->addRow("Limits:", cbLimitSet);
    form->addRow("Offset within:", edOffsetMm);
    form->addRow("On at least:", edOffsetShare);
    form->addRow("Jitter within:", edJitterMm);
    form->addRow("Report rate:", edMinRate);
    form->addRow("", cbRateLowest);
    form->addRow("Screen diagonal:", edDiagonal);
    form->addRow("Screen refresh rate:", edRefresh);

    connect(cbLimitSet, &QComboBox::activated, this, [this] { LimitSetChosen(); });
    const auto edited = [this] {
        const QSignalBlocker quiet(cbLimitSet);
        cbLimitSet->setCurrentIndex(kCustomSet);
        emit LimitsChanged();
    };
    for (QDoubleSpinBox* box : {edOffsetMm, edOffsetShare, edJitterMm, edMinRate}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, edited);
    }
    connect(cbRateLowest, &QCheckBox::toggled, this, edited);
    for (QDoubleSpinBox* box : {edDiagonal, edRefresh}) {
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { emit LimitsChanged(); });
    }
    return form;
}

QLayout* TAcceptancePanel::BuildButtons() {
    btnSave = new QPushButton("Save Results...", this);
    btnStartAgain = new QPushButton("Start Again", this);
    btnTargets = new QPushButton("Accuracy Targets", this);
    btnClose = new QPushButton("Close", this);
    connect(btnSave, &QPushButton::clicked, this, [this] { emit SaveRequested(); });
    connect(btnStartAgain, &QPushButton::clicked, this, [this] { emit StartAgainRequested(); });
    connect(btnTargets, &QPushButton::clicked, this, [this] { emit TargetsRequested(); });
    connect(btnClose, &QPushButton::clicked, this, [this] { emit CloseRequested(); });
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {btnSave, btnStartAgain, btnTargets, btnClose}) {
        buttons->addWidget(button);
    }
    return buttons;
}

void TAcceptancePanel::LimitSetChosen() {
    const int index = cbLimitSet->currentIndex();
    if (index < 0 || index >= kCustomSet) {
        return;  // "Custom" keeps what the editors hold
    }
    ShowLimits(NamedLimits(kLimitSetNames[index], screen_));
    emit LimitsChanged();
}

void TAcceptancePanel::ShowLimits(const AcceptanceLimits& limits) {
    const QSignalBlocker quietOffset(edOffsetMm);
    const QSignalBlocker quietShare(edOffsetShare);
    const QSignalBlocker quietJitter(edJitterMm);
    const QSignalBlocker quietRate(edMinRate);
    const QSignalBlocker quietLowest(cbRateLowest);
    const QSignalBlocker quietSet(cbLimitSet);
    edOffsetMm->setValue(limits.OffsetMm);
    edOffsetShare->setValue(limits.OffsetSharePercent);
    edJitterMm->setValue(limits.JitterMm);
    edMinRate->setValue(limits.MinRatePercent);
    cbRateLowest->setChecked(limits.RateLowest);
    int index = kCustomSet;
    for (int i = 0; i < kCustomSet; ++i) {
        if (limits.Name == kLimitSetNames[i]) {
            index = i;
        }
    }
    cbLimitSet->setCurrentIndex(index);
}

AcceptanceLimits TAcceptancePanel::Limits() const {
    AcceptanceLimits limits;
    limits.Name = kLimitSetNames[std::clamp(cbLimitSet->currentIndex(), 0, kCustomSet)];
    limits.OffsetMm = edOffsetMm->value();
    limits.OffsetSharePercent = edOffsetShare->value();
    limits.JitterMm = edJitterMm->value();
    limits.MinRatePercent = edMinRate->value();
    limits.RateLowest = cbRateLowest->isChecked();
    return limits;
}

double TAcceptancePanel::DiagonalInches() const {
    return edDiagonal->value();
}

double TAcceptancePanel::RefreshHz() const {
    return edRefresh->value();
}

void TAcceptancePanel::Show(const AccuracyResult& result) {
    if (!result.Acceptance) {
        return;
    }
    const AcceptanceRecord& acceptance = *result.Acceptance;
    screen_ = result.Screen;
    ShowLimits(acceptance.Limits);
    {
        const QSignalBlocker quietDiagonal(edDiagonal);
        const QSignalBlocker quietRefresh(edRefresh);
        edDiagonal->setValue(
            acceptance.SizeSource == ScreenSizeSource::Typed ? ::DiagonalInches(result.Screen) : 0);
        edRefresh->setValue(acceptance.RefreshHz);
    }
    const std::vector<CriterionVerdict> criteria = JudgeAcceptance(acceptance, result.Screen);
    FillCriteria(criteria);
    const bool passed = AcceptancePassed(criteria);
    const QString size = QString::fromStdString(ScreenSizeText(result.Screen));
    lbVerdict->setText(QString("<b>Screen:</b> %1 (%2) &nbsp; <b style=\"color:%3\">%4</b>")
                           .arg(acceptance.SizeSource == ScreenSizeSource::Unknown
                                    ? "size unknown: type the diagonal"
                                    : size,
                                ScreenSizeSourceKey(acceptance.SizeSource),
                                (passed ? kPassColor : kFailColor).name(),
                                passed ? "PASSED" : "FAILED"));
    std::string regions = acceptance.Coverage ? CoverageRegionsText(*acceptance.Coverage) : "";
    if (acceptance.Coverage) {
        regions += CoverageDesktopText(*acceptance.Coverage);
    }
    lbRegions->setText(QString::fromStdString(regions));
}

void TAcceptancePanel::FillCriteria(const std::vector<CriterionVerdict>& criteria) {
    tbCriteria->setRowCount(static_cast<int>(criteria.size()));
    for (int row = 0; row < tbCriteria->rowCount(); ++row) {
        const CriterionVerdict& criterion = criteria[static_cast<size_t>(row)];
        const QString cells[4] = {QString::fromStdString(criterion.Name),
                                  QString::fromStdString(criterion.Measured),
                                  QString::fromStdString(criterion.Limit),
                                  !criterion.Judged  ? "not judged"
                                  : criterion.Passed ? "pass"
                                                     : "fail"};
        for (int column = 0; column < 4; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column == 3 && criterion.Judged) {
                item->setForeground(criterion.Passed ? kPassColor : kFailColor);
            }
            tbCriteria->setItem(row, column, item);
        }
    }
    tbCriteria->resizeColumnsToContents();
}
