// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/contours.h"
#include "analysis/current_family.h"

#include <optional>
#include <string>
#include <vector>

namespace tetrode {

// One curve a user traced on a data sheet's constant-current chart.
struct TracedCurve {
    CurrentFamily family = CurrentFamily::Anode;
    double current = 0.0;           // A, at the chart's screen voltage
    std::vector<PlanePoint> points; // V, at the chart's screen voltage, in the order traced

    friend bool operator==(const TracedCurve&, const TracedCurve&) = default;
};

// What an imported design's curves were regridded from, so that a chart can show how well they
// fit: the traced curves, the traced point the table strays furthest from, and, in words, that
// residual and what the import noted. Plain data: the import fills it, the charts draw it.
struct TracedChart {
    std::vector<TracedCurve> curves;
    // Where the largest residual lies; none when no traced point lies within the table's axes.
    std::optional<PlanePoint> largestResidualAt;
    std::string largestResidual;
    std::vector<std::string> notes;

    friend bool operator==(const TracedChart&, const TracedChart&) = default;
};

} // namespace tetrode
