// The scope window's handler of camera data reports, with the window shown
// and painted after each input: a length selector and 64 bytes per report.

#include <cstddef>
#include <cstdint>

#include "T860Util/Scope.h"
#include "fuzz/EveryWindow.h"
#include "fuzz/ExactReport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TfrmScope* scope = OpenEveryWindow().scope;
    while (size > 0) {
        const ExactReport report(data, size);
        scope->HandleScopeData(report.Data(), report.Length());
    }
    LetWindowsPaint();
    return 0;
}
