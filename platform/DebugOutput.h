#pragma once
// The debugger output channel: the debugger on Windows, standard error elsewhere.
// Tests install their own sink to read what was written.

namespace platform {

class DebugSink {
public:
    virtual ~DebugSink() = default;
    // Called from any thread with one complete, zero-terminated text.
    virtual void Write(const char* text) = 0;
};

void OutputDebugString(const char* text);

// Replaces the sink; nullptr restores the default. Returns the previous sink
// (nullptr when it was the default).
DebugSink* SetDebugSink(DebugSink* sink);

}  // namespace platform
