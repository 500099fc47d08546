#include "tests/T860Util/ReadBarrier.h"

#include <mutex>

#include "Protocol/DeviceStatus.h"
#include "T860Util/SettingsView.h"
#include "tests/support/ControllerReports.h"
#include "tests/support/WaitUntil.h"

using t860test::WaitUntil;

bool InjectedReportsHandled(VirtualController& controller, int channel,
                            std::chrono::milliseconds deadline) {
    if (channel == 6) {
        // Asked of the controller as another program would ask, past the
        // program's own queue: the answer comes after the reports injected
        // so far and after the answers to every command taken before.
        DeviceStatus.StreamStatusReceived = false;
        const uint8_t query[platform::hid::kReportSize] = {6, 'C', 1, 0x83};
        controller.OnOutputReport(controller.CollectionOf(6), query, sizeof query);
        return WaitUntil([] { return DeviceStatus.StreamStatusReceived.load(); }, deadline);
    }
    // One byte at offset 1000 of a two-chunk block: stored, nothing shown.
    constexpr uint16_t kOffset = 1000;
    TSettingsChannel& settings = SettingsChannel0;
    const auto assembled = [&settings] {
        std::lock_guard<std::mutex> guard(settings.handOverLock);
        return settings.assembly[kOffset];
    };
    const auto marker = static_cast<uint8_t>(assembled() + 1);
    controller.InjectReport(0, SettingsChunk(0, 2, kOffset, {marker}).data(), kReportDataSize);
    return WaitUntil([&] { return assembled() == marker; }, deadline);
}
