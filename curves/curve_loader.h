// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"
#include "platform/progress.h"

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
// mismatch, subscript out of range, overflow, invalid argument) leaves no trace, and it is placed
// at the file's name, line and column. Reports its progress in bytes of the file to `progress`
// (see ProgressCallback), which may stop it by throwing WorkCancelled.
LoadedCurveFile LoadCurveFile(const std::string& path, const ProgressCallback& progress = {});

} // namespace tetrode
