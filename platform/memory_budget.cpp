// SPDX-License-Identifier: MIT
#include "platform/memory_budget.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <limits>
#include <string_view>
#include <sys/resource.h>
#include <unistd.h>

namespace tetrode {
namespace {

constexpr std::uint64_t kUnknown = std::numeric_limits<std::uint64_t>::max();

// The files read here are small; a buffer on the stack keeps the call free of allocation, so it
// works while memory runs short, and free of shared state.
constexpr std::size_t kFileBufferSize = 8192;

// The start of a small file of /proc or /sys, as a view of `buffer`; empty when it cannot be read.
std::string_view ReadSmallFile(const char* path, char (&buffer)[kFileBufferSize]) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::size_t size = 0;
    while (size < sizeof buffer) {
        const ssize_t got = ::read(fd, buffer + size, sizeof buffer - size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return {buffer, size};
}

// The unsigned number at the start of `text` after blanks; kUnknown when there is none.
std::uint64_t LeadingNumber(std::string_view text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return kUnknown;
    }
    std::uint64_t value = 0;
    const auto [end, error] =
        std::from_chars(text.data() + start, text.data() + text.size(), value);
    return error == std::errc{} ? value : kUnknown;
}

std::uint64_t MemAvailable() {
    char buffer[kFileBufferSize];
    const std::string_view info = ReadSmallFile("/proc/meminfo", buffer);
    constexpr std::string_view kKey = "MemAvailable:";
    const std::size_t at = info.find(kKey);
    if (at == std::string_view::npos) {
        return kUnknown;
    }
    const std::uint64_t kibibytes = LeadingNumber(info.substr(at + kKey.size()));
    return kibibytes == kUnknown ? kUnknown : kibibytes * 1024;
}

// Field `index` (from 0) of /proc/self/statm in bytes: 0 is the address space, 5 data and stack.
std::uint64_t ProcessPages(int index) {
    char buffer[kFileBufferSize];
    std::string_view statm = ReadSmallFile("/proc/self/statm", buffer);
    for (int skipped = 0; skipped < index; ++skipped) {
        const std::size_t blank = statm.find(' ');
        if (blank == std::string_view::npos) {
            return kUnknown;
        }
        statm.remove_prefix(blank + 1);
    }
    const std::uint64_t pages = LeadingNumber(statm);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    return pages == kUnknown || pageSize <= 0 ? kUnknown
                                              : pages * static_cast<std::uint64_t>(pageSize);
}

// What the soft limit `resource` leaves above the use given by statm field `index`.
std::uint64_t LeftUnderLimit(int resource, int index) {
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kUnknown;
    }
    const std::uint64_t used = ProcessPages(index);
    if (used == kUnknown) {
        return kUnknown;
    }
    const auto cap = static_cast<std::uint64_t>(limit.rlim_cur);
    return cap > used ? cap - used : 0;
}

// What the memory limits of this process's cgroup (v2) and of the groups above it leave.
std::uint64_t LeftInControlGroup() {
    char buffer[kFileBufferSize];
    const std::string_view groups = ReadSmallFile("/proc/self/cgroup", buffer);
    // The unified hierarchy's line is "0::/path".
    std::size_t at = groups.starts_with("0::") ? 0 : groups.find("\n0::");
    if (at == std::string_view::npos) {
        return kUnknown;
    }
    at += groups[at] == '\n' ? 4 : 3;
    std::string_view group = groups.substr(at);
    group = group.substr(0, group.find('\n'));

    std::uint64_t left = kUnknown;
    char path[1024];
    char number[kFileBufferSize];
    constexpr std::string_view kRoot = "/sys/fs/cgroup";
    while (!group.empty() && kRoot.size() + group.size() + 20 < sizeof path) {
        const auto readValue = [&](std::string_view file) {
            char* end = std::copy(kRoot.begin(), kRoot.end(), path);
            end = std::copy(group.begin(), group.end(), end);
            end = std::copy(file.begin(), file.end(), end);
            *end = '\0';
            return LeadingNumber(ReadSmallFile(path, number)); // "max" reads as unknown
        };
        const std::uint64_t max = readValue("/memory.max");
        const std::uint64_t current = readValue("/memory.current");
        if (max != kUnknown && current != kUnknown) {
            left = std::min(left, max > current ? max - current : 0);
        }
        const std::size_t slash = group.rfind('/');
        group = slash == 0 || slash == std::string_view::npos ? std::string_view()
                                                              : group.substr(0, slash);
    }
    return left;
}

} // namespace

std::uint64_t AvailableMemoryBytes() {
    return std::min({MemAvailable(), LeftUnderLimit(RLIMIT_AS, 0), LeftUnderLimit(RLIMIT_DATA, 5),
                     LeftInControlGroup()});
}

} // namespace tetrode
