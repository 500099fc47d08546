// The baseline reader on arbitrary text (baselines travel between machines):
// it refuses or reads without fault, and what it reads writes back to a file
// that reads back the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Checks/BaselineFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    BaselineContent content;
    std::string error;
    if (!ParseBaselineFile(text, content, error)) {
        return 0;
    }
    const std::string written = WriteBaselineFile(content);
    BaselineContent again;
    if (!ParseBaselineFile(written, again, error) || WriteBaselineFile(again) != written) {
        std::abort();
    }
    return 0;
}
