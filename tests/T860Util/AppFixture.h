#pragma once
// The program's windows on the real device engine and a virtual controller,
// with a temporary home and scripted dialogs.

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Simulator/VirtualController.h"
#include "T860Util/Calibrate.h"
#include "T860Util/Floopcount.h"
#include "T860Util/Main.h"
#include "T860Util/Xtest.h"
#include "platform/hid/VirtualBus.h"
#include "tests/T860Util/ScriptedUi.h"
#include "tests/support/ControllerReports.h"
#include "tests/support/TempConfigHome.h"

using Report65 = std::array<uint8_t, 65>;

// The first count bytes as upper-case hex pairs separated by blanks.
std::string Hex(const Report65& report, int count);

// Sees every output report on its way to the controller, in order.
class OutputRecorder : public platform::hid::VirtualDeviceHandler {
public:
    explicit OutputRecorder(VirtualController& controller) : controller_(controller) {}
    void OnOutputReport(size_t collection, const uint8_t* report, size_t length) override;
    bool OnGetFeature(size_t collection, uint8_t* report, size_t length) override {
        return controller_.OnGetFeature(collection, report, length);
    }
    bool OnSetFeature(size_t collection, const uint8_t* report, size_t length) override {
        return controller_.OnSetFeature(collection, report, length);
    }
    // Output reports of channel 0 or 6 so far.
    std::vector<Report65> Sent(int channel) const;
    void Clear();

private:
    VirtualController& controller_;
    mutable std::mutex lock_;
    std::vector<std::pair<size_t, Report65>> sent_;
};

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Builds the windows, starting device access; waits for the handshake.
    void CreateWindows(bool waitConnected = true);
    // Ends device access as the program does before its windows go: a test
    // that destroys a window of its own calls this first, so that no read
    // thread is inside the window as it goes.
    void StopDeviceAccess();

    // True once every report that the test made the program queue has
    // reached the controller: the window thread's pending events run first
    // (some queue a report), then both write queues are waited for. A check
    // that a report was not sent comes after this.
    static bool AllQueuedReportsSent();
    // True once the channel's read thread has handled every report injected
    // on it before (on channel 6 also the controller's answers to what it
    // took before): see ReadBarrier.h.
    bool InjectedReportsHandled(int channel = 6);
    // True once the program has done what the test set going: the reports
    // queued are written, the controller's answers to them handled, and what
    // those answers queued written too.
    bool Settled();

    virtual ControllerConfig Config() const;

    TempConfigHome home_;
    platform::hid::VirtualBus bus_;
    std::unique_ptr<VirtualController> controller_;
    std::unique_ptr<OutputRecorder> recorder_;
    ScriptedUi ui_;
    std::unique_ptr<TfrmMain> main_;
    std::unique_ptr<TfrmXTest> xtest_;
    std::unique_ptr<TfrmCalibrate> calibrate_;
    std::unique_ptr<TfrmFloopCount> floop_;
};
