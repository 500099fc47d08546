#include "tests/T860Util/ReadBarrier.h"

#include <mutex>

#include "Protocol/DeviceStatus.h"
#include "T860Util/SettingsView.h"
#include "tests/support/ControllerReports.h"
#include "tests/support/WaitUntil.h"

using t860test::WaitUntil;

bool InjectedReportsHandled(VirtualController& controller, int channel) {
    if (channel == 6) {
        DeviceStatus.StreamStatusReceived = false;
        controller.InjectReport(6, Reply(0x83, {1}).data(), kReportDataSize);
        return WaitUntil([] { return DeviceStatus.StreamStatusReceived.load(); });
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
    return WaitUntil([&] { return assembled() == marker; });
}
