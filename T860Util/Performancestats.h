#pragma once
// The performance statistics window: memory use on request, and each worker
// thread's share of processor time between a start and a stop press.

#include <QDialog>

#include "Protocol/PerformanceStatsReport.h"

class QLabel;
class QPushButton;

class TfrmPerformanceStats : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPerformanceStats(QWidget* parent = nullptr);
    ~TfrmPerformanceStats() override;

    void FormShow();
    void FormClose();
    void btnMemoryStatsClick();
    void btnPerfTestClick();
    // Closes the device on every close of the dialog.
    void done(int result) override;

    QPushButton* btnMemoryStats;
    QPushButton* btnPerfTest;
    QLabel* Label1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowRequestFailed();
};

// Created once at start-up; null while it does not exist.
extern TfrmPerformanceStats* frmPerformanceStats;
