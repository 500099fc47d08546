#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointingDevice>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>

#include "DriverInterface/DriverIO.h"
#include "Protocol/DeviceStatus.h"
#include "T860Util/Performancestats.h"
#include "T860Util/Scope.h"
#include "tests/T860Util/AppFixture.h"
#include "tests/support/EngineWaits.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/WaitUntil.h"

namespace {

using t860test::WaitUntil;

int Right(const QWidget* w) {
    return w->x() + w->width();
}

class MainWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
    }
    // Ctrl, Shift and a letter at the control that has the focus.
    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QWidget* target = main_->focusWidget() != nullptr ? main_->focusWidget() : main_.get();
        QTest::keyClick(target, key, modifiers);
    }
};

TEST_F(MainWindow, ConnectsAndShowsTheDeviceInformation) {
    EXPECT_EQ(main_->windowTitle(), "BFT860 TouchScreen Utilities");
    EXPECT_EQ(main_->Label1->text(), "Connected");
    EXPECT_EQ(main_->lbInfo->text().toStdString(),
              "Driver Version: 2.6.0.1187, Model Number: 860\n"
              "Firmware Version: 3.12, Serial Number: 86012345");
    EXPECT_EQ(main_->edVID->text(), "2F7A");
    EXPECT_EQ(main_->edPID->text(), "0006");
    EXPECT_EQ(main_->cbInputDevices->checkState(), Qt::Checked) << "the controller's answer";

    std::ifstream ini(home_.IniFile());
    std::stringstream content;
    content << ini.rdbuf();
    EXPECT_NE(content.str().find("VendorID=12154"), std::string::npos) << content.str();
    EXPECT_NE(content.str().find("ProductID=6"), std::string::npos);

    // "M?" first, then version, model number, firmware version, serial number.
    const auto sent = recorder_->Sent(6);
    ASSERT_GE(sent.size(), 5u);
    EXPECT_EQ(Hex(sent[0], 5), "06 54 02 4D 3F");
    EXPECT_EQ(Hex(sent[1], 4), "06 43 01 80");
    EXPECT_EQ(Hex(sent[2], 4), "06 43 01 10");
    EXPECT_EQ(Hex(sent[3], 4), "06 43 01 11");
    EXPECT_EQ(Hex(sent[4], 4), "06 43 01 12");
}

TEST_F(MainWindow, LayoutsFollowTheRules) {
    // Worked out by hand for a 12 pt information label, which adds 15 pixels
    // under the controls: columns of 200 from x 8 with gaps of 8 (right edges
    // 208, 416, 624), rows of 25 from y 24 every 31 (bottoms 49 and 142), and
    // the left margin again on the right and the top margin at the bottom.
    QFont font = main_->lbInfo->font();
    font.setPointSizeF(12);
    main_->lbInfo->setFont(font);
    main_->ShowDebugButtons(true);
    EXPECT_EQ(main_->size(), QSize(424, 88)) << "compact: 416 + 8, 49 + 24 + 15";
    EXPECT_EQ(main_->lbInfo->y(), 54);
    EXPECT_FALSE(main_->btnXMultiTest->isVisibleTo(main_.get()));

    Keys(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    for (QWidget* debug : std::initializer_list<QWidget*>{
             main_->btnReportMode, main_->btnXMultiTest, main_->btnLogPackets,
             main_->btnFeatureReportInputMode, main_->btnYMultiTest, main_->cbInputDevices}) {
        EXPECT_TRUE(debug->isVisibleTo(main_.get()));
        EXPECT_LE(Right(debug), main_->width());
    }
    EXPECT_GE(main_->btnGetStreamStatus->x(), main_->width()) << "right column outside";
    EXPECT_EQ(main_->size(), QSize(424, 181)) << "left and middle columns: 142 + 24 + 15";
    EXPECT_EQ(main_->lbInfo->y(), 147);

    const QSize middle = main_->size();
    Keys(Qt::Key_D, Qt::ControlModifier);
    Keys(Qt::Key_D, Qt::ShiftModifier);
    Keys(Qt::Key_D, Qt::NoModifier);
    EXPECT_EQ(main_->size(), middle) << "Ctrl+D, Shift+D and D alone change nothing";

    Keys(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(main_->size(), QSize(632, 181)) << "all three columns: 624 + 8";
    main_->OnZoomGesture();
    Keys(Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(main_->size(), QSize(632, 181)) << "a second reveal changes nothing";
    EXPECT_TRUE(main_->btnOffscreen->isVisibleTo(main_.get()));
}

TEST_F(MainWindow, RestoreDefaultsSucceedsSilentlyAndFailsWithItsMessage) {
    recorder_->Clear();
    main_->btnRestoreDefaults->click();
    EXPECT_TRUE(ui_.messages.empty());
    const auto sent = recorder_->Sent(6);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&sent[0][3]), 15), "RestoreDefaults");
    EXPECT_EQ(sent[0][2], 15);

    controller_->DropReplies(true);
    main_->btnRestoreDefaults->click();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Text, "Failed to restore defaults.");
    EXPECT_EQ(ui_.messages[0].Caption, "Restore Defaults");
    EXPECT_EQ(ui_.messages[0].Buttons, MessageButtons::Ok);
    EXPECT_EQ(ui_.messages[0].Icon, MessageIcon::None);
    EXPECT_EQ(ui_.messages[0].Owner, main_.get());
}

