// The `vantrel` subcommands that ask the running instance over the session bus.
#pragma once

#include <string>

namespace vantrel::cli {

// Exit codes of the subcommands.
inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;
inline constexpr int kNotRunning = 3;

// Whether the first argument names a subcommand (list, restore, save, ...).
bool isCommand(int argc, char** argv);
// Runs the subcommand against the running instance; one of the exit codes above.
int run(int argc, char** argv);
// The whole --help text: options, subcommands, presets, exit codes.
std::string usage();

}  // namespace vantrel::cli
