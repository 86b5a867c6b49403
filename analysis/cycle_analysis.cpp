// SPDX-License-Identifier: MIT
#include "analysis/cycle_analysis.h"

#include "analysis/grid_interpolation.h"
#include "platform/checked_math.h"
#include "platform/fault.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tetrode {
namespace {

// The grid impedance the figures show when no control-grid current flows at the peak point.
constexpr double kNoGridCurrentImpedance = 1000000.0;

// cos of an angle in degrees, exact at the quarter turns, so that the line passes exactly
// through A and G and harmonics meet their zeros where they should. Even by construction.
double CosDegrees(double degrees) {
    const double angle = std::abs(std::remainder(degrees, 360.0)); // 0 to 180
    if (angle == 0.0) {
        return 1.0;
    }
    if (angle == 90.0) {
        return 0.0;
    }
    if (angle == 180.0) {
        return -1.0;
    }
    return std::cos(angle * (std::numbers::pi / 180.0));
}

// The part of the step from sample k to k + 1 over which a current is above zero, of samples
// `current` around one period. Inside the step the current is taken as linear, except where it
// stops or starts at exactly zero: that is a cut-off the curves reach at a cell's edge, and the
// slope of the neighbouring step places it better than a straight line to the zero sample does.
double ConductingShare(const std::vector<double>& current, int k) {
    const int steps = static_cast<int>(current.size());
    const double from = current[k];
    const double to = current[(k + 1) % steps];
    if ((from > 0.0) == (to > 0.0)) {
        return from > 0.0 ? 1.0 : 0.0;
    }
    if (from > 0.0) {
        const double before = current[(k + steps - 1) % steps];
        return to == 0.0 && before > from ? std::min(1.0, from / (before - from))
                                          : from / (from - to);
    }
    const double after = current[(k + 2) % steps];
    return from == 0.0 && after > to ? std::min(1.0, to / (after - to)) : to / (to - from);
}

// Whether a voltage lies outside the entries of an axis, as PointsOutsideData judges it.
struct AxisSpan {
    explicit AxisSpan(const std::vector<float>& axis) {
        if (!axis.empty()) {
            const auto [least, greatest] = std::ranges::minmax_element(axis);
            low = *least;
            high = *greatest;
        }
    }
    bool Outside(double value) const { return value < low || value > high; }
    double low = 0.0;
    double high = 0.0;
};

OperatingParameters FiguresOf(const CycleComponents& c, const SamplePoint& a, const SamplePoint& g,
                              float dataSheetScreenV, float voltageRatio) {
    const double ratio = voltageRatio;
    const double screenV = dataSheetScreenV;
    const double fundamental = c.anode[0];
    OperatingParameters p;
    p.PeakAnodeRFVolts = CheckedFinite((g.Anode - a.Anode) * ratio, "peak anode RF voltage");
    p.PeakGridRFVolts = CheckedFinite((a.Grid - g.Grid) * ratio, "peak grid RF voltage");
    p.OutputPower =
        CheckedFinite((fundamental * 0.5) * p.PeakAnodeRFVolts, "output power over the cycle");
    p.AnodeImpedance =
        CheckedDivide(p.PeakAnodeRFVolts, fundamental, "anode impedance over the cycle");
    p.InputPower = CheckedFinite((c.anodeDC * g.Anode) * ratio, "input power over the cycle");
    p.AnodePower = CheckedFinite(p.InputPower - p.OutputPower, "anode dissipation over the cycle");
    p.Efficiency = CheckedDivide(p.OutputPower, p.InputPower, "efficiency over the cycle");
    p.ScreenPower = CheckedFinite((c.screenDC * screenV) * ratio, "screen dissipation");
    p.DrivingPower = CheckedFinite(c.gridDC * p.PeakGridRFVolts, "driving power");
    const double biasPower = CheckedFinite(((-c.gridDC) * g.Grid) * ratio, "grid bias power");
    p.GridPower = CheckedFinite(p.DrivingPower - biasPower, "grid dissipation");
    p.GridImpedance = a.Ic1 > 0.0
                          ? CheckedDivide(p.PeakGridRFVolts, a.Ic1, "minimum grid impedance")
                          : kNoGridCurrentImpedance;
    p.AnodeDCcurrent = c.anodeDC;
    p.ScreenDCcurrent = c.screenDC;
    p.GridDCcurrent = c.gridDC;
    p.ZSAC = g.Ib;
    return p;
}

} // namespace

