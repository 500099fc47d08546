#pragma once
// t860ctl run in-process against a virtual controller on a fresh bus, with a
// configuration folder of its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Simulator/VirtualController.h"
#include "t860ctl/Ctl.h"
#include "tests/support/TempConfigHome.h"
#include "tests/support/VirtualBusFixture.h"
#include "tests/support/WaitUntil.h"

struct CtlResult {
    int code = -1;
    std::string out;
    std::string err;
};

inline CtlResult RunCtlCapturing(const std::vector<std::string>& args) {
    CtlResult result;
    result.code = RunCtl(args, result.out, result.err);
    return result;
}

class CtlOnController : public ::testing::Test {
protected:
    CtlOnController() { controller.Plug(); }
    ~CtlOnController() override { controller.Unplug(); }

    static CtlResult Run(const std::vector<std::string>& args) { return RunCtlCapturing(args); }

    std::string PathOf(const std::string& name) const { return (home.Root() / name).string(); }

    static std::string ReadAll(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    static void WriteAll(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    // Changes one setting on the controller as another program would, and
    // waits until the controller's worker has taken it.
    void ChangeOnController(int channel, int position, uint8_t typeCode,
                            std::initializer_list<uint8_t> value) {
        const std::vector<uint8_t> before = controller.SettingsBlockBytes(channel);
        uint8_t report[platform::hid::kReportSize] = {
            static_cast<uint8_t>(channel), 'S', 's', 0, static_cast<uint8_t>(position), typeCode};
        std::copy(value.begin(), value.end(), report + 7);
        controller.OnOutputReport(controller.CollectionOf(channel), report, sizeof report);
        ASSERT_TRUE(
            t860test::WaitUntil([&] { return controller.SettingsBlockBytes(channel) != before; }));
    }

    uint32_t OutputReports() const {
        return controller.OutputReportCount(0) + controller.OutputReportCount(6);
    }

    TempConfigHome home;
    SelectedVirtualBus bus;
    VirtualController controller{bus.bus};
};
