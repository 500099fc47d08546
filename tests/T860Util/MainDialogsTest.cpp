#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "T860Util/Featurereportinputmode.h"
#include "T860Util/Offscreenmode.h"
#include "T860Util/Performancestats.h"
#include "T860Util/Reportmode.h"
#include "tests/T860Util/AppFixture.h"

namespace {

// The main window with its three edit dialogs, on a controller that starts in
// report mode 0x0025 and input mode 1.
class MainDialogs : public AppFixture {
protected:
    ControllerConfig Config() const override {
        ControllerConfig config = AppFixture::Config();
        config.reportMode = 0x0025;
        config.inputMode = 1;
        return config;
    }
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
        frmReportMode = &reportMode_;
        frmOffscreenMode = &offscreenMode_;
        frmFeatureReportInputMode = &inputMode_;
        recorder_->Clear();
    }
    void TearDown() override {
        frmReportMode = nullptr;
        frmOffscreenMode = nullptr;
        frmFeatureReportInputMode = nullptr;
        AppFixture::TearDown();
    }
    std::vector<std::string> SentHex(int count) const {
        std::vector<std::string> sent;
        for (const Report65& report : recorder_->Sent(6)) {
            sent.push_back(Hex(report, count));
        }
        return sent;
    }
    static int Accept(QDialog&) { return QDialog::Accepted; }
    static int Cancel(QDialog&) { return QDialog::Rejected; }

    TFrmReportMode reportMode_;
    TfrmOffscreenMode offscreenMode_;
    TFrmFeatureReportInputMode inputMode_;
};

TEST_F(MainDialogs, ReportModeIsReadEditedWrittenAndVerified) {
    main_->btnReportModeClick();
    ASSERT_EQ(ui_.dialogs.size(), 1u);
    EXPECT_TRUE(reportMode_.rbMouse->isChecked());
    EXPECT_TRUE(ui_.messages.empty());
    EXPECT_EQ(SentHex(6), (std::vector<std::string>{"06 43 01 36 00 00", "06 43 03 36 00 01"}));
    EXPECT_EQ(controller_->ReportMode(), 0x0001);

    // The controller answers the set with another value: the check fails.
    controller_->RefuseReportModeBits(0x0002);
    ui_.dialogAnswers.push_back([this](QDialog&) {
        reportMode_.cbBFXMultitouch->setChecked(true);
        return QDialog::Accepted;
    });
    main_->btnReportModeClick();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Text, "Failed to set report mode.");
    EXPECT_EQ(ui_.messages[0].Caption, "Report Mode");
    EXPECT_EQ(ui_.messages[0].Owner, main_.get());
}

TEST_F(MainDialogs, ReportModeCancelSendsNothingAndNoAnswerIsReported) {
    ui_.dialogAnswers.push_back(Cancel);
    main_->btnReportModeClick();
    EXPECT_EQ(SentHex(4), (std::vector<std::string>{"06 43 01 36"}));
    EXPECT_TRUE(ui_.messages.empty());

    controller_->DropReplies(true);
    main_->btnReportModeClick();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Text, "Failed to read current report mode.");
    EXPECT_EQ(ui_.dialogs.size(), 1u) << "the dialog is not shown without a value";
}

TEST_F(MainDialogs, OffscreenModeSendsTheLowByteAndComparesIt) {
    ui_.dialogAnswers.push_back([this](QDialog&) {
        EXPECT_EQ(offscreenMode_.edMode->text(), "0");
        offscreenMode_.edMode->setText("300");
        return QDialog::Accepted;
    });
    main_->btnOffscreenModeClick();
    EXPECT_EQ(SentHex(5), (std::vector<std::string>{"06 43 01 84 00", "06 43 02 84 2C"}));
    EXPECT_TRUE(ui_.messages.empty()) << "44 sent and 44 answered";
    EXPECT_EQ(controller_->OffscreenMode(), 44);

    ui_.dialogAnswers.push_back([this](QDialog&) {
        EXPECT_EQ(offscreenMode_.edMode->text(), "44");
        offscreenMode_.edMode->setText("abc");
        return QDialog::Accepted;
    });
    main_->btnOffscreenModeClick();
    EXPECT_EQ(controller_->OffscreenMode(), 0);
    EXPECT_TRUE(ui_.messages.empty());

    controller_->DropReplies(true);
    main_->btnOffscreenModeClick();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Text, "Failed to read current offscreen mode.");
    EXPECT_EQ(ui_.messages[0].Caption, "Offscreen Mode");
}

// Passes the input mode reads through and fails every write.
class RefusingFeatureWrites : public platform::hid::VirtualDeviceHandler {
public:
    explicit RefusingFeatureWrites(VirtualDeviceHandler& inner) : inner_(inner) {}
    void OnOutputReport(size_t collection, const uint8_t* report, size_t length) override {
        inner_.OnOutputReport(collection, report, length);
    }
    bool OnGetFeature(size_t collection, uint8_t* report, size_t length) override {
        return inner_.OnGetFeature(collection, report, length);
    }
    bool OnSetFeature(size_t, const uint8_t*, size_t) override { return false; }

private:
    VirtualDeviceHandler& inner_;
};

