#pragma once
// The accuracy test window: full screen, one target at a time, each taken
// when the controller's touch has been held still; then the results with the
// desktop mapping advice. It asks the controller for X packets while open and
// sends the saved report mode back when it closes, as the touch test does.
// Channel 6's read thread hands it the X packets; the desktop's own touch
// events arrive on the window thread. Both meet in the session under one lock.

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>

#include "Checks/AccuracyFile.h"
#include "Checks/AccuracySession.h"
#include "Protocol/TouchPackets.h"
#include "T860Util/CoalescedCall.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;
class FullScreenKeeper;
class TAccuracyResults;
class TCoveragePage;

class TfrmAccuracy : public QWidget {
    Q_OBJECT
public:
    // With "/accuracy" (or "/coverage", which opens on the coverage page) on
    // the command line the window opens by itself once the controller is
    // connected, and closing it closes the main window.
    explicit TfrmAccuracy(QWidget* mainWindow = nullptr);
    ~TfrmAccuracy() override;

    QLabel* lbInstruction;
    QLabel* lbHint;
    QCheckBox* cbLargeGrid;  // 25 targets instead of 9
    QPushButton* btnCoverage;
    TAccuracyResults* Results;
    TCoveragePage* Coverage;

    // Set before the window opens; restored as the report mode on close.
    std::atomic<uint16_t> SavedReportMode{0};
    // How long a touch must be held still to be taken.
    uint32_t HoldMs = kDefaultHoldMs;

    // Saves the controller's report mode, asks for X packets and opens the
    // window over the whole monitor under the pointer.
    void StartTest();
    // Starts the run over (after the grid changed, or from the results).
    void StartAgain();
    // Takes one target again, then shows the results again.
    void RedoTarget(int index);
    // The coverage page over the targets or the results, its strokes started.
    void ShowCoverage();

    // Channel 6's read thread: an X multitouch packet. Allocates nothing.
    void OnXPacket(const XPacket& packet, uint32_t nowMs);

    AccuracyPhase Phase() const;
    int CurrentTarget() const;
    bool Holding() const;
    // The result last shown; empty before the first run finished.
    const std::optional<AccuracyResult>& LastResult() const { return result_; }

    // The desktop's monitors as the system reports them; tests give their own.
    void OverrideDesktopLayout(std::optional<DesktopLayout> layout);

    // Emitted on the window thread each time a run starts (onlyTarget -1)
    // or one target is taken again (its index).
    Q_SIGNAL void RunStarted(int gridSize, QSize size, int onlyTarget);

    void FormShow();
    bool FormKeyDown(QKeyEvent* key);
    void FormClose();

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Window thread: brings the labels, the drawing and the results up to date.
    void Refresh();
    // What the window shows of the session, taken under its lock.
    struct SessionState {
        AccuracyPhase Phase;
        int Grid;
        int Current;
        int Targets;
        bool Holding;
        AccuracyPoint Target;
    };
    SessionState State() const;
    void StartRun();
    void ShowResults();
    AccuracyResult BuildResult() const;
    DesktopLayout CurrentDesktopLayout() const;
    // The window's size, and its millimetres when the monitor reports a
    // believable size.
    ScreenSizeSource MeasureScreen(AccuracyScreen& screen) const;
    // The accuracy result (the last one, or the targets so far) with the
    // coverage page's checks, saved and shown on the page.
    void CoverageFinished();
    void CreateCoverage();
    void SaveLastResult(const AccuracyResult& result) const;
    bool OnDesktopTouch(QEvent* event);
    void ApplyAccuracyCommandLine();

    mutable std::mutex sessionLock_;  // guards session_; taken alone
    AccuracySession session_;
    std::atomic<bool> takingTouches_{false};
    std::atomic<int> width_{0}, height_{0};
    CoalescedCall refresh_{this, [this] { Refresh(); }};
    QTimer* liftTimer_;
    FullScreenKeeper* fullScreen_;
    std::optional<AccuracyResult> result_;
    std::optional<DesktopLayout> layoutOverride_;
    QWidget* mainWindow_;
    bool accuracyOnlyMode_ = false;
    bool openOnCoverage_ = false;
    int connectionWaitTicks_ = 0;
    QSize runSize_;  // the window's size when the run started
};

extern TfrmAccuracy* frmAccuracy;
