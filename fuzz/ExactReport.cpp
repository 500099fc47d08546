#include "fuzz/ExactReport.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int32_t kFullReport = 64;

}  // namespace

ExactReport::ExactReport(const uint8_t*& data, size_t& size) {
    // Mostly whole reports; a set top bit asks for another length.
    length_ = kFullReport;
    if (size > 0) {
        const uint8_t selector = *data++;
        --size;
        if ((selector & 0x80) != 0) {
            length_ = selector & 0x7F;
        }
    }
    bytes_ = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(std::max(length_, 1))));
    const size_t taken =
        std::min({size, static_cast<size_t>(kFullReport), static_cast<size_t>(length_)});
    std::memset(bytes_, 0, static_cast<size_t>(std::max(length_, 1)));
    std::memcpy(bytes_, data, taken);
    data += std::min(size, static_cast<size_t>(kFullReport));
    size -= std::min(size, static_cast<size_t>(kFullReport));
}

ExactReport::~ExactReport() {
    std::free(bytes_);
}
