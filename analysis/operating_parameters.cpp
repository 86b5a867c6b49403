// SPDX-License-Identifier: MIT
#include "analysis/operating_parameters.h"

#include "platform/checked_math.h"
#include "platform/number_text.h"

#include <cstddef>

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

using P = OperatingParameters;

// Figures() and the member each figure is kept in, in display order.
constexpr std::array<FigureInfo, kFigureCount> kFigures{{
    {Figure::PeakAnodeRFVolts, "peak-anode-rf-volts", "Peak anode RF volts", "V", 1, "###0.0"},
    {Figure::AnodeDCcurrent, "anode-dc-current", "Anode DC current", "mA", kMilli, "###0.0"},
    {Figure::AnodePower, "anode-dissipation", "Anode dissipation", "W", 1, "###0.0"},
    {Figure::InputPower, "dc-power-input", "DC power input", "W", 1, "###0.0"},
    {Figure::OutputPower, "rf-power-output", "RF power output", "W", 1, "###0.0"},
    {Figure::Efficiency, "efficiency", "Efficiency", "%", kPercent, "##0.0"},
    {Figure::AnodeImpedance, "anode-impedance", "Anode impedance", "ohms", 1, "####0.0"},
    {Figure::ZSAC, "anode-zero-signal-current", "Anode zero-signal current", "mA", kMilli,
     "###0.0"},
    {Figure::ScreenDCcurrent, "screen-dc-current", "Screen DC current", "mA", kMilli, "##0.0"},
    {Figure::ScreenPower, "screen-dissipation", "Screen dissipation", "W", 1, "##0.0"},
    {Figure::PeakGridRFVolts, "peak-grid-rf-volts", "Peak grid RF volts", "V", 1, "##0.0"},
    {Figure::GridDCcurrent, "grid-dc-current", "Grid DC current", "mA", kMilli, "##0.0"},
    {Figure::DrivingPower, "driving-power", "Driving power", "W", 1, "##0.0"},
    {Figure::GridPower, "grid-dissipation", "Grid dissipation", "W", 1, "##0.0"},
    {Figure::GridImpedance, "min-grid-impedance", "Min. grid impedance", "ohms", 1, "######0"},
}};

constexpr std::array<double P::*, kFigureCount> kMembers{
    &P::PeakAnodeRFVolts, &P::AnodeDCcurrent, &P::AnodePower,      &P::InputPower,
    &P::OutputPower,      &P::Efficiency,     &P::AnodeImpedance,  &P::ZSAC,
    &P::ScreenDCcurrent,  &P::ScreenPower,    &P::PeakGridRFVolts, &P::GridDCcurrent,
    &P::DrivingPower,     &P::GridPower,      &P::GridImpedance,
};

} // namespace

const std::array<FigureInfo, kFigureCount>& Figures() {
    return kFigures;
}

double FigureValue(const OperatingParameters& figures, Figure figure) {
    return figures.*kMembers[static_cast<std::size_t>(figure)];
}

OperatingParameters ComputeOperatingParameters(const LoadLineSamples& samples,
                                               float dataSheetScreenV, float voltageRatio) {
    // One twelfth as a quotient; the nearest double either way, whether or not it is folded.
    const double weight = 1.0 / 12.0;
    const SamplePoint& a = samples[LinePoint::A];
    const SamplePoint& b = samples[LinePoint::B];
    const SamplePoint& c = samples[LinePoint::C];
    const SamplePoint& d = samples[LinePoint::D];
    const SamplePoint& e = samples[LinePoint::E];
    const SamplePoint& f = samples[LinePoint::F];
    const SamplePoint& g = samples[LinePoint::G];
    const double ratio = voltageRatio;
    const double screenV = dataSheetScreenV;

    const double ibDC = CheckedFinite(DirectComponent(a.Ib, b.Ib, c.Ib, d.Ib, e.Ib, f.Ib, weight),
                                      "anode DC current");
    const double ic1DC = CheckedFinite(
        DirectComponent(a.Ic1, b.Ic1, c.Ic1, d.Ic1, e.Ic1, f.Ic1, weight), "grid DC current");
    const double ic2DC = CheckedFinite(
        DirectComponent(a.Ic2, b.Ic2, c.Ic2, d.Ic2, e.Ic2, f.Ic2, weight), "screen DC current");
    const double ibFundamental = CheckedFinite(
        Fundamental(a.Ib, b.Ib, c.Ib, d.Ib, e.Ib, f.Ib, weight), "fundamental anode current");

    OperatingParameters p;
    p.PeakAnodeRFVolts = CheckedFinite((g.Anode - a.Anode) * ratio, "peak anode RF voltage");
    p.PeakGridRFVolts = CheckedFinite((a.Grid - g.Grid) * ratio, "peak grid RF voltage");
    p.OutputPower = CheckedFinite((ibFundamental * 0.5) * p.PeakAnodeRFVolts, "output power");
    p.AnodeImpedance = CheckedDivide(p.PeakAnodeRFVolts, ibFundamental, "anode impedance");
    p.InputPower = CheckedFinite((ibDC * g.Anode) * ratio, "input power");
    p.AnodePower = CheckedFinite(p.InputPower - p.OutputPower, "anode dissipation");
    p.Efficiency = CheckedDivide(p.OutputPower, p.InputPower, "efficiency");
    p.ScreenPower = CheckedFinite((ic2DC * screenV) * ratio, "screen dissipation");
    p.DrivingPower = CheckedFinite(ic1DC * p.PeakGridRFVolts, "driving power");
    const double biasPower = CheckedFinite(((-ic1DC) * g.Grid) * ratio, "grid bias power");
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

std::array<std::string, kFigureCount> FormatOperatingParameters(const OperatingParameters& figures,
                                                                std::string_view decimalSeparator) {
    std::array<std::string, kFigureCount> texts;
    for (std::size_t k = 0; k < kFigureCount; ++k) {
        const FigureInfo& info = kFigures[k];
        texts[k] = FormatDisplayPattern(figures.*kMembers[k] * info.displayScale, info.pattern,
                                        decimalSeparator);
    }
    return texts;
}

} // namespace tetrode
