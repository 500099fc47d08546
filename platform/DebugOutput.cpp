#include "platform/DebugOutput.h"

#include <atomic>
#include <cstdio>

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
    std::fputs(text, stderr);
}

DebugSink* SetDebugSink(DebugSink* sink) {
    return g_sink.exchange(sink, std::memory_order_acq_rel);
}

}  // namespace platform
