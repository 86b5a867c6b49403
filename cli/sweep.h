// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/load_line.h"
#include "curves/curve_table.h"
#include "results/results_sheet.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Sweeps of one or two inputs of an operating line over a grid of values, written as CSV.
namespace tetrode::cli {

// A command line that cannot be carried out as written: the command's shape, not a value the
// calculator refuses (that is a Fault).
class UsageError : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The most values one axis may have, and the most points a sweep may have: a mistyped step must
// not start output without end or exhaust memory.
inline constexpr std::uint64_t kMaxAxisValues = 10'000'000;
inline constexpr std::uint64_t kMaxSweepPoints = 100'000'000;

// One varied input and its values in the order they are swept.
struct SweepAxis {
    const InputInfo* input = nullptr;
    std::vector<double> values;
};

// Reads "NAME=FROM:TO:STEP" (NAME as Inputs() names them). The values run from FROM by STEP and
// include TO when it is reached; STEP may be negative for a falling range. Each value is FROM + i
// STEP rounded to 15 significant digits, so 0:1:0.1 gives 0.3 and not 0.30000000000000004.
// A wrong name or shape, a STEP of 0 or one that leads away from TO, or too many values is a
// UsageError; FROM, TO and STEP are read as typed voltages (NumberFromText), whose refusals are
// Faults placed at the input.
SweepAxis ReadSweepAxis(std::string_view spec);

// The CSV header of a sweep: the five inputs, the fifteen figures, each named with its unit
// ("grid-bias (V)"), then "error".
std::string SweepHeader();

// Calculates every point of the grid `axes` spans over `line` (each axis replacing its input; the
// last axis varies fastest) and writes the header and one CSV row per point, in grid order, to
// `out` as they are done: the inputs, then the figures in full precision; a point whose
// calculation fails has empty figures and its fault in the error column. Runs on `threads`
// threads beside the caller's. Calls `progress` with the points written so far (from the
// caller's thread). Faults: the output cannot be written; anything else that stops a point than
// a Fault (memory) ends the sweep and is raised.
void WriteSweep(const CurveTable& curves, const OperatingVoltages& line,
                std::span<const SweepAxis> axes, unsigned threads, std::ostream& out,
                const std::function<void(std::uint64_t done, std::uint64_t total)>& progress);

} // namespace tetrode::cli
