#include "T860Util/OneFingerPan.h"

#include <QGesture>
#include <QTouchEvent>
#include <cmath>

namespace {

// How far the finger moves, on either axis, before the drag is a pan: the
// distance the toolkit's own recogniser waits for.
constexpr qreal kPanDistance = 10;

}  // namespace

void OneFingerPanRecognizer::RegisterOnce() {
    // The application owns the recogniser from here on.
    static const bool registered = [] {
        QGestureRecognizer::registerRecognizer(new OneFingerPanRecognizer);
        return true;
    }();
    (void)registered;
}

QGesture* OneFingerPanRecognizer::create(QObject* target) {
    // A QPanGesture carries the pan's type, so the application files this
    // recogniser under the pan.
    return new QPanGesture(target);
}

QGestureRecognizer::Result OneFingerPanRecognizer::recognize(QGesture* gesture, QObject*,
                                                             QEvent* event) {
    auto* pan = static_cast<QPanGesture*>(gesture);
    switch (event->type()) {
        case QEvent::TouchBegin:
            pan->setLastOffset({});
            pan->setOffset({});
            return MayBeGesture;
        case QEvent::TouchUpdate: {
            const auto* touch = static_cast<const QTouchEvent*>(event);
            // Two fingers are the toolkit's pan, or a pinch.
            if (touch->points().size() != 1) {
                return gesture->state() == Qt::NoGesture ? CancelGesture : FinishGesture;
            }
            const QEventPoint& finger = touch->points().first();
            pan->setLastOffset(pan->offset());
            pan->setOffset(finger.position() - finger.pressPosition());
            if (std::abs(pan->offset().x()) > kPanDistance ||
                std::abs(pan->offset().y()) > kPanDistance) {
                pan->setHotSpot(finger.globalPressPosition());
                return TriggerGesture;
            }
            return MayBeGesture;
        }
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            return gesture->state() == Qt::NoGesture ? CancelGesture : FinishGesture;
        default:
            return Ignore;
    }
}

void OneFingerPanRecognizer::reset(QGesture* gesture) {
    auto* pan = static_cast<QPanGesture*>(gesture);
    pan->setLastOffset({});
    pan->setOffset({});
    pan->setAcceleration(0);
    QGestureRecognizer::reset(gesture);
}
