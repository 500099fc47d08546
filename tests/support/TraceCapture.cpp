#include "tests/support/TraceCapture.h"

#include "lib/Trace.h"

TraceCapture::TraceCapture() {
    ResetTraceCountersForTest();
    previous_ = platform::SetDebugSink(this);
}

TraceCapture::~TraceCapture() {
    platform::SetDebugSink(previous_);
}

void TraceCapture::Write(const char* text) {
    std::lock_guard<std::mutex> guard(lock_);
    lines_.emplace_back(text);
}

std::vector<std::string> TraceCapture::Lines() const {
    std::lock_guard<std::mutex> guard(lock_);
    return lines_;
}

int TraceCapture::Count(const std::string& text) const {
    std::lock_guard<std::mutex> guard(lock_);
    int count = 0;
    for (const std::string& line : lines_) {
        count += line.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

void TraceCapture::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    lines_.clear();
}
