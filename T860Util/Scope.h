#pragma once
// The scope window: asks the controller for one camera profile every 33 ms,
// round-robin over the channels its boxes select, and writes each reply into
// the matching curve of its camera chart.

#include <QTimer>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <string>

#include "Protocol/ScopeChannels.h"
#include "T860Util/Camchart.h"

class QCheckBox;
class QRadioButton;

// The channel code last requested; kept while the window is hidden.
extern int32_t CurrentScopeChannel;

class TfrmScope : public QWidget {
    Q_OBJECT
public:
    // mainWindow is closed when the scope closes in scope-only mode.
    explicit TfrmScope(QWidget* mainWindow = nullptr);

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
    bool ScopeOnlyMode = false;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool IsOnScreen() const;
    ScopeSelection Selection() const;
    bool LineHoldsData(int line) const;

    QWidget* mainWindow_;
};

// Created once at start-up; null while it does not exist.
extern TfrmScope* frmScope;
