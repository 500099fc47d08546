#include "T860Util/Calibrate.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <limits>

#include "Protocol/Protocolutils.h"
#include "platform/Sync.h"

TfrmCalibrate* frmCalibrate = nullptr;

namespace {

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

QRect ScreenBoundsNear(const QPoint& point) {
    if (QScreen* screen = QGuiApplication::screenAt(point)) {
        return screen->geometry();
    }
    QRect nearest;
    qint64 best = std::numeric_limits<qint64>::max();
    for (QScreen* screen : QGuiApplication::screens()) {
        const qint64 distance = DistanceSquared(screen->geometry(), point);
        if (distance < best) {
            best = distance;
            nearest = screen->geometry();
        }
    }
    return nearest;
}

TfrmCalibrate::TfrmCalibrate(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setWindowTitle("Calibrate");
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);
    setCursor(Qt::CrossCursor);
    btnCancelCalibration = new QPushButton("Cancel Calibration", this);
    btnCancelCalibration->resize(130, 25);
    connect(btnCancelCalibration, &QPushButton::clicked, this,
            &TfrmCalibrate::btnCancelCalibrationClick);
}

void TfrmCalibrate::FormShow() {
    platform::Sleep(500);
    const QRect bounds = ScreenBoundsNear(QCursor::pos());
    if (!bounds.isEmpty()) {
        setGeometry(bounds);
    }
    btnCancelCalibration->move(width() / 2 - btnCancelCalibration->width() / 2,
                               height() / 2 - btnCancelCalibration->height() / 2);
}

void TfrmCalibrate::btnCancelCalibrationClick() {
    Calibrate(false);
}

void TfrmCalibrate::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}
