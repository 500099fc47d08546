#pragma once
// The program's windows on the real device engine and a virtual controller,
// with a temporary home and scripted dialogs.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "Simulator/VirtualController.h"
#include "T860Util/Calibrate.h"
#include "T860Util/Floopcount.h"
#include "T860Util/Main.h"
#include "T860Util/Xtest.h"
#include "platform/hid/VirtualBus.h"
#include "tests/T860Util/ScriptedUi.h"
#include "tests/support/TempConfigHome.h"

using Report64 = std::array<uint8_t, 64>;
using Report65 = std::array<uint8_t, 65>;

Report64 Report(std::initializer_list<uint8_t> bytes);

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

    // Runs the window thread's events until the condition holds or the time
    // is up; returns the condition.
    static bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 3000);
    static void Pump(int ms);

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

// Clears the process-wide device status between tests.
void ResetDeviceStatus();
