#pragma once
// The touch test window: a borderless drawing surface over one whole screen
// for the touches of one packet kind at a time. Channel 6's read thread draws into
// the window's backing image under the canvas lock and asks for a repaint;
// the window thread only copies the image to the screen.

#include <QImage>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "Protocol/TouchDrawing.h"
#include "T860Util/CoalescedCall.h"

class FullScreenKeeper;
class QCheckBox;
class QFrame;
class QLabel;
class TouchImageCanvas;

class TfrmXTest : public QWidget {
    Q_OBJECT
public:
    explicit TfrmXTest(QWidget* parent = nullptr);
    ~TfrmXTest() override;

    QLabel* lbHint;
    QCheckBox* cbAreaCircles;
    QCheckBox* CheckBox1;
    QFrame* monitor;

    // Set by the main window before it shows the window; read on the read thread.
    std::atomic<uint16_t> SavedReportMode{0};
    std::atomic<uint16_t> TestMode{0};

    // Shows the window over the whole screen under the pointer, kept there
    // until it closes (Alt+F4).
    void ShowOverScreen();

    // Moves the monitor rectangle; the drawing reads its bounds.
    void SetMonitor(int left, int top, int width, int height);
    // The middle half of the window, for the offscreen test.
    void CentreMonitor();

    // Runs draw(canvas, view) on the backing image when the window is visible
    // and runs the given test; the canvas lock is held meanwhile. Any thread.
    template <class Draw>
    bool DrawIfTesting(uint16_t testMode, Draw draw);

    // A copy of what the window shows, for inspection.
    QImage CanvasSnapshot() const;

    void FormShow();
    void FormKeyPress(QKeyEvent* key);
    void FormClose();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TouchView CurrentView() const;
    // Fills the backing image with the window face colour; caller holds the lock.
    void ClearCanvasLocked();
    void RequestRepaint();
    void DrawLocked(void (*draw)(TouchCanvas&, const TouchView&, void*), void* context);

    FullScreenKeeper* fullScreen_;
    mutable std::mutex canvasLock_;  // the canvas lock; taken alone, never with another
    std::unique_ptr<TouchImageCanvas> imageCanvas_;  // guarded by canvasLock_
    QColor faceColor_;
    std::atomic<bool> visibleForDrawing_{false};
    std::atomic<bool> areaCircles_{false};
    std::atomic<int> width_{0}, height_{0};
    std::atomic<int> monitorLeft_{0}, monitorTop_{0}, monitorWidth_{0}, monitorHeight_{0};
    CoalescedCall repaint_{this, [this] { update(); }};
};

extern TfrmXTest* frmXTest;

template <class Draw>
bool TfrmXTest::DrawIfTesting(uint16_t testMode, Draw draw) {
    if (!visibleForDrawing_ || TestMode != testMode) {
        return false;
    }
    DrawLocked([](TouchCanvas& canvas, const TouchView& view,
                  void* context) { (*static_cast<Draw*>(context))(canvas, view); },
               &draw);
    return true;
}
