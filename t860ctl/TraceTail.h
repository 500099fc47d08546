#pragma once
// Keeps the last trace lines of this run for the service report, in place of
// the debugger output, for as long as it lives.

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DebugOutput.h"

class TraceTail : public platform::DebugSink {
public:
    static constexpr size_t kLines = 50;

    TraceTail();
    ~TraceTail() override;
    TraceTail(const TraceTail&) = delete;
    TraceTail& operator=(const TraceTail&) = delete;

    void Write(const char* text) override;
    std::vector<std::string> Lines() const;

private:
    platform::DebugSink* previous_;
    mutable std::mutex lock_;
    std::deque<std::string> lines_;
};
