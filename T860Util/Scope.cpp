#include "T860Util/Scope.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cstdio>

#include "Formats/WholeFile.h"
#include "Protocol/Protocolutils.h"
#include "T860Util/Application.h"
#include "T860Util/UiSeam.h"
#include "T860Util/WindowPointer.h"

TfrmScope* frmScope = nullptr;

int32_t CurrentScopeChannel = kFirstScopeChannel;

namespace {

constexpr int kScopeIntervalMs = 33;
constexpr int kScopePixelCount = 512;
constexpr int kCameraLine1 = 0;
constexpr int kCameraLine2 = 1;
constexpr int kFirstTriggerLine = 4;
constexpr int kTriggerLine1 = kFirstTriggerLine;
constexpr int kTriggerLine2 = 5;

}  // namespace

TfrmScope::~TfrmScope() {
    ForgetWindow(frmScope, this);
}

TfrmScope::TfrmScope(QWidget* mainWindow) : mainWindow_(mainWindow) {
    setWindowTitle("Scope");
    resize(900, 560);

    Panel2 = new QWidget(this);
    cbCam1 = new QCheckBox("Cam1", Panel2);
    cbCam2 = new QCheckBox("Cam2", Panel2);
    cbTrigger = new QCheckBox("Trigger", Panel2);
    rbLit = new QRadioButton("Lit", Panel2);
    rbAmbient = new QRadioButton("Ambient", Panel2);
    rbSubtracted = new QRadioButton("Subtracted", Panel2);
    cbCam1->setChecked(true);
    cbCam2->setChecked(true);
    rbSubtracted->setChecked(true);
    auto* controls = new QHBoxLayout(Panel2);
    for (QWidget* control : std::initializer_list<QWidget*>{cbCam1, cbCam2, cbTrigger, rbLit,
                                                            rbAmbient, rbSubtracted}) {
        controls->addWidget(control);
    }
    controls->addStretch();
    for (QCheckBox* box : {cbCam1, cbCam2, cbTrigger}) {
        connect(box, &QCheckBox::clicked, this, &TfrmScope::ControlClick);
    }
    for (QRadioButton* button : {rbLit, rbAmbient, rbSubtracted}) {
        connect(button, &QRadioButton::clicked, this, &TfrmScope::ControlClick);
    }

    Panel1 = new QWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel2);
    layout->addWidget(Panel1, 1);

    Chart.Build(Panel1, true, 1, kScopePixelCount);
    if (TChart* chart = Chart.ChartControl) {
        chart->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(chart, &QWidget::customContextMenuRequested, this, [this, chart](QPoint at) {
            QMenu menu;
            menu.addAction("Export to CSV…", this, &TfrmScope::ExportCurves);
            menu.addSeparator();
            menu.addAction("Load Reference…", this, &TfrmScope::LoadReferenceClick);
            menu.addAction("Clear Reference", this, &TfrmScope::ClearReferenceClick)
                ->setEnabled(Reference.IsLoaded());
            menu.addAction("Save Baseline…", this, &TfrmScope::SaveBaselineClick);
            menu.exec(chart->mapToGlobal(at));
        });
    }

    tmrScope.setInterval(kScopeIntervalMs);
    connect(&tmrScope, &QTimer::timeout, this, &TfrmScope::tmrScopeTimer);
    tmrScope.start();

    ApplyScopeCommandLine();
}

void TfrmScope::ApplyScopeCommandLine() {
    if (ProgramHasOption("/scope")) {
        ScopeOnlyMode = true;
        show();
    }
}

ScopeSelection TfrmScope::Selection() const {
    return {cbCam1->isChecked(), cbCam2->isChecked(),    cbTrigger->isChecked(),
            rbLit->isChecked(),  rbAmbient->isChecked(), rbSubtracted->isChecked()};
}

void TfrmScope::tmrScopeTimer() {
    if (IsOnScreen() && !RecordingBaseline) {
        RequestNextScopeChannel(Selection());
    }
}

void TfrmScope::RequestNextScopeChannel(const ScopeSelection& selection) {
    if (AdvanceScopeChannel(CurrentScopeChannel, selection)) {
        RequestScopeData(static_cast<uint8_t>(CurrentScopeChannel));
    }
}

