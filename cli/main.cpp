// SPDX-License-Identifier: MIT
#include "cli/command_line.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[]) {
    // The commands write large blocks through the streams alone; C's stdio is not used.
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    // A progress line is for a user watching a terminal; when the rows go to that terminal too,
    // it would land in the middle of them, and the rows show the progress anyway.
    const bool progress = isatty(STDERR_FILENO) == 1 && isatty(STDOUT_FILENO) == 0;
    return tetrode::cli::Run(args, std::cout, std::cerr, {.progress = progress, .threads = 0});
}
