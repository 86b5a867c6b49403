// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"
#include "platform/progress.h"

#include <cstdint>
#include <string>

namespace tetrode {

// Everything a completed load gives.
struct LoadedCurveFile {
    CurveTable table;
    // Field 0 of the header line exactly as it stands: the screen voltage as the file writes it.
    std::string screenVoltageText;
    // The file's name, the last component of its path ("example.csv").
    std::string fileName;
};

// Reads the curve file at `path` into a new table. All or nothing: a fault (file open, type
// mismatch, subscript out of range, overflow, invalid argument, out of memory) leaves no trace, and
// it is placed at the file's name, line and column; a file that is not a regular file or that
// changes while it is read is a file-open fault placed at its path. Reports its progress in bytes
// of the file to `progress` (see ProgressCallback) about every 10 ms, also inside one long line,
// which may stop it by throwing WorkCancelled. The work is bounded whatever the file holds: a
// line is at most LineSource::kMaxLineBytes long and 32768 fields wide, and the table's memory is
// checked against what the machine can give (AvailableMemoryBytes) before it is taken. Keeps no
// state between calls, so loads may run on any thread.
LoadedCurveFile LoadCurveFile(const std::string& path, const ProgressCallback& progress = {});

// The same load with the table's memory bounded by `memoryLimit` bytes instead of by what the
// machine can give.
LoadedCurveFile LoadCurveFile(const std::string& path, const ProgressCallback& progress,
                              std::uint64_t memoryLimit);

} // namespace tetrode
