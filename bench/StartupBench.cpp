// From creating the main window (which starts device access) to its label
// showing "Connected", on the virtual controller.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QLabel>
#include <chrono>
#include <thread>

#include "DriverInterface/DriverIO.h"
#include "Simulator/VirtualController.h"
#include "T860Util/Main.h"
#include "T860Util/Sync.h"

namespace {

void StartupToConnected(benchmark::State& state) {
    // The identity is saved on connection: into a folder of our own.
    char home[] = "/tmp/t860-bench-XXXXXX";
    setenv("XDG_CONFIG_HOME", mkdtemp(home), 1);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int argc = 1;
    char name[] = "startup_bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    platform::hid::VirtualBus bus;
    platform::hid::SelectBackend(&bus);
    VirtualController controller(bus);
    controller.Plug();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        {
            TfrmMain main;
            main.show();
            while (main.Label1->text() != "Connected") {
                QApplication::processEvents();
                std::this_thread::sleep_for(std::chrono::microseconds(100));
            }
            state.SetIterationTime(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            main.FormClose();
            CloseSyncCalls(&main);
        }
        JoinDriverIOThreads();
    }
    controller.Unplug();
    platform::hid::SelectBackend(nullptr);
}
BENCHMARK(StartupToConnected)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
