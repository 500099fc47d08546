// The unchanged program's hidraw backend and t860ctl against the virtual
// controller plugged in through uhid, with a stand-in for the kernel between
// them: the controller's devices must be found, their reports told apart by
// report id and the feature report answered, in both topologies, as a real
// kernel will show them.

#include <gmock/gmock.h>

#include <optional>

#include "DriverInterface/DriverIO.h"
#include "t860ctl/Ctl.h"
#include "tests/Simulator/uhid/UhidTestController.h"
#include "tests/support/TempConfigHome.h"
#include "tests/support/WaitUntil.h"
#include "tests/t860-uhid/FakeKernel.h"

using ::testing::HasSubstr;

namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

Result Ctl(const std::vector<std::string>& args) {
    Result result;
    result.code = RunCtl(args, result.out, result.err);
    return result;
}

class KernelPathTest : public ::testing::TestWithParam<UhidTopology> {
protected:
    KernelPathTest() {
        kernel_.Start();
        backend_.emplace(kernel_.Setup());
        platform::hid::SelectBackend(&*backend_);
        SetDeviceIdentity(kDefaultVendorID, kDefaultProductID);
    }
    ~KernelPathTest() override { platform::hid::SelectBackend(nullptr); }

    static ControllerConfig Config() {
        ControllerConfig config = QuietControllerConfig();
        config.floopPeriodMs = 30;  // channel 0 traffic the commands must see past
        return config;
    }

    TempConfigHome home_;
    FakeKernel kernel_;
    UhidTestController plugged_{GetParam(), kernel_.UhidOpener(), Config()};
    UhidTransport& transport_ = plugged_.transport;
    std::optional<platform::hid::HidrawBackend> backend_;

public:
    VirtualController& controller = plugged_.controller;
};

}  // namespace

TEST_P(KernelPathTest, T860ctlFindsAndDrivesTheControllerThroughHidraw) {
    EXPECT_EQ(Ctl({"info"}).code, 3);  // not plugged in yet
    controller.Plug();
    ASSERT_TRUE(transport_.WaitStarted(kUhidStartDeadlineMs));

    const Result info = Ctl({"info"});
    ASSERT_EQ(info.code, 0) << info.err;
    EXPECT_THAT(info.out, HasSubstr("Serial Number: 86012345"));
    EXPECT_THAT(info.out, HasSubstr("Driver Version: 2.6.0.1187"));

    // Channel 0 and channel 6 commands.
    EXPECT_EQ(Ctl({"report-mode", "0x0022"}).code, 0);
    EXPECT_EQ(controller.ReportMode(), 0x0022);
    const Result settings = Ctl({"settings", "dump", "--channel", "0"});
    EXPECT_EQ(settings.code, 0) << settings.err;
    EXPECT_EQ(Ctl({"settings", "dump", "--channel", "6"}).code, 0);

    // The digitizer's feature report, read and written through the replies.
    const Result mode = Ctl({"input-mode", "3"});
    EXPECT_EQ(mode.code, 0) << mode.err;
    EXPECT_EQ(controller.InputMode(), 3);

    // Taken, answered with nothing, and said so.
    const Result stats = Ctl({"perf-stats"});
    EXPECT_EQ(stats.code, 4);
    EXPECT_THAT(stats.err, HasSubstr("BF_REPORT_GET_PERFORMANCE_STATS failed"));
    // The request travels on its own after the write returned.
    EXPECT_TRUE(t860test::WaitUntil([&] { return controller.OutputReportCount(5) != 0; }));
    EXPECT_EQ(controller.OutputReportCount(5), 1u);

    // Unplugged, it is gone; plugged in again, it answers again.
    controller.Unplug();
    ASSERT_TRUE(kernel_.WaitForNodes(0));
    EXPECT_EQ(Ctl({"info"}).code, 3);
    controller.Plug();
    ASSERT_TRUE(transport_.WaitStarted(kUhidStartDeadlineMs));
    EXPECT_EQ(Ctl({"info"}).code, 0);
}

INSTANTIATE_TEST_SUITE_P(BothTopologies, KernelPathTest, BothUhidTopologies(), TopologyName);
