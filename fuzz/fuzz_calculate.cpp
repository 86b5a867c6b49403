// SPDX-License-Identifier: MIT
// A session on a small table, driven through Enter and Calculate with typed texts, all taken from
// the input. Each action ends in a division-by-zero, overflow or invalid-argument fault that leaves
// the session exactly as it was, or in finite factors, points and figures whose fifteen texts have
// their patterns' shapes.
#include "analysis/session.h"
#include "fuzz/fuzz_contract.h"
#include "fuzz/fuzz_input.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

using tetrode::CurveTable;
using tetrode::FaultKind;
using tetrode::fuzz::ExpectFinite;
using tetrode::fuzz::FuzzInput;
using tetrode::fuzz::Violation;

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
    const int points = 2 + input.Byte() % 5;
    const int curves = 2 + input.Byte() % 5;
    std::vector<float> anodeVoltages = Axis(input, points);
    std::vector<float> gridVoltages = Axis(input, curves);
    for (std::vector<float>* axis : {&anodeVoltages, &gridVoltages}) {
        for (const float value : *axis) {
            if (!std::isfinite(value)) {
                axis->assign(axis->size(), 0.0F);
            }
        }
    }
    tetrode::CurrentMatrix anode = Currents(input, points, curves);
    tetrode::CurrentMatrix grid = Currents(input, points, curves);
    tetrode::CurrentMatrix screen = Currents(input, points, curves);
    const float dataSheetScreenV = input.Single();
    return CurveTable(dataSheetScreenV, std::move(anodeVoltages), std::move(gridVoltages),
                      std::move(anode), std::move(screen), std::move(grid));
}

void CheckPoint(const tetrode::SamplePoint& point) {
    ExpectFinite(point.Anode, "a point's anode voltage");
    ExpectFinite(point.Grid, "a point's grid voltage");
    ExpectFinite(point.Ib, "a point's Ib");
    ExpectFinite(point.Ic1, "a point's Ic1");
    ExpectFinite(point.Ic2, "a point's Ic2");
}

void CheckFigures(const tetrode::OperatingParameters& figures) {
    for (const tetrode::FigureInfo& info : tetrode::Figures()) {
        ExpectFinite(tetrode::FigureValue(figures, info.figure), info.caption);
    }
}

// Everything a front end can read of a session.
auto State(const tetrode::Session& s) {
    return std::tuple(s.Curves(), s.ScreenVoltageText(), s.Scale(), s.Limits(),
                      s.LastCalculation());
}

// Runs one action on the session; a fault must leave it as it was.
template <typename Action>
bool Act(tetrode::Session& session, std::string_view name, Action&& action) {
    const auto before = State(session);
    const bool completed = tetrode::fuzz::RunWithin(
        {FaultKind::DivisionByZero, FaultKind::Overflow, FaultKind::InvalidArgument}, name, action);
    if (!completed && !(State(session) == before)) {
        Violation(name, "a failed action changed the session");
    }
    ExpectFinite(session.Scale().VoltageRatio, "the voltage ratio");
    ExpectFinite(session.Scale().PowerRatio32, "the current ratio");
    return completed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    tetrode::Session session;
    CurveTable table = Table(input);
    const std::string screenText = input.Text(12);
    tetrode::OperatingLineTexts texts;
    for (std::string* text :
         {&texts.ScreenBias, &texts.AnodeBias, &texts.GridBias, &texts.MinAnode, &texts.PeakGrid}) {
        *text = input.Text(24);
    }
    const std::string enterText = input.Text(24);
    const std::string_view separator = input.Byte() % 2 == 0 ? "." : ",";

    if (!Act(session, "Accept", [&] {
            session.Accept({std::move(table), screenText, "fuzz.csv"}, "fuzz.csv");
        })) {
        return 0;
    }
    // Enter first, when the input asks for it, so that Calculate meets a ratio of its making.
    if (input.Byte() % 2 == 0) {
        Act(session, "SetScreenVoltage", [&] { session.SetScreenVoltage(enterText); });
    }
    if (!Act(session, "Calculate", [&] { session.Calculate(texts); })) {
        return 0;
    }
    const tetrode::Calculation& calculation = *session.LastCalculation();
    for (const tetrode::SamplePoint& point : calculation.samples) {
        CheckPoint(point);
    }
    CheckFigures(calculation.figures);
    // Figures that were computed can always be shown: formatting raises nothing.
    std::array<std::string, tetrode::kFigureCount> shown;
    tetrode::fuzz::RunWithin({}, "FormatOperatingParameters", [&] {
        shown = tetrode::FormatOperatingParameters(calculation.figures, separator);
    });
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::string_view pattern = tetrode::Figures()[i].pattern;
        if (!tetrode::fuzz::IsDisplayPatternText(shown[i], pattern.ends_with(".0"), separator)) {
            Violation("FormatOperatingParameters",
                      std::string(tetrode::Figures()[i].caption) + " shows \"" + shown[i] + "\"");
        }
    }
    return 0;
}
