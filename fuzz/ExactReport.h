#pragma once
// A fuzzer's report in a buffer of exactly its length, so that a read past
// the length is caught.

#include <cstddef>
#include <cstdint>

// Lengths run past 64 to probe the length checks.
class ExactReport {
public:
    // Takes a length selector byte and up to 64 data bytes from the input.
    ExactReport(const uint8_t*& data, size_t& size);
    ~ExactReport();
    ExactReport(const ExactReport&) = delete;
    ExactReport& operator=(const ExactReport&) = delete;

    const uint8_t* Data() const { return bytes_; }
    int32_t Length() const { return length_; }

private:
    uint8_t* bytes_;
    int32_t length_;
};
