#include "fuzz/EveryWindow.h"

#include <QApplication>
#include <initializer_list>
#include <iterator>
#include <optional>

#include "DriverInterface/DriverIO.h"
#include "T860Util/Accuracy.h"
#include "T860Util/Calibrate.h"
#include "T860Util/Floopcount.h"
#include "T860Util/Main.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"
#include "T860Util/UiSeam.h"
#include "T860Util/Xtest.h"
#include "platform/hid/VirtualBus.h"

namespace {

constexpr uint16_t kTouchTestModes[] = {2, 128, 512};  // X, Y, offscreen

// Message boxes (a settings chunk that does not fit) are answered at once.
class SilentUi : public UiAnswerer {
public:
    MessageResult MessageBox(const MessageBoxRequest&) override { return MessageResult::Ok; }
    std::optional<QString> SaveFileName(const SaveDialogRequest&) override { return {}; }
    int ExecDialog(QDialog&) override { return 0; }
};

ProgramWindows Open() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "t860util";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
    InstallUiAnswerer(new SilentUi);
    platform::hid::SelectBackend(new platform::hid::VirtualBus);

    // Kept for the whole process, as the program keeps its windows.
    auto* main = new TfrmMain;
    StopDriverIO();
    JoinDriverIOThreads();
    frmXTest = new TfrmXTest;
    frmCalibrate = new TfrmCalibrate;
    frmFloopCount = new TfrmFloopCount;
    frmScope = new TfrmScope(main);
    auto* settingsView = new TfrmSettingsView;
    frmAccuracy = new TfrmAccuracy(main);
    // The packet log formats every X packet; its lines go nowhere.
    main->PacketLog.Start("/dev/null");
    for (QWidget* window : std::initializer_list<QWidget*>{
             main, frmXTest, frmCalibrate, frmFloopCount, frmScope, settingsView, frmAccuracy}) {
        window->show();
    }
    SelectTouchTest(0);
    LetWindowsPaint();
    return {main, frmXTest, frmScope, settingsView, frmAccuracy};
}

}  // namespace

ProgramWindows& OpenEveryWindow() {
    static ProgramWindows windows = Open();
    return windows;
}

void SelectTouchTest(uint8_t selector) {
    frmXTest->TestMode = kTouchTestModes[selector % std::size(kTouchTestModes)];
}

void LetWindowsPaint() {
    QApplication::processEvents();
}
