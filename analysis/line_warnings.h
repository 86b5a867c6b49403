// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/load_line.h"
#include "analysis/operating_parameters.h"
#include "curves/curve_table.h"

#include <array>
#include <string>

namespace tetrode {

// For each of Points A to G (in that order), whether it lies outside the digitized range of anode
// or grid voltage, where the edge curves are continued as constants and the figures rest on no
// data.
std::array<bool, 7> PointsOutsideData(const CurveTable& curves, const LoadLineSamples& samples);

// What a calculation's figures should not be trusted for without a second look.
struct LineWarnings {
    std::array<bool, 7> outside{};      // Points A to G outside the digitized data
    bool peakNotBelowQuiescent = false; // Point A's anode voltage is not below Point G's
    bool efficiencyImpossible = false;  // outside 0 to 100 %
    bool outputNegative = false;        // negative RF output power

    bool any() const;
    friend bool operator==(const LineWarnings&, const LineWarnings&) = default;
};

LineWarnings WarningsFor(const CurveTable& curves, const LoadLineSamples& samples,
                         const OperatingParameters& figures);

// The warnings in one line of words for a status bar, empty when there are none:
// "Points A, B outside the digitized curves (edge curves continued); efficiency outside 0-100 %".
std::string WarningText(const LineWarnings& warnings);

} // namespace tetrode
