// Commands of the `oru` tool. Each command file defines one static CommandRegistration; main
// looks the first argument up among them.
#pragma once

#include <string>
#include <vector>

#include "oru/data/escaped_name.h"

namespace oru::tool {

// Runs a command with the arguments after its name; returns the process exit code.
using CommandFunction = int (*)(const std::vector<std::string>& args);

struct CommandRegistration {
  // usage is the one-line usage without the leading "oru ", e.g. "pack FILE [PACK]".
  CommandRegistration(const char* name, const char* usage, CommandFunction run);
};

// Prints "usage: oru <usage>" of the named command to standard error and returns 2.
int Usage(const char* name);

// Names are printed through oru::Escaped (oru/data/escaped_name.h).

// Prints "oru <command>: '<escaped name>': <reason>" to standard error and returns 1. The reason
// is normally oru::LastError() of the loader that failed.
int Fail(const char* command, const std::string& name, const std::string& reason);

}  // namespace oru::tool
