#include "T860Util/Sync.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct PendingCall {
    enum class State { Waiting, Running, Done, Abandoned };
    QObject* window;
    SyncHandler handler;
    int32_t value;
    State state = State::Waiting;  // guarded by syncLock
};

std::mutex syncLock;
std::condition_variable callFinished;
std::vector<QObject*> openWindows;
std::vector<std::shared_ptr<PendingCall>> pendingCalls;

bool IsOpenLocked(QObject* window) {
    return std::find(openWindows.begin(), openWindows.end(), window) != openWindows.end();
}

// Lets the callers of the matching calls that have not started go on.
template <typename Matches>
void AbandonWaitingLocked(Matches matches) {
    for (const auto& call : pendingCalls) {
        if (matches(*call) && call->state == PendingCall::State::Waiting) {
            call->state = PendingCall::State::Abandoned;
        }
    }
}

// Runs on the window thread when the queued call's turn comes.
void RunPending(const std::shared_ptr<PendingCall>& call) {
    {
        std::lock_guard<std::mutex> guard(syncLock);
        if (call->state != PendingCall::State::Waiting) {
            return;  // abandoned: its caller has gone on
        }
        call->state = PendingCall::State::Running;
    }
    call->handler(0, call->value);
    {
        std::lock_guard<std::mutex> guard(syncLock);
        call->state = PendingCall::State::Done;
    }
    callFinished.notify_all();
}

}  // namespace

int SyncCall(QObject* window, SyncHandler handler, int32_t value) {
    if (window == nullptr || handler == nullptr) {
        return 0;
    }
    std::unique_lock<std::mutex> guard(syncLock);
    if (!IsOpenLocked(window)) {
        return 0;
    }
    if (QThread::currentThread() == window->thread()) {
        guard.unlock();
        handler(0, value);
        return 1;
    }
    auto call = std::make_shared<PendingCall>(PendingCall{window, handler, value});
    pendingCalls.push_back(call);
    // Posted while the window is known open: closing it needs this lock, and it
    // is closed before it is destroyed.
    QMetaObject::invokeMethod(
        window, [call] { RunPending(call); }, Qt::QueuedConnection);
    callFinished.wait(guard, [&] {
        return call->state == PendingCall::State::Done ||
               call->state == PendingCall::State::Abandoned;
    });
    pendingCalls.erase(std::find(pendingCalls.begin(), pendingCalls.end(), call));
    return call->state == PendingCall::State::Done ? 1 : 0;
}

void OpenSyncCalls(QObject* window) {
    {
        std::lock_guard<std::mutex> guard(syncLock);
        if (window == nullptr || IsOpenLocked(window)) {
            return;
        }
        openWindows.push_back(window);
    }
    QObject::connect(window, &QObject::destroyed, [window] { CloseSyncCalls(window); });
}

void CloseSyncCalls(QObject* window) {
    {
        std::lock_guard<std::mutex> guard(syncLock);
        openWindows.erase(std::remove(openWindows.begin(), openWindows.end(), window),
                          openWindows.end());
        AbandonWaitingLocked([window](const PendingCall& call) { return call.window == window; });
    }
    callFinished.notify_all();
}

void CloseAllSyncCalls() {
    {
        std::lock_guard<std::mutex> guard(syncLock);
        openWindows.clear();
        AbandonWaitingLocked([](const PendingCall&) { return true; });
    }
    callFinished.notify_all();
}
