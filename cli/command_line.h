// SPDX-License-Identifier: MIT
#pragma once

#include <ostream>
#include <string>
#include <vector>

// tetrode-calc: the calculator's commands without the window.
namespace tetrode::cli {

// What the program's surroundings decide.
struct RunOptions {
    // Show a progress line for sweeps on `err` (when it is a terminal that the output is not
    // written to).
    bool progress = false;
    // Threads that calculate a sweep; 0 for one per core.
    unsigned threads = 0;
};

// Exit statuses.
inline constexpr int kSuccess = 0;
inline constexpr int kFault = 1;
inline constexpr int kUsageError = 2;

// Runs the command in `args` (without the program's name): `figures`, `limits`, `sweep` or
// `import`, or --help / --version. Results go to `out`; faults go to `err` in the window's words
// (the fault's kind, a colon, and on the next line its place and cause), usage errors with a hint
// to --help; `import` writes a curve file and says on `err` what the user should know of it.
// Returns kSuccess, kFault or kUsageError. Never throws.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const RunOptions& options = {});

} // namespace tetrode::cli
