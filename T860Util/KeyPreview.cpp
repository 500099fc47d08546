#include "T860Util/KeyPreview.h"

#include <QKeyEvent>
#include <QWidget>

KeyPreview::KeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler)
    : QObject(window), window_(window), handler_(std::move(handler)) {}

void KeyPreview::Attach() {
    window_->installEventFilter(this);
    for (QWidget* child : window_->findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QObject::eventFilter(watched, event);
    }
    // A key goes first to the control with the focus, and travels up to the
    // window again when that control does not take it: the window previews it
    // at the first stop only.
    QWidget* focus = window_->focusWidget();
    QWidget* firstStop = (focus != nullptr && window_->isAncestorOf(focus)) ? focus : window_;
    if (watched != firstStop) {
        return false;
    }
    return handler_(static_cast<QKeyEvent*>(event));
}
