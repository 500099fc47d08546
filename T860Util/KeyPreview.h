#pragma once
// Key preview: the window sees every key press before the control that has
// the focus, whichever control that is.

#include <QObject>
#include <functional>

class QKeyEvent;
class QWidget;

class KeyPreview : public QObject {
public:
    // handler returns true when it consumed the key.
    KeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler);
    // Call after the window's controls were created.
    void Attach();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    std::function<bool(QKeyEvent*)> handler_;
};
