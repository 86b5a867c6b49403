// SPDX-License-Identifier: MIT
// A whole Calculate (SampleLoadLine, ComputeOperatingParameters, FormatOperatingParameters) on a
// small table and five typed texts, all taken from the input. It ends in a division-by-zero,
// overflow or invalid-argument fault, or in finite points and figures whose fifteen texts have
// their patterns' shapes; the stored scale factors are finite either way.
#include "analysis/load_line.h"
#include "analysis/operating_parameters.h"
#include "fuzz/fuzz_contract.h"
#include "fuzz/fuzz_input.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tetrode::CurveTable;
using tetrode::FaultKind;
using tetrode::fuzz::ExpectFinite;
using tetrode::fuzz::FuzzInput;
using tetrode::fuzz::Violation;

// The display patterns of the fifteen result labels, in display order.
constexpr std::array<std::string_view, 15> kLabelPatterns{
    "###0.0", "###0.0", "###0.0", "###0.0", "###0.0", "##0.0", "####0.0", "###0.0",
    "##0.0",  "##0.0",  "##0.0",  "##0.0",  "##0.0",  "##0.0", "######0"};

std::vector<float> Axis(FuzzInput& input, int count) {
    std::vector<float> axis(static_cast<std::size_t>(count));
    // Mostly evenly spaced, as curve files are; sometimes any values, as a careless file holds.
    if (input.Byte() % 4 != 0) {
        const float start = input.Single();
        const float step = input.Single();
        for (int i = 0; i < count; ++i) {
            axis[static_cast<std::size_t>(i)] = start + step * static_cast<float>(i);
        }
    } else {
        for (float& value : axis) {
            value = input.Single();
        }
    }
    return axis;
}

tetrode::CurrentMatrix Currents(FuzzInput& input, int points, int curves) {
    tetrode::CurrentMatrix matrix(points, curves);
    for (int curve = 0; curve < curves; ++curve) {
        for (float& value : matrix.curve(curve)) {
            value = input.Single();
        }
    }
    return matrix;
}

CurveTable Table(FuzzInput& input) {
    CurveTable table;
    const int points = 2 + input.Byte() % 5;
    const int curves = 2 + input.Byte() % 5;
    table.NumAnodePoints = static_cast<std::int16_t>(points);
    table.NumGridCurves = static_cast<std::int16_t>(curves);
    table.AnodeVoltages = Axis(input, points);
    table.GridVoltages = Axis(input, curves);
    for (const float value : table.AnodeVoltages) {
        if (!std::isfinite(value)) {
            table.AnodeVoltages.assign(table.AnodeVoltages.size(), 0.0F);
        }
    }
    for (const float value : table.GridVoltages) {
        if (!std::isfinite(value)) {
            table.GridVoltages.assign(table.GridVoltages.size(), 0.0F);
        }
    }
    table.AnodeCurrents = Currents(input, points, curves);
    table.GridCurrents = Currents(input, points, curves);
    table.ScreenCurrents = Currents(input, points, curves);
    table.DataSheetScreenV = input.Single();
    // The scale factors an earlier Calculate or Enter may have left.
    table.VoltageRatio = input.Single();
    table.PowerRatio32 = input.Single();
    return table;
}

void CheckPoint(const tetrode::SamplePoint& point) {
    ExpectFinite(point.Anode, "a point's anode voltage");
    ExpectFinite(point.Grid, "a point's grid voltage");
    ExpectFinite(point.Ib, "a point's Ib");
    ExpectFinite(point.Ic1, "a point's Ic1");
    ExpectFinite(point.Ic2, "a point's Ic2");
}

void CheckFigures(const tetrode::OperatingParameters& f) {
    for (const double figure :
         {f.PeakAnodeRFVolts, f.AnodeDCcurrent, f.AnodePower, f.InputPower, f.OutputPower,
          f.Efficiency, f.AnodeImpedance, f.ZSAC, f.ScreenDCcurrent, f.ScreenPower,
          f.PeakGridRFVolts, f.GridDCcurrent, f.DrivingPower, f.GridPower, f.GridImpedance}) {
        ExpectFinite(figure, "an operating figure");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    CurveTable table = Table(input);
    tetrode::OperatingLineTexts texts;
    for (std::string* text :
         {&texts.ScreenBias, &texts.AnodeBias, &texts.GridBias, &texts.MinAnode, &texts.PeakGrid}) {
        *text = input.Text(24);
    }
    const std::string_view separator = input.Byte() % 2 == 0 ? "." : ",";

    tetrode::LoadLineSamples samples;
    tetrode::OperatingParameters figures;
    const bool calculated = tetrode::fuzz::RunWithin(
        {FaultKind::DivisionByZero, FaultKind::Overflow, FaultKind::InvalidArgument}, "Calculate",
        [&] {
            samples = tetrode::SampleLoadLine(table, texts);
            figures = tetrode::ComputeOperatingParameters(samples, table);
        });
    ExpectFinite(table.VoltageRatio, "the stored VoltageRatio");
    ExpectFinite(table.PowerRatio32, "the stored PowerRatio32");
    if (!calculated) {
        return 0;
    }
    for (const tetrode::SamplePoint* point :
         {&samples.A, &samples.B, &samples.C, &samples.D, &samples.E, &samples.F, &samples.G}) {
        CheckPoint(*point);
    }
    CheckFigures(figures);
    // Figures that were computed can always be shown: formatting raises nothing.
    std::array<tetrode::LabelText, 15> labels;
    tetrode::fuzz::RunWithin({}, "FormatOperatingParameters", [&] {
        labels = tetrode::FormatOperatingParameters(figures, separator);
    });
    for (std::size_t i = 0; i < labels.size(); ++i) {
        if (labels[i].label.empty()) {
            Violation("FormatOperatingParameters", "a label without a name");
        }
        const std::string_view pattern = kLabelPatterns[i];
        if (!tetrode::fuzz::IsDisplayPatternText(labels[i].text, pattern.ends_with(".0"),
                                                 separator)) {
            Violation("FormatOperatingParameters",
                      std::string(labels[i].label) + " shows \"" + labels[i].text + "\"");
        }
    }
    return 0;
}
