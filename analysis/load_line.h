// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"

#include <array>
#include <string>
#include <string_view>

namespace tetrode {

// The two factors that carry the curves from the screen voltage they were taken at to the one the
// user operates at (the 3/2-power rule), both single precision.
struct ScaleFactors {
    // Operating screen voltage over the curves' screen voltage: an operating voltage divided by
    // it is the voltage at which the curves are read.
    float VoltageRatio = 1.0F;
    // VoltageRatio to the power 1.5: the factor on every current read from the curves.
    float PowerRatio32 = 0.0F;

    friend bool operator==(const ScaleFactors&, const ScaleFactors&) = default;
};

// The names under which faults place the five typed voltages: the words the user reads beside
// the boxes.
namespace input_name {
inline constexpr std::string_view ScreenBias = "Screen Bias";
inline constexpr std::string_view AnodeBias = "Anode Bias";
inline constexpr std::string_view GridBias = "Grid Bias";
inline constexpr std::string_view MinAnode = "Min Anode Volts";
inline constexpr std::string_view PeakGrid = "Max Grid Volts";
} // namespace input_name

// A typed voltage read by NumberFromText (`localeSeparator` the user's decimal separator); its
// faults, refusals among them, are placed at `input`.
double ReadTypedVoltage(std::string_view text, std::string_view input,
                        std::string_view localeSeparator = ".");

// The factors for an operating screen voltage: VoltageRatio is `screenVoltage` over
// `dataSheetScreenV`, divided in double and rounded to single; PowerRatio32 its 1.5th power, in
// double from the single, rounded to single. Division by zero (overflow for 0 / 0) when the curves'
// voltage is 0; invalid argument when either voltage is negative; overflow beyond single.
ScaleFactors ScaleFactorsFor(double screenVoltage, float dataSheetScreenV);

// One point of the operating line.
struct SamplePoint {
    double Anode = 0.0; // anode voltage, data-sheet scale (V)
    double Grid = 0.0;  // control-grid voltage, data-sheet scale (V)
    double Ib = 0.0;    // anode current, operating scale (A)
    double Ic1 = 0.0;   // control-grid current, operating scale (A)
    double Ic2 = 0.0;   // screen-grid current, operating scale (A)

    friend bool operator==(const SamplePoint&, const SamplePoint&) = default;
};

// The seven points of the operating line by letter: A the peak point, G the quiescent point, B to
// F at 0.968, 0.867, 0.706, 0.501 and 0.261 of the way from G to A.
enum class LinePoint { A, B, C, D, E, F, G };

// The seven sampled points, iterated from A to G.
struct LoadLineSamples {
    std::array<SamplePoint, 7> points;

    SamplePoint& operator[](LinePoint point) { return points[static_cast<std::size_t>(point)]; }
    const SamplePoint& operator[](LinePoint point) const {
        return points[static_cast<std::size_t>(point)];
    }
    auto begin() const { return points.begin(); }
    auto end() const { return points.end(); }

    friend bool operator==(const LoadLineSamples&, const LoadLineSamples&) = default;
};

// The five operating voltages exactly as the user typed them (operating scale).
struct OperatingLineTexts {
    std::string ScreenBias; // screen-grid voltage
    std::string AnodeBias;  // anode voltage of Point G
    std::string GridBias;   // grid voltage of Point G
    std::string MinAnode;   // anode voltage of Point A
    std::string PeakGrid;   // grid voltage of Point A

    friend bool operator==(const OperatingLineTexts&, const OperatingLineTexts&) = default;
};

// The five operating voltages as numbers (V, operating scale).
struct OperatingVoltages {
    double ScreenBias = 0.0;
    double AnodeBias = 0.0;
    double GridBias = 0.0;
    double MinAnode = 0.0;
    double PeakGrid = 0.0;

    friend bool operator==(const OperatingVoltages&, const OperatingVoltages&) = default;
};

// Reads the five texts in the order screen voltage, anode bias, grid bias, minimum anode voltage,
// peak grid voltage; the first that is refused (or too large) raises its fault, placed at its box.
OperatingVoltages ReadOperatingLine(const OperatingLineTexts& texts,
                                    std::string_view localeSeparator = ".");

// Places Points A to G in data-sheet scale from the four operating voltages of `line` (its screen
// voltage is already in `scale`) and interpolates the three currents at each, in the order G, F,
// E, D, C, B, A. Raises division-by-zero and overflow (a voltage ratio of 0, equal anode voltages
// at A and G, a line beyond the double range) and the faults of GridInterpolation.
LoadLineSamples SampleLoadLine(const CurveTable& table, ScaleFactors scale,
                               const OperatingVoltages& line);

} // namespace tetrode
