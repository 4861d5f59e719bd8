#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "brackwater/cli/cli_exit.hpp"

namespace brackwater::cli {

// Writes `text` to `stream` and flushes it.
void write_all(std::FILE* stream, std::string_view text);

// Prints `exit` to its stream and gives its status.
int finish(const CliExit& exit);

// What a tool's main is: `run` on the argument vector, and an exception that
// escapes it printed as `failure_text(what)` on standard error, status 1.
using Run = int (*)(std::span<const char* const> argv);
using FailureText = std::string (*)(std::string_view what);
int run_main(int argc, char** argv, Run run, FailureText failure_text);

}  // namespace brackwater::cli
