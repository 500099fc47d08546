#pragma once
// The coverage page's results: one row per acceptance criterion with what was
// measured, its limit and pass or fail; where the strokes failed; the limits
// (a named set, or edited) and the screen's diagonal and refresh rate they
// are judged with. Edits are handed back as signals; the page judges again.

#include <QFrame>

#include "Checks/AccuracyFile.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableWidget;

class TAcceptancePanel : public QFrame {
    Q_OBJECT
public:
    explicit TAcceptancePanel(QWidget* parent = nullptr);

    QLabel* lbVerdict;
    QTableWidget* tbCriteria;
    QLabel* lbRegions;
    QComboBox* cbLimitSet;  // "Today's defaults", "Strict", "Custom"
    QDoubleSpinBox* edOffsetMm;
    QDoubleSpinBox* edOffsetShare;
    QDoubleSpinBox* edJitterMm;
    QDoubleSpinBox* edMinRate;
    QCheckBox* cbRateLowest;
    QDoubleSpinBox* edDiagonal;  // 0: the size the system reports
    QDoubleSpinBox* edRefresh;
    QPushButton* btnSave;
    QPushButton* btnStartAgain;
    QPushButton* btnTargets;
    QPushButton* btnClose;

    // Fills everything from the result's acceptance checks without emitting.
    void Show(const AccuracyResult& result);
    AcceptanceLimits Limits() const;
    double DiagonalInches() const;  // 0 when not typed
    double RefreshHz() const;

    Q_SIGNAL void LimitsChanged();  // the limits, the diagonal or the refresh rate
    Q_SIGNAL void SaveRequested();
    Q_SIGNAL void StartAgainRequested();
    Q_SIGNAL void TargetsRequested();
    Q_SIGNAL void CloseRequested();

private:
    QLayout* BuildLimitEditors();
    QLayout* BuildButtons();
    void FillCriteria(const std::vector<CriterionVerdict>& criteria);
    void ShowLimits(const AcceptanceLimits& limits);
    // A named set chosen: its values into the editors.
    void LimitSetChosen();

    AccuracyScreen screen_;  // the limits of "Today's defaults" depend on it
};
