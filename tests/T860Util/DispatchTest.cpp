#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "Protocol/DeviceStatus.h"
#include "T860Util/Dispatch.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"
#include "tests/T860Util/AppFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

class Dispatch : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
    }
    static void Deliver(const Report64& report) { OnChannel6Report(0, report.data(), 64); }
};

TEST_F(Dispatch, RepliesUpdateTheStatusAndTheLabel) {
    DeviceStatus.ReportMode = 0x0302;
    Deliver(Reply(0x32, {0x05}));
    EXPECT_EQ(DeviceStatus.ReportMode, 0x0305);

    Deliver(Reply(0x80, {0, 1, 0, 2, 0, 3, 0, 4}));
    Deliver(Reply(0x11, {0x01, 0x04}));
    EXPECT_TRUE(
        main_->lbInfo->text().startsWith("Driver Version: 1.2.3.4, Model Number: 860\n"
                                         "Firmware Version: 1.4,"))
        << main_->lbInfo->text().toStdString();

    // Only 64-byte reports count, on either channel.
    const Report64 shortOne = Reply(0x32, {0x09});
    OnChannel6Report(0, shortOne.data(), 63);
    EXPECT_EQ(DeviceStatus.ReportMode, 0x0305);
    const Report64 floop = Report({'T', 6, 'F', ' ', 'l', 'o', 'o', 'p'});
    OnChannel0Report(0, floop.data(), 63);
    OnChannel0Report(0, floop.data(), 65);
    EXPECT_EQ(floop_->Count(), 0);
    OnChannel0Report(0, floop.data(), 64);
    EXPECT_EQ(floop_->Count(), 1);
}

TEST_F(Dispatch, OnlyExactInputDevicesTextsChangeTheBox) {
    ASSERT_EQ(main_->cbInputDevices->checkState(), Qt::Checked);
    Deliver(Report({'T', 2, 'M', 'a'}));
    Deliver(Report({'T', 2, 'm', 'a'}));
    EXPECT_TRUE(DeviceStatus.InputDevicesOn);
    EXPECT_EQ(main_->cbInputDevices->checkState(), Qt::Checked);
    recorder_->Clear();
    Deliver(Report({'T', 1, 'm'}));
    EXPECT_EQ(main_->cbInputDevices->checkState(), Qt::Unchecked);
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_TRUE(recorder_->Sent(6).empty()) << "a box set from a reply sends nothing";
}

TEST_F(Dispatch, EndToEndInjectedReplyReachesTheStatus) {
    controller_->InjectReport(6, Reply(0x36, {0xAB, 0xCD}).data(), 64);
    EXPECT_TRUE(t860test::WaitUntil([] { return DeviceStatus.ReportMode == 0xABCD; }));
}

TEST_F(Dispatch, DownTouchPaintsItsColourAtItsPlaceAndAKeyClearsIt) {
    main_->btnXMultiTest->click();
    ASSERT_TRUE(xtest_->isVisible());
    const int w = xtest_->width();
    const int h = xtest_->height();
    Deliver(XReport(13, {1, 16383.5f, 16383.5f}));  // the middle of the window
    QImage image = xtest_->CanvasSnapshot();
    EXPECT_EQ(image.pixelColor(w / 2, h / 2), QColor(0, 128, 0));

    QTest::keyClick(xtest_->focusWidget(), Qt::Key_Right);  // no character: kept
    EXPECT_EQ(xtest_->CanvasSnapshot().pixelColor(w / 2, h / 2), QColor(0, 128, 0));
    QTest::keyClick(xtest_->focusWidget(), Qt::Key_A);
    image = xtest_->CanvasSnapshot();
    EXPECT_NE(image.pixelColor(w / 2, h / 2), QColor(0, 128, 0));
    EXPECT_EQ(image.pixelColor(10, 100), image.pixelColor(w - 1, h - 1)) << "texts gone too";
    xtest_->close();
}

TEST_F(Dispatch, PacketsOfAnotherTestOrAClosedWindowDrawNothing) {
    // Drawn, a packet would move touch 1's last position and count for the rate.
    const TouchMemory before = TouchDrawMemory;
    Deliver(XReport(13, {1, 1000, 1000}));  // window hidden
    EXPECT_TRUE(TouchDrawMemory == before) << "hidden: no position kept, no packet counted";
    main_->btnYMultiTest->click();
    const QImage opened = xtest_->CanvasSnapshot();
    Deliver(XReport(13, {1, 1000, 1000}));  // X packet in the Y test
    EXPECT_EQ(xtest_->CanvasSnapshot(), opened);
    EXPECT_TRUE(TouchDrawMemory == before) << "another test's packet";
    xtest_->close();
}

TEST_F(Dispatch, MoveLineStartsWhereTheLastOpeningEnded) {
    main_->btnXMultiTest->click();
    Deliver(XReport(13, {1, 0, 0}));
    Deliver(XReport(13, {3, 32767.0f / 2, 32767.0f / 2}));
    xtest_->close();
    main_->btnXMultiTest->click();
    Deliver(XReport(13, {2, 32767.0f / 4, 32767.0f / 2}));
    // The line runs from the middle to a quarter along the middle row.
    const QImage image = xtest_->CanvasSnapshot();
    const int y = xtest_->height() / 2;
    const QColor face = image.pixelColor(xtest_->width() - 1, xtest_->height() - 1);
    EXPECT_NE(image.pixelColor(xtest_->width() * 3 / 8, y), face);
    EXPECT_EQ(image.pixelColor(xtest_->width() * 3 / 4, y), face);
    xtest_->close();
}

TEST_F(Dispatch, SettingsAndScopeReportsReachTheirWindowsChannel6sOnlyWhileShown) {
    controller_->DropReplies(true);  // only the test's reports arrive
    TfrmSettingsView view;
    TfrmScope scope(main_.get());
    scope.tmrScope.stop();
    frmScope = &scope;
    // A chunk of one byte at offset 1000 that completes no block, and camera
    // data for pixel 0 of camera 1.
    const auto chunk = [](uint8_t value) { return SettingsChunk(0, 2, 1000, {value}); };
    const auto camera = [](uint8_t value) { return Report({'G', 7, 0, 0, 49, 0, 0, 0, value}); };
    const auto assembled = [](const TSettingsChannel& channel) { return channel.assembly[1000]; };
    const auto pixel0 = [&scope] { return scope.Chart.Lines[0]->Series->YValue(0); };

    SettingsChannel0.assembly[1000] = 0;
    SettingsChannel6.assembly[1000] = 0;
    Deliver(chunk(0x11));
    const Report64 channel0Chunk = chunk(0x22);
    OnChannel0Report(0, channel0Chunk.data(), 64);
    Deliver(camera(0x33));
    EXPECT_EQ(assembled(SettingsChannel6), 0) << "hidden view: channel 6's dropped";
    EXPECT_EQ(assembled(SettingsChannel0), 0x22) << "channel 0's taken, shown or not";
    EXPECT_EQ(pixel0(), 0) << "hidden scope";

    view.show();
    scope.show();
    Deliver(chunk(0x44));
    Deliver(camera(0x55));
    EXPECT_EQ(assembled(SettingsChannel6), 0x44);
    EXPECT_EQ(pixel0(), 0x55);

    view.hide();
    scope.hide();
    Deliver(chunk(0x66));
    Deliver(camera(0x77));
    EXPECT_EQ(assembled(SettingsChannel6), 0x44);
    EXPECT_EQ(pixel0(), 0x55);
    EXPECT_EQ(main_->Label1->text(), "Connected");
}

}  // namespace
