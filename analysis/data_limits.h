// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"

#include <array>
#include <string>
#include <string_view>

// The range of anode and grid voltage that the loaded curves cover, in operating scale, and the
// voltage ratio that Enter in the screen-voltage box sets.
namespace tetrode {

// The four limits in the order they are shown, in volts, operating scale.
struct DataLimits {
    float MaxAnodeVoltage = 0.0F; // the last anode entry
    float MinAnodeVoltage = 0.0F; // the first anode entry
    float MaxGridVoltage = 0.0F;  // the first grid entry
    float MinGridVoltage = 0.0F;  // the last grid entry

    friend bool operator==(const DataLimits&, const DataLimits&) = default;
};

// Each limit is its axis entry times `voltageRatio`, rounded once to single. Positions are taken
// as they stand: the axes' order makes them the extremes. Overflow when a product leaves the
// single range; subscript out of range for a table without curves.
DataLimits ComputeDataLimits(const CurveTable& curves, float voltageRatio);

// The four texts in the general single-precision form, with `decimalSeparator` (UTF-8).
std::array<std::string, 4> FormatDataLimits(const DataLimits& limits,
                                            std::string_view decimalSeparator);

// The voltage ratio from a typed screen voltage over the text that shows the curves' screen
// voltage, both read as typed numbers, rounded to single. Division by zero (overflow for 0 / 0)
// when that text reads 0; invalid argument when either is negative or the typed text is refused;
// overflow beyond single.
float VoltageRatioFromTexts(std::string_view screenBias, std::string_view dataSheetScreenV,
                            std::string_view localeSeparator = ".");

} // namespace tetrode
