#include "t860-uhid/UhidOptions.h"

#include <charconv>
#include <cstdint>

const char kUhidUsage[] =
    "Usage: t860-uhid [options]\n"
    "Plugs the virtual BFT860 into the running kernel through /dev/uhid.\n"
    "\n"
    "  --topology=separate|single  one HID device per collection (default),\n"
    "                              or one device holding them all\n"
    "  --vid=HEX --pid=HEX         USB ids (default 2F7A and 0006)\n"
    "  --serial=N                  serial number (default 86012345)\n"
    "  --report-mode=HEX           report mode at start (default 0020)\n"
    "  --touch-rate=N              scripted touch packets per second, 0..1000 (default 100)\n"
    "  --floop-ms=N                period of \"F loop\" notices, 0 for none (default 0)\n"
    "  --uhid=PATH                 the uhid node (default /dev/uhid)\n"
    "  --unplugged                 start without plugging the devices in\n"
    "  --help                      this text\n"
    "  --version                   the version\n"
    "\n"
    "While it runs: the lines plug, unplug, replug and quit on standard input;\n"
    "\"technician [9|25 [MS]]\" touches the accuracy test's targets once, after MS ms\n"
    "(default 300), and then no more until \"fingers\" gives the touches back to the script;\n"
    "\"strokes [ROWS [MS]]\" strokes the whole screen once, row by row, for a coverage grid\n"
    "of ROWS cell rows (default 9); \"still\" lifts the fingers until then. Each such run\n"
    "ends with the line \"technician: done\".\n"
    "SIGUSR1 re-plugs, SIGUSR2 plugs or unplugs, SIGINT and SIGTERM end it.\n"
    "It prints \"plugged\" once the kernel started every device, \"unplugged\" after removing "
    "them.\n"
    "Exit status: 0 ended on request, 1 the kernel refused a device, 2 bad command line,\n"
    "3 /dev/uhid is missing or this user may not open it.\n";

namespace {

uint32_t ParseValue(const std::string& name, const std::string& text, int base, uint32_t max) {
    std::string_view digits = text;
    if (base == 16 && (digits.starts_with("0x") || digits.starts_with("0X"))) {
        digits.remove_prefix(2);
    }
    uint32_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size() ||
        value > max) {
        throw std::invalid_argument("--" + name + ": not a " +
                                    (base == 16 ? "hexadecimal" : "decimal") + " number up to " +
                                    std::to_string(max) + ": " + text);
    }
    return value;
}

}  // namespace

UhidOptions ParseUhidOptions(const std::vector<std::string>& args) {
    UhidOptions options;
    ControllerConfig& config = options.config;
    config.deviceName = "BFT860 virtual controller";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!arg.starts_with("--")) {
            throw std::invalid_argument("unexpected argument: " + arg);
        }
        const size_t equals = arg.find('=');
        const std::string name =
            arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        bool* const flag = name == "help"        ? &options.help
                           : name == "version"   ? &options.version
                           : name == "unplugged" ? &options.startUnplugged
                                                 : nullptr;
        if (flag != nullptr) {
            if (equals != std::string::npos) {
                throw std::invalid_argument("--" + name + " takes no value");
            }
            *flag = true;
            continue;
        }
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            throw std::invalid_argument("--" + name + " needs a value");
        }
        if (name == "topology") {
            if (value != "separate" && value != "single") {
                throw std::invalid_argument("--topology: separate or single, not " + value);
            }
            options.topology = value == "single" ? UhidTopology::Single : UhidTopology::Separate;
        } else if (name == "vid") {
            config.vendorId = static_cast<uint16_t>(ParseValue(name, value, 16, 0xFFFF));
        } else if (name == "pid") {
            config.productId = static_cast<uint16_t>(ParseValue(name, value, 16, 0xFFFF));
        } else if (name == "serial") {
            config.serialNumber = ParseValue(name, value, 10, UINT32_MAX);
        } else if (name == "report-mode") {
            config.reportMode = static_cast<uint16_t>(ParseValue(name, value, 16, 0xFFFF));
        } else if (name == "touch-rate") {
            config.touchReportsPerSecond = ParseValue(name, value, 10, 1000);
        } else if (name == "floop-ms") {
            config.floopPeriodMs = ParseValue(name, value, 10, 3'600'000);
        } else if (name == "uhid") {
            if (value.empty()) {
                throw std::invalid_argument("--uhid needs a path");
            }
            options.node = value;
        } else {
            throw std::invalid_argument("unknown option: --" + name);
        }
    }
    return options;
}
