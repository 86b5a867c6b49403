// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/load_line.h"
#include "curves/curve_table.h"

#include <array>
#include <string>
#include <string_view>

namespace tetrode {

// The fifteen figures of an operating line, in base units and operating scale.
struct OperatingParameters {
    double PeakAnodeRFVolts = 0.0; // V
    double AnodeDCcurrent = 0.0;   // A
    double AnodePower = 0.0;       // anode dissipation, W
    double InputPower = 0.0;       // DC input to the anode, W
    double OutputPower = 0.0;      // RF output, W
    double Efficiency = 0.0;       // fraction, 0.5 is 50 %
    double AnodeImpedance = 0.0;   // ohms
    double ZSAC = 0.0;             // zero-signal anode current, A
    double ScreenDCcurrent = 0.0;  // A
    double ScreenPower = 0.0;      // screen dissipation, W
    double PeakGridRFVolts = 0.0;  // V
    double GridDCcurrent = 0.0;    // A
    double DrivingPower = 0.0;     // W
    double GridPower = 0.0;        // control-grid dissipation, W
    double GridImpedance = 0.0;    // minimum grid impedance, ohms
};

// Forms the DC and fundamental components by the twelfth-part weighted sums and derives the
// fifteen figures. Raises division-by-zero or overflow (at AnodeImpedance, at Efficiency, or for
// any figure beyond the double range); nothing is returned then.
OperatingParameters ComputeOperatingParameters(const LoadLineSamples& samples,
                                               const CurveTable& table);

// One result label's object name and the text it shows.
struct LabelText {
    std::string_view label;
    std::string text;
};

// The fifteen result label texts in display order, each in its display pattern, milliamperes and
// percent applied. The window writes them as they stand. Does not fail for the figures that
// ComputeOperatingParameters returns.
std::array<LabelText, 15> FormatOperatingParameters(const OperatingParameters& figures,
                                                    std::string_view decimalSeparator);

} // namespace tetrode
