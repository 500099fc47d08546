#pragma once
// The accuracy test's results: the targets with enlarged arrows from each
// target to where the controller put the touch, coloured pass or fail; a
// table per target; the summary against the thresholds, which can be changed
// here; and the desktop mapping verdict with the fix to copy. Save Results
// writes the result file and a picture of this view.

#include <QWidget>
#include <optional>

#include "Checks/AccuracyFile.h"

class QDoubleSpinBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// The drawing: the screen in small, each target and its arrow.
class TAccuracyArrowView : public QWidget {
    Q_OBJECT
public:
    explicit TAccuracyArrowView(QWidget* parent = nullptr);
    void Show(const AccuracyResult& result);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<AccuracyResult> result_;
    // How much the arrows are enlarged against the drawing's own scale.
    double arrowScale_ = 1;
};

// The result file to a path chosen in the save dialog, and a picture of the
// view beside it with the extension .png; a failure is shown in a message box.
void SaveResultsWithPrompt(QWidget* view, const AccuracyResult& result);
bool SaveResultsTo(QWidget* view, const AccuracyResult& result, const QString& path);

class TAccuracyResults : public QWidget {
    Q_OBJECT
public:
    explicit TAccuracyResults(QWidget* parent = nullptr);

    TAccuracyArrowView* ArrowView;
    QLabel* lbSummary;
    QDoubleSpinBox* edOffsetLimit;
    QDoubleSpinBox* edJitterLimit;
    QTableWidget* tbTargets;
    QLabel* lbMapping;
    // Hidden unless the result could not be kept as the last result.
    QLabel* lbKeepFailure;
    QPlainTextEdit* edAdvice;
    QPushButton* btnSave;
    QPushButton* btnRedo;
    QPushButton* btnCoverage;
    QPushButton* btnStartAgain;
    QPushButton* btnClose;

    void Show(const AccuracyResult& result);
    // Says under the summary that the shown result was not kept, and why;
    // the next Show takes the note away.
    void ShowKeepFailure(const std::string& reason);
    AccuracyThresholds Thresholds() const;
    // Asks for a file name and writes the result there, and the picture of
    // this view beside it with the extension .png.
    void btnSaveClick();
    // The file and picture to a chosen path; false with a message box.
    bool SaveTo(const QString& path);

    Q_SIGNAL void RedoRequested(int index);
    Q_SIGNAL void CoverageRequested();
    Q_SIGNAL void StartAgainRequested();
    Q_SIGNAL void CloseRequested();
    Q_SIGNAL void ThresholdsChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void LayOutControls();
    void ConnectControls();
    void FillTable(const AccuracyResult& result);
    void FillSummary(const AccuracyResult& result);

    std::optional<AccuracyResult> result_;
};
