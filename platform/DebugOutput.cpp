#include "platform/DebugOutput.h"

#include <atomic>
#include <cstdio>

#ifdef _WIN32
#include "platform/win32/Windows.h"
#endif

namespace platform {

namespace {
std::atomic<DebugSink*> g_sink{nullptr};
}

void OutputDebugString(const char* text) {
    if (text == nullptr) {
        return;
    }
    if (DebugSink* sink = g_sink.load(std::memory_order_acquire)) {
        sink->Write(text);
        return;
    }
#ifdef _WIN32
    ::OutputDebugStringA(text);
#else
    std::fputs(text, stderr);
#endif
}

DebugSink* SetDebugSink(DebugSink* sink) {
    return g_sink.exchange(sink, std::memory_order_acq_rel);
}

}  // namespace platform
