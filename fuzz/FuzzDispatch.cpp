// The incoming report dispatch of one channel (FUZZ_CHANNEL, 0 or 6) with
// every window shown: the first byte picks the touch test, then each report
// is a length selector and 64 bytes.

#include <cstddef>
#include <cstdint>

#include "T860Util/Dispatch.h"
#include "fuzz/EveryWindow.h"
#include "fuzz/ExactReport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    OpenEveryWindow();
    if (size == 0) {
        return 0;
    }
    SelectTouchTest(*data++);
    --size;
    while (size > 0) {
        const ExactReport report(data, size);
#if FUZZ_CHANNEL == 6
        OnChannel6Report(0, report.Data(), report.Length());
#else
        OnChannel0Report(0, report.Data(), report.Length());
#endif
    }
    LetWindowsPaint();
    return 0;
}
