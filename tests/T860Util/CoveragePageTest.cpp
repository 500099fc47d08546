// The accuracy window's coverage page on the virtual controller's technician:
// strokes with a dead zone, the two-finger check with and without ghosts, the
// single-touch skip and the result file's acceptance checks.

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPointingDevice>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <memory>

#include "Checks/AccuracyFile.h"
#include "DriverInterface/DriverIO.h"
#include "T860Util/AcceptancePanel.h"
#include "T860Util/CoveragePage.h"
#include "tests/T860Util/AccuracyFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

// Pixels of 0.25 mm: a 10 mm cell is 40 pixels.
constexpr double kMmPerPx = 0.25;
constexpr int kCellPx = 40;

class CoveragePage : public AccuracyFixture {
protected:
    // Ctrl+Shift+A, then the coverage page, its cells 40 pixels square.
    void OpenCoverage() {
        // A technician who touches nothing keeps the scripted fingers away
        // from the first X packet on.
        PlayTechnician(TechnicianConfig{});
        QTest::keyClick(main_.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        ASSERT_TRUE(accuracy_->isVisible());
        ASSERT_TRUE(
            t860test::WaitUntil([this] { return (controller_->ReportMode() & 0x02) != 0; }));
        QTest::mouseClick(accuracy_->btnCoverage, Qt::LeftButton);
        page_ = accuracy_->Coverage;
        ASSERT_TRUE(page_->isVisible());
        AccuracyScreen screen;
        screen.WidthMm = page_->width() * kMmPerPx;
        screen.HeightMm = page_->height() * kMmPerPx;
        page_->Start(screen, ScreenSizeSource::System, 60);
        columns_ = page_->width() / kCellPx;
        rows_ = page_->height() / kCellPx;
        ASSERT_EQ(columns_ * kCellPx, page_->width()) << "a screen of whole cells";
    }

    TechnicianConfig OnPage() const {
        TechnicianConfig technician;
        technician.screenWidthPx = page_->width();
        technician.screenHeightPx = page_->height();
        technician.startMs = 100;
        technician.liftMs = 50;
        return technician;
    }

    // One stroke over each row of cells, slow enough that coming back out of
    // a corner's dead zone takes longer than a dropout.
    void Stroke(const std::vector<TechnicianConfig::Area>& deadZones, int expectedCells) {
        TechnicianConfig technician = OnPage();
        technician.strokes = true;
        technician.strokeSpeedPxPerS = 1200;
        technician.strokeRowSpacingPx = kCellPx;
        technician.deadZones = deadZones;
        PlayTechnician(technician);
        ASSERT_TRUE(t860test::WaitUntil([&] { return page_->CellsReached() == expectedCells; }))
            << page_->CellsReached() << " cells reached";
    }

    void HoldTwoFingers(bool ghost) {
        TechnicianConfig technician = OnPage();
        technician.twoFingers = TechnicianConfig::TwoFingers{
            {0.35f, 0.35f}, {0.65f, 0.65f}, {0.2f, 0.2f}, {0.8f, 0.8f}, ghost, 300, 400};
        PlayTechnician(technician);
        ASSERT_TRUE(
            t860test::WaitUntil([this] { return page_->Phase() == CoveragePhase::Results; }));
    }

    const AcceptanceRecord& Acceptance() const { return *page_->Result()->Acceptance; }

    QString Shown(const QString& criterion, int column) const {
        const QTableWidget* table = page_->Panel->tbCriteria;
        for (int row = 0; row < table->rowCount(); ++row) {
            if (table->item(row, 0)->text() == criterion) {
                return table->item(row, column)->text();
            }
        }
        return "(no such row)";
    }

    TCoveragePage* page_ = nullptr;
    int columns_ = 0;
    int rows_ = 0;
};

}  // namespace

TEST_F(CoveragePage, ADeadZoneInACornerIsShownInExactlyItsCells) {
    ASSERT_NO_FATAL_FAILURE(OpenCoverage());
    // 40 x 40 mm in the lower left corner.
    const float bottom = static_cast<float>(page_->height());
    ASSERT_NO_FATAL_FAILURE(
        Stroke({{0, bottom - 4 * kCellPx, 4.0f * kCellPx, bottom}}, columns_ * rows_ - 16));
    QTest::keyClick(page_, Qt::Key_Return);
    ASSERT_EQ(page_->Phase(), CoveragePhase::TwoFingers);
    ASSERT_NO_FATAL_FAILURE(HoldTwoFingers(false));

    ASSERT_TRUE(page_->Result() && page_->Result()->Acceptance);
    const CoverageRecord& coverage = *Acceptance().Coverage;
    std::vector<CoverageCell> corner;
    for (int row = rows_ - 4; row < rows_; ++row) {
        for (int column = 0; column < 4; ++column) {
            corner.push_back({column, row});
        }
    }
    EXPECT_EQ(coverage.Unreached, corner);
    EXPECT_TRUE(coverage.Dropouts.empty());
    EXPECT_TRUE(coverage.Jumps.empty());
    EXPECT_EQ(Acceptance().TwoFingers, TwoFingerVerdict::Passed);
    EXPECT_TRUE(page_->Panel->isVisible());
    EXPECT_EQ(Shown("Coverage", 3), "fail");
    EXPECT_EQ(Shown("Two fingers", 3), "pass");
    EXPECT_TRUE(page_->Panel->lbRegions->text().contains("Not reached: the lower left corner (16)"))
        << page_->Panel->lbRegions->text().toStdString();

    // The result file holds the acceptance checks, and the limits edited.
    AccuracySummary saved;
    std::string error;
    const std::string path = (home_.DataFolder() / kLastAccuracyFileName).string();
    ASSERT_TRUE(ReadAccuracySummary(path, saved, error)) << error;
    ASSERT_TRUE(saved.Acceptance && saved.Acceptance->Coverage);
    EXPECT_EQ(saved.Acceptance->Coverage->Unreached, corner);
    page_->Panel->cbLimitSet->setCurrentIndex(1);
    emit page_->Panel->cbLimitSet->activated(1);
    ASSERT_TRUE(ReadAccuracySummary(path, saved, error)) << error;
    EXPECT_EQ(saved.Acceptance->Limits, StrictLimits());
    // The next run is judged with them too.
    QTest::mouseClick(page_->Panel->btnStartAgain, Qt::LeftButton);
    ASSERT_EQ(page_->Phase(), CoveragePhase::Strokes);
    page_->Next();
    page_->Next();
    ASSERT_TRUE(page_->Result());
    EXPECT_EQ(Acceptance().Limits, StrictLimits());
}

