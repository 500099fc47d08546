#include "t860ctl/TraceTail.h"

TraceTail::TraceTail() : previous_(platform::SetDebugSink(this)) {}

TraceTail::~TraceTail() {
    platform::SetDebugSink(previous_);
}

void TraceTail::Write(const char* text) {
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        lines_.push_back(std::move(line));
        if (lines_.size() > kLines) {
            lines_.pop_front();
        }
    }
    // A sink that was there before (a test's) still sees every line.
    if (previous_ != nullptr) {
        previous_->Write(text);
    }
}

std::vector<std::string> TraceTail::Lines() const {
    std::lock_guard<std::mutex> guard(lock_);
    return {lines_.begin(), lines_.end()};
}
