// The HID report descriptor parser on whatever a device's sysfs entry holds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/hid/ReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const platform::hid::ReportDescriptor descriptor =
        platform::hid::ParseReportDescriptor(data, size);
    for (const auto& collection : descriptor.Collections) {
        // A report longer than the kernel ever delivers would size the read buffers wrongly.
        if (collection.InputReportByteLength > 16385 || collection.OutputReportByteLength > 16385 ||
            collection.FeatureReportByteLength > 16385) {
            std::abort();
        }
    }
    return 0;
}