TEST_F(CoveragePage, AGhostSwapFailsTheTwoFingerCheckAndDesktopTouchesAreCounted) {
    ASSERT_NO_FATAL_FAILURE(OpenCoverage());
    // The desktop's own touch events, where they arrive, mark their cells.
    const std::unique_ptr<QPointingDevice> touchscreen(QTest::createTouchDevice());
    for (const QPoint at : {QPoint(kCellPx / 2, kCellPx / 2), QPoint(kCellPx * 5 / 2, kCellPx)}) {
        QTest::touchEvent(page_, touchscreen.get()).press(0, at);
        QTest::touchEvent(page_, touchscreen.get()).release(0, at);
    }
    page_->Next();
    ASSERT_EQ(page_->Phase(), CoveragePhase::TwoFingers);
    ASSERT_NO_FATAL_FAILURE(HoldTwoFingers(true));
    EXPECT_EQ(Acceptance().TwoFingers, TwoFingerVerdict::Ghost);
    EXPECT_EQ(Shown("Two fingers", 3), "fail");
    EXPECT_TRUE(Acceptance().Coverage->DesktopEvents);
    EXPECT_EQ(Acceptance().Coverage->DesktopCellsReached, 2);
    EXPECT_EQ(Acceptance().Coverage->CellsReached, 0) << "the controller sent no strokes";
    // Touches where the controller reported none are the desktop's own.
    const QString regions = page_->Panel->lbRegions->text();
    EXPECT_TRUE(regions.contains("Desktop events elsewhere: the upper left corner (2)"))
        << regions.toStdString();
    EXPECT_TRUE(regions.contains("Desktop: touch events reached 2 of ")) << regions.toStdString();
}

TEST_F(CoveragePage, ASingleTouchControllerSkipsTheTwoFingerCheckWithANote) {
    // As on X11, where the platform merges queued moves by default.
    const bool compressing = QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents);
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, true);
    ASSERT_NO_FATAL_FAILURE(OpenCoverage());
    // While it takes touches every move the desktop delivers counts.
    EXPECT_FALSE(QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents));
    ASSERT_EQ(SetFeatureReportInputMode(0, 1), 1);  // the digitizer: single touch
    page_->Next();
    ASSERT_EQ(page_->Phase(), CoveragePhase::Results);
    EXPECT_TRUE(QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents));
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, compressing);
    EXPECT_EQ(Acceptance().TwoFingers, TwoFingerVerdict::Skipped);
    EXPECT_EQ(Shown("Two fingers", 1), "Skipped: the controller is in a single-touch input mode.");
    EXPECT_EQ(Shown("Two fingers", 3), "not judged");
}

TEST_F(CoveragePage, ATypedDiagonalAndEditedLimitsJudgeAgainAndAreSaved) {
    ASSERT_NO_FATAL_FAILURE(OpenCoverage());
    page_->Next();
    page_->Next();  // no fingers came: the results
    ASSERT_EQ(page_->Phase(), CoveragePhase::Results);
    EXPECT_EQ(Acceptance().TwoFingers, TwoFingerVerdict::OneContact);
    EXPECT_EQ(Acceptance().Limits.Name, "default");

    // 24 inches typed: today's defaults follow it, 1.5 % of 609.6 mm.
    page_->Panel->edDiagonal->setValue(24);
    EXPECT_EQ(Acceptance().SizeSource, ScreenSizeSource::Typed);
    EXPECT_NEAR(DiagonalInches(page_->Result()->Screen), 24, 1e-9);
    EXPECT_NEAR(Acceptance().Limits.OffsetMm, 9.144, 1e-9);
    EXPECT_EQ(page_->Panel->edOffsetMm->value(), 9.14);

    // An edited limit makes the set "Custom", and the file keeps it.
    page_->Panel->edJitterMm->setValue(0.7);
    EXPECT_EQ(page_->Panel->cbLimitSet->currentText(), "Custom");
    EXPECT_EQ(Acceptance().Limits.Name, "custom");
    AccuracySummary saved;
    std::string error;
    ASSERT_TRUE(
        ReadAccuracySummary((home_.DataFolder() / kLastAccuracyFileName).string(), saved, error))
        << error;
    ASSERT_TRUE(saved.Acceptance);
    EXPECT_EQ(saved.Acceptance->Limits.JitterMm, 0.7);
    EXPECT_EQ(saved.Acceptance->SizeSource, ScreenSizeSource::Typed);
    EXPECT_NEAR(DiagonalInches(saved.Screen), 24, 1e-9);
}
