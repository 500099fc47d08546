#pragma once
// t860ctl: the controller from a command line, for scripts. RunCtl runs one
// command line in-process, with what it prints collected in out and err.

#include <string>
#include <vector>

#include "t860ctl/CtlArguments.h"

// args: the arguments after the program name. Returns the exit code.
int RunCtl(const std::vector<std::string>& args, std::string& out, std::string& err);
