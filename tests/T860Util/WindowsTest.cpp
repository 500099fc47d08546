#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <QTest>

#include "Protocol/DeviceStatus.h"
#include "T860Util/Dispatch.h"
#include "tests/T860Util/AppFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

using t860test::WaitUntil;

class Windows : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
    }
    std::string Hex6(size_t fromEnd = 0) {
        const auto sent = recorder_->Sent(6);
        const Report65& r = sent.at(sent.size() - 1 - fromEnd);
        char text[32];
        std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X", r[0], r[1], r[2], r[3],
                      r[4], r[5]);
        return text;
    }
};

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST_F(Windows, ATouchTestOpenedBeforeAnyReportModeReplyAsksAndGivesBackTheControllersMode) {
    // Nothing told the program the mode since the start: the 0 it knows
    // would stop the controller's touches to the system once given back.
    ASSERT_FALSE(DeviceStatus.ReportModeReceived);
    ASSERT_EQ(controller_->ReportMode(), 0x0020);
    main_->btnXMultiTest->click();
    EXPECT_EQ(xtest_->SavedReportMode, 0x20);
    ASSERT_TRUE(WaitUntil([this] { return controller_->ReportMode() == 0x0002; }));
    xtest_->close();
    ASSERT_TRUE(WaitUntil([this] { return controller_->ReportMode() == 0x0020; }));
}

TEST_F(Windows, TouchTestsPrepareTheWindowAndCloseRestoresTheLowByte) {
    OnChannel6Report(0, Report({'C', 3, 0x36, 0x03, 0x05}).data(), 64);
    xtest_->cbAreaCircles->setChecked(true);

    main_->btnXMultiTest->click();
    ASSERT_TRUE(WaitUntil([this] { return controller_->ReportMode() == 0x0002; }));
    EXPECT_EQ(Hex6(), "06 43 02 32 02 00");
    EXPECT_EQ(xtest_->TestMode, 2);
    EXPECT_EQ(xtest_->SavedReportMode, 0x05);
    EXPECT_FALSE(xtest_->cbAreaCircles->isVisible());
    EXPECT_EQ(xtest_->monitor->x(), -10000);
    EXPECT_TRUE(xtest_->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(xtest_->windowState().testFlag(Qt::WindowFullScreen));
    EXPECT_EQ(xtest_->focusWidget(), xtest_->CheckBox1);
    xtest_->close();
    ASSERT_TRUE(WaitUntil([this] { return Hex6() == "06 43 03 36 00 05"; }));
    EXPECT_FALSE(xtest_->isVisible());
    // The next test saves the mode the controller last reported: wait for its answer.
    ASSERT_TRUE(WaitUntil([] { return DeviceStatus.ReportMode == 0x0005; }));

    main_->btnYMultiTest->click();
    EXPECT_EQ(xtest_->TestMode, 128);
    EXPECT_TRUE(xtest_->cbAreaCircles->isVisible());
    EXPECT_TRUE(xtest_->cbAreaCircles->isChecked());
    EXPECT_EQ(xtest_->monitor->x(), -10000);
    ASSERT_TRUE(WaitUntil([this] { return Hex6() == "06 43 02 32 80 00"; }));
    xtest_->close();
    // The restore goes out through the write thread; let it land before the
    // recorder is cleared, or it would be counted as the offscreen test's.
    ASSERT_TRUE(WaitUntil([this] { return Hex6() == "06 43 03 36 00 05"; }));

    recorder_->Clear();
    main_->btnOffscreen->click();
    EXPECT_EQ(xtest_->TestMode, 512);
    EXPECT_FALSE(xtest_->cbAreaCircles->isVisible());
    EXPECT_EQ(xtest_->monitor->geometry(), QRect(xtest_->width() / 4, xtest_->height() / 4,
                                                 xtest_->width() / 2, xtest_->height() / 2));
    ASSERT_TRUE(WaitUntil([this] { return recorder_->Sent(6).size() >= 2; }));
    EXPECT_EQ(Hex6(1), "06 43 02 84 01 00") << "offscreen mode 1 first, as it was 0";
    EXPECT_EQ(Hex6(0), "06 43 03 36 02 00");
    xtest_->close();
}

TEST_F(Windows, OffscreenTestKeepsANonZeroOffscreenMode) {
    OnChannel6Report(0, Report({'C', 2, 0x84, 3}).data(), 64);
    OnChannel6Report(0, Report({'C', 3, 0x36, 0x00, 0x20}).data(), 64);  // known: not asked
    recorder_->Clear();
    main_->btnOffscreen->click();
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_EQ(recorder_->Sent(6).size(), 1u);
    EXPECT_EQ(Hex6(), "06 43 03 36 02 00");
    xtest_->close();
}

TEST_F(Windows, PacketLogWritesXPacketsOnlyAndAsksBeforeOverwriting) {
    const auto path = home_.Root() / "touches.mtp";
    ui_.saveAnswers.push_back(QString::fromStdString(path.string()));
    main_->btnLogPackets->click();
    ASSERT_EQ(ui_.saveDialogs.size(), 1u);
    EXPECT_EQ(ui_.saveDialogs[0].Filter, "MTP files (*.mtp)|*.MTP");
    EXPECT_EQ(ui_.saveDialogs[0].DefaultExtension, ".mtp");
    EXPECT_EQ(ui_.saveDialogs[0].FileName, "PacketLog.mtp");
    EXPECT_EQ(ui_.saveDialogs[0].Owner, main_.get());
    EXPECT_TRUE(ui_.messages.empty()) << "a new file needs no question";
    EXPECT_EQ(main_->btnLogPackets->text(), "Stop Logging");

    Report64 x = Report({'X', 20, 1, 0x44, 0x7A, 0, 0, 0x44, 0xFA, 0, 0, 5, 0, 6, 0});
    controller_->InjectReport(6, x.data(), 64);
    controller_->InjectReport(6, Report({'Y', 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0}).data(), 64);
    controller_->InjectReport(6, Report({'O', 0, 1, 0}).data(), 64);
    x[1] = 13;
    controller_->InjectReport(6, x.data(), 64);
    ASSERT_TRUE(InjectedReportsHandled());
    main_->btnLogPackets->click();
    EXPECT_EQ(main_->btnLogPackets->text(), "Log Packets");
    EXPECT_EQ(ReadAll(path),
              "2,1,1000.0000,2000.0000,5,6,0,0.0000,0.0000,0,0\r\n"
              "1,1,1000.0000,2000.0000,5,6,0,0.0000,0.0000,0,0\r\n");

    // The same file again: No leaves it as it is and logging off.
    ui_.saveAnswers.push_back(QString::fromStdString(path.string()));
    ui_.messageAnswers.push_back(MessageResult::No);
    main_->btnLogPackets->click();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Text, "Are you sure you want to overwrite the existing file ?");
    EXPECT_EQ(ui_.messages[0].Caption, "Log Packets");
    EXPECT_EQ(ui_.messages[0].Buttons, MessageButtons::YesNo);
    EXPECT_EQ(ui_.messages[0].Owner, nullptr);
    EXPECT_EQ(main_->btnLogPackets->text(), "Log Packets");
    EXPECT_FALSE(main_->PacketLog.IsOn());
    EXPECT_EQ(ReadAll(path).size(), 98u);

    // Cancelled dialog: nothing happens.
    main_->btnLogPackets->click();
    EXPECT_FALSE(main_->PacketLog.IsOn());
    EXPECT_EQ(ui_.messages.size(), 1u);
}

