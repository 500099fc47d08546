#pragma once
// The diagnostic trace: short lines on the debugger output. Each level writes at
// most kTraceLimitPerLevel lines per run; plain Trace has no level and no limit.

constexpr int kTraceLimitPerLevel = 200;
constexpr int kTraceLineSize = 512;

// printf-style; a line longer than kTraceLineSize - 1 characters is cut.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

void TraceAssert(const char* file, int line);
void TraceError(const char* message, const char* file, int line);
void TraceWarning(const char* message, const char* file, int line);
void TraceInfo(const char* message, const char* file, int line);
void TraceBug(const char* message, const char* file, int line);

// The part of a source path after its last separator (backslash, or slash
// where that is the separator); the whole text when it has none.
const char* TraceFileName(const char* path);

// The level counters last for the whole process; tests that count lines start
// from zero with this.
void ResetTraceCountersForTest();
