#include "T860Util/Accuracy.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTouchEvent>
#include <cmath>

#include "Checks/MappingAdvice.h"
#include "DriverInterface/DriverIO.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/Protocolutils.h"
#include "T860Util/AccuracyResults.h"
#include "T860Util/Application.h"
#include "T860Util/CoveragePage.h"
#include "T860Util/FullScreen.h"
#include "T860Util/KeyPreview.h"
#include "T860Util/WindowPointer.h"
#include "lib/Trace.h"
#include "lib/Utils.h"
#include "platform/InputDevices.h"
#include "platform/Sync.h"

TfrmAccuracy* frmAccuracy = nullptr;

namespace {

constexpr uint8_t kXPacketsReportMode = 2;
// The low byte's bits that choose how the system gets the touches (mouse,
// digitizer, multi-touch, the feature report's input mode).
constexpr uint16_t kSystemTouchBits = 0x0001 | 0x0004 | 0x0020 | 0x0040;
constexpr int kTargetRadius = 40;
constexpr int kTargetCross = 60;
const QColor kTargetIdle(200, 0, 0);
const QColor kTargetHeld(230, 140, 0);
const QColor kTargetTaken(0, 150, 0);
constexpr int kConnectionWaitTicks = 50;  // of 100 ms
constexpr int kRestoreWaitMs = 200;
constexpr int kReplyWaitMs = 1000;  // at most: the reply ends the wait

}  // namespace

TfrmAccuracy::TfrmAccuracy(QWidget* mainWindow)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), mainWindow_(mainWindow) {
    setWindowTitle("Accuracy Test");
    QPalette face = palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    setPalette(face);
    setAutoFillBackground(true);
    setAttribute(Qt::WA_AcceptTouchEvents);
    setFocusPolicy(Qt::StrongFocus);

    lbInstruction = new QLabel(this);
    lbInstruction->setAlignment(Qt::AlignCenter);
    QFont large = lbInstruction->font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    lbInstruction->setFont(large);
    lbHint =
        new QLabel("Backspace: redo the previous target    Esc or Alt+F4 to close window", this);
    QPalette grey = lbHint->palette();
    grey.setColor(QPalette::WindowText, Qt::gray);
    lbHint->setPalette(grey);
    cbLargeGrid = new QCheckBox("25 targets", this);
    cbLargeGrid->setFocusPolicy(Qt::NoFocus);
    connect(cbLargeGrid, &QCheckBox::toggled, this, [this] { StartAgain(); });
    btnCoverage = new QPushButton("Coverage Test", this);
    btnCoverage->setFocusPolicy(Qt::NoFocus);
    connect(btnCoverage, &QPushButton::clicked, this, &TfrmAccuracy::ShowCoverage);

    Results = new TAccuracyResults(this);
    Results->hide();
    connect(Results, &TAccuracyResults::RedoRequested, this, &TfrmAccuracy::RedoTarget);
    connect(Results, &TAccuracyResults::StartAgainRequested, this, &TfrmAccuracy::StartAgain);
    connect(Results, &TAccuracyResults::CloseRequested, this, &TfrmAccuracy::close);
    connect(Results, &TAccuracyResults::CoverageRequested, this, &TfrmAccuracy::ShowCoverage);
    CreateCoverage();
    connect(Results, &TAccuracyResults::ThresholdsChanged, this, [this] {
        if (result_) {
            result_->Thresholds = Results->Thresholds();
            Results->Show(*result_);
            SaveLastResult(*result_);
        }
    });

    // A lift the controller never reports (a lost packet) must not hold up the run.
    liftTimer_ = new QTimer(this);
    liftTimer_->setInterval(100);
    connect(liftTimer_, &QTimer::timeout, this, [this] {
        bool changed;
        {
            std::lock_guard<std::mutex> guard(sessionLock_);
            changed = session_.OnTick(platform::GetTickCount());
        }
        if (changed) {
            Refresh();
        }
    });

    auto* preview = new KeyPreview(this, [this](QKeyEvent* key) { return FormKeyDown(key); });
    preview->Attach();
    // After the controls: it takes Alt+F4 from each of them.
    fullScreen_ = new FullScreenKeeper(this);
    fullScreen_->ShowsKeyboardHintOn(lbHint);
    ApplyAccuracyCommandLine();
}

void TfrmAccuracy::CreateCoverage() {
    Coverage = new TCoveragePage(this);
    Coverage->hide();
    connect(Coverage, &TCoveragePage::Finished, this, &TfrmAccuracy::CoverageFinished);
    connect(Coverage, &TCoveragePage::ResultChanged, this, [this](const AccuracyResult& result) {
        result_ = result;
        SaveLastResult(result);
    });
    connect(Coverage, &TCoveragePage::TargetsRequested, this, [this] { StartRun(); });
    connect(Coverage, &TCoveragePage::CloseRequested, this, &TfrmAccuracy::close);
}

