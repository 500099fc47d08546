// t860-uhid: the virtual BFT860 as a HID device of the running kernel, so that
// t860util and t860ctl find it through hidraw as they find a controller on the
// USB bus. See UhidOptions.cpp for the command line.

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Simulator/VirtualController.h"
#include "Simulator/uhid/UhidTransport.h"
#include "lib/Version.h"
#include "t860-uhid/TechnicianCommand.h"
#include "t860-uhid/UhidOptions.h"

namespace {

constexpr int kStartWaitMs = 5000;
// How soon the end of a technician's script is noticed.
constexpr int kPlayingPollMs = 100;

enum class Step { Continue, Quit, Failed };

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

int ExplainOpenError(const std::string& node, int error) {
    if (error == ENOENT || error == ENODEV || error == ENXIO) {
        std::fprintf(stderr,
                     "t860-uhid: %s does not exist: this kernel has no uhid; load it with "
                     "\"sudo modprobe uhid\"\n",
                     node.c_str());
    } else if (error == EACCES || error == EPERM) {
        std::fprintf(stderr,
                     "t860-uhid: %s: permission denied: run it as root (sudo t860-uhid) or give "
                     "this user write access to %s\n",
                     node.c_str(), node.c_str());
    } else {
        std::fprintf(stderr, "t860-uhid: cannot open %s: %s\n", node.c_str(), std::strerror(error));
    }
    return kUhidExitNoUhid;
}

Step PlugIn(VirtualController& controller, UhidTransport& transport) {
    controller.Plug();
    if (!transport.WaitStarted(kStartWaitMs)) {
        const int error = transport.PlugError();
        std::fprintf(stderr, "t860-uhid: the kernel did not take the devices: %s\n",
                     error != 0 ? std::strerror(error) : "no start within 5 seconds");
        return Step::Failed;
    }
    Say("plugged");
    return Step::Continue;
}

Step Unplug(VirtualController& controller) {
    controller.Unplug();
    Say("unplugged");
    return Step::Continue;
}

Step Replug(VirtualController& controller, UhidTransport& transport) {
    Unplug(controller);
    return PlugIn(controller, transport);
}

Step Command(const std::string& line, VirtualController& controller, UhidTransport& transport) {
    if (line == "plug") {
        return controller.IsPlugged() ? Step::Continue : PlugIn(controller, transport);
    }
    if (line == "unplug") {
        return controller.IsPlugged() ? Unplug(controller) : Step::Continue;
    }
    if (line == "replug") {
        return Replug(controller, transport);
    }
    if (line == "quit") {
        return Step::Quit;
    }
    if (line == "still") {
        controller.PlayTechnician(std::make_shared<TechnicianScript>(
            TechnicianConfig{}, controller.Config().touchReportsPerSecond));
        Say("still");
        return Step::Continue;
    }
    if (line == "fingers") {
        controller.StopTechnician();
        Say("fingers");
        return Step::Continue;
    }
    TechnicianConfig technician;
    if (ParseTechnicianCommand(line, technician)) {
        controller.PlayTechnician(std::make_shared<TechnicianScript>(
            technician, controller.Config().touchReportsPerSecond));
        std::printf("technician: %zu targets\n", technician.targets.size());
        std::fflush(stdout);
        return Step::Continue;
    }
    if (ParseStrokesCommand(line, technician)) {
        controller.PlayTechnician(std::make_shared<TechnicianScript>(
            technician, controller.Config().touchReportsPerSecond));
        Say("technician: strokes");
        return Step::Continue;
    }
    if (!line.empty()) {
        std::fprintf(stderr,
                     "t860-uhid: unknown command \"%s\" (plug, unplug, replug, technician [9|25 "
                     "[MS]], strokes [ROWS [MS]], still, fingers, quit)\n",
                     line.c_str());
    }
    return Step::Continue;
}

Step Signal(int signal, VirtualController& controller, UhidTransport& transport) {
    switch (signal) {
        case SIGUSR1:
            return Replug(controller, transport);
        case SIGUSR2:
            return controller.IsPlugged() ? Unplug(controller) : PlugIn(controller, transport);
        default:
            return Step::Quit;
    }
}

// Takes commands until a quit; stdin that ends only stops the commands. Says
// "technician: done" when a technician's script has played to its end, so
// that whoever drives it knows when to look at the result.
int Serve(int signals, VirtualController& controller, UhidTransport& transport) {
    pollfd fds[] = {{signals, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    std::string pending;
    bool playing = false;
    for (;;) {
        if (playing && !controller.TechnicianPlaying()) {
            Say("technician: done");
        }
        playing = controller.TechnicianPlaying();
        if (::poll(fds, 2, playing ? kPlayingPollMs : -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return kUhidExitFailed;
        }
        Step step = Step::Continue;
        if (fds[0].revents != 0) {
            signalfd_siginfo info{};
            if (::read(signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
                step = Signal(static_cast<int>(info.ssi_signo), controller, transport);
            }
        } else if (fds[1].revents != 0) {
            char buffer[256];
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got <= 0) {
                fds[1].fd = -1;
            } else {
                pending.append(buffer, static_cast<size_t>(got));
            }
            for (size_t end;
                 step == Step::Continue && (end = pending.find('\n')) != pending.npos;) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                step = Command(line, controller, transport);
            }
            if (pending.size() > 4096) {
                pending.clear();  // no command is that long
            }
        }
        if (step == Step::Quit) {
            return kUhidExitOk;
        }
        if (step == Step::Failed) {
            return kUhidExitFailed;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    UhidOptions options;
    try {
        options = ParseUhidOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "t860-uhid: %s\n%s", error.what(), kUhidUsage);
        return kUhidExitUsage;
    }
    if (options.help) {
        std::fputs(kUhidUsage, stdout);
        return kUhidExitOk;
    }
    if (options.version) {
        std::printf("t860-uhid %s\n", ProgramVersion());
        return kUhidExitOk;
    }
    // Taken through a descriptor, and blocked before any thread starts so
    // that no other thread is interrupted by them.
    sigset_t handled;
    sigemptyset(&handled);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2}) {
        sigaddset(&handled, signal);
    }
    ::signal(SIGPIPE, SIG_IGN);
    if (::sigprocmask(SIG_BLOCK, &handled, nullptr) != 0) {
        return kUhidExitFailed;
    }
    const int signals = ::signalfd(-1, &handled, SFD_CLOEXEC);
    if (signals < 0) {
        std::perror("t860-uhid: signalfd");
        return kUhidExitFailed;
    }

    UhidIdentity identity;
    identity.name = options.config.deviceName;
    identity.uniq = std::to_string(options.config.serialNumber);
    identity.vendorId = options.config.vendorId;
    identity.productId = options.config.productId;
    UhidTransport transport(identity, options.topology, options.node);
    if (transport.OpenError() != 0) {
        return ExplainOpenError(options.node, transport.OpenError());
    }
    int code = kUhidExitOk;
    {
        VirtualController controller(transport, options.config);
        if (!options.startUnplugged && PlugIn(controller, transport) == Step::Failed) {
            code = kUhidExitFailed;
        } else {
            code = Serve(signals, controller, transport);
        }
        if (controller.IsPlugged()) {
            Unplug(controller);
        }
    }
    ::close(signals);
    return code;
}
