// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"

#include <ostream>
#include <string_view>

namespace tetrode {

// Writes `table` as a curve file that LoadCurveFile reads back into an identical table: the
// header line (DataSheetScreenV, then a comma and `headerText` when that is not empty), the
// anode-voltage line, the anode-current rows, the "Screen" marker line, the screen-current rows,
// a separator line and the control-grid-current rows, each line ended by LF. Every value is
// written in the shortest form that reads back as the same single-precision number.
//
// Faults: a table that has no anode point or no curve (subscript out of range); a `headerText`
// holding a line end or a double quote, which would not read back as one header line (invalid
// argument); a stream that fails (file open).
void WriteCurveFile(std::ostream& out, const CurveTable& table, std::string_view headerText);

} // namespace tetrode
