#include "T860Util/ScreenPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

void CentreOnScreen(QWidget& window) {
    const QWidget* owner = window.parentWidget();
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        // The frame is what is moved; its size is known once the window was
        // shown, else it is the window's own.
        const QRect frame(QPoint(0, 0), window.frameGeometry().size());
        window.move(screen->availableGeometry().center() - frame.center());
    }
}
