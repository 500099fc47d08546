#include "lib/Trace.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "platform/DebugOutput.h"

namespace {

enum Level { kAssert, kError, kWarning, kInfo, kBug, kLevelCount };

std::atomic<int> g_counters[kLevelCount];

// Counts the call and tells whether the level may still write.
bool Admit(Level level) {
    return g_counters[level].fetch_add(1, std::memory_order_relaxed) < kTraceLimitPerLevel;
}

void TraceLevel(Level level, const char* prefix, const char* message, const char* file, int line) {
    if (!Admit(level)) {
        return;
    }
    Trace("%s - %s  %s; LINE: %d;\n", prefix, message ? message : "", TraceFileName(file), line);
}

}  // namespace

void Trace(const char* format, ...) {
    char buffer[kTraceLineSize];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, sizeof buffer, format ? format : "", args);
    va_end(args);
    if (written < 0) {
        return;
    }
    platform::OutputDebugString(buffer);
}

const char* TraceFileName(const char* path) {
    if (path == nullptr) {
        return "";
    }
    // Either separator: compilers name files with '/' on Windows too.
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') {
            name = p + 1;
        }
    }
    return name;
}

void TraceAssert(const char* file, int line) {
    if (Admit(kAssert)) {
        Trace("!ASSERT! %s; LINE: %d;\n", TraceFileName(file), line);
    }
}

void TraceError(const char* message, const char* file, int line) {
    TraceLevel(kError, "!ERROR!", message, file, line);
}

void TraceWarning(const char* message, const char* file, int line) {
    TraceLevel(kWarning, "!WARNING!", message, file, line);
}

void TraceInfo(const char* message, const char* file, int line) {
    TraceLevel(kInfo, "!INFO!", message, file, line);
}

void TraceBug(const char* message, const char* file, int line) {
    TraceLevel(kBug, "!BUG!", message, file, line);
}

void ResetTraceCountersForTest() {
    for (auto& counter : g_counters) {
        counter.store(0);
    }
}
