// Program entry: the saved identity, then the command line, then the windows.

#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <memory>

#include "DriverInterface/DriverIO.h"
#include "Protocol/CommandLine.h"
#include "Protocol/DeviceStatus.h"
#include "Simulator/VirtualController.h"
#include "T860Util/Accuracy.h"
#include "T860Util/Application.h"
#include "T860Util/Calibrate.h"
#include "T860Util/CoveragePage.h"
#include "T860Util/Featurereportinputmode.h"
#include "T860Util/Floopcount.h"
#include "T860Util/Main.h"
#include "T860Util/Offscreenmode.h"
#include "T860Util/Performancestats.h"
#include "T860Util/Reportmode.h"
#include "T860Util/Scope.h"
#include "T860Util/SettingsView.h"
#include "T860Util/Xtest.h"
#include "lib/Utils.h"
#include "lib/Version.h"
#include "platform/hid/VirtualBus.h"

namespace {

// "/simulate": a virtual controller on an in-process bus stands in for the
// HID devices, from before the main window starts device access.
struct Simulation {
    Simulation() : controller(bus, Config()) {
        controller.Plug();
        platform::hid::SelectBackend(&bus);
    }
    ~Simulation() { platform::hid::SelectBackend(nullptr); }

    // The virtual technician touches every target of each accuracy test run,
    // a little off and with a little jitter, so the test runs end to end.
    void PlayTechnicianOnEachRun(TfrmAccuracy& window) {
        QObject::connect(&window, &TfrmAccuracy::RunStarted, &window,
                         [this](int gridSize, QSize size, int onlyTarget) {
                             TechnicianConfig technician;
                             for (int i = 0; i < TargetCount(gridSize); ++i) {
                                 if (onlyTarget >= 0 && i != onlyTarget) {
                                     continue;
                                 }
                                 const AccuracyPoint f = TargetFraction(gridSize, i);
                                 technician.targets.push_back(
                                     {static_cast<float>(f.X), static_cast<float>(f.Y)});
                             }
                             technician.screenWidthPx = size.width();
                             technician.screenHeightPx = size.height();
                             technician.offsetXPx = 6;
                             technician.offsetYPx = -4;
                             technician.rotationDeg = 0.3f;
                             technician.jitterSdPx = 0.8f;
                             technician.startMs = 1500;
                             Play(technician);
                         });
    }

    // On the coverage page it strokes the whole screen, row by row about a
    // cell apart, and then holds two fingers on the diagonal's targets.
    void PlayTechnicianOnCoverage(TCoveragePage& page) {
        QObject::connect(
            &page, &TCoveragePage::StrokesStarted, &page, [this](QSize size, int, int rows) {
                TechnicianConfig technician = OnScreen(size);
                technician.strokes = true;
                technician.strokeSpeedPxPerS = 1500;
                technician.strokeRowSpacingPx = 0.9f * static_cast<float>(size.height()) / rows;
                Play(technician);
            });
        QObject::connect(&page, &TCoveragePage::TwoFingersStarted, &page, [this](QSize size) {
            TechnicianConfig technician = OnScreen(size);
            const auto fraction = [](AccuracyPoint p) {
                return TechnicianConfig::Target{static_cast<float>(p.X), static_cast<float>(p.Y)};
            };
            technician.twoFingers = TechnicianConfig::TwoFingers{
                fraction(kTwoFingerTargets[0]), fraction(kTwoFingerTargets[1]),
                fraction(kTwoFingerApart[0]), fraction(kTwoFingerApart[1])};
            Play(technician);
        });
    }

    static TechnicianConfig OnScreen(QSize size) {
        TechnicianConfig technician;
        technician.screenWidthPx = size.width();
        technician.screenHeightPx = size.height();
        technician.startMs = 1500;
        return technician;
    }

    void Play(const TechnicianConfig& technician) {
        controller.PlayTechnician(std::make_shared<TechnicianScript>(
            technician, controller.Config().touchReportsPerSecond));
    }

    static ControllerConfig Config() {
        ControllerConfig config;
        config.floopPeriodMs = 4000;
        return config;
    }

