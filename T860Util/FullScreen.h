#pragma once
// Full-screen windows that a technician touches: they must cover one whole
// screen so that a touch lands where the finger is, on a kiosk without a
// window manager as well as on a desktop with panels, and they must give a way
// out that needs no window manager.

#include <QMetaObject>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <optional>

class QKeyEvent;
class QLabel;
class QScreen;
class QTimer;
class QWidget;

// The screen that contains the point, or the nearest one; null only when
// there is no screen at all.
QScreen* ScreenNear(const QPoint& point);
// Where the mouse pointer is on the desktop, where the platform tells an
// application (X11, Windows); none in a Wayland session, natively or under
// Xwayland.
std::optional<QPoint> PointerOnDesktop();
// The screen a full-screen window opens on, so that it appears in front of
// the technician: the one under the pointer (on a touchscreen, where the
// last touch was) or the nearest; without a pointer position the one that
// holds the shown main window; else, where the desktop places new windows
// itself (a Wayland compositor puts them on the output that has the focus,
// which no client can learn), none: the desktop chooses; else the primary
// screen.
QScreen* FullScreenScreen(const std::optional<QPoint>& pointer, const QWidget* mainWindow,
                          bool desktopPlacesWindows);
// The same for this program: its pointer, its main window and its platform.
QScreen* ScreenForFullScreen();

// Keeps one top-level window over the full bounds of a screen while it is
// shown, and closes it on Alt+F4.
//
// - Show() makes the window frameless, gives it the screen's bounds itself
//   (nothing places a window without a window manager) and asks for the
//   full-screen state (a window manager then lets it cover its panels too).
// - A window manager that moves or resizes it, or takes the full-screen
//   state away, is answered by putting it back, so that window pixels stay
//   screen pixels.
// - Alt+F4 closes the window as a window manager's close does (the window's
//   closeEvent runs); a close that reaches the window after it has already
//   closed is swallowed, so where a window manager also acts on Alt+F4 the
//   window closes once.
//
// The keeper is a child of the window and lives as long as it does.
class FullScreenKeeper : public QObject {
    Q_OBJECT
public:
    explicit FullScreenKeeper(QWidget* window);

    // Shows the window over the whole screen that ScreenForFullScreen
    // chooses, or over the given screen, and gives it the keyboard. A screen
    // that changes its bounds while the window is shown takes the window
    // along. Without a screen the desktop places the window first, and it
    // then covers the screen it was placed on.
    void Show();
    void ShowOn(QScreen* screen);
    // The same for a window that something else has just shown (called
    // from its show event).
    void CoverShown();

    // The label that tells how to close the window; while the window is
    // shown without the keyboard it also says how to give it the keyboard.
    void ShowsKeyboardHintOn(QLabel* hint);

    // The bounds the window is kept on (empty before the first show).
    QRect Bounds() const { return bounds_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static bool IsCloseKey(const QKeyEvent* key);
    void KeepOn(QScreen* screen);
    // Kept on the screen and full screen there, from whatever state.
    void Cover(QScreen* screen);
    // Waits for the desktop to place the shown window, then covers that screen.
    void CoverWhereThePlacedWindowIs();
    void CoverPlaced();
    // Starts the wait's grace once the window is exposed.
    void FollowPlacement(QEvent* event);
    void TakeKeyboard();
    void ShowKeyboardHint(bool hasKeyboard);
    void WatchKeysOfEveryControl();
    void SchedulePutBack();
    void PutBack();

    QWidget* window_;
    QPointer<QLabel> hint_;
    QString hintText_;  // the hint while the window has the keyboard
    // Desktops hand the keyboard over a moment after the window shows; only
    // a window still without it after this is told so.
    QTimer* keyboardGrace_;
    QRect bounds_;
    QMetaObject::Connection screenBoundsChanged_;
    bool putBackPending_ = false;
    // Waiting for the desktop to place the window: the desktop tells the
    // window its output once it shows it, and the window hears of it only
    // when that is not the screen it started on; so no change of screen for
    // a while after the window is shown means the screen it started on.
    bool awaitingPlacement_ = false;
    QTimer* placementGrace_;
    QMetaObject::Connection screenChanged_;
    // A window manager that never gives in is not fought for ever.
    int putBacksLeft_ = 0;
};
