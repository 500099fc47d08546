// The scope's baseline on the device engine and the virtual controller: a
// loaded reference is drawn in grey where the file says, behind the live
// curves, for the cameras and row kind shown; "Save Baseline…" records the
// unit as t860ctl does.

#include <gmock/gmock.h>

#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QPainter>
#include <QRadioButton>

#include "Formats/WholeFile.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"
#include "tests/T860Util/AppFixture.h"

using ::testing::HasSubstr;

namespace {

// A profile value that tells camera, row and pixel apart.
double ValueOf(int camera, int kindIndex, int pixel) {
    return 100.0 * camera + 200.0 * kindIndex + (pixel % 50);
}

BaselineContent Reference() {
    BaselineContent content;
    content.date = "2026-12-08T02:00:00Z";
    content.scans = 5;
    content.serialNumber = 86012345;
    for (int camera : {1, 2}) {
        for (int kindIndex = 0; kindIndex < 4; ++kindIndex) {
            BaselineProfile profile;
            profile.camera = camera;
            profile.kind = kRowKinds[kindIndex];
            for (int pixel = 0; pixel < kBaselinePixels; ++pixel) {
                profile.values[pixel] = ValueOf(camera, kindIndex, pixel);
            }
            content.profiles.push_back(profile);
        }
    }
    return content;
}

constexpr int kLit = 0;
constexpr int kSubtracted = 2;
constexpr int kTrigger = 3;

}  // namespace

class ScopeBaseline : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
        // Hidden, as in the program: settings blocks are handed over to it.
        settings_ = std::make_unique<TfrmSettingsView>();
        scope_ = std::make_unique<TfrmScope>(main_.get());
        frmScope = scope_.get();
        scope_->tmrScope.stop();
        scope_->resize(900, 560);
        scope_->show();
    }
    void TearDown() override {
        StopDeviceAccess();
        scope_.reset();
        settings_.reset();
        AppFixture::TearDown();
    }

    std::string WriteReference(const std::string& text) {
        const std::string path = (home_.Root() / "reference.json").string();
        std::string error;
        EXPECT_TRUE(WriteFileReplacing(path, text, error)) << error;
        return path;
    }
    void Load(const std::string& path) {
        ui_.dialogAnswers.push_back([path](QDialog& dialog) {
            static_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(path));
            return static_cast<int>(QDialog::Accepted);
        });
        scope_->LoadReferenceClick();
    }

    // Whether the grey line behind a chart line shows, holding the profile.
    ::testing::AssertionResult Shows(int line, int camera, int kindIndex) const {
        const TFastLineSeries* grey = scope_->Reference.LineBehind(line);
        if (grey == nullptr || !grey->LinePenVisible()) {
            return ::testing::AssertionFailure() << "line " << line << " has no reference shown";
        }
        for (int pixel : {0, 7, 255, 511}) {
            if (grey->YValue(pixel) != ValueOf(camera, kindIndex, pixel)) {
                return ::testing::AssertionFailure()
                       << "line " << line << " pixel " << pixel << " holds " << grey->YValue(pixel);
            }
        }
        return ::testing::AssertionSuccess();
    }
    bool Hidden(int line) const {
        const TFastLineSeries* grey = scope_->Reference.LineBehind(line);
        return grey == nullptr || !grey->LinePenVisible();
    }

    // The chart's colour at a pixel index and value, as it paints.
    QColor ColourAt(int pixel, double value) const {
        TChart& chart = *scope_->Chart.ChartControl;
        QImage image(chart.size(), QImage::Format_RGB32);
        QPainter painter(&image);
        chart.Draw(painter);
        return image.pixelColor(chart.BottomAxis().CalcPosValue(pixel),
                                chart.LeftAxis().CalcPosValue(value));
    }

    std::unique_ptr<TfrmSettingsView> settings_;
    std::unique_ptr<TfrmScope> scope_;
};

