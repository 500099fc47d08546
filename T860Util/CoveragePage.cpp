#include "T860Util/CoveragePage.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTouchEvent>
#include <QVBoxLayout>

#include "DriverInterface/DriverIO.h"
#include "T860Util/AcceptancePanel.h"
#include "T860Util/AccuracyResults.h"
#include "platform/Sync.h"

namespace {

const QColor kReached(190, 232, 190);
const QColor kUnreached(255, 190, 190);
const QColor kEdgeBand(255, 247, 205);
const QColor kGridLine(205, 205, 205);
const QColor kDropout(230, 120, 0);
const QColor kJump(140, 0, 170);
const QColor kDesktop(0, 0, 255);
const QColor kTargetIdle(200, 0, 0);
const QColor kTargetHeld(230, 140, 0);
constexpr int kTargetRadius = 40;
// Input modes below this report one touch to the system.
constexpr int32_t kMultiTouchInputMode = 2;

const char* InstructionOf(CoveragePhase phase) {
    switch (phase) {
        case CoveragePhase::Strokes:
            return "Stroke over the whole screen, edges and corners too, until every cell has "
                   "turned green.\nEnter: two-finger check    Esc or Alt+F4 to close window";
        case CoveragePhase::TwoFingers:
            return "Hold a finger on each target at once, then move both outwards along the "
                   "diagonal.\nEnter: skip    Esc or Alt+F4 to close window";
        case CoveragePhase::Results:
            break;
    }
    return "";
}

}  // namespace

TCoveragePage::TCoveragePage(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAttribute(Qt::WA_AcceptTouchEvents);

    controls_ = new QWidget(this);
    controls_->setAutoFillBackground(true);
    lbInstruction = new QLabel(controls_);
    lbInstruction->setAlignment(Qt::AlignCenter);
    btnNext = new QPushButton(controls_);
    btnRestart = new QPushButton("Start Again", controls_);
    for (QPushButton* button : {btnNext, btnRestart}) {
        button->setFocusPolicy(Qt::NoFocus);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnNext);
    buttons->addWidget(btnRestart);
    buttons->addStretch(1);
    auto* box = new QVBoxLayout(controls_);
    box->addWidget(lbInstruction);
    box->addLayout(buttons);
    connect(btnNext, &QPushButton::clicked, this, &TCoveragePage::Next);
    connect(btnRestart, &QPushButton::clicked, this,
            [this] { Start(startScreen_, startSource_, refreshHz_); });

    Panel = new TAcceptancePanel(this);
    Panel->hide();
    connect(Panel, &TAcceptancePanel::LimitsChanged, this, &TCoveragePage::ApplyEdits);
    connect(Panel, &TAcceptancePanel::SaveRequested, this, [this] {
        if (result_) {
            SaveResultsWithPrompt(this, *result_);
        }
    });
    connect(Panel, &TAcceptancePanel::StartAgainRequested, this, [this] {
        // A diagonal typed in the results sizes the new run's cells.
        const AccuracyScreen screen = result_ ? result_->Screen : startScreen_;
        const ScreenSizeSource source =
            result_ && result_->Acceptance ? result_->Acceptance->SizeSource : startSource_;
        Start(screen, source, Panel->RefreshHz());
    });
    connect(Panel, &TAcceptancePanel::TargetsRequested, this, [this] { emit TargetsRequested(); });
    connect(Panel, &TAcceptancePanel::CloseRequested, this, [this] { emit CloseRequested(); });
}

void TCoveragePage::Start(const AccuracyScreen& screen, ScreenSizeSource source, double refreshHz) {
    startScreen_ = screen;
    startSource_ = source;
    screen_ = screen;
    screen_.WidthPx = width();
    screen_.HeightPx = height();
    sizeSource_ = source;
    refreshHz_ = refreshHz;
    const CoverageGrid grid = MakeCoverageGrid(screen_);
    {
        std::lock_guard<std::mutex> guard(lock_);
        coverage_.Start(grid, MmPerPxX(screen_), MmPerPxY(screen_));
        twoFingers_.Start(width(), height());
    }
    twoFingerVerdict_ = TwoFingerVerdict::NotRun;
    result_.reset();
    Panel->hide();
    SetPhase(CoveragePhase::Strokes);
    TakeTouches(true);
    emit StrokesStarted(size(), grid.Columns, grid.Rows);
}

void TCoveragePage::SetPhase(CoveragePhase phase) {
    phase_ = phase;
    lbInstruction->setText(InstructionOf(phase));
    btnNext->setText(phase == CoveragePhase::Strokes ? "Two-Finger Check" : "Skip");
    controls_->setVisible(phase != CoveragePhase::Results);
    LayOut();
    update();
}