    platform::hid::VirtualBus bus;
    VirtualController controller;
};

// "/screenshot FILE": once the connection handshake has filled the information
// label, or 10 s after the message loop started (the windows' creation can take
// seconds of that on an emulated machine), save the main window, print its two
// status labels and close it, which ends the program.
void ScheduleScreenshot(TfrmMain& window, const QString& file) {
    auto* poll = new QTimer(&window);
    auto* started = new QElapsedTimer();
    QObject::connect(poll, &QTimer::timeout, &window, [&window, file, poll, started] {
        if (!started->isValid()) {
            started->start();
        }
        if (DeviceStatus.InfoReceived != kInfoAll && started->elapsed() < 10000) {
            return;
        }
        poll->stop();
        delete started;
        const bool saved = window.grab().save(file, "PNG");
        std::printf("%s\n%s\n", qPrintable(window.Label1->text()),
                    qPrintable(window.lbInfo->text()));
        if (!saved) {
            std::fprintf(stderr, "Could not save %s\n", qPrintable(file));
        }
        std::fflush(stdout);
        window.close();
    });
    poll->start(100);
}

// Only the main window's closing ends the program.
void OnlyTheMainWindowQuits(std::initializer_list<QWidget*> others) {
    for (QWidget* other : others) {
        other->setAttribute(Qt::WA_QuitOnClose, false);
    }
}

// Makes every window, runs the message loop until the main window closes,
// and ends device access before the windows go.
void RunWindows(const CommandLineEffects& effects, Simulation* simulation) {
    // Creation order matters: the main window starts device access, and no
    // channel 6 report is dispatched before its connection handler ran in
    // the message loop, by when every window exists.
    TfrmMain mainWindow;
    TfrmXTest xtest;
    frmXTest = &xtest;
    TFrmReportMode reportMode(&mainWindow);
    frmReportMode = &reportMode;
    TFrmFeatureReportInputMode featureReportInputMode(&mainWindow);
    frmFeatureReportInputMode = &featureReportInputMode;
    TfrmSettingsView settingsView;
    TfrmPerformanceStats performanceStats(&mainWindow);
    frmPerformanceStats = &performanceStats;
    TfrmCalibrate calibrate;
    frmCalibrate = &calibrate;
    TfrmFloopCount floopCount;
    frmFloopCount = &floopCount;
    TfrmScope scope(&mainWindow);
    frmScope = &scope;
    TfrmOffscreenMode offscreenMode(&mainWindow);
    frmOffscreenMode = &offscreenMode;
    TfrmAccuracy accuracy(&mainWindow);
    frmAccuracy = &accuracy;
    if (simulation != nullptr) {
        simulation->PlayTechnicianOnEachRun(accuracy);
        simulation->PlayTechnicianOnCoverage(*accuracy.Coverage);
    }
    OnlyTheMainWindowQuits({&xtest, &reportMode, &featureReportInputMode, &settingsView,
                            &performanceStats, &calibrate, &floopCount, &scope, &offscreenMode,
                            &accuracy});
    if (effects.showMainForm) {
        mainWindow.show();
    }
    if (!effects.screenshotFile.empty()) {
        ScheduleScreenshot(mainWindow, QString::fromLocal8Bit(effects.screenshotFile.c_str()));
    }
    QApplication::exec();
    // Device access ends before the windows its threads reach go away
    // (already done when the main window was closed); each window forgets
    // its global pointer as it goes.
    mainWindow.FormClose();
}

// The identity under which the last run found a controller.
void UseSavedIdentity() {
    uint16_t vendor;
    uint16_t product;
    if (ReadDeviceIdentity(vendor, product)) {
        SetDeviceIdentity(vendor, product);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else: no display, no ini file, no data folder needed.
    if (AsksForVersion(argc, argv)) {
        std::printf("t860util %s\n", ProgramVersion());
        return 0;
    }
    UseSavedIdentity();
    const CommandLineEffects effects = ParseCommandLine(argc, argv);

    TApplication app(argc, argv);
    // Outlives the engine's last threads, which may still reach its bus.
    std::unique_ptr<Simulation> simulation;
    try {
        if (effects.simulate) {
            simulation = std::make_unique<Simulation>();
        }
        RunWindows(effects, simulation.get());
    } catch (const std::exception& error) {
        ShowExceptionMessage(error.what());
    } catch (...) {
        ShowExceptionMessage("");
    }
    JoinDriverIOThreads();
    return 0;
}
