#include "T860Util/Performancestats.h"

#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "T860Util/UiSeam.h"
#include "T860Util/WindowPointer.h"

TfrmPerformanceStats* frmPerformanceStats = nullptr;

namespace {

// The test's state outlives the window: closing and reopening it keeps a
// running test running.
HidHandle PerfStatsDevice = nullptr;
bool PerfTestRunning = false;
ThreadTimesBuffer PerfTestBaseline;

}  // namespace

TfrmPerformanceStats::TfrmPerformanceStats(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Performance Stats");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    btnMemoryStats = new QPushButton("Get Memory Stats", this);
    btnPerfTest = new QPushButton("Start Performance Test", this);
    Label1 = new QLabel("Label1", this);
    Label1->setMinimumSize(260, 130);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(btnMemoryStats);
    layout->addWidget(btnPerfTest);
    layout->addWidget(Label1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnMemoryStats, &QPushButton::clicked, this,
            &TfrmPerformanceStats::btnMemoryStatsClick);
    connect(btnPerfTest, &QPushButton::clicked, this, &TfrmPerformanceStats::btnPerfTestClick);
}

TfrmPerformanceStats::~TfrmPerformanceStats() {
    FormClose();
    ForgetWindow(frmPerformanceStats, this);
}

void TfrmPerformanceStats::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A window manager restoring the minimised window sends a spontaneous
    // show: the statistics on it stay, and so does the open device.
    if (event->spontaneous()) {
        return;
    }
    if (parentWidget() != nullptr) {
        move(parentWidget()->geometry().center() - rect().center());
    }
    FormShow();
}

void TfrmPerformanceStats::done(int result) {
    // Every way of closing the dialog (its close button, close(), Esc) ends
    // here; a minimise only hides it.
    FormClose();
    QDialog::done(result);
}

void TfrmPerformanceStats::FormShow() {
    CloseHIDDevice(PerfStatsDevice);
    HidCaps caps;
    PerfStatsDevice = FindHIDDevice(caps, kPerformanceStatsUsage, kVendorUsagePage, false);
    Label1->clear();
}

void TfrmPerformanceStats::FormClose() {
    CloseHIDDevice(PerfStatsDevice);
    PerfStatsDevice = nullptr;
}

void TfrmPerformanceStats::btnMemoryStatsClick() {
    MemoryStatsBuffer memoryStats;
    ThreadTimesBuffer threadTimes;
    if (!GetPerformanceStats(PerfStatsDevice, memoryStats, threadTimes)) {
        ShowRequestFailed();
        return;
    }
    Label1->setText(QString::fromStdString(FormatMemoryStats(memoryStats)));
}

void TfrmPerformanceStats::btnPerfTestClick() {
    MemoryStatsBuffer memoryStats;
    ThreadTimesBuffer threadTimes;
    if (!GetPerformanceStats(PerfStatsDevice, memoryStats, threadTimes)) {
        ShowRequestFailed();
        return;
    }
    if (!PerfTestRunning) {
        btnPerfTest->setText("Stop Performance Test");
        Label1->setText("Perf test in progress...");
        PerfTestBaseline = threadTimes;
    } else {
        btnPerfTest->setText("Start Performance Test");
        Label1->setText(QString::fromStdString(FormatThreadShares(PerfTestBaseline, threadTimes)));
    }
    PerfTestRunning = !PerfTestRunning;
}

void TfrmPerformanceStats::ShowRequestFailed() {
    ShowMessageBox({"BF_REPORT_GET_PERFORMANCE_STATS failed", "Performance Stats",
                    MessageButtons::Ok, MessageIcon::Error, this});
}
