// The touch test window on a screen: it covers the whole screen so that a
// touch is drawn under the finger, it stays there, and it has a way out that
// needs no window manager. Run on the offscreen platform and, by its own ctest
// entry, on a real X server without a window manager.

#include <QCheckBox>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Protocol/DeviceStatus.h"
#include "T860Util/Dispatch.h"
#include "T860Util/FullScreen.h"
#include "tests/T860Util/AppFixture.h"
#include "tests/support/WaitUntil.h"

namespace {

using t860test::WaitUntil;

constexpr float kMiddle = 32767.0f / 2;
const QColor kDownGreen(0, 128, 0);

Report64 XDown(float x, float y) {
    return XReport(kXLengthOneTouch, {1, x, y});
}

// Puts the pointer at a point for one test, and back where it was after it.
class PointerAt {
public:
    explicit PointerAt(const QPoint& point) : before_(QCursor::pos()) { QCursor::setPos(point); }
    ~PointerAt() { QCursor::setPos(before_); }

private:
    QPoint before_;
};

class TouchTestScreen : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
    }

    static QRect ScreenBounds() { return QGuiApplication::primaryScreen()->geometry(); }

    bool Covers(const QRect& screen) const {
        return xtest_->isVisible() && xtest_->frameGeometry() == screen &&
               xtest_->geometry() == screen;
    }
    bool CoversTheScreen() const { return Covers(ScreenBounds()); }

    void OpenXTest(const QRect& screen = ScreenBounds()) {
        main_->btnXMultiTest->click();
        ASSERT_TRUE(WaitUntil([&] { return Covers(screen); }))
            << "at " << xtest_->frameGeometry().x() << "," << xtest_->frameGeometry().y() << " "
            << xtest_->frameGeometry().width() << "x" << xtest_->frameGeometry().height();
        ASSERT_TRUE(WaitUntil([this] { return controller_->ReportMode() == 2; }));
    }

    // What the screen shows at a point: read back from the X server where
    // there is one, else what the window paints there.
    static QColor ShownAt(const QWidget* window, QPoint global) {
        if (QGuiApplication::platformName() == "xcb") {
            QScreen* screen = QGuiApplication::screenAt(global);
            const QImage shot = screen
                                    ->grabWindow(0, global.x() - screen->geometry().x(),
                                                 global.y() - screen->geometry().y(), 1, 1)
                                    .toImage();
            return shot.isNull() ? QColor() : shot.pixelColor(0, 0);
        }
        const QImage painted = const_cast<QWidget*>(window)->grab().toImage();
        return painted.pixelColor(window->mapFromGlobal(global));
    }

    bool ShowsDownTouchInTheMiddleOf(const QRect& screen) const {
        return ShownAt(xtest_.get(), screen.center()) == kDownGreen;
    }
    bool ShowsDownTouchAtTheScreensMiddle() const {
        return ShowsDownTouchInTheMiddleOf(ScreenBounds());
    }

    size_t RestoresSent() const {
        size_t restores = 0;
        for (const Report65& report : recorder_->Sent(6)) {
            restores += Hex(report, 4) == "06 43 03 36" ? 1 : 0;
        }
        return restores;
    }
};

TEST_F(TouchTestScreen, XMultiTestCoversTheScreenAndDrawsTheMiddleTouchInItsMiddle) {
    ASSERT_NO_FATAL_FAILURE(OpenXTest());
    OnChannel6Report(0, XDown(kMiddle, kMiddle).data(), 64);
    EXPECT_TRUE(WaitUntil([this] { return ShowsDownTouchAtTheScreensMiddle(); }));
    xtest_->close();
}

// Run by its own ctest entry on two offscreen screens; one screen has nothing to choose.
TEST_F(TouchTestScreen, OpensOnTheScreenUnderThePointer) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2) {
        GTEST_SKIP() << "one screen";
    }
    const QRect second = screens[1]->geometry();
    const PointerAt pointer(second.center());
    ASSERT_NO_FATAL_FAILURE(OpenXTest(second));
    OnChannel6Report(0, XDown(kMiddle, kMiddle).data(), 64);
    EXPECT_TRUE(WaitUntil([&] { return ShowsDownTouchInTheMiddleOf(second); }));
    xtest_->close();
}

