#include "t860ctl/Doctor.h"

#include <filesystem>

#include "DriverInterface/DriverIO.h"
#include "Protocol/DeviceStatus.h"
#include "Protocol/Protocolutils.h"
#include "lib/Utils.h"
#include "t860ctl/CtlOutput.h"
#include "t860ctl/CtlRun.h"
#if defined(__linux__)
#include "t860ctl/DoctorHidraw.h"
#endif

const char kUdevRuleAdvice[] =
    "install the udev rule 70-t860.rules in /usr/lib/udev/rules.d (the package does; without "
    "it, copy packaging/70-t860.rules there), then apply it: sudo udevadm control "
    "--reload-rules && sudo udevadm trigger --subsystem-match=hidraw, or re-plug the controller";

namespace {

const char* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ok:
            return "ok";
        case Verdict::Warning:
            return "warning";
        case Verdict::Failed:
            return "failed";
        case Verdict::Skipped:
            break;
    }
    return "skipped";
}

std::string IdentityText(uint16_t vendor, uint16_t product) {
    return HexText(vendor, 4) + ":" + HexText(product, 4);
}

DoctorCheck IdentityCheck(const CtlOptions& options) {
    DoctorCheck check{"identity", "Saved identity"};
    uint16_t vendor = kDefaultVendorID;
    uint16_t product = kDefaultProductID;
    if (!ReadDeviceIdentity(vendor, product)) {
        check.verdict = Verdict::Warning;
        check.detail = "the per-user folder for XlateLib.ini cannot be found (HOME unset?)";
        check.fix = "set HOME or XDG_CONFIG_HOME";
        return check;
    }
    char folder[kDataFolderCapacity];
    const std::string ini = GetDataFolder(folder, sizeof folder)
                                ? std::string(folder) + "XlateLib.ini"
                                : std::string("XlateLib.ini");
    std::error_code error;
    check.detail = std::filesystem::exists(ini, error)
                       ? IdentityText(vendor, product) + " in " + ini
                       : IdentityText(vendor, product) + ": no " + ini + " yet";
    if (vendor == kDefaultVendorID && product == kDefaultProductID) {
        check.verdict = Verdict::Ok;
        check.detail += " (the default)";
    } else {
        check.verdict = Verdict::Warning;
        check.detail += ", not the default " + IdentityText(kDefaultVendorID, kDefaultProductID) +
                        ": t860util and t860ctl look for the saved one";
        check.fix =
            "start t860util once with /vendorid 2F7A /productid 0006 to save the "
            "default again, or give t860ctl --vid and --pid";
    }
    if (options.vendor) {
        check.detail += "; this run looks for " + IdentityText(*options.vendor, *options.product) +
                        " (--vid, --pid)";
    }
    return check;
}

DoctorCheck AnswerCheck(CtlRun& run) {
    DoctorCheck check{"answers", "Controller answers"};
    try {
        CtlSession& device = run.Device();
        if (!device.Exchange(kGetVersionCode, [] { return SendDeviceQuery(kGetVersionCode); })) {
            run.NoAnswer("the version query");
        }
        check.verdict = Verdict::Ok;
        check.detail =
            std::string("version ") + device.Status().DriverVersion + " (the version query)";
    } catch (const CtlFailure& failure) {
        // Its first line; the nodes that refused this user are in the checks above.
        const std::string what = failure.what();
        check.verdict = Verdict::Failed;
        check.detail = what.substr(0, what.find('\n'));
        check.fix = "see the checks above";
    }
    return check;
}

}  // namespace

std::string DoctorText(const std::vector<DoctorCheck>& checks) {
    std::string text;
    for (const DoctorCheck& check : checks) {
        text += std::string("[") + VerdictText(check.verdict) + "] " + check.title + ": " +
                check.detail + "\n";
        if (!check.fix.empty()) {
            text += "    fix: " + check.fix + "\n";
        }
    }
    return text;
}

JsonValue DoctorJson(const std::vector<DoctorCheck>& checks, bool answers) {
    JsonValue list = JsonValue::Array();
    for (const DoctorCheck& check : checks) {
        JsonValue item = JsonValue::Object();
        item.Set("name", JsonValue::String(check.name));
        item.Set("title", JsonValue::String(check.title));
        item.Set("verdict", JsonValue::String(VerdictText(check.verdict)));
        item.Set("detail", JsonValue::String(check.detail));
        if (!check.fix.empty()) {
            item.Set("fix", JsonValue::String(check.fix));
        }
        list.Append(std::move(item));
    }
    JsonValue result = JsonValue::Object();
    result.Set("controllerAnswers", JsonValue::Bool(answers));
    result.Set("checks", std::move(list));
    return result;
}

void DoctorCommand(CommandWords& words, CtlRun& run) {
    words.RequireEnd();
    std::vector<DoctorCheck> checks;
#if defined(__linux__)
    if (!run.Options().simulate) {
        uint16_t vendor;
        uint16_t product;
        GetDeviceIdentity(vendor, product);
        checks = CheckHidraw(HidrawDoctorSetup{}, vendor, product);
    }
#endif
    if (run.Options().simulate) {
        checks.push_back({"nodes", "Controller nodes", Verdict::Skipped,
                          "--simulate: the virtual controller in this process has no nodes"});
    }
    checks.push_back(IdentityCheck(run.Options()));
    checks.push_back(AnswerCheck(run));
    const bool answers = checks.back().verdict == Verdict::Ok;
    run.out += run.Json() ? WriteJson(DoctorJson(checks, answers)) : DoctorText(checks);
    if (!answers) {
        throw CtlFailure(kExitNoController,
                         "the controller does not answer: " + checks.back().detail);
    }
}
