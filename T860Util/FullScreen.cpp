#include "T860Util/FullScreen.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <limits>

#include "Checks/DesktopSession.h"
#include "T860Util/Main.h"

namespace {

// Enough for any window manager that places a window once or twice on its
// own before it settles; one that goes on moving it after that has won.
constexpr int kPutBacksPerShow = 20;
constexpr int kKeyboardGraceMs = 1500;
// A desktop tells a shown window which output it put it on within a frame or
// two; a window that hears of no other screen by then is on the one it
// started on.
constexpr int kPlacementGraceMs = 1500;
const char kNoKeyboardHint[] =
    "The desktop did not give this window the keyboard: click or touch it first.    ";

// Squared distance from the point to the nearest point of the rectangle.
qint64 DistanceSquared(const QRect& rect, const QPoint& point) {
    const qint64 dx = point.x() < rect.left()    ? rect.left() - point.x()
                      : point.x() > rect.right() ? point.x() - rect.right()
                                                 : 0;
    const qint64 dy = point.y() < rect.top()      ? rect.top() - point.y()
                      : point.y() > rect.bottom() ? point.y() - rect.bottom()
                                                  : 0;
    return dx * dx + dy * dy;
}

}  // namespace

QScreen* ScreenNear(const QPoint& point) {
    if (QScreen* screen = QGuiApplication::screenAt(point)) {
        return screen;
    }
    QScreen* nearest = nullptr;
    qint64 best = std::numeric_limits<qint64>::max();
    for (QScreen* screen : QGuiApplication::screens()) {
        const qint64 distance = DistanceSquared(screen->geometry(), point);
        if (distance < best) {
            best = distance;
            nearest = screen;
        }
    }
    return nearest;
}

std::optional<QPoint> PointerOnDesktop() {
    // A Wayland client learns the pointer's place on its own surfaces only,
    // never on the desktop; under Xwayland the X server knows it only while
    // the pointer is over one of its windows. Either way what Qt reports is
    // not where the pointer is.
    if (QGuiApplication::platformName().startsWith("wayland") ||
        SessionKindOf(SessionEnvironment::OfThisProcess()) == SessionKind::Wayland) {
        return std::nullopt;
    }
    return QCursor::pos();
}

QScreen* FullScreenScreen(const std::optional<QPoint>& pointer, const QWidget* mainWindow,
                          bool desktopPlacesWindows) {
    if (pointer) {
        return ScreenNear(*pointer);
    }
    // The desktop tells each window which screen it is on.
    if (mainWindow != nullptr && mainWindow->isVisible() && mainWindow->screen() != nullptr) {
        return mainWindow->screen();
    }
    return desktopPlacesWindows ? nullptr : QGuiApplication::primaryScreen();
}

QScreen* ScreenForFullScreen() {
    // A native Wayland window only; under Xwayland the X11 rules hold.
    return FullScreenScreen(PointerOnDesktop(), frmMain,
                            QGuiApplication::platformName().startsWith("wayland"));
}

FullScreenKeeper::FullScreenKeeper(QWidget* window)
    : QObject(window),
      window_(window),
      keyboardGrace_(new QTimer(this)),
      placementGrace_(new QTimer(this)) {
    window_->setWindowFlags(window_->windowFlags() | Qt::Window | Qt::FramelessWindowHint);
    window_->installEventFilter(this);
    keyboardGrace_->setSingleShot(true);
    keyboardGrace_->setInterval(kKeyboardGraceMs);
    connect(keyboardGrace_, &QTimer::timeout, this,
            [this] { ShowKeyboardHint(window_->isActiveWindow()); });
    placementGrace_->setSingleShot(true);
    placementGrace_->setInterval(kPlacementGraceMs);
    connect(placementGrace_, &QTimer::timeout, this, &FullScreenKeeper::CoverPlaced);
}

void FullScreenKeeper::Show() {
    ShowOn(ScreenForFullScreen());
}

void FullScreenKeeper::ShowOn(QScreen* screen) {
    if (screen == nullptr) {
        // Asking for the full-screen state names an output, so the window
        // is shown as it is first and covers its screen once placed.
        window_->setWindowState(window_->windowState() &
                                ~(Qt::WindowFullScreen | Qt::WindowMinimized));
        window_->show();
        CoverWhereThePlacedWindowIs();
        TakeKeyboard();
        return;
    }
    KeepOn(screen);
    window_->showFullScreen();
    TakeKeyboard();
}

void FullScreenKeeper::CoverShown() {
    QScreen* screen = ScreenForFullScreen();
    if (screen == nullptr) {
        CoverWhereThePlacedWindowIs();
        TakeKeyboard();
        return;
    }
    Cover(screen);
    TakeKeyboard();
}

void FullScreenKeeper::Cover(QScreen* screen) {
    KeepOn(screen);
    window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) | Qt::WindowFullScreen);
}

