// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace tetrode {

// About how many bytes more this process can allocate now without swapping or being refused: the
// least of the machine's available memory (MemAvailable), what the address-space and data limits
// (RLIMIT_AS, RLIMIT_DATA) leave above what the process already uses, and what its control group's
// memory limit leaves (cgroup v2). A bound that cannot be read does not count; with none readable
// the answer is UINT64_MAX. Reads only files of /proc and /sys, allocates nothing, and may be
// called from any thread.
std::uint64_t AvailableMemoryBytes();

} // namespace tetrode
