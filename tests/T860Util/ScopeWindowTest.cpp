#include <gtest/gtest.h>

#include <QCheckBox>
#include <QRadioButton>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "DriverInterface/DriverIO.h"
#include "T860Util/Dispatch.h"
#include "T860Util/Scope.h"
#include "tests/T860Util/AppFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

using t860test::WaitUntil;

class ScopeWindow : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
        scope_ = std::make_unique<TfrmScope>(main_.get());
        frmScope = scope_.get();
        scope_->tmrScope.stop();  // the tests tick it themselves
        recorder_->Clear();
    }
    void TearDown() override {
        StopDeviceAccess();
        scope_.reset();
        AppFixture::TearDown();
    }
    // The scope channel codes requested so far.
    std::vector<int> Requested() const {
        std::vector<int> codes;
        for (const Report65& report : recorder_->Sent(6)) {
            if (report[1] == 'G') {
                codes.push_back(report[3]);
            }
        }
        return codes;
    }
    void Tick(int times) {
        for (int i = 0; i < times; ++i) {
            scope_->tmrScopeTimer();
        }
    }
    const TChartSeries& Line(int line) const { return *scope_->Chart.Lines[line]->Series; }

    std::unique_ptr<TfrmScope> scope_;
};

TEST_F(ScopeWindow, RequestsOnlyWhileVisibleInTheSelectedOrder) {
    Tick(2);
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_TRUE(Requested().empty()) << "hidden: nothing is asked for";
    scope_->show();
    Tick(3);
    scope_->cbCam1->click();
    scope_->rbLit->click();
    Tick(2);
    scope_->cbCam2->click();
    Tick(2);
    EXPECT_EQ(CurrentScopeChannel, 70) << "no camera: the code stays";
    scope_->cbCam1->click();
    scope_->rbAmbient->click();
    scope_->cbTrigger->click();
    Tick(3);
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_EQ(Requested(), (std::vector<int>{49, 50, 49, 70, 70, 79, 59, 79}))
        << "Cam2 + Lit: 70 each tick; Cam1 + Ambient + Trigger: 79, 59, ...";
}

TEST_F(ScopeWindow, AMinimisedWindowNeitherAsksForNorTakesProfiles) {
    // Pixel 0 of camera 1; the controller's own replies are dropped.
    const uint8_t reply[64] = {'G', 7, 0, 0, 49, 0, 0, 0x01, 0x23};
    controller_->DropReplies(true);
    scope_->show();
    scope_->setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(WaitUntil([this] { return scope_->isMinimized(); }));
    Tick(2);
    OnChannel6Report(0, reply, 64);
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_TRUE(Requested().empty());
    EXPECT_EQ(Line(0).YValue(0), 0);

    scope_->setWindowState(Qt::WindowNoState);
    ASSERT_TRUE(WaitUntil([this] { return !scope_->isMinimized(); }));
    Tick(1);
    OnChannel6Report(0, reply, 64);
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_EQ(Requested().size(), 1u);
    EXPECT_EQ(Line(0).YValue(0), 0x123);
}

TEST_F(ScopeWindow, CameraBoxesHideTheirLinesAndKeepTheValues) {
    const int16_t values[2] = {300, 400};
    scope_->Chart.Lines[0]->SetValues(10, values, 2, false);
    scope_->cbTrigger->click();
    EXPECT_TRUE(Line(4).LinePenVisible());
    scope_->cbCam1->click();
    EXPECT_FALSE(Line(0).LinePenVisible());
    EXPECT_FALSE(Line(4).LinePenVisible());
    EXPECT_TRUE(Line(1).LinePenVisible());
    EXPECT_TRUE(Line(5).LinePenVisible());
    EXPECT_TRUE(Line(2).LinePenVisible()) << "camera 3 is not touched";
    scope_->cbCam1->click();
    EXPECT_TRUE(Line(0).LinePenVisible());
    EXPECT_EQ(Line(0).YValue(11), 400);
}

TEST_F(ScopeWindow, RepliesFillTheLineOfTheirChannelWithinTheReport) {
    uint8_t report[64] = {'G', 61, 0x01, 0xF4, 60};  // pixel 500, trigger of camera 2
    for (int i = 0; i < 28; ++i) {
        report[8 + 2 * i] = static_cast<uint8_t>(i + 1);
    }
    scope_->HandleScopeData(report, 64);
    EXPECT_EQ(Line(5).YValue(500), 1);
    EXPECT_EQ(Line(5).YValue(511), 12);
    EXPECT_EQ(Line(5).YValue(512), 0) << "past the pixel count: dropped";

    report[1] = 4;  // announces no values at all
    report[4] = 49;
    scope_->HandleScopeData(report, 64);
    EXPECT_EQ(Line(0).YValue(0), 0) << "a count of zero stores nothing";
}

TEST_F(ScopeWindow, ProfilesOfTheControllerArriveWhileShown) {
    scope_->show();
    scope_->tmrScope.start();
    ASSERT_TRUE(WaitUntil([this] {
        int lit = 0;
        for (int pixel = 0; pixel < 512; ++pixel) {
            lit += Line(0).YValue(pixel) != 0 && Line(1).YValue(pixel) != 0;
        }
        return lit > 400;
    }));
}

TEST_F(ScopeWindow, ClosingEndsTheProgramOnlyInScopeOnlyMode) {
    main_->show();
    scope_->show();
    scope_->close();
    EXPECT_TRUE(main_->isVisible());
    scope_->ScopeOnlyMode = true;
    scope_->show();
    scope_->close();
    EXPECT_FALSE(main_->isVisible());
}

TEST_F(ScopeWindow, ExportWritesOneRowPerPixel) {
    const std::filesystem::path file = home_.Root() / "scope.csv";
    ui_.saveAnswers.push_back(QString::fromStdString(file.string()));
    const int16_t values[3] = {5, -6, 7};
    scope_->Chart.Lines[1]->SetValues(0, values, 3, false);  // camera 2
    const int16_t trigger = 9;
    scope_->Chart.Lines[4]->SetValues(0, &trigger, 1, false);  // trigger 1
    scope_->ExportCurves();
    ASSERT_EQ(ui_.saveDialogs.size(), 1u);
    EXPECT_EQ(ui_.saveDialogs[0].FileName, "test.csv");
    EXPECT_EQ(ui_.saveDialogs[0].Filter, "*.csv|*.csv");
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string csv = text.str();
    EXPECT_TRUE(
        csv.starts_with("Pixel,Camera 1,Trigger 1,Camera 2,Trigger 2\r\n"
                        "0,0,9,5,0\r\n1,0,0,-6,0\r\n"))
        << csv.substr(0, 80);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 513);

    scope_->Chart.Lines[3]->SetValues(0, values, 1, false);
    EXPECT_TRUE(scope_->CurvesCsv().starts_with(
        "Pixel,Camera 1,Trigger 1,Camera 2,Trigger 2,Camera 3,Trigger 3,Camera 4,Trigger 4\r\n"
        "0,0,9,5,0,0,0,5,0\r\n"))
        << "cameras 3 and 4 once they hold data";

    ui_.saveAnswers.push_back(
        QString::fromStdString((home_.Root() / "missing" / "x.csv").string()));
    scope_->ExportCurves();
    ASSERT_EQ(ui_.messages.size(), 1u) << "a file that cannot be written is reported";
}

}  // namespace