void TCoveragePage::Next() {
    if (phase_ == CoveragePhase::Strokes) {
        // Two fingers mean nothing to a controller that reports one touch.
        const int32_t mode = GetFeatureReportInputMode();
        if (mode >= 0 && mode < kMultiTouchInputMode) {
            twoFingerVerdict_ = TwoFingerVerdict::Skipped;
            FinishStrokes();
            return;
        }
        SetPhase(CoveragePhase::TwoFingers);
        emit TwoFingersStarted(size());
        return;
    }
    if (phase_ == CoveragePhase::TwoFingers) {
        {
            std::lock_guard<std::mutex> guard(lock_);
            twoFingers_.Finish();
            twoFingerVerdict_ = twoFingers_.Verdict();
        }
        FinishStrokes();
    }
}

TCoveragePage::~TCoveragePage() {
    TakeTouches(false);  // a window closed with the program is not hidden first
}

void TCoveragePage::TakeTouches(bool on) {
    // Every move the desktop delivers counts, but by default the platform
    // merges the moves that queued up while the window was busy: a loaded
    // machine would then seem to skip cells.
    if (on && !takingTouches_) {
        compressedMoves_ = QCoreApplication::testAttribute(Qt::AA_CompressHighFrequencyEvents);
        QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    } else if (!on && takingTouches_) {
        QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, compressedMoves_);
    }
    takingTouches_ = on;
}

void TCoveragePage::FinishStrokes() {
    TakeTouches(false);
    SetPhase(CoveragePhase::Results);
    emit Finished();
}

AcceptanceRecord TCoveragePage::Record() const {
    AcceptanceRecord record;
    // Today's defaults follow the screen's size; other limits stay as chosen.
    record.Limits = chosenLimits_ ? *chosenLimits_ : DefaultLimits(screen_);
    if (record.Limits.Name == DefaultLimits(screen_).Name) {
        record.Limits = DefaultLimits(screen_);
    }
    record.SizeSource = sizeSource_;
    record.RefreshHz = refreshHz_;
    record.TwoFingers = twoFingerVerdict_;
    std::lock_guard<std::mutex> guard(lock_);
    record.Coverage = RecordOf(coverage_);
    return record;
}

void TCoveragePage::ShowResult(AccuracyResult result) {
    result_ = std::move(result);
    Panel->Show(*result_);
    Panel->show();
    Panel->raise();
    LayOut();
    update();
}

void TCoveragePage::ApplyEdits() {
    if (!result_ || !result_->Acceptance) {
        return;
    }
    AcceptanceRecord& record = *result_->Acceptance;
    record.Limits = Panel->Limits();
    record.RefreshHz = Panel->RefreshHz();
    // Back to the size the run started with, then the typed one if any.
    result_->Screen.WidthMm = startScreen_.WidthMm;
    result_->Screen.HeightMm = startScreen_.HeightMm;
    record.SizeSource = startSource_;
    if (Panel->DiagonalInches() > 0) {
        ApplyTypedDiagonal(record, result_->Screen, Panel->DiagonalInches());
    }
    chosenLimits_ = record.Limits;
    Panel->Show(*result_);
    emit ResultChanged(*result_);
}

void TCoveragePage::OnXPacket(const XPacket& packet, uint32_t nowMs) {
    if (!takingTouches_ || !packet.WellFormed()) {
        return;
    }
    const int count = packet.LogCount();
    uint8_t states[2];
    AccuracyPoint at[2];
    for (int i = 0; i < count; ++i) {
        states[i] = packet.Touch[i].State;
        at[i] = {static_cast<double>(width_) * packet.Touch[i].X / 32767.0,
                 static_cast<double>(height_) * packet.Touch[i].Y / 32767.0};
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (phase_ == CoveragePhase::Strokes) {
            for (int i = 0; i < count; ++i) {
                coverage_.OnContact(i, states[i], at[i].X, at[i].Y, nowMs);
            }
        } else if (phase_ == CoveragePhase::TwoFingers) {
            twoFingers_.OnReport(count, states, at);
        }
    }
    refresh_.Request();
}

void TCoveragePage::Refresh() {
    bool done;
    {
        std::lock_guard<std::mutex> guard(lock_);
        done = twoFingers_.Done();
        if (done) {
            twoFingerVerdict_ = twoFingers_.Verdict();
        }
    }
    if (phase_ == CoveragePhase::TwoFingers && done) {
        FinishStrokes();
        return;
    }
    update();
}

int TCoveragePage::CellsReached() const {
    std::lock_guard<std::mutex> guard(lock_);
    return coverage_.CellsReached();
}

bool TCoveragePage::TwoFingersHolding() const {
    std::lock_guard<std::mutex> guard(lock_);
    return twoFingers_.Holding();
}

bool TCoveragePage::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            if (phase_ == CoveragePhase::Results) {
                break;  // on the results the touches work the controls
            }
            event->accept();
            for (const QEventPoint& point : static_cast<QTouchEvent*>(event)->points()) {
                std::lock_guard<std::mutex> guard(lock_);
                coverage_.OnDesktopTouch(point.id(), point.position().x(), point.position().y(),
                                         point.state() == QEventPoint::Released);
            }
            update();
            return true;
        default:
            break;
    }
    return QWidget::event(event);
}