void TfrmAccuracy::ApplyAccuracyCommandLine() {
    openOnCoverage_ = ProgramHasOption("/coverage");
    if (!ProgramHasOption("/accuracy") && !openOnCoverage_) {
        return;
    }
    accuracyOnlyMode_ = true;
    // The report mode to restore is the controller's: wait for the
    // connection a while before asking for X packets.
    auto* waitForConnection = new QTimer(this);
    connect(waitForConnection, &QTimer::timeout, this, [this, waitForConnection] {
        if (!DeviceStatus.Connected && ++connectionWaitTicks_ < kConnectionWaitTicks) {
            return;
        }
        waitForConnection->stop();
        waitForConnection->deleteLater();
        StartTest();
        if (openOnCoverage_) {
            ShowCoverage();
        }
    });
    waitForConnection->start(100);
}

TfrmAccuracy::~TfrmAccuracy() {
    takingTouches_ = false;
    ForgetWindow(frmAccuracy, this);
}

void TfrmAccuracy::StartTest() {
    // The mode to give back is asked of the controller: the last one known
    // is 0 when nobody asked since the start, and giving back 0 would leave
    // the controller reporting no touches to the system. All of it is kept:
    // the bits above the low byte stay as they were while X packets come,
    // and so does how the system gets the touches, whose mapping the test
    // checks.
    DeviceStatus.ReportModeReceived = false;
    GetReportMode();
    for (int waited = 0; !DeviceStatus.ReportModeReceived && waited < kReplyWaitMs; waited += 5) {
        // A reply before ours may be waiting for this thread (the connection's
        // information goes to the windows), and ours comes after it.
        QCoreApplication::processEvents();
        platform::Sleep(5);
    }
    SavedReportMode = DeviceStatus.ReportMode.load();
    SetReportMode(static_cast<uint16_t>((SavedReportMode & (0xFF00 | kSystemTouchBits)) |
                                        kXPacketsReportMode));
    fullScreen_->Show();
}

void TfrmAccuracy::FormShow() {
    setFocus();
    StartRun();
}

void TfrmAccuracy::StartAgain() {
    if (isVisible()) {
        StartRun();
    }
}

void TfrmAccuracy::StartRun() {
    const int grid = cbLargeGrid->isChecked() ? kLargeTargetGrid : kSmallTargetGrid;
    {
        std::lock_guard<std::mutex> guard(sessionLock_);
        session_.Start(grid, width(), height(), HoldMs);
    }
    runSize_ = size();
    takingTouches_ = true;
    Results->hide();
    Coverage->hide();
    Refresh();
    emit RunStarted(grid, size(), -1);
}

void TfrmAccuracy::RedoTarget(int index) {
    {
        std::lock_guard<std::mutex> guard(sessionLock_);
        if (session_.Phase() != AccuracyPhase::Finished) {
            return;
        }
        session_.Redo(index);
    }
    takingTouches_ = true;
    Results->hide();
    Refresh();
    emit RunStarted(State().Grid, size(), index);
}

void TfrmAccuracy::ShowCoverage() {
    takingTouches_ = false;
    Results->hide();
    Coverage->setGeometry(rect());
    Coverage->show();
    Coverage->raise();
    AccuracyScreen screen;
    const ScreenSizeSource source = MeasureScreen(screen);
    const QScreen* shown = this->screen();
    const double refresh = shown != nullptr && shown->refreshRate() > 0 ? shown->refreshRate() : 60;
    Coverage->Start(screen, source, refresh);
}

void TfrmAccuracy::CoverageFinished() {
    AccuracyResult result = result_ ? *result_ : BuildResult();
    AcceptanceRecord record = Coverage->Record();
    result.Date = UtcNowIso8601();
    result.Screen = Coverage->Screen();
    TakeTargets(record, result.Samples);
    result.Acceptance = std::move(record);
    result_ = result;
    SaveLastResult(result);
    Coverage->ShowResult(std::move(result));
}

void TfrmAccuracy::OnXPacket(const XPacket& packet, uint32_t nowMs) {
    if (Coverage->TakingTouches()) {
        Coverage->OnXPacket(packet, nowMs);
        return;
    }
    if (!takingTouches_ || !packet.WellFormed()) {
        return;
    }
    // The first finger only, mapped to the window as the touch test maps it.
    const XTouchRecord& touch = packet.Touch[0];
    const double x = static_cast<double>(width_) * touch.X / 32767.0;
    const double y = static_cast<double>(height_) * touch.Y / 32767.0;
    bool changed;
    {
        std::lock_guard<std::mutex> guard(sessionLock_);
        changed = session_.OnControllerTouch(touch.State, x, y, nowMs);
        if (session_.Phase() == AccuracyPhase::Finished) {
            takingTouches_ = false;
        }
    }
    if (changed) {
        refresh_.Request();
    }
}