SamplePoint CyclePosition(const SamplePoint& a, const SamplePoint& g, double thetaDegrees) {
    const double c = CosDegrees(thetaDegrees);
    // lerp gives G exactly at 0 and A exactly at 1.
    return SamplePoint{std::lerp(g.Anode, a.Anode, c), std::lerp(g.Grid, a.Grid, c)};
}

CycleAnalysis AnalyseCycle(const CurveTable& curves, const LoadLineSamples& samples,
                           ScaleFactors scale, int steps) {
    if (steps <= 0 || steps % 4 != 0) {
        throw Fault(FaultKind::InvalidArgument,
                    "the cycle needs a positive multiple of four steps");
    }
    const SamplePoint& a = samples[LinePoint::A];
    const SamplePoint& g = samples[LinePoint::G];
    const AxisSpan anodeSpan(curves.AnodeVoltages());
    const AxisSpan gridSpan(curves.GridVoltages());
    const double step = 360.0 / steps;

    CycleAnalysis cycle;
    cycle.theta.reserve(static_cast<std::size_t>(steps) + 1);
    cycle.points.reserve(static_cast<std::size_t>(steps) + 1);
    for (int k = 0; k <= steps; ++k) {
        // Formed from whole degrees, so that 0°, ±90° and ±180° come out exactly.
        const double theta = -180.0 + static_cast<double>(k) * 360.0 / steps;
        SamplePoint point = CyclePosition(a, g, theta);
        const InterpolatedCurrents currents =
            GridInterpolation(curves, point.Anode, point.Grid, scale.PowerRatio32);
        point.Ib = currents.Ib;
        point.Ic1 = currents.Ic1;
        point.Ic2 = currents.Ic2;
        cycle.theta.push_back(theta);
        cycle.points.push_back(point);
        cycle.outside.push_back(anodeSpan.Outside(point.Anode) || gridSpan.Outside(point.Grid));
    }

    // The trapezoidal rule over one period: the last sample is the first again, so each of the
    // others weighs 1 / steps.
    CycleComponents& c = cycle.components;
    ConductionAngles& conduction = cycle.conduction;
    for (int k = 0; k < steps; ++k) {
        const SamplePoint& point = cycle.points[k];
        c.anodeDC += point.Ib;
        c.screenDC += point.Ic2;
        c.gridDC += point.Ic1;
        const double fundamental = CosDegrees(cycle.theta[k]);
        for (int n = 1; n <= kAnodeHarmonics; ++n) {
            c.anode[n - 1] += point.Ib * (n == 1 ? fundamental : CosDegrees(n * cycle.theta[k]));
        }
        c.screenFundamental += point.Ic2 * fundamental;
        c.gridFundamental += point.Ic1 * fundamental;
        cycle.outsideDegrees += cycle.outside[k] ? step : 0.0;
    }
    // One period of each current, without the repeated last sample.
    std::array<std::vector<double>, 3> currents;
    for (int k = 0; k < steps; ++k) {
        currents[0].push_back(cycle.points[k].Ib);
        currents[1].push_back(cycle.points[k].Ic2);
        currents[2].push_back(cycle.points[k].Ic1);
    }
    for (int k = 0; k < steps; ++k) {
        conduction.anode += ConductingShare(currents[0], k);
        conduction.screen += ConductingShare(currents[1], k);
        conduction.grid += ConductingShare(currents[2], k);
    }
    const double mean = 1.0 / steps;
    c.anodeDC = CheckedFinite(c.anodeDC * mean, "anode DC current over the cycle");
    c.screenDC = CheckedFinite(c.screenDC * mean, "screen DC current over the cycle");
    c.gridDC = CheckedFinite(c.gridDC * mean, "grid DC current over the cycle");
    for (double& harmonic : c.anode) {
        harmonic = CheckedFinite(harmonic * 2.0 * mean, "anode harmonic over the cycle");
    }
    c.screenFundamental = CheckedFinite(c.screenFundamental * 2.0 * mean, "screen fundamental");
    c.gridFundamental = CheckedFinite(c.gridFundamental * 2.0 * mean, "grid fundamental");
    conduction.anode *= step;
    conduction.screen *= step;
    conduction.grid *= step;

    // A and G are sampled exactly (at 0° and 90°), with the currents the seven points have.
    const int quarter = steps / 4;
    cycle.figures = FiguresOf(c, cycle.points[2 * quarter], cycle.points[3 * quarter],
                              curves.DataSheetScreenV(), scale.VoltageRatio);
    return cycle;
}

} // namespace tetrode
