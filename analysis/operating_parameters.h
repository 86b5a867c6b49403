// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/load_line.h"

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

    friend bool operator==(const OperatingParameters&, const OperatingParameters&) = default;
};

// The fifteen figures in the order they are shown.
enum class Figure {
    PeakAnodeRFVolts,
    AnodeDCcurrent,
    AnodePower,
    InputPower,
    OutputPower,
    Efficiency,
    AnodeImpedance,
    ZSAC,
    ScreenDCcurrent,
    ScreenPower,
    PeakGridRFVolts,
    GridDCcurrent,
    DrivingPower,
    GridPower,
    GridImpedance,
};
inline constexpr std::size_t kFigureCount = 15;

// How a figure is named and shown.
struct FigureInfo {
    Figure figure;
    std::string_view id;      // a stable machine name ("anode-dc-current")
    std::string_view caption; // the user's words ("Anode DC current")
    std::string_view unit;    // the unit it is shown in ("mA")
    double displayScale;      // base unit to shown unit (1000 for A to mA)
    std::string_view pattern; // the display pattern ("###0.0")
};

// Every figure in display order.
const std::array<FigureInfo, kFigureCount>& Figures();

// A figure's value in base units.
double FigureValue(const OperatingParameters& figures, Figure figure);

// Forms the DC and fundamental components by the twelfth-part weighted sums and derives the
// fifteen figures, `voltageRatio` bringing data-sheet voltages back to operating scale. Raises
// division-by-zero or overflow (at AnodeImpedance, at Efficiency, or for any figure beyond the
// double range, also once shown in milliamperes or percent); nothing is returned then.
OperatingParameters ComputeOperatingParameters(const LoadLineSamples& samples,
                                               float dataSheetScreenV, float voltageRatio);

// The fifteen texts in display order, each in its display pattern, milliamperes and percent
// applied, `decimalSeparator` (UTF-8) in place of the point. Does not fail for figures that
// ComputeOperatingParameters returns.
std::array<std::string, kFigureCount> FormatOperatingParameters(const OperatingParameters& figures,
                                                                std::string_view decimalSeparator);

} // namespace tetrode