// Run by its own ctest entry on two offscreen screens.
TEST_F(TouchTestScreen, WithoutAPointerPositionTheScreenOfTheMainWindowThenTheDesktopsChoice) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2) {
        GTEST_SKIP() << "one screen";
    }
    // Beyond the right edge of the second screen: the nearest is the second.
    const QPoint beyond = screens[1]->geometry().topRight() + QPoint(500, 10);
    for (const bool desktopPlaces : {false, true}) {
        SCOPED_TRACE(desktopPlaces ? "the desktop places windows" : "the program places them");
        EXPECT_EQ(FullScreenScreen(beyond, main_.get(), desktopPlaces), screens[1]);
    }
    EXPECT_EQ(FullScreenScreen(std::nullopt, main_.get(), false), QGuiApplication::primaryScreen())
        << "the main window is not shown";
    EXPECT_EQ(FullScreenScreen(std::nullopt, main_.get(), true), nullptr)
        << "no screen is forced where the desktop knows where the technician is";
    EXPECT_EQ(FullScreenScreen(std::nullopt, nullptr, true), nullptr);
    main_->move(screens[1]->geometry().topLeft() + QPoint(40, 40));
    main_->show();
    ASSERT_TRUE(WaitUntil([&] { return main_->screen() == screens[1]; }));
    for (const bool desktopPlaces : {false, true}) {
        SCOPED_TRACE(desktopPlaces ? "the desktop places windows" : "the program places them");
        EXPECT_EQ(FullScreenScreen(std::nullopt, main_.get(), desktopPlaces), screens[1]);
        EXPECT_EQ(FullScreenScreen(screens[0]->geometry().center(), main_.get(), desktopPlaces),
                  screens[0])
            << "the pointer, where known, comes first";
    }
    main_->hide();
}

// Where the desktop chooses, the window covers the screen it was put on.
TEST_F(TouchTestScreen, ShownWithoutAScreenItCoversTheScreenItWasPlacedOn) {
    const QRect last = QGuiApplication::screens().back()->geometry();
    QWidget window;
    FullScreenKeeper keeper(&window);
    window.setGeometry(last.center().x(), last.center().y(), 200, 100);
    keeper.ShowOn(nullptr);
    EXPECT_TRUE(WaitUntil([&] {
        return window.isFullScreen() && window.geometry() == last && keeper.Bounds() == last;
    })) << window.geometry().x()
        << "," << window.geometry().y() << " " << window.geometry().width() << "x"
        << window.geometry().height();
}

