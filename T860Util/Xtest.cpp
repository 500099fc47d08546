#include "T860Util/Xtest.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <algorithm>

#include "Protocol/Protocolutils.h"
#include "T860Util/FullScreen.h"
#include "T860Util/KeyPreview.h"
#include "T860Util/TouchImageCanvas.h"
#include "T860Util/WindowPointer.h"

TfrmXTest* frmXTest = nullptr;

namespace {

// A key that types a character, control characters included: Enter, Esc,
// Backspace and Ctrl+letter clear the window as letters do.
bool IsCharacterKey(const QKeyEvent* key) {
    if (!key->text().isEmpty()) {
        return true;
    }
    // Not every platform hands Ctrl+letter its control character as text.
    return key->modifiers().testFlag(Qt::ControlModifier) && key->key() >= Qt::Key_A &&
           key->key() <= Qt::Key_Z;
}

}  // namespace

TfrmXTest::TfrmXTest(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      fullScreen_(new FullScreenKeeper(this)) {
    setWindowTitle("XTest");
    faceColor_ = palette().color(QPalette::Button);
    imageCanvas_ = std::make_unique<TouchImageCanvas>(faceColor_, font());
    QPalette face = palette();
    face.setColor(QPalette::Window, faceColor_);
    setPalette(face);

    lbHint = new QLabel("Alt+F4 to close window", this);
    QPalette grey = lbHint->palette();
    grey.setColor(QPalette::WindowText, Qt::gray);
    lbHint->setPalette(grey);
    cbAreaCircles = new QCheckBox("Show Area Circles", this);
    cbAreaCircles->hide();
    connect(cbAreaCircles, &QCheckBox::toggled, this, [this](bool on) { areaCircles_ = on; });
    CheckBox1 = new QCheckBox("blah", this);
    CheckBox1->setGeometry(-90, 8, 97, 17);
    monitor = new QFrame(this);
    monitor->setFrameShape(QFrame::Box);
    SetMonitor(176, 120, 65, 65);

    auto* preview = new KeyPreview(this, [this](QKeyEvent* key) {
        FormKeyPress(key);
        return false;
    });
    preview->Attach();
    fullScreen_->ShowsKeyboardHintOn(lbHint);
}

TfrmXTest::~TfrmXTest() {
    ForgetWindow(frmXTest, this);
}

void TfrmXTest::ShowOverScreen() {
    fullScreen_->Show();
}

void TfrmXTest::SetMonitor(int left, int top, int width, int height) {
    monitor->setGeometry(left, top, width, height);
    monitorLeft_ = left;
    monitorTop_ = top;
    monitorWidth_ = width;
    monitorHeight_ = height;
}

void TfrmXTest::CentreMonitor() {
    SetMonitor(width() / 4, height() / 4, width() / 2, height() / 2);
}

TouchView TfrmXTest::CurrentView() const {
    return {width_,      height_,       areaCircles_,  monitorLeft_,
            monitorTop_, monitorWidth_, monitorHeight_};
}

void TfrmXTest::DrawLocked(void (*draw)(TouchCanvas&, const TouchView&, void*), void* context) {
    {
        std::lock_guard<std::mutex> guard(canvasLock_);
        if (imageCanvas_->IsNull()) {
            return;
        }
        draw(*imageCanvas_, CurrentView(), context);
    }
    RequestRepaint();
}

void TfrmXTest::RequestRepaint() {
    repaint_.Request();
}

QImage TfrmXTest::CanvasSnapshot() const {
    std::lock_guard<std::mutex> guard(canvasLock_);
    return imageCanvas_->Image().copy();
}

void TfrmXTest::ClearCanvasLocked() {
    imageCanvas_->Clear();
}

void TfrmXTest::FormShow() {
    CheckBox1->setFocus();
}

void TfrmXTest::FormKeyPress(QKeyEvent* key) {
    if (!IsCharacterKey(key)) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(canvasLock_);
        ClearCanvasLocked();
    }
    update();
}

void TfrmXTest::FormClose() {
    SetReportMode(SavedReportMode);
}

void TfrmXTest::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    {
        std::lock_guard<std::mutex> guard(canvasLock_);
        ClearCanvasLocked();  // every test starts on an empty window
    }
    visibleForDrawing_ = true;
    FormShow();
}

void TfrmXTest::hideEvent(QHideEvent* event) {
    visibleForDrawing_ = false;
    QWidget::hideEvent(event);
}

void TfrmXTest::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();  // hidden, not destroyed
}

void TfrmXTest::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    {
        std::lock_guard<std::mutex> guard(canvasLock_);
        imageCanvas_->Reset(size());
        width_ = width();
        height_ = height();
    }
    // A window manager may give the window its full-screen size only after
    // it was shown.
    if (TestMode == 512) {
        CentreMonitor();
    }
    lbHint->move(8, height() - 24);
    cbAreaCircles->move(8, height() - 44);
}

void TfrmXTest::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    std::lock_guard<std::mutex> guard(canvasLock_);
    painter.drawImage(0, 0, imageCanvas_->Image());
}