TEST_F(ScopeBaseline, TheReferenceIsDrawnWhereTheFileSaysAndFollowsTheBoxes) {
    Load(WriteReference(WriteBaselineFile(Reference())));
    ASSERT_TRUE(scope_->Reference.IsLoaded());
    EXPECT_TRUE(Shows(0, 1, kSubtracted)) << "the row kind the radio buttons choose";
    EXPECT_TRUE(Shows(1, 2, kSubtracted));
    EXPECT_TRUE(Hidden(4) && Hidden(5)) << "Trigger is not checked";
    TChart& chart = *scope_->Chart.ChartControl;
    EXPECT_LT(chart.IndexOf(scope_->Reference.LineBehind(5)),
              chart.IndexOf(scope_->Chart.Lines[0]->Series))
        << "drawn before, so behind, every live curve";
    EXPECT_EQ(ColourAt(20, ValueOf(2, kSubtracted, 20)), TScopeReference::kColour);

    scope_->rbLit->click();
    EXPECT_TRUE(Shows(0, 1, kLit));
    EXPECT_TRUE(Shows(1, 2, kLit));
    EXPECT_EQ(ColourAt(20, ValueOf(2, kLit, 20)), TScopeReference::kColour);
    scope_->cbTrigger->click();
    EXPECT_TRUE(Shows(4, 1, kTrigger));
    EXPECT_TRUE(Shows(5, 2, kTrigger));
    scope_->cbCam1->click();
    EXPECT_TRUE(Hidden(0) && Hidden(4)) << "camera 1 is not shown";
    EXPECT_TRUE(Shows(1, 2, kLit));
    EXPECT_TRUE(Shows(5, 2, kTrigger));

    // Live camera data go to the live curves only.
    const uint8_t report[64] = {'G', 5 + 2 * 2, 0, 20, 70, 0, 0, 0x01, 0x00, 0x01, 0x00};
    scope_->HandleScopeData(report, 64);
    EXPECT_EQ(scope_->Chart.Lines[1]->Series->YValue(20), 256);
    EXPECT_TRUE(Shows(1, 2, kLit));

    scope_->ClearReferenceClick();
    EXPECT_FALSE(scope_->Reference.IsLoaded());
    EXPECT_TRUE(Hidden(1) && Hidden(5));
    EXPECT_NE(ColourAt(30, ValueOf(2, kLit, 30)), TScopeReference::kColour);
    scope_->cbCam1->click();
    EXPECT_TRUE(Hidden(0)) << "a cleared reference stays away";
}

TEST_F(ScopeBaseline, AFileItCannotReadIsRefusedWithThePlace) {
    std::string text = WriteBaselineFile(Reference());
    text.replace(text.find("\"version\": 1"), 12, "\"version\": 7");
    Load(WriteReference(text));
    EXPECT_FALSE(scope_->Reference.IsLoaded());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Caption, "Load Reference");
    EXPECT_EQ(ui_.messages[0].Icon, MessageIcon::Error);
    EXPECT_THAT(ui_.messages[0].Text.toStdString(),
                HasSubstr("line 3, column 14: baseline file version 7 is not supported"));
    EXPECT_TRUE(Hidden(0));
}

TEST_F(ScopeBaseline, SaveBaselineRecordsTheUnitThroughTheProgramsEngine) {
    const std::string path = (home_.Root() / "unit.json").string();
    ui_.saveAnswers.push_back(QString::fromStdString(path));
    recorder_->Clear();
    scope_->SaveBaselineClick();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_THAT(ui_.messages[0].Text.toStdString(), HasSubstr("Baseline of unit 86012345 saved"));
    std::string text;
    std::string error;
    ASSERT_TRUE(ReadWholeTextFile(path, text, error)) << error;
    BaselineContent saved;
    ASSERT_TRUE(ParseBaselineFile(text, saved, error)) << error;
    EXPECT_EQ(saved.serialNumber, 86012345u);
    EXPECT_EQ(saved.firmwareVersion, "3.12");
    EXPECT_FALSE(saved.channel0.empty());
    EXPECT_FALSE(saved.channel6.empty());
    ASSERT_EQ(saved.profiles.size(), 8u);
    EXPECT_GT(FindProfile(saved.profiles, 2, RowKind::Lit)->values[256], 600);
    EXPECT_LT(FindProfile(saved.profiles, 1, RowKind::Ambient)->values[256], 100);
    EXPECT_FALSE(scope_->RecordingBaseline);

    // The saved file loads as a reference straight away.
    Load(path);
    EXPECT_TRUE(scope_->Reference.IsLoaded());
    EXPECT_FALSE(Hidden(0));
}

TEST_F(ScopeBaseline, AMinimisedScopeStillRecordsItsBaseline) {
    scope_->showMinimized();
    ASSERT_TRUE(scope_->isMinimized());
    const std::string path = (home_.Root() / "minimised.json").string();
    ui_.saveAnswers.push_back(QString::fromStdString(path));
    scope_->SaveBaselineClick();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_THAT(ui_.messages[0].Text.toStdString(), HasSubstr("Baseline of unit 86012345 saved"));
}