TEST_F(TouchTestScreen, InAWaylandSessionThePointerIsNotTakenEvenFromXwayland) {
    struct Variable {
        const char* name;
        std::optional<std::string> before;
    };
    std::vector<Variable> saved;
    for (const char* name : {"XDG_SESSION_TYPE", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
    }
    unsetenv("XDG_SESSION_TYPE");
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    const bool pointerInWayland = PointerOnDesktop().has_value();
    setenv("XDG_SESSION_TYPE", "x11", 1);
    const bool pointerInX11 = PointerOnDesktop().has_value();
    for (const Variable& variable : saved) {
        variable.before ? setenv(variable.name, variable.before->c_str(), 1)
                        : unsetenv(variable.name);
    }
    EXPECT_FALSE(pointerInWayland);
    EXPECT_TRUE(pointerInX11);
}

TEST_F(TouchTestScreen, ShownWithoutTheKeyboardTheHintSaysHowToGiveIt) {
    main_->show();
    ASSERT_NO_FATAL_FAILURE(OpenXTest());
    ASSERT_TRUE(WaitUntil([this] { return xtest_->isActiveWindow(); }));
    EXPECT_EQ(xtest_->lbHint->text(), "Alt+F4 to close window");
    main_->activateWindow();
    ASSERT_TRUE(WaitUntil([this] { return main_->isActiveWindow(); }));
    EXPECT_TRUE(WaitUntil([this] {
        return xtest_->lbHint->text() ==
               "The desktop did not give this window the keyboard: click or touch it first.    "
               "Alt+F4 to close window";
    })) << xtest_->lbHint->text().toStdString();
    xtest_->activateWindow();
    EXPECT_TRUE(WaitUntil([this] { return xtest_->lbHint->text() == "Alt+F4 to close window"; }));
    xtest_->close();
    main_->hide();
}

TEST_F(TouchTestScreen, CalibrationCoversTheScreenUnderThePointerAndAltF4CancelsIt) {
    const QRect screen = QGuiApplication::screens().back()->geometry();
    const PointerAt pointer(screen.center());
    main_->btnCalibrate->click();
    const QRect button = calibrate_->btnCancelCalibration->geometry();
    ASSERT_TRUE(WaitUntil([&] {
        return calibrate_->isVisible() && calibrate_->geometry() == screen &&
               calibrate_->btnCancelCalibration->pos() ==
                   QPoint(screen.width() / 2 - button.width() / 2,
                          screen.height() / 2 - button.height() / 2);
    })) << calibrate_->geometry().x()
        << "," << calibrate_->geometry().y() << " " << calibrate_->geometry().width() << "x"
        << calibrate_->geometry().height();
    recorder_->Clear();
    QTest::keyClick(calibrate_->btnCancelCalibration, Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(calibrate_->isVisible());
    EXPECT_TRUE(WaitUntil([this] {
        const std::vector<Report65> sent = recorder_->Sent(6);
        return !sent.empty() && Hex(sent.back(), 5) == "06 43 02 21 00";
    })) << "the calibration is stopped, not left running";
    EXPECT_TRUE(WaitUntil([] { return !DeviceStatus.Calibrating; }));
}

TEST_F(TouchTestScreen, MovedOrResizedByOthersItGoesBackOverTheScreen) {
    ASSERT_NO_FATAL_FAILURE(OpenXTest());
    // As a window manager would place it: smaller, off the corner, not full screen.
    xtest_->setWindowState(Qt::WindowNoState);
    xtest_->setGeometry(ScreenBounds().x() + 100, ScreenBounds().y() + 80, 400, 300);
    ASSERT_TRUE(WaitUntil([this] { return CoversTheScreen() && xtest_->isFullScreen(); }));
    OnChannel6Report(0, XDown(kMiddle, kMiddle).data(), 64);
    EXPECT_TRUE(WaitUntil([this] { return ShowsDownTouchAtTheScreensMiddle(); }))
        << "touches scaled to the window as it is now";
    xtest_->close();
}

TEST_F(TouchTestScreen, AltF4ClosesOnceAndRestoresTheSavedMode) {
    OnChannel6Report(0, Reply(0x36, {0x00, 0x05}).data(), 64);
    ASSERT_NO_FATAL_FAILURE(OpenXTest());
    recorder_->Clear();
    QTest::keyClick(xtest_->focusWidget(), Qt::Key_F4, Qt::AltModifier);
    EXPECT_FALSE(xtest_->isVisible());
    ASSERT_TRUE(WaitUntil([this] { return RestoresSent() == 1; }));
    EXPECT_EQ(Hex(recorder_->Sent(6).back(), 6), "06 43 03 36 00 05");
    // A window manager that acts on the same Alt+F4 closes the window again.
    xtest_->close();
    ASSERT_TRUE(AllQueuedReportsSent());
    EXPECT_EQ(RestoresSent(), 1u);
}

TEST_F(TouchTestScreen, EveryCharacterKeyClearsTheWindowOtherKeysDoNot) {
    ASSERT_NO_FATAL_FAILURE(OpenXTest());
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* text;  // as the platform hands it over
        bool clears;
    };
    const Key keys[] = {
        {Qt::Key_Right, Qt::NoModifier, "", false},
        {Qt::Key_F5, Qt::NoModifier, "", false},
        {Qt::Key_Shift, Qt::ShiftModifier, "", false},
        {Qt::Key_Alt, Qt::AltModifier, "", false},
        {Qt::Key_Q, Qt::NoModifier, "q", true},
        {Qt::Key_Return, Qt::NoModifier, "\r", true},
        {Qt::Key_Escape, Qt::NoModifier, "\x1b", true},
        {Qt::Key_Backspace, Qt::NoModifier, "\b", true},
        {Qt::Key_A, Qt::ControlModifier, "\x01", true},
        {Qt::Key_A, Qt::ControlModifier, "", true},
    };
    const QPoint middle(xtest_->width() / 2, xtest_->height() / 2);
    for (const Key& key : keys) {
        OnChannel6Report(0, XDown(kMiddle, kMiddle).data(), 64);
        ASSERT_EQ(xtest_->CanvasSnapshot().pixelColor(middle), kDownGreen);
        QKeyEvent press(QEvent::KeyPress, key.key, key.modifiers, QString::fromLatin1(key.text));
        QCoreApplication::sendEvent(xtest_->focusWidget(), &press);
        EXPECT_EQ(xtest_->CanvasSnapshot().pixelColor(middle) != kDownGreen, key.clears)
            << "key " << key.key << " with text of " << std::string(key.text).size() << " chars";
    }
    EXPECT_TRUE(xtest_->isVisible());
    xtest_->close();
}

}  // namespace
