// SPDX-License-Identifier: MIT
#include "analysis/load_line.h"

#include "test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>

namespace tetrode {
namespace {

using ::testing::HasSubstr;
using namespace testing; // the shared test helpers: MakeTable, Rows

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
    CurveTable table =
        MakeTable({-1000, 3000}, {100, -300}, rows(kAnodeLaw), rows(kScreenLaw), rows(kGridLaw));
    table.DataSheetScreenV = dataSheetScreenV;
    return table;
}

struct Voltages {
    double anode, grid;
};
using PointsAToG = std::array<Voltages, 7>;

// 1.4 rounded to single, and its 1.5th power rounded to single.
constexpr float kRatio14 = 1.39999997615814F, kPower14 = 1.65650224685669F;

TEST(SampleLoadLine, PlacesPointsAToGAndInterpolatesTheCurrentsAtEach) {
    // The second example types 1.4 times the first's voltages, which the stored ratio turns into
    // 1.4 / kRatio14 times its points (G at 2000.000034). The scale factors are checked in the
    // next test. The level line's texts are typed as a user may ("3 00", "2000V"), so every box is
    // read leniently.
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
        {"equal grid voltages", 300, {"3 00", "2000V", "-5 0", "300 V", "-50,5"},
         {{{300, -50}, level(0.968), level(0.867), level(0.706), level(0.501), level(0.261),
           {2000, -50}}}, 1e-10},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CurveTable table = LinearTable(c.dataSheetScreenV);
        const LoadLineSamples s = SampleLoadLine(table, c.texts);
        const SamplePoint* points[] = {&s.A, &s.B, &s.C, &s.D, &s.E, &s.F, &s.G};
        for (std::size_t k = 0; k < 7; ++k) {
            SCOPED_TRACE(std::string("Point ") + static_cast<char>('A' + k));
            const SamplePoint& p = *points[k];
            EXPECT_NEAR(p.Anode, c.points[k].anode, c.tolerance);
            EXPECT_NEAR(p.Grid, c.points[k].grid, c.tolerance);
            // The currents of the point's own voltages, in operating scale.
            EXPECT_NEAR(p.Ib, table.PowerRatio32 * kAnodeLaw(p.Anode, p.Grid), 1e-5);
            EXPECT_NEAR(p.Ic1, table.PowerRatio32 * kGridLaw(p.Anode, p.Grid), 1e-6);
            EXPECT_NEAR(p.Ic2, table.PowerRatio32 * kScreenLaw(p.Anode, p.Grid), 1e-6);
        }
    }
}

// The scale factors a Calculate stores, kept when a later step fails; a fault before them leaves
// those of a previous Calculate (kOldV, kOldP).
TEST(SampleLoadLine, StoresTheScaleFactorsBeforeAnythingElseCanFail) {
    constexpr float kOldV = 1.25F, kOldP = 0.5F;
    constexpr std::optional<FaultKind> kNone;
    constexpr auto kDivZero = FaultKind::DivisionByZero, kOverflow = FaultKind::Overflow,
                   kInvalid = FaultKind::InvalidArgument, kIndex = FaultKind::SubscriptOutOfRange;
    // The first example's line behind the screen-box text given.
    const auto screen = [](const char* text) {
        return OperatingLineTexts{text, "2000", "-100", "300", "50"};
    };
    // clang-format off
    const struct { const char* name; float dataSheetScreenV; OperatingLineTexts texts;
                   std::optional<FaultKind> fault; float voltageRatio, powerRatio;
                   std::int16_t anodePoints = 2; } cases[] = {
        {"screen box read leniently", 250, screen("3 60 V"), kNone, 1.44F, 1.728F},
        {"empty screen box", 300, screen(""), kDivZero, 0, 0},
        {"every box empty", 300, {"", "", "", "", ""}, kOverflow, 0, 0},
        {"equal anode voltages", 300, {"300", "2000", "-100", "2000", "50"}, kDivZero, 1, 1},
        {"Point A equal to Point G", 300, {"300", "2000", "-100", "2000", "-100"}, kOverflow, 1, 1},
        {"line too long", 300, {"300", "1e308", "-100", "-1e308", "50"}, kOverflow, 1, 1},
        {"no data-sheet screen voltage", 0, screen("300"), kDivZero, kOldV, kOldP},
        {"no data-sheet screen voltage, empty box", 0, screen(""), kOverflow, kOldV, kOldP},
        {"negative screen voltage", 300, screen("-300"), kInvalid, kOldV, kOldP},
        {"curves at a negative screen voltage", -300, screen("300"), kInvalid, kOldV, kOldP},
        {"both screen voltages negative", -300, screen("-300"), kInvalid, kOldV, kOldP},
        {"screen voltage beyond the double range", 300, screen("1e400"), kOverflow, kOldV, kOldP},
        {"voltage ratio beyond the single range", 1, screen("1e39"), kOverflow, kOldV, kOldP},
        {"current ratio beyond the single range", 1, screen("1e30"), kOverflow, 1e30F, kOldP},
        {"anode bias beyond the double range in the curves' scale", 1000,
         {"1", "1e306", "-100", "300", "50"}, kOverflow, 0.001F, 3.1622777e-5F},
        {"interpolation fault", 250, screen("350"), kIndex, kRatio14, kPower14, 1},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CurveTable table = LinearTable(c.dataSheetScreenV);
        table.NumAnodePoints = c.anodePoints;
        table.VoltageRatio = kOldV;
        table.PowerRatio32 = kOldP;
        try {
            SampleLoadLine(table, c.texts);
            EXPECT_EQ(c.fault, kNone);
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.fault) << fault.what();
            EXPECT_THAT(fault.what(),
                        HasSubstr(c.fault == kInvalid ? "screen voltage must be positive" : ""));
        }
        EXPECT_EQ(table.VoltageRatio, c.voltageRatio);
        EXPECT_EQ(table.PowerRatio32, c.powerRatio);
    }
}

} // namespace
} // namespace tetrode
