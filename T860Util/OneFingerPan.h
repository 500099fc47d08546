#pragma once
// A pan made by one finger. The toolkit's own pan recogniser takes two
// fingers on every platform but one; a one-finger drag is the pan a
// touchscreen user makes first. Registered beside the toolkit's recogniser,
// its gestures are pan gestures, so a widget that grabs the pan gets both.

#include <QGestureRecognizer>

class OneFingerPanRecognizer : public QGestureRecognizer {
public:
    // Registers the recogniser with the application once; later calls do
    // nothing. Needs the QApplication.
    static void RegisterOnce();

    QGesture* create(QObject* target) override;
    Result recognize(QGesture* gesture, QObject* watched, QEvent* event) override;
    void reset(QGesture* gesture) override;
};
