// The accuracy test window on the virtual controller's technician, with the
// desktop's touch events fed through Qt's test touch device.

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointingDevice>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "Protocol/DeviceStatus.h"
#include "Protocol/Protocolutils.h"
#include "T860Util/Accuracy.h"
#include "T860Util/AccuracyResults.h"
#include "T860Util/Dispatch.h"
#include "tests/T860Util/AccuracyFixture.h"
#include "tests/support/ExpectMatrix.h"
#include "tests/support/TraceCapture.h"
#include "tests/support/WaitUntil.h"

namespace {

using t860test::WaitUntil;

// Where the desktop puts a touch that the controller reports at a window
// pixel; none when it lands outside the window (the desktop then gives it to
// another window).
using DesktopMapping = std::function<std::optional<QPointF>(QPointF, QSizeF)>;

std::optional<QPointF> Inside(QPointF p, QSizeF size) {
    if (p.x() < 0 || p.y() < 0 || p.x() >= size.width() || p.y() >= size.height()) {
        return std::nullopt;
    }
    return p;
}

class AccuracyWindow : public AccuracyFixture {
protected:
    static constexpr uint32_t kScriptHoldMs = 350;

    void SetUp() override {
        AccuracyFixture::SetUp();
        accuracy_->HoldMs = 200;
        touchscreen_.reset(QTest::createTouchDevice());
    }

    void Open() {
        QTest::keyClick(main_.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_TRUE(accuracy_->isVisible());
        ASSERT_TRUE(WaitUntil([this] { return (controller_->ReportMode() & 0x02) != 0; }));
        // The targets are placed on the window as it covers its screen.
        ASSERT_TRUE(WaitUntil([this] {
            return accuracy_->screen() != nullptr &&
                   accuracy_->geometry() == accuracy_->screen()->geometry();
        }));
    }

    TechnicianConfig Technician(const std::vector<int>& targets) const {
        TechnicianConfig technician;
        const int grid = accuracy_->cbLargeGrid->isChecked() ? 5 : 3;
        for (int index : targets) {
            const AccuracyPoint f = TargetFraction(grid, index);
            technician.targets.push_back({static_cast<float>(f.X), static_cast<float>(f.Y)});
        }
        technician.screenWidthPx = accuracy_->width();
        technician.screenHeightPx = accuracy_->height();
        technician.startMs = 100;
        technician.holdMs = kScriptHoldMs;
        technician.liftMs = 120;
        return technician;
    }

    static std::vector<int> AllTargets(int count = 9) {
        std::vector<int> all;
        for (int i = 0; i < count; ++i) {
            all.push_back(i);
        }
        return all;
    }

    // Plays the technician and, for each hold, the desktop's touch; returns
    // once the window shows the results.
    void Play(const TechnicianConfig& config, const DesktopMapping& desktop,
              bool alsoMouse = false) {
        const auto script =
            std::make_shared<TechnicianScript>(config, controller_->Config().touchReportsPerSecond);
        controller_->PlayTechnician(script);
        size_t touched = 0;
        bool inHold = false;  // this hold's desktop touch is done with
        std::optional<QPoint> pressed;
        const auto release = [&] {
            if (pressed) {
                QTest::touchEvent(accuracy_.get(), touchscreen_.get()).release(0, *pressed);
                pressed.reset();
            }
        };
        const bool finished = WaitUntil([&] {
            if (accuracy_->Phase() == AccuracyPhase::Finished) {
                return accuracy_->Results->isVisible();  // once the window thread had it
            }
            const bool holding = accuracy_->Holding();
            if (!holding) {
                release();
                inHold = false;
            }
            if (holding && !inHold && touched < config.targets.size()) {
                inHold = true;
                float x;
                float y;
                script->TouchPixels(touched++, x, y);
                const QPoint controllerAt(qRound(x), qRound(y));
                if (alsoMouse) {
                    QTest::mouseClick(accuracy_.get(), Qt::LeftButton, {}, controllerAt);
                }
                if (const std::optional<QPointF> at =
                        desktop(QPointF(x, y), QSizeF(accuracy_->size()))) {
                    pressed = at->toPoint();
                    QTest::touchEvent(accuracy_.get(), touchscreen_.get()).press(0, *pressed);
                }
            }
            return false;
        });
        release();
        ASSERT_TRUE(finished) << "stopped at target " << accuracy_->CurrentTarget() + 1;
        ASSERT_TRUE(accuracy_->LastResult());
        ASSERT_TRUE(accuracy_->Results->isVisible());
    }

    // The matrix of the last result's mapping.
    void ExpectLastMatrix(const std::array<double, 6>& expected) {
        ASSERT_TRUE(accuracy_->LastResult());
        ExpectMatrix(accuracy_->LastResult()->Mapping.Calibration, expected);
    }

    // A key as the keyboard gives it: to the control with the focus.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QWidget* focus = accuracy_->focusWidget();
        QTest::keyClick(focus != nullptr ? focus : accuracy_.get(), key, modifiers);
    }