TfrmAccuracy::SessionState TfrmAccuracy::State() const {
    std::lock_guard<std::mutex> guard(sessionLock_);
    return {session_.Phase(),         session_.GridSize(),
            session_.CurrentTarget(), session_.Targets(),
            session_.Holding(),       session_.Sample(session_.CurrentTarget()).Target};
}

AccuracyPhase TfrmAccuracy::Phase() const {
    return State().Phase;
}

int TfrmAccuracy::CurrentTarget() const {
    return State().Current;
}

bool TfrmAccuracy::Holding() const {
    return State().Holding;
}

void TfrmAccuracy::Refresh() {
    const auto [phase, grid, current, targets, holding, position] = State();
    if (phase == AccuracyPhase::Finished) {
        if (Results->isHidden() && Coverage->isHidden() && isVisible()) {
            ShowResults();
        }
        return;
    }
    const QString target = QString("target %1 of %2").arg(current + 1).arg(targets);
    lbInstruction->setText(phase == AccuracyPhase::Lifting ? "Taken. Lift your finger."
                           : holding                       ? "Hold still... (" + target + ")"
                                     : "Touch the centre of the target and hold it still (" +
                                           target + ")");
    update();
}

void TfrmAccuracy::ShowResults() {
    result_ = BuildResult();
    Results->setGeometry(rect());
    Results->Show(*result_);
    SaveLastResult(*result_);
    Results->show();
    Results->raise();
    Results->setFocus();
}

DesktopLayout TfrmAccuracy::CurrentDesktopLayout() const {
    if (layoutOverride_) {
        return *layoutOverride_;
    }
    DesktopLayout layout;
    const QRect window = geometry();
    layout.Window = {static_cast<double>(window.x()), static_cast<double>(window.y()),
                     static_cast<double>(window.width()), static_cast<double>(window.height())};
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (int i = 0; i < screens.size(); ++i) {
        const QRect g = screens[i]->geometry();
        layout.Screens.push_back(
            {screens[i]->name().toStdString(),
             {static_cast<double>(g.x()), static_cast<double>(g.y()),
              static_cast<double>(g.width()), static_cast<double>(g.height())}});
        if (screens[i] == screen()) {
            layout.TestScreen = i;
        }
    }
    return layout;
}

void TfrmAccuracy::OverrideDesktopLayout(std::optional<DesktopLayout> layout) {
    layoutOverride_ = std::move(layout);
}

AccuracyResult TfrmAccuracy::BuildResult() const {
    AccuracyResult result;
    result.Date = UtcNowIso8601();
    if (DeviceStatus.InfoReceived & kInfoSerial) {
        result.SerialNumber = DeviceStatus.SerialNumber.load();
    }
    MeasureScreen(result.Screen);
    result.Thresholds = Results->Thresholds();
    {
        std::lock_guard<std::mutex> guard(sessionLock_);
        result.GridSize = session_.GridSize();
        for (int i = 0; i < session_.Targets(); ++i) {
            result.Samples.push_back(session_.Sample(i));
        }
    }
    const DesktopLayout layout = CurrentDesktopLayout();
    const DesktopSession session = DesktopSessionOf(SessionEnvironment::OfThisProcess());
    uint16_t vendor;
    uint16_t product;
    GetDeviceIdentity(vendor, product);
    TouchscreenDevice device{InputDeviceName(vendor, product), vendor, product, std::nullopt};
    if (const auto udev = InputDeviceUdevMatrix(vendor, product)) {
        device.UdevMatrix = AffineMap{*udev};
    }
    if (device.Name.empty()) {
        device.Name = "TOUCHSCREEN NAME";
    }
    result.Mapping = JudgeMapping(result.Samples, layout, session.Kind);
    result.MappingText = MappingSummaryText(result.Mapping, layout);
    result.Advice = MappingAdvice(result.Mapping, layout, session, device);
    return result;
}

ScreenSizeSource TfrmAccuracy::MeasureScreen(AccuracyScreen& screen) const {
    screen = {};
    screen.WidthPx = width();
    screen.HeightPx = height();
    const QScreen* shown = this->screen();
    if (shown == nullptr) {
        return ScreenSizeSource::Unknown;
    }
    const QSizeF mm = shown->physicalSize();
    const QSize px = shown->geometry().size();
    // Monitors that report nothing or nonsense leave the size unknown, for
    // the technician to type.
    if (!PlausibleScreenSize(mm.width(), mm.height(), px.width(), px.height())) {
        return ScreenSizeSource::Unknown;
    }
    // The physical size is the whole monitor's; the window covers it.
    screen.WidthMm = mm.width() * width() / px.width();
    screen.HeightMm = mm.height() * height() / px.height();
    return ScreenSizeSource::System;
}

