#pragma once
// The offscreen mode dialog: one byte, edited as a decimal number.

#include <QDialog>
#include <cstdint>

class QLineEdit;
class QPushButton;

class TfrmOffscreenMode : public QDialog {
    Q_OBJECT
public:
    explicit TfrmOffscreenMode(QWidget* parent = nullptr);
    ~TfrmOffscreenMode() override;

    void LoadOffscreenMode(uint8_t mode);
    // The edit's integer, low 8 bits; 0 when the text is not an integer.
    uint8_t ReadOffscreenMode() const;

    QPushButton* btnOK;
    QPushButton* btnCancel;
    QLineEdit* edMode;
};

// Created once at start-up; null while it does not exist.
extern TfrmOffscreenMode* frmOffscreenMode;
