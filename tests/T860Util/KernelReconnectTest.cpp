// The program's windows on a controller in the kernel (t860-uhid) through the
// hidraw backend: unplugged and re-plugged by the kernel, the program finds it
// again on its next search and the settings view still edits. Runs only where
// such a controller is present: T860_KERNEL_UHID names its topology and
// T860_UHID_PID the process that re-plugs it on SIGUSR1 (the kernel stage sets
// both in its guest).

#include <gtest/gtest.h>
#include <signal.h>

#include <QLabel>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "DriverInterface/DriverIO.h"
#include "T860Util/Dispatch.h"
#include "T860Util/Main.h"
#include "T860Util/SettingsView.h"
#include "T860Util/Sync.h"
#include "tests/T860Util/ProgramGlobals.h"
#include "tests/T860Util/ScriptedUi.h"
#include "tests/T860Util/SettingsTreeInput.h"
#include "tests/support/TempConfigHome.h"
#include "tests/support/WaitUntil.h"

namespace {

using t860test::WaitUntil;

class KernelReconnect : public ::testing::Test {
protected:
    void SetUp() override {
        const char* topology = std::getenv("T860_KERNEL_UHID");
        const char* pid = std::getenv("T860_UHID_PID");
        if (topology == nullptr || pid == nullptr || std::atoi(pid) <= 0) {
            GTEST_SKIP() << "no controller in the kernel (T860_KERNEL_UHID, T860_UHID_PID unset)";
        }
        uhidPid_ = std::atoi(pid);
        ResetProgramGlobals();
        main_ = std::make_unique<TfrmMain>();
        view_ = std::make_unique<TfrmSettingsView>();
    }

    void TearDown() override {
        if (main_) {
            main_->FormClose();
            CloseSyncCalls(main_.get());
        }
        view_.reset();
        JoinDriverIOThreads();
        main_.reset();
        SetReportCallback0(nullptr);
        SetReportCallback6(nullptr);
    }

    bool Connected() const { return main_->Label1->text() == "Connected"; }

    TempConfigHome home_;
    ScriptedUi ui_;
    int uhidPid_ = 0;
    std::unique_ptr<TfrmMain> main_;
    std::unique_ptr<TfrmSettingsView> view_;
};

TEST_F(KernelReconnect, AReplugIsFoundWithinTheRetryTimeAndTheSettingsViewStillEdits) {
    ASSERT_TRUE(WaitUntil([&] { return Connected(); })) << "the first search";
    // The read error comes at once; the program waits its retry time (5 s)
    // before it shows the disconnection and searches again. The waits' own
    // deadline is several times that, for a slow emulated machine.
    const auto replugged = std::chrono::steady_clock::now();
    ASSERT_EQ(kill(uhidPid_, SIGUSR1), 0) << "re-plug";
    ASSERT_TRUE(WaitUntil([&] { return !Connected(); })) << "the unplug was noticed";
    ASSERT_TRUE(WaitUntil([&] { return Connected(); })) << "found again by the next search";
    const auto took = std::chrono::steady_clock::now() - replugged;
    std::printf("reconnected %lld ms after the re-plug\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));

    view_->show();
    ASSERT_TRUE(WaitUntil([&] { return Texts(view_->TreeView1).contains("Gain = 10 "); }));
    ASSERT_NO_FATAL_FAILURE(EditNode(view_->TreeView1, "Gain = 10 ", "77"));
    EXPECT_TRUE(WaitUntil([&] { return Texts(view_->TreeView1).contains("Gain = 77 "); }))
        << "the controller's echo through the kernel";
    ASSERT_NO_FATAL_FAILURE(EditNode(view_->TreeView1, "Gain = 77 ", "10"));
    EXPECT_TRUE(WaitUntil([&] { return Texts(view_->TreeView1).contains("Gain = 10 "); }));
}

}  // namespace