void TfrmScope::HandleScopeData(const uint8_t* report, int32_t length) {
    const CameraData data = DecodeCameraData(report, length);
    if (data.count <= 0) {
        return;  // a count of 0 would mean "every pixel" to the line
    }
    {
        std::lock_guard<std::mutex> guard(divertLock_);
        if (diverted_ != nullptr) {
            diverted_->Store(data);
            return;
        }
    }
    Chart.Lines[ScopeChannelToLine(data.code)]->SetValues(data.firstPixel, data.values, data.count,
                                                          true);
}

void TfrmScope::DivertScopeData(TBaselineScans* scans) {
    std::lock_guard<std::mutex> guard(divertLock_);
    diverted_ = scans;
}

void TfrmScope::ControlClick() {
    const bool cam1 = cbCam1->isChecked();
    const bool cam2 = cbCam2->isChecked();
    const bool trigger = cbTrigger->isChecked();
    Chart.Lines[kCameraLine1]->Series->SetLinePenVisible(cam1);
    Chart.Lines[kCameraLine2]->Series->SetLinePenVisible(cam2);
    Chart.Lines[kTriggerLine1]->Series->SetLinePenVisible(cam1 && trigger);
    Chart.Lines[kTriggerLine2]->Series->SetLinePenVisible(cam2 && trigger);
    Reference.Show(Selection());
    if (TChart* chart = Chart.ChartControl) {
        chart->RequestRepaint();
    }
}

void TfrmScope::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    FormClose();
}

// A minimised window shows nothing, as a hidden one: it neither asks for
// profiles nor takes them.
bool TfrmScope::IsOnScreen() const {
    return isVisible() && !isMinimized();
}

void TfrmScope::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    TakesData = IsOnScreen();
}

void TfrmScope::hideEvent(QHideEvent* event) {
    TakesData = false;
    QWidget::hideEvent(event);
}

void TfrmScope::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        TakesData = IsOnScreen();
    }
}

void TfrmScope::FormClose() {
    hide();
    if (ScopeOnlyMode && mainWindow_ != nullptr) {
        // The main window was never shown, so closing it alone would not end
        // the message loop.
        mainWindow_->close();
        QCoreApplication::quit();
    }
}

bool TfrmScope::LineHoldsData(int line) const {
    const TFastLineSeries& series = *Chart.Lines[line]->Series;
    for (int pixel = 0; pixel < Chart.PixelCount; ++pixel) {
        if (series.YValue(pixel) != 0) {
            return true;
        }
    }
    return false;
}

std::string TfrmScope::CurvesCsv() const {
    const int cameras = (LineHoldsData(2) || LineHoldsData(3)) ? 4 : 2;
    // Each camera's line (0..3) followed by its trigger line (4..7).
    std::string csv = "Pixel";
    for (int camera = 1; camera <= cameras; ++camera) {
        csv += ",Camera " + std::to_string(camera) + ",Trigger " + std::to_string(camera);
    }
    csv += "\r\n";
    for (int pixel = 0; pixel < Chart.PixelCount; ++pixel) {
        csv += std::to_string(pixel);
        for (int camera = 0; camera < cameras; ++camera) {
            for (int line : {camera, kFirstTriggerLine + camera}) {
                csv += ',';
                csv += std::to_string(static_cast<int>(Chart.Lines[line]->Series->YValue(pixel)));
            }
        }
        csv += "\r\n";
    }
    return csv;
}

void TfrmScope::ExportCurves() {
    const std::optional<QString> path =
        PromptSaveFileName({this, "*.csv|*.csv", ".csv", "test.csv"});
    if (!path) {
        return;
    }
    const std::string csv = CurvesCsv();
    std::FILE* file = std::fopen(path->toLocal8Bit().constData(), "wb");
    bool written = file != nullptr && std::fwrite(csv.data(), 1, csv.size(), file) == csv.size();
    if (file != nullptr) {
        written = std::fclose(file) == 0 && written;
    }
    if (!written) {
        ShowMessage(this, "Could not write " + *path + ".", "Scope");
    }
}

void TfrmScope::LoadReferenceClick() {
    QFileDialog dialog(this, "Load Reference", QString(), "Baseline files (*.json)");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (ExecModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().first();
    std::string text;
    std::string error;
    BaselineContent baseline;
    if (!ReadWholeTextFile(QFile::encodeName(path).toStdString(), text, error) ||
        !ParseBaselineFile(text, baseline, error)) {
        ShowMessageBox({path + ": " + QString::fromStdString(error), "Load Reference",
                        MessageButtons::Ok, MessageIcon::Error, this});
        return;
    }
    Reference.Load(baseline, Selection());
}

void TfrmScope::ClearReferenceClick() {
    Reference.Clear();
}
