#include "tests/T860Util/AppFixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <algorithm>
#include <cstdio>

#include "DriverInterface/DriverIO.h"
#include "Protocol/DeviceStatus.h"
#include "T860Util/Sync.h"
#include "lib/Utils.h"
#include "tests/T860Util/ProgramGlobals.h"
#include "tests/T860Util/ReadBarrier.h"
#include "tests/support/EngineWaits.h"

using t860test::WaitUntil;

void OutputRecorder::OnOutputReport(size_t collection, const uint8_t* report, size_t length) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        Report65 copy{};
        std::copy_n(report, std::min(length, copy.size()), copy.begin());
        sent_.emplace_back(collection, copy);
    }
    controller_.OnOutputReport(collection, report, length);
}

std::vector<Report65> OutputRecorder::Sent(int channel) const {
    const size_t collection = controller_.CollectionOf(channel);
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<Report65> result;
    for (const auto& [from, report] : sent_) {
        if (from == collection) {
            result.push_back(report);
        }
    }
    return result;
}

std::string Hex(const Report65& report, int count) {
    std::string text;
    char byte[4];
    for (int i = 0; i < count; ++i) {
        std::snprintf(byte, sizeof byte, i ? " %02X" : "%02X", report[i]);
        text += byte;
    }
    return text;
}

void OutputRecorder::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    sent_.clear();
}

ControllerConfig AppFixture::Config() const {
    ControllerConfig config;
    config.calibrationMs = 1500;
    config.touchReportsPerSecond = 0;  // tests send the touches they need
    return config;
}

void AppFixture::SetUp() {
    ResetDataFolderCacheForTest();
    ResetProgramGlobals();
    platform::hid::SelectBackend(&bus_);
    SetDeviceIdentity(kDefaultVendorID, kDefaultProductID);
    controller_ = std::make_unique<VirtualController>(bus_, Config());
    recorder_ = std::make_unique<OutputRecorder>(*controller_);
    // The device object is the controller's own; only its handler is swapped.
    const_cast<platform::hid::VirtualDevice&>(controller_->Device()).SetHandler(recorder_.get());
    controller_->Plug();
}

void AppFixture::CreateWindows(bool waitConnected) {
    main_ = std::make_unique<TfrmMain>();
    xtest_ = std::make_unique<TfrmXTest>();
    frmXTest = xtest_.get();
    calibrate_ = std::make_unique<TfrmCalibrate>();
    frmCalibrate = calibrate_.get();
    floop_ = std::make_unique<TfrmFloopCount>();
    frmFloopCount = floop_.get();
    if (waitConnected) {
        ASSERT_TRUE(WaitUntil([] { return DeviceStatus.InfoReceived == kInfoAll; }))
            << "connection handshake";
        // The last label refresh and the reply to "M?" go through the window
        // thread; a test starts once no hand-over is waiting any more.
        ASSERT_TRUE(WaitUntil([this] {
            char info[kDeviceInfoCapacity];
            FormatDeviceInfo(DeviceStatus, info, kDeviceInfoCapacity);
            return main_->lbInfo->text() == QString::fromLatin1(info) &&
                   main_->cbInputDevices->checkState() != Qt::PartiallyChecked;
        }));
        ASSERT_TRUE(AllQueuedReportsSent());
    }
}

void AppFixture::StopDeviceAccess() {
    if (main_) {
        main_->FormClose();
    }
    JoinDriverIOThreads();
}

void AppFixture::TearDown() {
    if (main_) {
        main_->FormClose();
    }
    const_cast<platform::hid::VirtualDevice&>(controller_->Device()).SetHandler(controller_.get());
    controller_->Unplug();
    floop_.reset();
    calibrate_.reset();
    xtest_.reset();
    main_.reset();
    JoinDriverIOThreads();
    controller_.reset();
    platform::hid::SelectBackend(nullptr);
}

bool AppFixture::AllQueuedReportsSent() {
    QCoreApplication::processEvents();
    return t860test::QueuedReportsSent(0) && t860test::QueuedReportsSent(6);
}

bool AppFixture::InjectedReportsHandled(int channel) {
    return ::InjectedReportsHandled(*controller_, channel);
}

bool AppFixture::Settled() {
    return AllQueuedReportsSent() && InjectedReportsHandled() && AllQueuedReportsSent();
}
