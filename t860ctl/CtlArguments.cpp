#include "t860ctl/CtlArguments.h"

#include <algorithm>
#include <charconv>

#include "Protocol/CommandLine.h"

const char kCtlUsage[] =
    "Usage: t860ctl [--simulate] [--vid HEX --pid HEX] [--timeout MS] [--json] COMMAND\n"
    "       t860ctl --help | --version\n"
    "Commands:\n"
    "  info\n"
    "  report-mode [VALUE]\n"
    "  offscreen-mode [VALUE]\n"
    "  input-mode [VALUE]\n"
    "  calibrate start|stop\n"
    "  restore-defaults\n"
    "  stream-status\n"
    "  stream on|off\n"
    "  input-devices on|off\n"
    "  settings dump [--channel 0|6]\n"
    "  settings save FILE\n"
    "  settings load FILE [--dry-run]\n"
    "  log-packets FILE [--seconds N]\n"
    "  scope CODE [--csv]\n"
    "  perf-stats\n"
    "  report FILE [--accuracy RESULT.json [--diagonal INCHES]] [--baseline FILE]\n"
    "  baseline save FILE [--note TEXT] [--scans N]\n"
    "  baseline compare FILE [--scans N]\n"
    "  doctor\n"
    "  health [--baseline FILE] [--accuracy RESULT.json] [--quiet-seconds N]\n"
    "         [--textfile DIR]\n"
    "Exit codes: 0 success, 1 refused or file error, 2 usage error, 3 no controller,\n"
    "4 the controller did not answer in time, 5 the unit differs from its baseline.\n";

namespace {

[[noreturn]] void Usage(const std::string& message) {
    throw CtlFailure(kExitUsage, message);
}

uint16_t ParseHexId(const std::string& text, const char* option) {
    const std::string digits =
        text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? text.substr(2)
                                                                                : text;
    const std::optional<uint32_t> value = ConvertHexDigits(digits.c_str());
    if (!value || *value > 0xFFFF) {
        Usage(std::string(option) + " needs a hexadecimal value from 0 to FFFF, not '" + text +
              "'");
    }
    return static_cast<uint16_t>(*value);
}

}  // namespace

CtlOptions ParseCtlOptions(const std::vector<std::string>& args) {
    CtlOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&](const char* option) -> const std::string& {
            if (i + 1 >= args.size()) {
                Usage(std::string(option) + " needs a value");
            }
            return args[++i];
        };
        if (arg == "--simulate") {
            options.simulate = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--vid") {
            options.vendor = ParseHexId(value("--vid"), "--vid");
        } else if (arg == "--pid") {
            options.product = ParseHexId(value("--pid"), "--pid");
        } else if (arg == "--timeout") {
            options.timeoutMs = ParseNumber(value("--timeout"), 600000, "--timeout");
            if (options.timeoutMs == 0) {
                Usage("--timeout needs at least 1 ms");
            }
        } else {
            options.words.push_back(arg);
        }
    }
    if (options.vendor.has_value() != options.product.has_value()) {
        Usage("--vid and --pid go together");
    }
    if (options.words.empty() && !options.help && !options.version) {
        Usage("no command given");
    }
    return options;
}

uint32_t ParseNumber(const std::string& text, uint32_t max, const char* what) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    uint64_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value, hex ? 16 : 10);
    if (first == last || ec != std::errc() || end != last || value > max) {
        Usage(std::string(what) + " must be a number from 0 to " + std::to_string(max) +
              " (decimal, or hexadecimal with 0x), not '" + text + "'");
    }
    return static_cast<uint32_t>(value);
}

bool CommandWords::TakeFlag(const char* name) {
    const auto found = std::find(words_.begin(), words_.end(), name);
    if (found == words_.end()) {
        return false;
    }
    words_.erase(found);
    return true;
}

std::optional<std::string> CommandWords::TakeOption(const char* name) {
    const auto found = std::find(words_.begin(), words_.end(), name);
    if (found == words_.end()) {
        return std::nullopt;
    }
    if (found + 1 == words_.end()) {
        Usage(std::string(name) + " needs a value");
    }
    std::string value = *(found + 1);
    words_.erase(found, found + 2);
    return value;
}

std::optional<std::string> CommandWords::TakeOperand() {
    const auto found = std::find_if(words_.begin(), words_.end(), [](const std::string& word) {
        return word.size() < 2 || word.compare(0, 2, "--") != 0;
    });
    if (found == words_.end()) {
        return std::nullopt;
    }
    std::string operand = *found;
    words_.erase(found);
    return operand;
}

std::string CommandWords::RequireOperand(const char* what) {
    std::optional<std::string> operand = TakeOperand();
    if (!operand) {
        Usage(std::string("missing ") + what);
    }
    return *operand;
}

void CommandWords::RequireEnd() const {
    if (!words_.empty()) {
        Usage("unexpected '" + words_.front() + "'");
    }
}
