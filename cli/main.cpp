// SPDX-License-Identifier: MIT
#include "cli/command_line.h"

#include <iostream>
#include <unistd.h>

int main(int argc, char* argv[]) {
    // The commands write large blocks through the streams alone; C's stdio is not used.
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return tetrode::cli::Run(args, std::cout, std::cerr,
                             {.progress = isatty(STDERR_FILENO) == 1, .threads = 0});
}
