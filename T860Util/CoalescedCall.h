#pragma once
// A call to the window thread that any thread may ask for as often as it
// likes: one queued call stands for every request until the window thread
// has run it. Reports come faster than a window is painted, so a burst costs
// one call, and a request while one is pending allocates nothing.

#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <functional>
#include <utility>

class CoalescedCall {
public:
    // Runs call on context's thread; context outlives every request.
    CoalescedCall(QObject* context, std::function<void()> call)
        : context_(context), call_(std::move(call)) {}

    void Request() {
        if (!pending_.exchange(true)) {
            QMetaObject::invokeMethod(
                context_,
                [this] {
                    pending_ = false;
                    call_();
                },
                Qt::QueuedConnection);
        }
    }

private:
    QObject* context_;
    std::function<void()> call_;
    std::atomic<bool> pending_{false};
};
