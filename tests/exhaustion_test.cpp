// SPDX-License-Identifier: MIT
// Open, Calculate and Enter when memory runs out, each in a child process whose address space is
// capped (RLIMIT_AS): the action ends in a fault and leaves the session as it was; it never aborts.
#include "analysis/session.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tetrode {
namespace {

using namespace testing; // the shared test helpers: SessionState, SizedCurveFile, TempFolder

// How an action ended in the child, as its exit status.
enum Ending : int {
    kOutOfMemoryUnchanged = 0,
    kOtherFaultUnchanged = 1,
    kCompleted = 2,
    kFaultButChanged = 3,
    kOtherException = 4,
    kDied = 5, // by a signal: an abort
};

// The bytes of this process's address space now.
std::uint64_t AddressSpace() {
    std::uint64_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

// Takes every block malloc will still give, largest first and then every small size (so that no
// cached chunk of any size is left), chained through the blocks themselves; Release gives them all
// back.
struct Filler {
    void* chain = nullptr;

    void Fill() {
        for (std::size_t size = std::size_t{1} << 30; size >= 1024; size /= 2) {
            Take(size);
        }
        for (std::size_t size = 1024; size >= sizeof(void*); --size) {
            Take(size);
        }
    }
    void Take(std::size_t size) {
        while (void* block = std::malloc(size)) {
            *static_cast<void**>(block) = chain;
            chain = block;
        }
    }
    void Release() {
        while (chain != nullptr) {
            void* next = *static_cast<void**>(chain);
            std::free(chain);
            chain = next;
        }
    }
};

// Runs `action` on a session that has opened `curves`, in a child process whose address space may
// grow by `headroom` bytes at most; with `exhaust`, that room is taken up first as well.
Ending RunCapped(const std::string& curves, const std::function<void(Session&)>& action,
                 std::uint64_t headroom, bool exhaust) {
    const pid_t child = ::fork();
    if (child != 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? static_cast<Ending>(WEXITSTATUS(status)) : kDied;
    }
    Session session;
    session.Open(curves);
    session.Calculate({"250", "550", "-30", "250", "0"});
    const auto before = SessionState(session);
    const rlimit cap{AddressSpace() + headroom, RLIM_INFINITY};
    ::setrlimit(RLIMIT_AS, &cap);
    Filler filler;
    if (exhaust) {
        filler.Fill();
    }
    Ending ending = kCompleted;
    try {
        action(session);
    } catch (const Fault& fault) {
        ending =
            fault.kind() == FaultKind::OutOfMemory ? kOutOfMemoryUnchanged : kOtherFaultUnchanged;
    } catch (...) {
        ending = kOtherException;
    }
    filler.Release();
    if ((ending == kOutOfMemoryUnchanged || ending == kOtherFaultUnchanged) &&
        !(SessionState(session) == before)) {
        ending = kFaultButChanged;
    }
    // Straight out: the test framework's own state belongs to the parent.
    ::_exit(ending);
}

TEST(Exhaustion, ActionsThatRunOutOfMemoryEndInAFaultAndChangeNothing) {
    if (kAddressSanitizer) {
        GTEST_SKIP() << "AddressSanitizer reserves terabytes of address space: RLIMIT_AS means "
                        "nothing";
    }
    const TempFolder folder;
    const std::string worked = TETRODE_TEST_DATA "/worked-example.csv";
    // 32767 anode voltages by 1000 curves: a table of 393 MB from a file of 200 kB.
    const std::string widePath = folder.Write("wide.csv", SizedCurveFile(32767, 1000, false));
    // Long enough that reading them needs memory of their own; made here, as the child's action
    // must allocate nothing of its own.
    const std::string screen = "300." + std::string(40, '0');
    const OperatingLineTexts line{screen, "550", "-30", "250", "0"};
    constexpr std::uint64_t kMegabyte = 1 << 20;
    // clang-format off
    const struct {
        const char* name; std::function<void(Session&)> action; std::uint64_t headroom; bool exhaust;
    } cases[] = {
        {"Open: a table larger than the memory left", [&](Session& s) { s.Open(widePath); },
         64 * kMegabyte, false},
        {"Open with no memory left", [&](Session& s) { s.Open(worked); }, 64 * kMegabyte, true},
        {"Calculate with no memory left",
         [&](Session& s) { s.Calculate(line); },
         64 * kMegabyte, true},
        {"Enter with no memory left", [&](Session& s) { s.SetScreenVoltage(screen); },
         64 * kMegabyte, true},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RunCapped(worked, c.action, c.headroom, c.exhaust), kOutOfMemoryUnchanged);
    }
}

} // namespace
} // namespace tetrode
