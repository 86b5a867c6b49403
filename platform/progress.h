// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

namespace tetrode {

// How far a long piece of work has come: `done` of `total` units (bytes, for a file). Long work
// calls it now and then while it runs (about every 10 ms) and may call it from a thread of its
// own. The callback may throw WorkCancelled to stop the work, which then unwinds and leaves nothing
// behind. An empty callback is not called.
using ProgressCallback = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Thrown by a progress callback to stop the work it watches; not a fault, so nothing is reported.
class WorkCancelled : public std::exception {
  public:
    const char* what() const noexcept override { return "the work was cancelled"; }
};

} // namespace tetrode
