// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/load_line.h"
#include "analysis/operating_parameters.h"
#include "curves/curve_table.h"

#include <array>
#include <vector>

// The operating line followed over a whole cycle of the drive, and the currents' Fourier
// components integrated numerically over it: a finer analysis beside the seven-point sums, which
// read one half cycle at Points A to F only.
namespace tetrode {

// Steps per cycle: half a degree, fine beside the cells of any digitized chart. A multiple of four
// puts samples on A (0°), on G (±90°) and on the far end of the swing (±180°).
inline constexpr int kCycleSteps = 720;
// The harmonics of the anode current that are formed: the fundamental and four more.
inline constexpr int kAnodeHarmonics = 5;

// The line at drive angle theta: G + (A - G) cos theta, in data-sheet volts; theta = 0 is A,
// ±90° is G, and |theta| > 90° lies beyond G, away from A. Exactly A and G at those angles.
SamplePoint CyclePosition(const SamplePoint& a, const SamplePoint& g, double thetaDegrees);

// The Fourier components of the currents over one cycle, in amperes, operating scale. The
// currents are even in theta, so each harmonic is its cosine coefficient (a peak value, signed:
// in phase with the drive when positive).
struct CycleComponents {
    double anodeDC = 0.0;
    std::array<double, kAnodeHarmonics> anode{}; // harmonics 1 to 5
    double screenDC = 0.0;
    double screenFundamental = 0.0;
    double gridDC = 0.0;
    double gridFundamental = 0.0;
};

// The part of the cycle, in degrees (0 to 360), over which each current is above zero.
struct ConductionAngles {
    double anode = 0.0;
    double screen = 0.0;
    double grid = 0.0;
};

struct CycleAnalysis {
    // The drive angles of the samples, -180° to 180° in kCycleSteps equal steps (both ends
    // included), and the line's points there with their three currents (data-sheet volts,
    // operating-scale amperes, as SampleLoadLine gives them).
    std::vector<double> theta;
    std::vector<SamplePoint> points;
    // Whether each point lies outside the digitized data, where the edge curves are continued.
    std::vector<bool> outside;
    CycleComponents components;
    ConductionAngles conduction;
    // The part of the cycle, in degrees, that lies outside the digitized data.
    double outsideDegrees = 0.0;
    // The fifteen figures formed from the components as the seven-point figures are formed from
    // the twelfth-part sums.
    OperatingParameters figures;
};

// Follows the line of `samples` (Points A and G; data-sheet volts) over a cycle of `steps` steps
// (a positive multiple of four), interpolating the currents in `curves` at `scale`, and integrates
// the components by the trapezoidal rule, which is exact for a periodic current that is a
// polynomial in cos theta of degree below steps / 2. Raises the faults of GridInterpolation, and
// of the figures as ComputeOperatingParameters does (division by zero for a fundamental or a DC
// input of zero, overflow).
CycleAnalysis AnalyseCycle(const CurveTable& curves, const LoadLineSamples& samples,
                           ScaleFactors scale, int steps = kCycleSteps);

} // namespace tetrode
