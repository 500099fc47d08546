#pragma once
// Collects what the program writes to the debugger output while it lives.

#include <mutex>
#include <string>
#include <vector>

#include "platform/DebugOutput.h"

class TraceCapture : public platform::DebugSink {
public:
    // Also resets the trace's level counters, so that each test starts fresh.
    TraceCapture();
    ~TraceCapture() override;

    void Write(const char* text) override;

    std::vector<std::string> Lines() const;
    // Lines that contain the text.
    int Count(const std::string& text) const;
    bool Contains(const std::string& text) const { return Count(text) > 0; }
    void Clear();

private:
    platform::DebugSink* previous_;
    mutable std::mutex lock_;
    std::vector<std::string> lines_;
};