TEST_F(MainWindow, ALateReplyIsAFailureAlthoughTheControllerActed) {
    // Change the mode so that a restore is visible on the controller.
    controller_->InjectReport(6, Reply(0x36, {0x01, 0x05}).data(), 64);
    recorder_->Clear();
    uint8_t setMode[65] = {0x06, 0x43, 0x03, 0x36, 0x00, 0x80};
    QueueReport6(setMode, 65);
    ASSERT_TRUE(WaitUntil([this] { return controller_->ReportMode() == 0x0080; }));
    controller_->DelayReplies(150);
    main_->btnRestoreDefaults->click();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Text, "Failed to restore defaults.");
    ASSERT_TRUE(WaitUntil([] { return DeviceStatus.RestoreDefaultsDone.load(); }))
        << "the reply came, too late";
    EXPECT_EQ(controller_->ReportMode(), controller_->Config().reportMode) << "restored";
}

TEST_F(MainWindow, StreamStatusShowsOneOfItsThreeMessages) {
    main_->btnGetStreamStatus->click();
    main_->btnToggleContinuous->click();  // stream on
    ASSERT_TRUE(WaitUntil([this] { return controller_->StreamOn(); }));
    main_->btnGetStreamStatus->click();
    controller_->DropReplies(true);
    main_->btnGetStreamStatus->click();
    ASSERT_EQ(ui_.messages.size(), 3u);
    EXPECT_EQ(ui_.messages[0].Text,
              "Stream Status Bad: Driver is not getting data from touchscreen.");
    EXPECT_EQ(ui_.messages[1].Text, "Stream Status Ok: Driver is getting data from touchscreen.");
    EXPECT_EQ(ui_.messages[2].Text, "Failed to read stream status.");
    for (const auto& message : ui_.messages) {
        EXPECT_EQ(message.Caption, "Stream Status");
        EXPECT_EQ(message.Owner, main_.get());
    }
    EXPECT_EQ(Hex(recorder_->Sent(6).back(), 4), "06 43 01 83");
}

TEST_F(MainWindow, ContinuousStreamTogglesFromOff) {
    recorder_->Clear();
    main_->btnToggleContinuous->click();
    main_->btnToggleContinuous->click();
    ASSERT_TRUE(AllQueuedReportsSent());
    ASSERT_EQ(recorder_->Sent(0).size(), 2u);
    EXPECT_EQ(Hex(recorder_->Sent(0)[0], 5), "00 43 02 F0 01");
    EXPECT_EQ(Hex(recorder_->Sent(0)[1], 5), "00 43 02 F0 00");
}