    std::unique_ptr<QPointingDevice> touchscreen_;
};

TEST_F(AccuracyWindow, MeasuresAnInjectedOffsetAndJitterAndSeesNoDesktopTouches) {
    ASSERT_NO_FATAL_FAILURE(Open());
    TechnicianConfig technician = Technician(AllTargets());
    technician.offsetXPx = 12;
    technician.offsetYPx = -7;
    technician.jitterSdPx = 2;
    // Mouse clicks the desktop makes of touches are no touch events.
    ASSERT_NO_FATAL_FAILURE(Play(
        technician, [](QPointF, QSizeF) { return std::nullopt; }, true));
    const AccuracyResult& result = *accuracy_->LastResult();
    ASSERT_EQ(result.Samples.size(), 9u);
    for (const TargetSample& sample : result.Samples) {
        ASSERT_TRUE(sample.Taken);
        const TargetVerdict verdict = JudgeTarget(sample, result.Screen, result.Thresholds);
        EXPECT_NEAR(verdict.Offset.X, 12, 0.5);
        EXPECT_NEAR(verdict.Offset.Y, -7, 0.5);
        EXPECT_NEAR(sample.Controller.JitterSd, 2, 0.2);
        // Enough for a jitter figure; how many fall into the hold depends on
        // when they arrive, which a loaded machine spreads.
        EXPECT_GE(sample.Controller.Packets, 10);
        EXPECT_FALSE(sample.Desktop);
    }
    EXPECT_EQ(result.Mapping.Cause, MappingCause::NoTouchEvents);
    EXPECT_TRUE(accuracy_->Results->lbMapping->text().contains("No touch events"));
    EXPECT_TRUE(result.Advice.empty());
    EXPECT_TRUE(std::filesystem::exists(home_.DataFolder() / "LastAccuracy.json"));
}

TEST_F(AccuracyWindow, RecognisesTheWholeOfTwoScreens) {
    ASSERT_NO_FATAL_FAILURE(Open());
    DesktopLayout layout;
    const double w = accuracy_->width();
    const double h = accuracy_->height();
    layout.Screens = {{"DP-1", {0, 0, w, h}}, {"DP-2", {w, 0, w, h}}};
    layout.Window = {0, 0, w, h};
    accuracy_->OverrideDesktopLayout(layout);
    const QByteArray session = qgetenv("XDG_SESSION_TYPE");
    qputenv("XDG_SESSION_TYPE", "x11");
    ASSERT_NO_FATAL_FAILURE(Play(Technician(AllTargets()), [](QPointF p, QSizeF size) {
        return Inside(QPointF(2 * p.x(), p.y()), size);
    }));
    const AccuracyResult& result = *accuracy_->LastResult();
    EXPECT_EQ(result.Mapping.Cause, MappingCause::WholeDesktop);
    EXPECT_EQ(result.Mapping.TargetsWithEvents, 3);
    ExpectLastMatrix({0.5, 0, 0, 0, 1, 0});
    qputenv("XDG_SESSION_TYPE", session);
    EXPECT_NE(result.Advice.find("xinput map-to-output"), std::string::npos) << result.Advice;
    EXPECT_NE(result.Advice.find("\"libinput Calibration Matrix\" 0.5 0 0 0 1 0 0 0 1"),
              std::string::npos)
        << result.Advice;
    EXPECT_TRUE(accuracy_->Results->edAdvice->isVisible());
}

TEST_F(AccuracyWindow, RecognisesARotationByNinetyDegrees) {
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(Play(Technician(AllTargets()), [](QPointF p, QSizeF size) {
        return Inside(QPointF(size.width() * (1 - p.y() / size.height()),
                              size.height() * p.x() / size.width()),
                      size);
    }));
    const AccuracyResult& result = *accuracy_->LastResult();
    EXPECT_EQ(result.Mapping.Cause, MappingCause::Oriented);
    EXPECT_EQ(result.Mapping.Turn, Orientation::Rotated90);
    EXPECT_EQ(result.Mapping.TargetsWithEvents, 9);
    ExpectLastMatrix({0, 1, 0, -1, 0, 1});
}

TEST_F(AccuracyWindow, RecognisesAMirrorAndTheRightMappingOnTheLargeGrid) {
    accuracy_->cbLargeGrid->setChecked(true);
    ASSERT_NO_FATAL_FAILURE(Open());
    const auto technician = Technician(AllTargets(25));
    ASSERT_NO_FATAL_FAILURE(Play(technician, [](QPointF p, QSizeF size) {
        return Inside(QPointF(size.width() - p.x(), p.y()), size);
    }));
    EXPECT_EQ(accuracy_->LastResult()->Samples.size(), 25u);
    EXPECT_EQ(accuracy_->LastResult()->Mapping.Cause, MappingCause::Oriented);
    EXPECT_EQ(accuracy_->LastResult()->Mapping.Turn, Orientation::MirroredLeftRight);
    ExpectLastMatrix({-1, 0, 1, 0, 1, 0});

    accuracy_->cbLargeGrid->setChecked(false);  // starts again with 9 targets
    ASSERT_NO_FATAL_FAILURE(Play(Technician(AllTargets()), Inside));
    EXPECT_EQ(accuracy_->LastResult()->Mapping.Cause, MappingCause::Correct);
    EXPECT_TRUE(accuracy_->LastResult()->Advice.empty());
    EXPECT_FALSE(accuracy_->Results->edAdvice->isVisible());
}

TEST_F(AccuracyWindow, ARedoneTargetReplacesItsSampleAndSaveWritesFileAndPicture) {
    ASSERT_NO_FATAL_FAILURE(Open());
    TechnicianConfig technician = Technician(AllTargets());
    technician.offsetXPx = 3;
    ASSERT_NO_FATAL_FAILURE(Play(technician, Inside));
    const AccuracyResult first = *accuracy_->LastResult();

    accuracy_->Results->tbTargets->selectRow(4);
    accuracy_->Results->btnRedo->click();
    EXPECT_FALSE(accuracy_->Results->isVisible());
    TechnicianConfig again = Technician({4});
    again.offsetXPx = -9;
    ASSERT_NO_FATAL_FAILURE(Play(again, Inside));
    const AccuracyResult& redone = *accuracy_->LastResult();
    EXPECT_NEAR(redone.Samples[4].Controller.Mean.X - redone.Samples[4].Target.X, -9, 0.5);
    EXPECT_DOUBLE_EQ(redone.Samples[3].Controller.Mean.X, first.Samples[3].Controller.Mean.X);
    EXPECT_EQ(accuracy_->Results->tbTargets->item(4, 3)->text(), "9.0");

    const std::filesystem::path file = home_.Root() / "result.json";
    ui_.saveAnswers.push_back(QString::fromStdString(file.string()));
    accuracy_->Results->btnSave->click();
    AccuracySummary summary;
    std::string error;
    ASSERT_TRUE(ReadAccuracySummary(file.string(), summary, error)) << error;
    EXPECT_EQ(summary.Values.Targets, 9);
    EXPECT_EQ(summary.SerialNumber, 86012345);
    EXPECT_GT(std::filesystem::file_size(home_.Root() / "result.png"), 1000u);
    EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(AccuracyWindow, TighterLimitsFailTargetsAndClosingRestoresTheControllersReportMode) {
    SetReportMode(0x0105);
    ASSERT_TRUE(WaitUntil([this] { return controller_->ReportMode() == 0x0105; }));
    // What the program last heard is stale; the window asks the controller.
    ASSERT_TRUE(WaitUntil([] { return DeviceStatus.ReportMode == 0x0105; }));
    DeviceStatus.ReportMode = 0;
    ASSERT_NO_FATAL_FAILURE(Open());
    EXPECT_EQ(accuracy_->SavedReportMode, 0x0105);
    // X packets come, and the touches still reach the system as they did.
    EXPECT_EQ(controller_->ReportMode(), 0x0107);
    EXPECT_EQ(controller_->Form(), DigitizerForm::Mouse);
    TechnicianConfig technician = Technician(AllTargets());
    technician.offsetXPx = 6;
    ASSERT_NO_FATAL_FAILURE(Play(technician, Inside));
    EXPECT_TRUE(Summarise(accuracy_->LastResult()->Samples, accuracy_->LastResult()->Screen,
                          accuracy_->LastResult()->Thresholds)
                    .Passed);
    accuracy_->Results->edOffsetLimit->setValue(0.2);
    const AccuracyResult& tight = *accuracy_->LastResult();
    EXPECT_DOUBLE_EQ(tight.Thresholds.OffsetPercent, 0.2);
    EXPECT_FALSE(Summarise(tight.Samples, tight.Screen, tight.Thresholds).Passed);
    EXPECT_TRUE(accuracy_->Results->lbSummary->text().contains("FAILED"));

    Key(Qt::Key_Escape);
    EXPECT_FALSE(accuracy_->isVisible());
    ASSERT_TRUE(WaitUntil([this] { return controller_->ReportMode() == 0x0105; }));
    const Report65 restore = recorder_->Sent(6).back();
    EXPECT_EQ(Hex(restore, 6), "06 43 03 36 01 05");
}

TEST_F(AccuracyWindow, ALastResultThatCannotBeKeptIsTracedAndShown) {
    // A folder where the last result's file goes: the rename over it fails.
    const std::filesystem::path last = home_.DataFolder() / "LastAccuracy.json";
    std::filesystem::create_directories(last);
    ASSERT_NO_FATAL_FAILURE(Open());
    TraceCapture trace;
    ASSERT_NO_FATAL_FAILURE(
        Play(Technician(AllTargets()), [](QPointF, QSizeF) { return std::nullopt; }));
    EXPECT_EQ(trace.Count("LastAccuracy.json not kept: cannot write " + last.string()), 1);
    EXPECT_TRUE(accuracy_->Results->lbKeepFailure->isVisibleTo(accuracy_->Results));
    EXPECT_TRUE(accuracy_->Results->lbKeepFailure->text().contains(
        QString::fromStdString("cannot write " + last.string())));

    // Once it can be written again, the next result is kept and the note goes.
    std::filesystem::remove(last);
    accuracy_->Results->edOffsetLimit->setValue(1.0);
    EXPECT_TRUE(std::filesystem::is_regular_file(last));
    EXPECT_FALSE(accuracy_->Results->lbKeepFailure->isVisibleTo(accuracy_->Results));
}

TEST_F(AccuracyWindow, BackspaceStepsBackDuringTheRunAndAltF4Leaves) {
    ASSERT_NO_FATAL_FAILURE(Open());
    PlayTechnician(Technician({0}));
    ASSERT_TRUE(WaitUntil([this] { return accuracy_->CurrentTarget() == 1; }));
    Key(Qt::Key_Backspace);
    EXPECT_EQ(accuracy_->CurrentTarget(), 0);
    EXPECT_EQ(accuracy_->Phase(), AccuracyPhase::Touching);

    Key(Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(accuracy_->isVisible());
    ASSERT_TRUE(WaitUntil([this] { return controller_->ReportMode() == 0x0020; }));
}

}  // namespace
