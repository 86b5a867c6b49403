// SPDX-License-Identifier: MIT
#include "analysis/load_line.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

namespace tetrode {
namespace {

using namespace testing; // the shared test helpers: FaultOf, MakeTable, Rows

// Currents linear in both voltages (singles, as a table holds them), which bilinear interpolation
// reproduces inside the table, so each sampled current can be checked against its point's own
// voltages.
using Law = float (*)(double anode, double grid);
const Law kAnodeLaw = [](double a, double g) -> float { return 1.0 + 0.0002 * a + 0.01 * g; };
const Law kGridLaw = [](double a, double g) -> float { return 0.5 + 0.00001 * a + 0.001 * g; };
const Law kScreenLaw = [](double a, double g) -> float { return 0.2 + 0.0001 * a - 0.0005 * g; };

// Bilinear interpolation reproduces a linear law exactly, so two anode points (-1000 and 3000 V)
// and two curves (100 and -300 V) around every example's points suffice.
CurveTable LinearTable(float dataSheetScreenV) {
    const auto rows = [](Law law) {
        return Rows{{law(-1000, 100), law(3000, 100)}, {law(-1000, -300), law(3000, -300)}};
    };
    return MakeTable({-1000, 3000}, {100, -300}, rows(kAnodeLaw), rows(kScreenLaw), rows(kGridLaw),
                     dataSheetScreenV);
}

struct Voltages {
    double anode, grid;
};
using PointsAToG = std::array<Voltages, 7>;

// 1.4 rounded to single, and its 1.5th power rounded to single.
constexpr float kRatio14 = 1.39999997615814F, kPower14 = 1.65650224685669F;

TEST(SampleLoadLine, PlacesPointsAToGAndInterpolatesTheCurrentsAtEach) {
    // The second example types 1.4 times the first's voltages, which the single ratio turns into
    // 1.4 / kRatio14 times its points (G at 2000.000034). The level line's texts are typed as a
    // user may ("3 00", "2000V"), so every box is read leniently.
    const auto times14 = [](PointsAToG points) {
        for (Voltages& point : points) {
            point = {point.anode * 1.4 / kRatio14, point.grid * 1.4 / kRatio14};
        }
        return points;
    };
    // Anode bias below the minimum anode voltage: each point at G - f (A - G), A - G = (700, 150).
    const auto beyond = [](double f) { return Voltages{300 - f * 700, -100 - f * 150}; };
    // The half turn is 3.141592653, 5.8979323846e-10 short of pi, so with equal grid voltages the
    // points rise above the grid of G by that angle times their distance from G, f 1700 V.
    const auto level = [](double f) { return Voltages{2000 - f * 1700, -50 + f * 1.00264851e-6}; };
    // clang-format off
    const PointsAToG first{{{300, 50}, {354.4, 45.2}, {526.1, 30.05}, {799.8, 5.9},
                            {1148.3, -24.85}, {1556.3, -60.85}, {2000, -100}}};
    const struct { const char* name; float dataSheetScreenV; OperatingLineTexts texts;
                   PointsAToG points; double tolerance; } cases[] = {
        {"example 1", 300, {"300", "2000", "-100", "300", "50"}, first, 1e-5},
        {"example 2", 250, {"350", "2800", "-140", "420", "70"}, times14(first), 1e-6},
        {"points beyond G", 300, {"300", "300", "-100", "1000", "50"},
         {{{1000, 50}, {-377.6, -245.2}, beyond(0.867), beyond(0.706), beyond(0.501),
           {117.3, -139.15}, {300, -100}}}, 1e-5},
        {"equal grid voltages", 300, {"3 00", "2000V", "-5 0", "300 V", "-50"},
         {{{300, -50}, level(0.968), level(0.867), level(0.706), level(0.501), level(0.261),
           {2000, -50}}}, 1e-10},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CurveTable table = LinearTable(c.dataSheetScreenV);
        const OperatingVoltages line = ReadOperatingLine(c.texts);
        const ScaleFactors scale = ScaleFactorsFor(line.ScreenBias, c.dataSheetScreenV);
        const LoadLineSamples s = SampleLoadLine(table, scale, line);
        for (std::size_t k = 0; k < 7; ++k) {
            SCOPED_TRACE(std::string("Point ") + static_cast<char>('A' + k));
            const SamplePoint& p = s.points[k];
            EXPECT_NEAR(p.Anode, c.points[k].anode, c.tolerance);
            EXPECT_NEAR(p.Grid, c.points[k].grid, c.tolerance);
            // The currents of the point's own voltages, in operating scale.
            EXPECT_NEAR(p.Ib, scale.PowerRatio32 * kAnodeLaw(p.Anode, p.Grid), 1e-5);
            EXPECT_NEAR(p.Ic1, scale.PowerRatio32 * kGridLaw(p.Anode, p.Grid), 1e-6);
            EXPECT_NEAR(p.Ic2, scale.PowerRatio32 * kScreenLaw(p.Anode, p.Grid), 1e-6);
        }
    }
}

// The factors from the screen voltage over the curves' screen voltage.
TEST(ScaleFactorsFor, RatioAndItsThreeHalvesPowerInSinglePrecision) {
    using enum FaultKind;
    // clang-format off
    const struct { double screen; float dataSheetScreenV; std::optional<ScaleFactors> scale;
                   std::optional<FaultKind> fault = std::nullopt; } cases[] = {
        {360, 250, ScaleFactors{1.44F, 1.728F}},
        {350, 250, ScaleFactors{kRatio14, kPower14}},
        {0, 300, ScaleFactors{0, 0}},
        {300, 0, std::nullopt, DivisionByZero},
        {0, 0, std::nullopt, Overflow},
        {-300, 300, std::nullopt, InvalidArgument},
        {300, -300, std::nullopt, InvalidArgument},
        {-300, -300, std::nullopt, InvalidArgument},
        {1e39, 1, std::nullopt, Overflow},
        {1e30, 1, std::nullopt, Overflow}, // its 1.5th power is beyond single
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.screen);
        if (c.scale) {
            EXPECT_EQ(ScaleFactorsFor(c.screen, c.dataSheetScreenV), *c.scale);
        } else {
            EXPECT_EQ(FaultOf([&] { ScaleFactorsFor(c.screen, c.dataSheetScreenV); }).kind(),
                      *c.fault);
        }
    }
}

// The first refused box in reading order is named: screen, anode bias, grid bias, minimum anode,
// peak grid.
TEST(ReadOperatingLine, NamesTheFirstRefusedBoxInReadingOrder) {
    // clang-format off
    const struct { OperatingLineTexts texts; const char* box; } cases[] = {
        {{"abc", "x", "x", "x", "x"}, "Screen Bias"},
        {{"300", "3,000", "x", "x", "x"}, "Anode Bias"},
        {{"300", "3000", "-5 0 V", "1kV", "x"}, "Min Anode Volts"},
        {{"300", "3000", "", "", "four"}, "Max Grid Volts"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        const Fault fault = FaultOf([&] { ReadOperatingLine(c.texts); });
        EXPECT_EQ(fault.kind(), FaultKind::InvalidArgument);
        EXPECT_EQ(fault.place(), FaultPlace(InputPlace{c.box}));
    }
}

// The faults of the line itself, at the factors of a screen voltage equal to the curves'.
TEST(SampleLoadLine, FaultsOfTheLine) {
    using enum FaultKind;
    // clang-format off
    const struct { const char* name; OperatingVoltages line; ScaleFactors scale;
                   FaultKind kind; } cases[] = {
        {"voltage ratio 0", {0, 2000, -100, 300, 50}, {0, 0}, DivisionByZero},
        {"voltage ratio 0, every box empty", {0, 0, 0, 0, 0}, {0, 0}, Overflow},
        {"equal anode voltages", {300, 2000, -100, 2000, 50}, {1, 1}, DivisionByZero},
        {"Point A equal to Point G", {300, 2000, -100, 2000, -100}, {1, 1}, Overflow},
        {"line too long", {300, 1e308, -100, -1e308, 50}, {1, 1}, Overflow},
        {"anode bias beyond double in the curves' scale", {1, 1e306, -100, 300, 50},
         {0.001F, 3.1622777e-5F}, Overflow},
    };
    // clang-format on
    const CurveTable table = LinearTable(300);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FaultOf([&] { SampleLoadLine(table, c.scale, c.line); }).kind(), c.kind);
    }
}

} // namespace
} // namespace tetrode