TEST_F(MainWindow, InputDevicesBoxSendsAndShowsTheAnswer) {
    recorder_->Clear();
    main_->cbInputDevices->click();  // on -> asks for off
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(controller_->InputDevicesOn());
    EXPECT_EQ(main_->cbInputDevices->checkState(), Qt::Unchecked);
    main_->cbInputDevices->click();
    ASSERT_TRUE(Settled());
    EXPECT_TRUE(controller_->InputDevicesOn());
    EXPECT_EQ(main_->cbInputDevices->checkState(), Qt::Checked);
    const auto sent = recorder_->Sent(6);
    ASSERT_EQ(sent.size(), 2u) << "the box set by a reply sends nothing";
    EXPECT_EQ(Hex(sent[0], 4), "06 54 01 6D");
    EXPECT_EQ(Hex(sent[1], 4), "06 54 01 4D");
}

TEST_F(MainWindow, CalibrateButtonAndPanStartCalibrationOnlyWhenNotCalibrating) {
    recorder_->Clear();
    main_->OnPanGesture();
    ASSERT_TRUE(WaitUntil([] { return DeviceStatus.Calibrating.load(); }));
    EXPECT_EQ(Hex(recorder_->Sent(6).at(0), 5), "06 43 02 21 01");
    main_->OnPanGesture();  // while calibrating: nothing
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_EQ(recorder_->Sent(6).size(), 1u);
    main_->btnCalibrate->click();  // stops it
    ASSERT_TRUE(WaitUntil([this] { return recorder_->Sent(6).size() == 2; }));
    EXPECT_EQ(Hex(recorder_->Sent(6)[1], 5), "06 43 02 21 00");
}

// Two fingers down on the window's touchscreen, moved in steps, then lifted.
void TwoFingers(QWidget* window, QPointingDevice* screen, QPoint first, QPoint second,
                QPoint firstStep, QPoint secondStep, int steps) {
    QTest::touchEvent(window, screen).press(0, first).press(1, second);
    for (int step = 0; step < steps; ++step) {
        first += firstStep;
        second += secondStep;
        QTest::touchEvent(window, screen).move(0, first).move(1, second);
    }
    QTest::touchEvent(window, screen).release(0, first).release(1, second);
}

TEST_F(MainWindow, TwoFingersOnATouchscreenPanOrZoomThroughTheirGestures) {
    main_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
    const std::unique_ptr<QPointingDevice> touchscreen(
        QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen));
    QPointingDevice* screen = touchscreen.get();
    TraceCapture trace;
    recorder_->Clear();
    const QSize middle = main_->size();
    const int y = main_->lbInfo->y() + 5;  // below the buttons

    // Moved apart: a zoom, which reveals the right-hand column, traces the
    // gesture's centre and sends nothing.
    TwoFingers(main_.get(), screen, {150, y}, {210, y}, {-10, 0}, {10, 0}, 4);
    EXPECT_EQ(main_->width(), Right(main_->btnGetStreamStatus) + main_->btnCalibrate->x());
    ASSERT_EQ(trace.Lines().size(), 1u);
    EXPECT_NE(trace.Lines()[0].find(", "), std::string::npos) << trace.Lines()[0];
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_TRUE(recorder_->Sent(6).empty());

    // Moved alike: a pan, which starts calibration and reveals nothing more.
    const QSize full = main_->size();
    TwoFingers(main_.get(), screen, {150, y}, {210, y}, {15, 0}, {15, 0}, 3);
    ASSERT_TRUE(WaitUntil([] { return DeviceStatus.Calibrating.load(); }));
    EXPECT_EQ(Hex(recorder_->Sent(6).at(0), 5), "06 43 02 21 01");
    EXPECT_EQ(trace.Lines().size(), 1u) << "no second zoom";
    EXPECT_EQ(main_->size(), full);
    (void)middle;
}

