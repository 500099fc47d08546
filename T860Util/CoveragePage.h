#pragma once
// The accuracy test window's coverage page: a grid of cells about 10 mm
// square over the whole window, with the edge band marked, that colours the
// cells the strokes reach; then the two-finger check (two targets on a
// diagonal); then the acceptance results over the grid, which now also shows
// the cells never reached and where strokes dropped out or jumped.
// Channel 6's read thread hands it the X packets while it takes touches; the
// desktop's touch events arrive on the window thread. Both meet in the checks
// under one lock, and nothing is allocated per packet.

#include <QWidget>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "Checks/AccuracyFile.h"
#include "Checks/CoverageCheck.h"
#include "Checks/TwoFingerCheck.h"
#include "Protocol/TouchPackets.h"
#include "T860Util/CoalescedCall.h"

class QLabel;
class QPushButton;
class TAcceptancePanel;

enum class CoveragePhase {
    Strokes,     // colouring the cells
    TwoFingers,  // both targets held, then moved apart
    Results,     // the acceptance results over the grid
};

class TCoveragePage : public QWidget {
    Q_OBJECT
public:
    explicit TCoveragePage(QWidget* parent = nullptr);
    ~TCoveragePage() override;

    QLabel* lbInstruction;
    QPushButton* btnNext;  // "Two-Finger Check", then "Skip"
    QPushButton* btnRestart;
    TAcceptancePanel* Panel;

    // Starts the strokes over on a screen of this size (millimetres when known).
    void Start(const AccuracyScreen& screen, ScreenSizeSource source, double refreshHz);
    // On from the strokes to the two-finger check, or from it to the results.
    void Next();

    // Channel 6's read thread. Allocates nothing.
    void OnXPacket(const XPacket& packet, uint32_t nowMs);
    bool TakingTouches() const { return takingTouches_; }

    CoveragePhase Phase() const { return phase_; }
    int CellsReached() const;
    bool TwoFingersHolding() const;
    // The result shown in the results; empty before them.
    const std::optional<AccuracyResult>& Result() const { return result_; }
    // What the strokes and the two-finger check found, with the limits and
    // the screen they are judged with; for the accuracy window's result.
    AcceptanceRecord Record() const;
    const AccuracyScreen& Screen() const { return screen_; }
    // The accuracy window's result with the acceptance checks in it.
    void ShowResult(AccuracyResult result);

    // Emitted on the window thread.
    Q_SIGNAL void StrokesStarted(QSize size, int columns, int rows);
    Q_SIGNAL void TwoFingersStarted(QSize size);
    // The strokes and the two-finger check are done: the page wants its result.
    Q_SIGNAL void Finished();
    // The limits, diagonal or refresh rate were edited.
    Q_SIGNAL void ResultChanged(const AccuracyResult& result);
    Q_SIGNAL void TargetsRequested();
    Q_SIGNAL void CloseRequested();

protected:
    bool event(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void SetPhase(CoveragePhase phase);
    // Takes touches, or stops, with the platform's merging of moves off while
    // it takes them.
    void TakeTouches(bool on);
    void FinishStrokes();
    void Refresh();
    void LayOut();
    void ApplyEdits();
    void PaintCells(QPainter& painter);
    void PaintFaults(QPainter& painter);
    void PaintTwoFingerTargets(QPainter& painter);

    mutable std::mutex lock_;  // guards coverage_ and twoFingers_; taken alone
    CoverageSession coverage_;
    TwoFingerCheck twoFingers_;
    std::atomic<CoveragePhase> phase_{CoveragePhase::Strokes};
    std::atomic<bool> takingTouches_{false};
    bool compressedMoves_ = true;  // the application's setting, to restore
    std::atomic<int> width_{0}, height_{0};
    CoalescedCall refresh_{this, [this] { Refresh(); }};
    QWidget* controls_;
    AccuracyScreen screen_;
    ScreenSizeSource sizeSource_ = ScreenSizeSource::Unknown;
    double refreshHz_ = 60;
    // The cells as the last paint took them.
    CoverageGrid paintGrid_;
    std::vector<CellCounts> paintCells_;
    TwoFingerVerdict twoFingerVerdict_ = TwoFingerVerdict::NotRun;
    std::optional<AccuracyResult> result_;
    // Limits chosen or edited in the results, kept for the next run.
    std::optional<AcceptanceLimits> chosenLimits_;
    // The size the strokes started with, to go back to from a typed diagonal.
    AccuracyScreen startScreen_;
    ScreenSizeSource startSource_ = ScreenSizeSource::Unknown;
};