void TCoveragePage::hideEvent(QHideEvent* event) {
    TakeTouches(false);
    QWidget::hideEvent(event);
}

void TCoveragePage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    width_ = width();
    height_ = height();
    LayOut();
    // The cells sit at shares of the page: a new size starts the strokes over.
    if (isVisible() && phase_ == CoveragePhase::Strokes && takingTouches_ &&
        size() != QSize(screen_.WidthPx, screen_.HeightPx)) {
        Start(startScreen_, startSource_, refreshHz_);
    }
}

void TCoveragePage::LayOut() {
    controls_->adjustSize();
    const int controlsWidth = std::min(width(), controls_->sizeHint().width() + 24);
    controls_->setGeometry((width() - controlsWidth) / 2, height() / 2 - 120, controlsWidth,
                           controls_->sizeHint().height());
    Panel->setGeometry(width() / 8, height() / 10, width() * 3 / 4, height() * 4 / 5);
}

void TCoveragePage::paintEvent(QPaintEvent*) {
    // A copy of the cells, so that the read thread never waits for a paint.
    {
        std::lock_guard<std::mutex> guard(lock_);
        paintGrid_ = coverage_.Grid();
        paintCells_.resize(static_cast<size_t>(paintGrid_.Cells()));
        for (int i = 0; i < paintGrid_.Cells(); ++i) {
            paintCells_[static_cast<size_t>(i)] = coverage_.Cell(i);
        }
    }
    QPainter painter(this);
    PaintCells(painter);
    PaintFaults(painter);
    if (phase_ == CoveragePhase::TwoFingers) {
        PaintTwoFingerTargets(painter);
    }
}

void TCoveragePage::PaintCells(QPainter& painter) {
    const bool results = phase_ == CoveragePhase::Results;
    const CoverageGrid& grid = paintGrid_;
    const double cellW = static_cast<double>(width()) / grid.Columns;
    const double cellH = static_cast<double>(height()) / grid.Rows;
    painter.setPen(QPen(kGridLine, 1));
    for (int i = 0; i < grid.Cells(); ++i) {
        const CoverageCell cell = grid.CellOf(i);
        const CellCounts& counts = paintCells_[static_cast<size_t>(i)];
        const QRectF area(cell.Column * cellW, cell.Row * cellH, cellW, cellH);
        painter.setBrush(counts.Reports > 0      ? kReached
                         : results               ? kUnreached
                         : grid.InEdgeBand(cell) ? kEdgeBand
                                                 : QColor(Qt::white));
        painter.drawRect(area);
        if (counts.Desktop) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kDesktop);
            painter.drawEllipse(area.topLeft() + QPointF(5, 5), 2.5, 2.5);
            painter.setPen(QPen(kGridLine, 1));
        }
    }
    // The inner edge of the band.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(kDropout, 1, Qt::DashLine));
    painter.drawRect(QRectF(cellW, cellH, width() - 2 * cellW, height() - 2 * cellH));
}

void TCoveragePage::PaintFaults(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    const CoverageGrid& grid = paintGrid_;
    const double cellW = static_cast<double>(width()) / grid.Columns;
    const double cellH = static_cast<double>(height()) / grid.Rows;
    const double radius = std::min(cellW, cellH) * 0.35;
    for (int i = 0; i < grid.Cells(); ++i) {
        const CellCounts& counts = paintCells_[static_cast<size_t>(i)];
        const CoverageCell cell = grid.CellOf(i);
        const QPointF centre((cell.Column + 0.5) * cellW, (cell.Row + 0.5) * cellH);
        if (counts.Dropouts > 0) {
            painter.setPen(QPen(kDropout, 3));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(centre, radius, radius);
        }
        if (counts.Jumps > 0) {
            painter.setPen(QPen(kJump, 3));
            painter.drawLine(centre - QPointF(radius, radius), centre + QPointF(radius, radius));
            painter.drawLine(centre - QPointF(radius, -radius), centre + QPointF(radius, -radius));
        }
    }
}

void TCoveragePage::PaintTwoFingerTargets(QPainter& painter) {
    const bool holding = TwoFingersHolding();
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 2; ++i) {
        const QPointF target(kTwoFingerTargets[i].X * width(), kTwoFingerTargets[i].Y * height());
        const QPointF apart(kTwoFingerApart[i].X * width(), kTwoFingerApart[i].Y * height());
        const QColor color = holding ? kTargetHeld : kTargetIdle;
        painter.setPen(QPen(color, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(target, kTargetRadius, kTargetRadius);
        painter.drawEllipse(target, kTargetRadius / 2, kTargetRadius / 2);
        painter.setPen(QPen(color, 2, Qt::DashLine));
        painter.drawLine(target, apart);
        painter.setBrush(color);
        painter.drawEllipse(apart, 4, 4);
    }
}