TEST_F(MainWindow, OneFingerDraggedOnATouchscreenPansAndATapDoesNot) {
    main_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
    const std::unique_ptr<QPointingDevice> touchscreen(
        QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen));
    recorder_->Clear();
    // The gestures are delivered while the touch events are.
    const QSignalSpy calibrateClicks(main_->btnCalibrate, &QPushButton::clicked);
    QPoint finger(150, main_->lbInfo->y() + 5);  // below the buttons

    // Held still (within the pan distance): a touch, not a pan.
    QTest::touchEvent(main_.get(), touchscreen.get()).press(0, finger);
    QTest::touchEvent(main_.get(), touchscreen.get()).move(0, finger + QPoint(5, 5));
    QTest::touchEvent(main_.get(), touchscreen.get()).release(0, finger + QPoint(5, 5));
    EXPECT_EQ(calibrateClicks.count(), 0);

    QTest::touchEvent(main_.get(), touchscreen.get()).press(0, finger);
    for (int step = 0; step < 3; ++step) {
        finger += QPoint(0, -15);
        QTest::touchEvent(main_.get(), touchscreen.get()).move(0, finger);
    }
    QTest::touchEvent(main_.get(), touchscreen.get()).release(0, finger);
    EXPECT_EQ(calibrateClicks.count(), 1);
    ASSERT_TRUE(t860test::WaitUntil([] { return DeviceStatus.Calibrating.load(); }));
    EXPECT_EQ(Hex(recorder_->Sent(6).at(0), 5), "06 43 02 21 01");
}

