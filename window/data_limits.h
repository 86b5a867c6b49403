// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/operating_parameters.h"
#include "curves/curve_table.h"

#include <array>
#include <string_view>

// The range of anode and grid voltage that the loaded curves cover, in operating scale, and the
// voltage ratio that Enter in the screen-voltage box sets. Plain C++ so it is tested without a
// window.
namespace tetrode {

// The four limit labels' texts, in the order they are written: lblMaxAnodeVDatasheet (last anode
// entry), lblMinAnodeVDatasheet (first anode entry), lblMaxGridVDatasheet (first grid entry),
// lblMinGridVDatasheet (last grid entry), each entry times `voltageRatio` rounded once to single
// and shown in the general single-precision form. Positions are taken as they stand: the axes'
// order makes them the extremes. Overflow when a product leaves the single range.
std::array<LabelText, 4> DatasheetLimitTexts(const CurveTable& curves, float voltageRatio,
                                             std::string_view decimalSeparator);

// The voltage ratio from the screen-voltage box's text over the text of the data-sheet screen
// voltage label, both read as typed numbers, rounded to single. Division by zero (overflow for
// 0 / 0) when the label reads 0, as it does before any load; invalid argument when the quotient is
// negative; overflow beyond the single range.
float VoltageRatioFromTexts(std::string_view screenBias, std::string_view dataSheetScreenV);

} // namespace tetrode
