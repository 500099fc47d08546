#include "t860ctl/Ctl.h"

#include <exception>
#include <map>
#include <memory>

#include "DriverInterface/DriverIO.h"
#include "lib/Utils.h"
#include "lib/Version.h"
#include "t860ctl/CtlRun.h"
#include "t860ctl/CtlSimulation.h"
#include "t860ctl/Doctor.h"

namespace {

using CommandFunction = void (*)(CommandWords&, CtlRun&);

const std::map<std::string, CommandFunction> kCommands = {
    {"info", InfoCommand},
    {"report-mode", ReportModeCommand},
    {"offscreen-mode", OffscreenModeCommand},
    {"input-mode", InputModeCommand},
    {"calibrate", CalibrateCommand},
    {"restore-defaults", RestoreDefaultsCommand},
    {"stream-status", StreamStatusCommand},
    {"stream", StreamCommand},
    {"input-devices", InputDevicesCommand},
    {"settings", SettingsCommand},
    {"log-packets", LogPacketsCommand},
    {"scope", ScopeCommand},
    {"perf-stats", PerfStatsCommand},
    {"report", ReportCommand},
    {"baseline", BaselineCommand},
    {"doctor", DoctorCommand},
    {"health", HealthCommand},
};

// The identity to look for: the options', else the simulated controller's,
// else the saved one, as the windows use.
void ApplyIdentity(const CtlOptions& options, const CtlSimulation* simulation) {
    uint16_t vendor = kDefaultVendorID;
    uint16_t product = kDefaultProductID;
    if (options.vendor) {
        vendor = *options.vendor;
        product = *options.product;
    } else if (simulation != nullptr) {
        vendor = simulation->VendorID();
        product = simulation->ProductID();
    } else {
        ReadDeviceIdentity(vendor, product);
    }
    SetDeviceIdentity(vendor, product);
}

int Run(const std::vector<std::string>& args, std::string& out) {
    const TraceTail trace;
    const CtlOptions options = ParseCtlOptions(args);
    if (options.help) {
        out = kCtlUsage;
        return kExitOk;
    }
    if (options.version) {
        out = std::string("t860ctl ") + ProgramVersion() + "\n";
        return kExitOk;
    }
    CommandWords words(options.words);
    const std::string name = *words.TakeOperand();
    const auto command = kCommands.find(name);
    if (command == kCommands.end()) {
        throw CtlFailure(kExitUsage, "unknown command '" + name + "'");
    }
    std::unique_ptr<CtlSimulation> simulation;
    if (options.simulate) {
        simulation = std::make_unique<CtlSimulation>();
    }
    ApplyIdentity(options, simulation.get());
    CtlRun run(options, trace);
    try {
        command->second(words, run);
    } catch (const CtlFailure&) {
        out = run.out;  // what was done before the failure still shows
        throw;
    }
    out = run.out;
    return kExitOk;
}

}  // namespace

int RunCtl(const std::vector<std::string>& args, std::string& out, std::string& err) {
    out.clear();
    err.clear();
    try {
        return Run(args, out);
    } catch (const CtlFailure& failure) {
        err = "t860ctl: " + std::string(failure.what()) + "\n";
        if (failure.Code() == kExitUsage) {
            err += "Try 't860ctl --help'.\n";
        }
        return failure.Code();
    } catch (const std::exception& error) {
        err = "t860ctl: " + std::string(error.what()) + "\n";
        return kExitFailed;
    }
}