TEST_F(MainWindow, CtrlShiftPAndSOpenTheirWindowsWhicheverControlHasTheFocus) {
    TfrmPerformanceStats stats(main_.get());
    frmPerformanceStats = &stats;
    TfrmScope scope(main_.get());
    scope.tmrScope.stop();
    frmScope = &scope;
    main_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
    main_->edVID->setFocus();
    ASSERT_EQ(main_->focusWidget(), main_->edVID);

    Keys(Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(stats.isVisible());
    Keys(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(scope.isVisible());
    EXPECT_EQ(main_->edVID->text(), "2F7A") << "the edit took neither key";
    StopDeviceAccess();  // the shown scope takes profiles until then
}

TEST_F(MainWindow, SetVidPidTakesLow16BitsAndRefusesText) {
    main_->edVID->setText("12345");
    main_->btnSetVIDPID->click();
    uint16_t vendor;
    uint16_t product;
    GetDeviceIdentity(vendor, product);
    EXPECT_EQ(vendor, 0x2345);
    EXPECT_EQ(product, 0x0006);
    ASSERT_TRUE(WaitUntil([this] { return main_->Label1->text() == "Disconnected"; }))
        << "no device with that identity";
    EXPECT_TRUE(main_->lbInfo->text().isEmpty());

    main_->edVID->setText("2f7a");
    main_->edPID->setText("XYZ");
    main_->btnSetVIDPID->click();
    GetDeviceIdentity(vendor, product);
    EXPECT_EQ(vendor, 0x2345) << "nothing changed";
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Text, "'0xXYZ' is not a valid integer value");
    EXPECT_EQ(ui_.messages[0].Icon, MessageIcon::Error);

    main_->edPID->setText("6");
    DeviceStatus.InfoReceived = 0;
    main_->btnSetVIDPID->click();
    ASSERT_TRUE(WaitUntil([] { return DeviceStatus.InfoReceived == kInfoAll; }));
    EXPECT_EQ(main_->Label1->text(), "Connected");
}

TEST_F(MainWindow, EnterClicksCalibrateAndEscapeTheFirstVisibleCancelButton) {
    recorder_->Clear();
    main_->edVID->setFocus();
    QTest::keyClick(main_->edVID, Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([this] { return !recorder_->Sent(6).empty(); }));
    EXPECT_EQ(Hex(recorder_->Sent(6)[0], 4), "06 43 02 21");
    QTest::keyClick(main_->edVID, Qt::Key_Escape);
    EXPECT_EQ(frmXTest->TestMode, 2) << "X Multi Test";
    frmXTest->close();
}

TEST_F(MainWindow, ClosingWhileConnectedIsImmediateAndClean) {
    // A read thread handing its disconnection notice to the closing window
    // would hold the close for the stop's time-out, made a minute here: the
    // bound below is many times what a close takes on a loaded machine, and
    // far below a held one.
    DriverIOWaits waits;
    waits.stopThreadTimeoutMs = 60'000;
    const t860test::ShortDriverIOWaits longStop(waits);
    main_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
    TraceCapture trace;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(main_->close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_FALSE(trace.Contains("!ERROR!")) << trace.Lines().front();
}

class NoDevice : public AppFixture {};

TEST_F(NoDevice, StartsGreyAndCommandsReportFailure) {
    TraceCapture trace;
    controller_->Unplug();
    CreateWindows(false);
    // Both channels have looked for the controller and found none.
    ASSERT_TRUE(WaitUntil([&] { return trace.Count("ReadFile error") == 2; }));
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_TRUE(main_->Label1->text().isEmpty());
    EXPECT_EQ(main_->cbInputDevices->checkState(), Qt::PartiallyChecked);
    main_->btnRestoreDefaults->click();
    main_->btnGetStreamStatus->click();
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[0].Text, "Failed to restore defaults.");
    EXPECT_EQ(ui_.messages[1].Text, "Failed to read stream status.");
}

TEST_F(NoDevice, TheInformationLabelSaysWhyNoControllerIsConnected) {
    controller_->Unplug();
    CreateWindows(false);
    EXPECT_EQ(main_->lbInfo->text(), "No controller found yet.");
    EXPECT_TRUE(main_->Label1->text().isEmpty()) << "no connection has ended yet";

    // Plugged in, but its nodes refuse access: no udev rule.
    auto& device = const_cast<platform::hid::VirtualDevice&>(controller_->Device());
    for (size_t collection = 0; collection < device.Collections().size(); ++collection) {
        device.FailStep(collection, platform::hid::InterfaceStep::Open,
                        platform::hid::OpenStatus::AccessDenied);
    }
    controller_->Plug();
    main_->btnSetVIDPID->click();  // searches again at once
    ASSERT_TRUE(WaitUntil(
        [this] { return main_->lbInfo->text().startsWith("No access to the controller at "); }));
    const QString denied = main_->lbInfo->text();
    EXPECT_TRUE(denied.contains(QString::fromStdString("virtual:" + device.Name())))
        << denied.toStdString();
    EXPECT_TRUE(denied.contains("70-t860.rules")) << denied.toStdString();

    device.ClearFaults();
    main_->btnSetVIDPID->click();
    ASSERT_TRUE(WaitUntil([] { return DeviceStatus.InfoReceived == kInfoAll; }));
    ASSERT_TRUE(WaitUntil([this] { return main_->lbInfo->text().startsWith("Driver Version"); }));
    // A tick of the note's timer (the only timer of a second): device information stays.
    int ticks = 0;
    for (QTimer* timer : main_->findChildren<QTimer*>()) {
        if (timer->interval() == 1000) {
            QObject::connect(timer, &QTimer::timeout, [&ticks] { ++ticks; });
        }
    }
    ASSERT_TRUE(WaitUntil([&] { return ticks > 0; }));
    EXPECT_TRUE(main_->lbInfo->text().startsWith("Driver Version"));
    EXPECT_EQ(main_->Label1->text(), "Connected");
}

}  // namespace
