// SPDX-License-Identifier: MIT
// Measures the time from starting the calculator to its window's first frame, next to a bare Qt
// main window started the same way, and to a bare one that shows one line of text. Runs the probes
// in turn, so a busy machine slows all alike, and prints the medians and the ratios.
// Usage: startup_bench [runs] [probe...]
// Each further probe (the calculator's probe built from another revision, say) is measured in the
// same runs and compared with this build's calculator.
// The probes run on the offscreen platform, on a 1920 x 1080 screen at 96 dpi, unless
// QT_QPA_PLATFORM says otherwise (plain `offscreen` gives that platform's own 800 x 800 screen, on
// which the calculator's window does not fit and scrolls).
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

long long NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Starts the probe and returns the nanoseconds from just before the start to its first frame, or
// -1 when the probe failed.
long long TimeToFirstFrame(const char* probe) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    char* const args[] = {const_cast<char*>(probe), nullptr};

    const long long start = NowNanoseconds();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, probe, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string output;
    char buffer[64];
    ssize_t count = 0;
    while (spawned == 0 && (count = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
        output.append(buffer, static_cast<std::size_t>(count));
    }
    close(pipeEnds[0]);
    int status = 0;
    if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0 || output.empty()) {
        return -1;
    }
    return std::atoll(output.c_str()) - start;
}

double MedianMilliseconds(std::vector<long long> nanoseconds) {
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const std::size_t middle = nanoseconds.size() / 2;
    const double median = nanoseconds.size() % 2 == 1
                              ? static_cast<double>(nanoseconds[middle])
                              : (static_cast<double>(nanoseconds[middle - 1]) +
                                 static_cast<double>(nanoseconds[middle])) /
                                    2.0;
    return median / 1e6;
}

} // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    // A desktop's screen: the window is measured as users see it, whole.
    char screenFile[] = "/tmp/startup_bench_screen_XXXXXX";
    const bool ownScreen = std::getenv("QT_QPA_PLATFORM") == nullptr;
    if (ownScreen) {
        const int descriptor = mkstemp(screenFile);
        static const char screen[] =
            R"({"screens": [{"name": "desktop", "x": 0, "y": 0, "width": 1920, "height": 1080,)"
            R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
        if (descriptor < 0 || write(descriptor, screen, sizeof screen - 1) !=
                                  static_cast<ssize_t>(sizeof screen - 1)) {
            std::perror("startup_bench: cannot write the screen's description");
            return 1;
        }
        close(descriptor);
        setenv("QT_QPA_PLATFORM", (std::string("offscreen:configfile=") + screenFile).c_str(), 1);
    }

    std::vector<const char*> probes{STARTUP_PROBE_BARE_PATH, STARTUP_PROBE_TEXT_PATH,
                                    STARTUP_PROBE_WINDOW_PATH};
    for (int i = 2; i < argc; ++i) {
        probes.push_back(argv[i]);
    }
    std::vector<std::vector<long long>> times(probes.size());
    // One unmeasured start of each warms the file cache.
    for (const char* probe : probes) {
        TimeToFirstFrame(probe);
    }
    for (int run = 0; run < runs; ++run) {
        for (std::size_t probe = 0; probe < probes.size(); ++probe) {
            const long long time = TimeToFirstFrame(probes[probe]);
            if (time < 0) {
                std::fprintf(stderr, "%s failed to show its window\n", probes[probe]);
                if (ownScreen) {
                    unlink(screenFile);
                }
                return 1;
            }
            times[probe].push_back(time);
        }
    }
    if (ownScreen) {
        unlink(screenFile);
    }
    const double bareMs = MedianMilliseconds(times[0]);
    const double textMs = MedianMilliseconds(times[1]);
    const double calculatorMs = MedianMilliseconds(times[2]);
    std::printf("start to first frame, median of %d runs (%s)\n", runs,
                ownScreen ? "offscreen platform, 1920 x 1080 screen"
                          : std::getenv("QT_QPA_PLATFORM"));
    std::printf("  bare QMainWindow               %8.2f ms\n", bareMs);
    std::printf("  bare QMainWindow, one label    %8.2f ms\n", textMs);
    std::printf("  Tetrode Calculator             %8.2f ms\n", calculatorMs);
    std::printf("  calculator / bare              %8.3f (target: at most 1.3)\n",
                calculatorMs / bareMs);
    std::printf("  calculator / bare with text    %8.3f\n", calculatorMs / textMs);
    for (std::size_t probe = 3; probe < probes.size(); ++probe) {
        const double otherMs = MedianMilliseconds(times[probe]);
        std::printf("  %s\n    %8.2f ms; calculator / it %8.3f\n", probes[probe], otherMs,
                    calculatorMs / otherMs);
    }
    return 0;
}