void TfrmAccuracy::SaveLastResult(const AccuracyResult& result) const {
    char folder[260];
    std::string error = "the data folder cannot be made";
    if (GetDataFolder(folder, sizeof folder) &&
        SaveAccuracyFile(std::string(folder) + kLastAccuracyFileName, result, error)) {
        return;
    }
    // The service report and the baseline read the last result: a lost one
    // is said, not dropped.
    const std::string message =
        "Accuracy: " + std::string(kLastAccuracyFileName) + " not kept: " + error;
    TraceWarning(message.c_str(), __FILE__, __LINE__);
    Results->ShowKeepFailure(error);
}

bool TfrmAccuracy::FormKeyDown(QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    // Alt+F4 is the full-screen keeper's: it closes the window.
    if (key->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
        close();
        return true;
    }
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (enter && Coverage->isVisible() && Coverage->Phase() != CoveragePhase::Results) {
        Coverage->Next();
        return true;
    }
    if (key->key() == Qt::Key_Backspace && Results->isHidden() && Coverage->isHidden()) {
        {
            std::lock_guard<std::mutex> guard(sessionLock_);
            session_.StepBack();
        }
        Refresh();
        return true;
    }
    return false;
}

void TfrmAccuracy::FormClose() {
    takingTouches_ = false;
    SetReportMode(SavedReportMode);
    if (accuracyOnlyMode_ && mainWindow_ != nullptr) {
        // The main window was never shown; it ends the program once the
        // restore has had time to go out.
        QTimer::singleShot(kRestoreWaitMs, mainWindow_, [main = mainWindow_] {
            main->close();
            QCoreApplication::quit();
        });
    }
}

bool TfrmAccuracy::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
            // On the results the touches work the controls as a mouse would.
            if (Results->isHidden()) {
                return OnDesktopTouch(event);
            }
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

bool TfrmAccuracy::OnDesktopTouch(QEvent* event) {
    auto* touch = static_cast<QTouchEvent*>(event);
    event->accept();
    if (touch->points().isEmpty()) {
        return true;
    }
    const QEventPoint& point = touch->points().first();
    uint8_t state = 2;
    if (point.state() == QEventPoint::Pressed) {
        state = 1;
    } else if (point.state() == QEventPoint::Released || event->type() == QEvent::TouchCancel) {
        state = 3;
    }
    const QPointF at = point.position();
    const uint32_t nowMs = platform::GetTickCount();
    // The desktop's own time of the event; a platform that gives none has it 0.
    const auto eventMs =
        touch->timestamp() != 0 ? static_cast<uint32_t>(touch->timestamp()) : nowMs;
    std::lock_guard<std::mutex> guard(sessionLock_);
    session_.OnDesktopTouch(state, at.x(), at.y(), eventMs, nowMs);
    return true;
}

void TfrmAccuracy::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    liftTimer_->start();
    FormShow();
}

void TfrmAccuracy::hideEvent(QHideEvent* event) {
    takingTouches_ = false;
    liftTimer_->stop();
    QWidget::hideEvent(event);
}

void TfrmAccuracy::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();  // hidden, not destroyed
}

void TfrmAccuracy::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    width_ = width();
    height_ = height();
    lbInstruction->setGeometry(0, height() / 5 - 20, width(), 40);
    lbHint->adjustSize();
    lbHint->move(8, height() - 24);
    cbLargeGrid->adjustSize();
    cbLargeGrid->move(8, height() - 48);
    btnCoverage->adjustSize();
    btnCoverage->move(cbLargeGrid->geometry().right() + 16, height() - 52);
    Results->setGeometry(rect());
    Coverage->setGeometry(rect());
    // The targets sit at shares of the window: a new size starts the run
    // over (a move put back to the same size does not).
    if (isVisible() && Results->isHidden() && Coverage->isHidden() && size() != runSize_) {
        StartRun();
    }
}

void TfrmAccuracy::paintEvent(QPaintEvent*) {
    const auto [phase, grid, current, targets, holding, target] = State();
    if (phase == AccuracyPhase::Finished) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = phase == AccuracyPhase::Lifting ? kTargetTaken
                         : holding                       ? kTargetHeld
                                                         : kTargetIdle;
    const QPointF centre(target.X, target.Y);
    painter.setPen(QPen(color, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, kTargetRadius, kTargetRadius);
    painter.drawEllipse(centre, kTargetRadius / 2, kTargetRadius / 2);
    painter.setPen(QPen(color, 1));
    painter.drawLine(centre - QPointF(kTargetCross, 0), centre + QPointF(kTargetCross, 0));
    painter.drawLine(centre - QPointF(0, kTargetCross), centre + QPointF(0, kTargetCross));
    painter.setBrush(color);
    painter.drawEllipse(centre, 3, 3);
}
