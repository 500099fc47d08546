#include "Protocol/PerformanceStatsReport.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/CommaLocale.h"
#include "tests/support/VirtualBusFixture.h"

namespace {

void SetTimes(ThreadTimesBuffer& buffer, uint32_t deviceAccess, uint64_t timeBase,
              uint32_t others = 0) {
    std::memcpy(buffer.bytes + 4, &deviceAccess, 4);
    for (int thread = 1; thread < kPerfStatsThreadCount; ++thread) {
        std::memcpy(buffer.bytes + 4 + 4 * thread, &others, 4);
    }
    std::memcpy(buffer.bytes + 28, &timeBase, 8);
}

TEST(PerformanceStatsReport, RequestCarriesCodeAndBufferAddresses) {
    MemoryStatsBuffer memory;
    ThreadTimesBuffer threads;
    uint8_t report[platform::hid::kReportSize];
    std::memset(report, 0xAA, sizeof report);
    BuildPerformanceStatsRequest(report, memory, threads);
    EXPECT_EQ(report[0], 5);
    EXPECT_EQ(report[4], 7);
    uint64_t memoryAddress = 0;
    uint64_t threadAddress = 0;
    std::memcpy(&memoryAddress, report + 12, 8);
    std::memcpy(&threadAddress, report + 20, 8);
    EXPECT_EQ(memoryAddress, reinterpret_cast<uintptr_t>(&memory));
    EXPECT_EQ(threadAddress, reinterpret_cast<uintptr_t>(&threads));
    for (int i : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 28, 40, 64}) {
        EXPECT_EQ(report[i], 0) << "byte " << i;
    }
}

TEST(PerformanceStatsReport, ThreadSharesUseUnsignedDifferences) {
    ThreadTimesBuffer start;
    ThreadTimesBuffer stop;
    SetTimes(start, 1000, 5000);
    SetTimes(stop, 1250, 6000);
    EXPECT_NE(FormatThreadShares(start, stop).find("  DeviceAccess 25.000000%\n"),
              std::string::npos);

    SetTimes(stop, 1002, 5000);
    EXPECT_NE(FormatThreadShares(start, stop).find("  DeviceAccess 200.000000%\n"),
              std::string::npos)
        << "an unchanged time base divides by 1";

    SetTimes(start, 0xFFFFFFF0u, 100, 7);
    SetTimes(stop, 0x00000010u, 132, 7);
    const std::string text = FormatThreadShares(start, stop);
    EXPECT_EQ(text.rfind("GetPerfStats Thread cpu usage:\n", 0), 0u);
    EXPECT_NE(text.find("  DeviceAccess 100.000000%\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  TimerWorker 0.000000%\n"), std::string::npos);
}

TEST(PerformanceStatsReport, SharesKeepTheirDecimalPointUnderACommaLocale) {
    const t860test::CommaLocale german;
    ASSERT_TRUE(german.Active())
        << "a German locale is installed by the package list (locales-all)";
    ThreadTimesBuffer start;
    ThreadTimesBuffer stop;
    SetTimes(start, 0, 0, 0);
    SetTimes(stop, 125, 1000, 1);
    EXPECT_EQ(FormatThreadShares(start, stop),
              "GetPerfStats Thread cpu usage:\n  DeviceAccess 12.500000%\n"
              "  ConsumerWorker 0.100000%\n  ReaderWorker 0.100000%\n  HWWriter 0.100000%\n"
              "  HWReader 0.100000%\n  TimerWorker 0.100000%\n");
}

TEST(PerformanceStatsReport, MemoryTextShowsSixOfTheNineValues) {
    MemoryStatsBuffer memory;
    for (int i = 0; i < 9; ++i) {
        memory.values[i] = (i + 1) * 11;
    }
    memory.values[0] = -5;
    EXPECT_EQ(FormatMemoryStats(memory),
              "GetPerfStats Memory usage:\n  Total NP -5 \n  Total Paged 22 \n  T860 NP 33 \n"
              "  T860 Paged 44 \n  XlateLib NP 88 \n  XlateLib Paged 99\n");
}

}  // namespace

TEST(PerformanceStatsReport, ARequestNothingFilledIsNoAnswerAndLeavesNoStaleNumbers) {
    SelectedVirtualBus bus;
    // The controller's collections with nothing behind them: the request is
    // taken, as a device behind the system's HID driver takes it.
    bus.PlugController();
    HidCaps caps;
    const HidHandle device = FindHIDDevice(caps, kPerformanceStatsUsage, kVendorUsagePage, false);
    ASSERT_NE(device, nullptr);
    MemoryStatsBuffer memory;
    ThreadTimesBuffer threads;
    memory.values[0] = 1234;  // left from an earlier reading
    SetTimes(threads, 99, 5000);
    EXPECT_FALSE(GetPerformanceStats(device, memory, threads));
    EXPECT_EQ(memory.values[0], 0);
    EXPECT_EQ(threads.TimeBase(), 0u);
    CloseHIDDevice(device);
}
