#pragma once
// "t860ctl doctor": why the controller can or cannot be reached from here,
// one check at a time, each with its verdict and, where it fails, the fix.

#include <string>
#include <utility>
#include <vector>

#include "Formats/Json.h"
#include "t860ctl/CtlArguments.h"

class CtlRun;

// What to do when the controller's nodes refuse this user; the same advice
// as the README's Install section.
extern const char kUdevRuleAdvice[];

enum class Verdict { Ok, Warning, Failed, Skipped };

struct DoctorCheck {
    DoctorCheck(std::string key, std::string heading, Verdict result = Verdict::Skipped,
                std::string what = {})
        : name(std::move(key)),
          title(std::move(heading)),
          verdict(result),
          detail(std::move(what)) {}

    std::string name;  // the JSON key
    std::string title;
    Verdict verdict = Verdict::Skipped;
    std::string detail;
    std::string fix;  // empty when nothing needs fixing
};

// The checks as "[ok] Title: detail" lines with their fixes, or as JSON.
std::string DoctorText(const std::vector<DoctorCheck>& checks);
JsonValue DoctorJson(const std::vector<DoctorCheck>& checks, bool answers);

void DoctorCommand(CommandWords& words, CtlRun& run);
