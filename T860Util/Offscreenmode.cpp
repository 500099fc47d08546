#include "T860Util/Offscreenmode.h"
#include "T860Util/WindowPointer.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmOffscreenMode* frmOffscreenMode = nullptr;

TfrmOffscreenMode::~TfrmOffscreenMode() {
    ForgetWindow(frmOffscreenMode, this);
}

TfrmOffscreenMode::TfrmOffscreenMode(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Offscreen Mode");
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    btnOK = new QPushButton("OK", this);
    btnCancel = new QPushButton("Cancel", this);
    edMode = new QLineEdit(this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edMode);
    layout->addLayout(buttons);

    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmOffscreenMode::LoadOffscreenMode(uint8_t mode) {
    edMode->setText(QString::number(mode));
}

uint8_t TfrmOffscreenMode::ReadOffscreenMode() const {
    bool ok = false;
    const int value = edMode->text().trimmed().toInt(&ok, 10);
    return ok ? static_cast<uint8_t>(value & 0xFF) : 0;
}
