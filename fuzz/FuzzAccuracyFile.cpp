// The accuracy result reader on arbitrary text (results travel with service
// reports and baselines): it refuses or reads without fault, and the summary
// it reads embeds and reads back the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "Checks/AccuracyFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    JsonValue root;
    std::string error;
    AccuracySummary summary;
    if (!ParseJson(text, root, error) || !AccuracySummaryFromJson(root, summary, error)) {
        return 0;
    }
    JsonValue embedded = AccuracySummaryJson(summary);
    embedded.Set("format", JsonValue::String(kAccuracyFileFormat));
    embedded.Set("version", JsonValue::Number(kAccuracyFileVersion));
    AccuracySummary again;
    if (!AccuracySummaryFromJson(embedded, again, error) ||
        WriteJson(AccuracySummaryJson(again)) != WriteJson(AccuracySummaryJson(summary))) {
        std::abort();
    }
    return 0;
}