void FullScreenKeeper::CoverWhereThePlacedWindowIs() {
    QWindow* handle = window_->windowHandle();
    if (handle == nullptr) {
        return;  // never shown: nothing was placed
    }
    disconnect(screenBoundsChanged_);
    bounds_ = {};  // nothing to put back to until placed
    awaitingPlacement_ = true;
    handle->installEventFilter(this);
    disconnect(screenChanged_);
    screenChanged_ = connect(handle, &QWindow::screenChanged, this, [this] {
        if (awaitingPlacement_) {
            CoverPlaced();
        }
    });
    placementGrace_->stop();
    if (handle->isExposed()) {
        placementGrace_->start();
    }
}

void FullScreenKeeper::CoverPlaced() {
    awaitingPlacement_ = false;
    placementGrace_->stop();
    disconnect(screenChanged_);
    if (!window_->isVisible() || window_->screen() == nullptr) {
        return;
    }
    Cover(window_->screen());
}

void FullScreenKeeper::FollowPlacement(QEvent* event) {
    QWindow* handle = window_->windowHandle();
    if (awaitingPlacement_ && event->type() == QEvent::Expose && handle->isExposed() &&
        !placementGrace_->isActive()) {
        placementGrace_->start();
    }
}

void FullScreenKeeper::KeepOn(QScreen* screen) {
    disconnect(screenBoundsChanged_);
    screenBoundsChanged_ =
        connect(screen, &QScreen::geometryChanged, this, [this](const QRect& bounds) {
            bounds_ = bounds;
            SchedulePutBack();
        });
    bounds_ = screen->geometry();
    putBacksLeft_ = kPutBacksPerShow;
    WatchKeysOfEveryControl();
    window_->setScreen(screen);
    window_->setGeometry(bounds_);
}

void FullScreenKeeper::TakeKeyboard() {
    window_->raise();
    window_->activateWindow();
    ShowKeyboardHint(true);
    keyboardGrace_->start();
}

void FullScreenKeeper::ShowsKeyboardHintOn(QLabel* hint) {
    hint_ = hint;
    hintText_ = hint->text();
}

void FullScreenKeeper::ShowKeyboardHint(bool hasKeyboard) {
    if (hint_ == nullptr) {
        return;
    }
    hint_->setText(hasKeyboard ? hintText_ : kNoKeyboardHint + hintText_);
    hint_->adjustSize();
}

void FullScreenKeeper::WatchKeysOfEveryControl() {
    // Alt+F4 is taken from the key presses themselves, not by a shortcut: a
    // shortcut needs the window to be the active one, and without a window
    // manager nothing may ever make it so although it receives the keys.
    // Installed again on each show, for the controls made since; a filter
    // installed twice on an object still runs once.
    for (QWidget* control : window_->findChildren<QWidget*>()) {
        control->installEventFilter(this);
    }
}

bool FullScreenKeeper::IsCloseKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_F4 && (key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
}

bool FullScreenKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_->windowHandle()) {
        FollowPlacement(event);  // seen on the way; the window handles it as ever
        return false;
    }
    if (event->type() == QEvent::KeyPress && IsCloseKey(static_cast<QKeyEvent*>(event))) {
        // Taken here so that no control and no key handler of the window sees it.
        window_->close();
        return true;
    }
    if (watched != window_) {
        return false;
    }
    switch (event->type()) {
        case QEvent::WindowActivate:
            ShowKeyboardHint(true);
            return false;
        case QEvent::WindowDeactivate:
            // Another window took the keyboard while this one is in front.
            if (window_->isVisible() && !keyboardGrace_->isActive()) {
                ShowKeyboardHint(false);
            }
            return false;
        case QEvent::Close:
            // Already closed: a second close (Alt+F4 seen by both the window
            // and a window manager) must not run the window's close again.
            return !window_->isVisible();
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            SchedulePutBack();
            return false;
        default:
            return false;
    }
}

void FullScreenKeeper::SchedulePutBack() {
    // After the event that moved the window has been handled, and once for
    // a burst of them.
    if (!putBackPending_ && window_->isVisible() && !bounds_.isEmpty()) {
        putBackPending_ = true;
        QMetaObject::invokeMethod(this, &FullScreenKeeper::PutBack, Qt::QueuedConnection);
    }
}

void FullScreenKeeper::PutBack() {
    putBackPending_ = false;
    const bool inPlace = window_->geometry() == bounds_ && window_->isFullScreen();
    if (!window_->isVisible() || inPlace || putBacksLeft_ <= 0) {
        return;
    }
    --putBacksLeft_;
    window_->setGeometry(bounds_);
    if (!window_->isFullScreen()) {
        window_->setWindowState((window_->windowState() & ~Qt::WindowMinimized) |
                                Qt::WindowFullScreen);
    }
}
