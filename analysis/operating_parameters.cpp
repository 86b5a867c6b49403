// SPDX-License-Identifier: MIT
#include "analysis/operating_parameters.h"

#include "platform/checked_math.h"
#include "platform/number_text.h"

namespace tetrode {
namespace {

// The grid impedance shown when no control-grid current flows at the peak point.
constexpr double kNoGridCurrentImpedance = 1000000.0;

// Amperes to milliamperes and fraction to percent, as the labels show them.
constexpr double kMilli = 1000.0;
constexpr double kPercent = 100.0;

// The twelfth-part sums of the application note over Points A to F. The weights are the note's
// rounded values (1.93, not 1.932), and the sums run in this order and association so that every
// figure comes out the same to the last digit shown.
double DirectComponent(double a, double b, double c, double d, double e, double f, double weight) {
    return (((((0.5 * a + b) + c) + d) + e) + f) * weight;
}

double Fundamental(double a, double b, double c, double d, double e, double f, double weight) {
    return (((((a + 1.93 * b) + 1.73 * c) + 1.41 * d) + e) + 0.52 * f) * weight;
}

} // namespace

OperatingParameters ComputeOperatingParameters(const LoadLineSamples& samples,
                                               const CurveTable& table) {
    // One twelfth as a quotient; the nearest double either way, whether or not it is folded.
    const double weight = 1.0 / 12.0;
    const SamplePoint& a = samples.A;
    const SamplePoint& b = samples.B;
    const SamplePoint& c = samples.C;
    const SamplePoint& d = samples.D;
    const SamplePoint& e = samples.E;
    const SamplePoint& f = samples.F;
    const SamplePoint& g = samples.G;
    const double voltageRatio = table.VoltageRatio;
    const double dataSheetScreenV = table.DataSheetScreenV;

    const double ibDC = CheckedFinite(DirectComponent(a.Ib, b.Ib, c.Ib, d.Ib, e.Ib, f.Ib, weight),
                                      "anode DC current");
    const double ic1DC = CheckedFinite(
        DirectComponent(a.Ic1, b.Ic1, c.Ic1, d.Ic1, e.Ic1, f.Ic1, weight), "grid DC current");
    const double ic2DC = CheckedFinite(
        DirectComponent(a.Ic2, b.Ic2, c.Ic2, d.Ic2, e.Ic2, f.Ic2, weight), "screen DC current");
    const double ibFundamental = CheckedFinite(
        Fundamental(a.Ib, b.Ib, c.Ib, d.Ib, e.Ib, f.Ib, weight), "fundamental anode current");

    OperatingParameters p;
    p.PeakAnodeRFVolts = CheckedFinite((g.Anode - a.Anode) * voltageRatio, "peak anode RF voltage");
    p.PeakGridRFVolts = CheckedFinite((a.Grid - g.Grid) * voltageRatio, "peak grid RF voltage");
    p.OutputPower = CheckedFinite((ibFundamental * 0.5) * p.PeakAnodeRFVolts, "output power");
    p.AnodeImpedance = CheckedDivide(p.PeakAnodeRFVolts, ibFundamental, "anode impedance");
    p.InputPower = CheckedFinite((ibDC * g.Anode) * voltageRatio, "input power");
    p.AnodePower = CheckedFinite(p.InputPower - p.OutputPower, "anode dissipation");
    p.Efficiency = CheckedDivide(p.OutputPower, p.InputPower, "efficiency");
    p.ScreenPower = CheckedFinite((ic2DC * dataSheetScreenV) * voltageRatio, "screen dissipation");
    p.DrivingPower = CheckedFinite(ic1DC * p.PeakGridRFVolts, "driving power");
    const double biasPower = CheckedFinite(((-ic1DC) * g.Grid) * voltageRatio, "grid bias power");
    p.GridPower = CheckedFinite(p.DrivingPower - biasPower, "grid dissipation");
    p.GridImpedance = a.Ic1 > 0.0
                          ? CheckedDivide(p.PeakGridRFVolts, a.Ic1, "minimum grid impedance")
                          : kNoGridCurrentImpedance;
    p.AnodeDCcurrent = ibDC;
    p.ScreenDCcurrent = ic2DC;
    p.GridDCcurrent = ic1DC;
    p.ZSAC = CheckedFinite(g.Ib, "zero-signal anode current");

    // The labels show these scaled; a figure that is finite only before scaling is refused here,
    // so that formatting what this returns cannot fail.
    CheckedFinite(p.AnodeDCcurrent * kMilli, "anode DC current");
    CheckedFinite(p.ZSAC * kMilli, "zero-signal anode current");
    CheckedFinite(p.ScreenDCcurrent * kMilli, "screen DC current");
    CheckedFinite(p.GridDCcurrent * kMilli, "grid DC current");
    CheckedFinite(p.Efficiency * kPercent, "efficiency");
    return p;
}

std::array<LabelText, 15> FormatOperatingParameters(const OperatingParameters& figures,
                                                    std::string_view decimalSeparator) {
    const auto label = [decimalSeparator](std::string_view name, double value,
                                          std::string_view pattern) {
        return LabelText{name, FormatDisplayPattern(value, pattern, decimalSeparator)};
    };
    return {
        label("lblPeakAnodeRFVolts", figures.PeakAnodeRFVolts, "###0.0"),
        label("lblAnodeDCcurrent", figures.AnodeDCcurrent * kMilli, "###0.0"),
        label("lblAnodePower", figures.AnodePower, "###0.0"),
        label("lblInputPower", figures.InputPower, "###0.0"),
        label("lblOutputPower", figures.OutputPower, "###0.0"),
        label("lblEfficiency", figures.Efficiency * kPercent, "##0.0"),
        label("lblAnodeImpedance", figures.AnodeImpedance, "####0.0"),
        label("lblZSAC", figures.ZSAC * kMilli, "###0.0"),
        label("lblScreenDCcurrent", figures.ScreenDCcurrent * kMilli, "##0.0"),
        label("lblScreenPower", figures.ScreenPower, "##0.0"),
        label("lblPeakGridRFVolts", figures.PeakGridRFVolts, "##0.0"),
        label("lblGridDCcurrent", figures.GridDCcurrent * kMilli, "##0.0"),
        label("lblDrivingPower", figures.DrivingPower, "##0.0"),
        label("lblGridPower", figures.GridPower, "##0.0"),
        label("lblGridImpedance", figures.GridImpedance, "######0"),
    };
}

} // namespace tetrode
