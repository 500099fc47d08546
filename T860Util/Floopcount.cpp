#include "T860Util/Floopcount.h"
#include "T860Util/WindowPointer.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TfrmFloopCount* frmFloopCount = nullptr;

namespace {
constexpr char kTag[] = "Tag";
}

TfrmFloopCount::~TfrmFloopCount() {
    ForgetWindow(frmFloopCount, this);
}

TfrmFloopCount::TfrmFloopCount(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) {
    setWindowTitle("Floop Count");
    setFixedSize(160, 80);
    Label1 = new QLabel(this);
    Label1->setGeometry(16, 12, 128, 20);
    btnClear = new QPushButton("Clear", this);
    btnClear->setGeometry(40, 44, 80, 25);
    connect(btnClear, &QPushButton::clicked, this, &TfrmFloopCount::btnClearClick);
    SetCount(0);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

int32_t TfrmFloopCount::Count() const {
    return Label1->property(kTag).toInt();
}

void TfrmFloopCount::SetCount(int32_t count) {
    Label1->setProperty(kTag, count);
    Label1->setText(QString::number(count));
}

void TfrmFloopCount::btnClearClick() {
    SetCount(0);
}

void CountFloop(int32_t, int32_t) {
    if (frmFloopCount == nullptr) {
        return;
    }
    // Wraps like the 32-bit counter it is, instead of overflowing.
    const auto next = static_cast<uint32_t>(frmFloopCount->Count()) + 1u;
    frmFloopCount->SetCount(static_cast<int32_t>(next));
}