TEST_F(MainDialogs, InputModeDialogShowsTheDeviceValueAndWritesTheChoice) {
    ui_.dialogAnswers.push_back([this](QDialog&) {
        EXPECT_TRUE(inputMode_.rbDigi->isChecked());
        inputMode_.rbWin7Multitouch->setChecked(true);
        return QDialog::Accepted;
    });
    main_->btnFeatureReportInputModeClick();
    EXPECT_EQ(controller_->InputMode(), 2);
    EXPECT_TRUE(ui_.messages.empty());

    ui_.dialogAnswers.push_back(Cancel);
    inputMode_.rbMouse->setChecked(true);
    main_->btnFeatureReportInputModeClick();
    EXPECT_EQ(controller_->InputMode(), 2) << "cancel writes nothing";

    auto& device = const_cast<platform::hid::VirtualDevice&>(controller_->Device());
    RefusingFeatureWrites refusing(*recorder_);
    device.SetHandler(&refusing);
    main_->btnFeatureReportInputModeClick();
    device.SetHandler(recorder_.get());
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Text, "Failed to set input mode.");
    EXPECT_EQ(ui_.messages[0].Caption, "Feature Report Input Mode");

    controller_->Unplug();
    main_->btnFeatureReportInputModeClick();
    ASSERT_EQ(ui_.messages.size(), 2u);
    EXPECT_EQ(ui_.messages[1].Text, "Failed to read current input mode.");
}

// The controller shows touches to the system in the form the two dialogs
// choose: the report mode's own choice, or with its precedence flag the
// feature report's input mode.
TEST_F(MainDialogs, TheDialogsChooseTheFormInWhichTouchesReachTheSystem) {
    EXPECT_EQ(controller_->Form(), DigitizerForm::Mouse) << "0x0025: the first choice wins";

    ui_.dialogAnswers.push_back([this](QDialog&) {
        reportMode_.rbWin7Multitouch->setChecked(true);
        reportMode_.cbWin7FeatureReport->setChecked(true);
        return QDialog::Accepted;
    });
    main_->btnReportModeClick();
    EXPECT_EQ(controller_->Form(), DigitizerForm::Digitizer) << "the input mode, 1, decides";

    ui_.dialogAnswers.push_back([this](QDialog&) {
        inputMode_.rbWin7Multitouch->setChecked(true);
        return QDialog::Accepted;
    });
    main_->btnFeatureReportInputModeClick();
    EXPECT_EQ(controller_->Form(), DigitizerForm::Multitouch);

    ui_.dialogAnswers.push_back([this](QDialog&) {
        reportMode_.rbNone->setChecked(true);
        reportMode_.cbWin7FeatureReport->setChecked(false);
        return QDialog::Accepted;
    });
    main_->btnReportModeClick();
    EXPECT_EQ(controller_->Form(), DigitizerForm::None);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(MainDialogs, ReportModeAndInputModeDialogsOpenCentredOnTheScreen) {
    main_->move(0, 0);
    main_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
    const QPoint screenCentre = main_->screen()->availableGeometry().center();
    // Owned by the main window, as in the program.
    TFrmReportMode reportMode(main_.get());
    TFrmFeatureReportInputMode inputMode(main_.get());
    for (QDialog* dialog : std::initializer_list<QDialog*>{&reportMode, &inputMode}) {
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
        const QPoint offCentre = dialog->frameGeometry().center() - screenCentre;
        EXPECT_LE(offCentre.manhattanLength(), 2) << dialog->windowTitle().toStdString();
        dialog->hide();
    }
}

TEST_F(MainDialogs, PerformanceTestRunsBetweenTwoPressesAndSurvivesAFailedStop) {
    TfrmPerformanceStats stats(main_.get());
    stats.show();
    stats.btnMemoryStatsClick();
    EXPECT_TRUE(stats.Label1->text().startsWith("GetPerfStats Memory usage:\n  Total NP "));

    stats.btnPerfTestClick();
    EXPECT_EQ(stats.btnPerfTest->text(), "Stop Performance Test");
    EXPECT_EQ(stats.Label1->text(), "Perf test in progress...");

    controller_->Unplug();
    stats.btnPerfTestClick();
    ASSERT_EQ(ui_.messages.size(), 1u);
    EXPECT_EQ(ui_.messages[0].Text, "BF_REPORT_GET_PERFORMANCE_STATS failed");
    EXPECT_EQ(ui_.messages[0].Caption, "Performance Stats");
    EXPECT_EQ(ui_.messages[0].Icon, MessageIcon::Error);
    EXPECT_EQ(ui_.messages[0].Owner, &stats);
    EXPECT_EQ(stats.btnPerfTest->text(), "Stop Performance Test") << "still running";

    controller_->Plug();
    stats.hide();
    stats.show();  // reopened: a new handle, the running test goes on
    stats.btnPerfTestClick();
    EXPECT_EQ(stats.btnPerfTest->text(), "Start Performance Test");
    EXPECT_TRUE(stats.Label1->text().startsWith("GetPerfStats Thread cpu usage:\n  DeviceAccess "));
    stats.hide();
    EXPECT_EQ(bus_.OpenHandleCount(controller_->Device(), 2), 0) << "closing releases the handle";
}

}  // namespace