class StreamingWindows : public Windows {
protected:
    ControllerConfig Config() const override {
        ControllerConfig config = AppFixture::Config();
        config.touchReportsPerSecond = 500;
        return config;
    }
};

TEST_F(StreamingWindows, StoppingTheLogWhilePacketsArriveKeepsWholeLines) {
    const auto path = home_.Root() / "stream.mtp";
    ui_.saveAnswers.push_back(QString::fromStdString(path.string()));
    main_->btnLogPackets->click();
    main_->btnXMultiTest->click();  // the controller now streams X packets
    // The log's buffer reaches the file once it holds many lines.
    ASSERT_TRUE(WaitUntil([&] { return !ReadAll(path).empty(); }));
    main_->btnLogPackets->click();
    const std::string content = ReadAll(path);
    const size_t lines = std::count(content.begin(), content.end(), '\n');
    EXPECT_GT(lines, 10u);
    EXPECT_EQ(content.substr(content.size() - 2), "\r\n") << "the last line is whole";
    ASSERT_TRUE(InjectedReportsHandled()) << "packets that came after the stop";
    EXPECT_EQ(ReadAll(path), content) << "nothing written after the stop";
    xtest_->close();
}

TEST_F(Windows, CalibrationWindowFollowsTheControllersEvents) {
    EXPECT_TRUE(calibrate_->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(calibrate_->cursor().shape(), Qt::CrossCursor);
    main_->btnCalibrate->click();
    ASSERT_TRUE(WaitUntil([this] { return calibrate_->isVisible(); }));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(calibrate_->geometry(), screen);
    const QRect button = calibrate_->btnCancelCalibration->geometry();
    EXPECT_EQ(button.x(), screen.width() / 2 - button.width() / 2);
    EXPECT_EQ(button.y(), screen.height() / 2 - button.height() / 2);
    ASSERT_TRUE(WaitUntil([this] { return !calibrate_->isVisible(); }))
        << "the controller ends the calibration";

    main_->btnCalibrate->click();
    ASSERT_TRUE(WaitUntil([this] { return calibrate_->isVisible(); }));
    calibrate_->btnCancelCalibration->click();
    EXPECT_TRUE(WaitUntil([this] { return !calibrate_->isVisible(); }));
}

TEST_F(Windows, FloopCountsNoticesShownOrNot) {
    const Report64 floop = Report({'T', 6, 'F', ' ', 'l', 'o', 'o', 'p'});
    const Report64 almost = Report({'T', 6, 'F', ' ', 'l', 'o', 'o', 'x'});
    std::vector<std::string> captions;
    for (int i = 0; i < 3; ++i) {
        controller_->InjectReport(0, floop.data(), 64);
        ASSERT_TRUE(WaitUntil([&] { return floop_->Count() == i + 1; }));
        captions.push_back(floop_->Label1->text().toStdString());
    }
    controller_->InjectReport(0, almost.data(), 64);
    ASSERT_TRUE(InjectedReportsHandled(0));
    EXPECT_EQ(floop_->Count(), 3) << "not quite the notice";
    floop_->btnClear->click();
    captions.push_back(floop_->Label1->text().toStdString());
    controller_->InjectReport(0, floop.data(), 64);
    ASSERT_TRUE(WaitUntil([&] { return floop_->Count() == 1; }));
    captions.push_back(floop_->Label1->text().toStdString());
    EXPECT_EQ(captions, (std::vector<std::string>{"1", "2", "3", "0", "1"}));
    EXPECT_FALSE(floop_->isVisible());

    QTest::keyClick(main_->focusWidget() ? main_->focusWidget() : main_.get(), Qt::Key_F,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(floop_->isVisible());
    EXPECT_TRUE(main_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(floop_->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

}  // namespace
