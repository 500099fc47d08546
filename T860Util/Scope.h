#pragma once
// The scope window: asks the controller for one camera profile every 33 ms,
// round-robin over the channels its boxes select, and writes each reply into
// the matching curve of its camera chart.

#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "Checks/BaselineScans.h"
#include "Protocol/ScopeChannels.h"
#include "T860Util/Camchart.h"
#include "T860Util/ScopeReference.h"

class QCheckBox;
class QRadioButton;

// The channel code last requested; kept while the window is hidden.
extern int32_t CurrentScopeChannel;

class TfrmScope : public QWidget {
    Q_OBJECT
public:
    // mainWindow is closed when the scope closes in scope-only mode.
    explicit TfrmScope(QWidget* mainWindow = nullptr);
    ~TfrmScope() override;

    void ApplyScopeCommandLine();
    void tmrScopeTimer();
    void RequestNextScopeChannel(const ScopeSelection& selection);
    // Channel 6's read thread, for every camera data report while visible.
    void HandleScopeData(const uint8_t* report, int32_t length);
    void ControlClick();
    void FormClose();
    // The curves as comma-separated text: the pixel index and each camera's and
    // trigger's value (cameras 3 and 4 only when they hold data).
    std::string CurvesCsv() const;
    void ExportCurves();
    // The context menu's "Load Reference…" and "Clear Reference": a baseline
    // file's profiles drawn behind the live curves.
    void LoadReferenceClick();
    void ClearReferenceClick();
    // "Save Baseline…": the unit as it is now to a baseline file.
    void SaveBaselineClick();

    QWidget* Panel2;
    QCheckBox* cbCam1;
    QCheckBox* cbCam2;
    QCheckBox* cbTrigger;
    QRadioButton* rbLit;
    QRadioButton* rbAmbient;
    QRadioButton* rbSubtracted;
    QWidget* Panel1;
    QTimer tmrScope;
    // Whether camera data are taken (shown and not minimised): read on
    // channel 6's read thread.
    std::atomic<bool> TakesData{false};
    TCamChart Chart;
    TScopeReference Reference{Chart};
    bool ScopeOnlyMode = false;
    // While a baseline is recorded the timer asks for nothing and channel 6's
    // settings blocks are taken. Read on the read thread.
    std::atomic<bool> RecordingBaseline{false};
    // Camera data go to these scans instead of the curves; null gives them
    // back to the curves, and once it returns no report touches the old scans.
    void DivertScopeData(TBaselineScans* scans);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool IsOnScreen() const;
    ScopeSelection Selection() const;
    bool LineHoldsData(int line) const;
    // ScopeBaseline.cpp: each says why it failed in error.
    bool RecordBaseline(BaselineContent& content, std::string& error);
    bool FetchSettingsBlocks(std::string& error);
    bool ScanProfiles(TBaselineScans& scans, std::string& error);
    // Handles events until done() or the time-out; false on the time-out.
    template <typename Done>
    bool WaitFor(Done done, int timeoutMs);

    QWidget* mainWindow_;
    std::mutex divertLock_;  // held while a report is stored into diverted_
    TBaselineScans* diverted_ = nullptr;
};

// Created once at start-up; null while it does not exist.
extern TfrmScope* frmScope;
