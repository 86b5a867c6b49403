// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"
#include "platform/yield.h"

#include <string>

namespace tetrode {

// Everything a completed load gives the window.
struct LoadedCurveFile {
    // The file's curves; its scale factors are the start values (the window keeps its own, see
    // CurveTable::AdoptCurves).
    CurveTable table;
    // Field 0 of the header line exactly as it stands, for txtScreenBias and lblDataSheetScreenV.
    std::string screenVoltageText;
    // What the caption gains: one space and the base name less its last four characters.
    std::string captionSuffix;
};

// Reads the curve file at `path` into a new table. All or nothing: a fault (file open, type
// mismatch, subscript out of range, overflow, invalid argument) leaves no trace, and its message
// names the file, line and field. Calls `yield` after every line, at every quoted field, at the
// end of every split and once before returning.
LoadedCurveFile LoadCurveFile(const std::string& path, const YieldToEvents& yield = {});

} // namespace tetrode
