// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"

#include <string>

namespace tetrode {

// One point of the operating line.
struct SamplePoint {
    double Anode = 0.0; // anode voltage, data-sheet scale (V)
    double Grid = 0.0;  // control-grid voltage, data-sheet scale (V)
    double Ib = 0.0;    // anode current, operating scale (A)
    double Ic1 = 0.0;   // control-grid current, operating scale (A)
    double Ic2 = 0.0;   // screen-grid current, operating scale (A)
};

// The seven points of the operating line: A the peak point, G the quiescent point, B to F at
// 0.968, 0.867, 0.706, 0.501 and 0.261 of the way from G to A.
struct LoadLineSamples {
    SamplePoint A, B, C, D, E, F, G;
};

// The five entry-box texts exactly as the user left them (operating scale).
struct OperatingLineTexts {
    std::string ScreenBias; // txtScreenBias
    std::string AnodeBias;  // txtAnodeBias, anode voltage of Point G
    std::string GridBias;   // txtGridBias, grid voltage of Point G
    std::string MinAnode;   // txtMinAnode, anode voltage of Point A
    std::string PeakGrid;   // txtPeakGrid, grid voltage of Point A
};

// Reads the five texts, stores VoltageRatio and PowerRatio32 in the table (before anything else
// can fail), places Points A to G in data-sheet scale and interpolates the three currents at each,
// in the order G, F, E, D, C, B, A. Raises division-by-zero, overflow, invalid-argument (negative
// screen voltage) and the faults of GridInterpolation; nothing is returned then.
LoadLineSamples SampleLoadLine(CurveTable& table, const OperatingLineTexts& texts);

} // namespace tetrode
