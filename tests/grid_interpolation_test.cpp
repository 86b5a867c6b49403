// SPDX-License-Identifier: MIT
#include "analysis/grid_interpolation.h"

#include "platform/fault.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tetrode {
namespace {

using testing::FaultKindOf;
using testing::MakeTable;
using testing::Rows;

// The worked example's anode currents on anode points 200, 400, 600 V and curves 0, -20, -40 V.
const Rows kAnodeRows{{1.2F, 1.5F, 1.6F}, {0.6F, 0.8F, 0.9F}, {0.1F, 0.2F, 0.25F}};

CurveTable ExampleTable(std::vector<float> anode = {200, 400, 600},
                        std::vector<float> grid = {0, -20, -40}) {
    return MakeTable(std::move(anode), std::move(grid), kAnodeRows, kAnodeRows, kAnodeRows);
}

TEST(GridInterpolation, AnodeCurrentOfTheWorkedExample) {
    // clang-format off
    const struct { const char* name; double x, y, ib; float powerRatio = 1.0F;
                   std::vector<float> anode = {200, 400, 600}, grid = {0, -20, -40}; } cases[] = {
        // Inside the table and on its entries the property test holds every point.
        {"above the anode range: last column", 680, -10, 1.25},
        {"below the anode range: first column", 150, -10, 0.9},
        {"above the grid range: first curve", 480, 5, 1.54},
        {"below the grid range: last curve", 480, -50, 0.22},
        {"at 1.44 times the screen voltage", 480, -10, 1.19 * 1.728, 1.728F},
        // The last step sets the fraction: (350 - 200) / 100 = 1.5, beyond entry 2's 0.8.
        {"non-uniform anode", 350, -20, 0.6 + 1.5 * (0.8 - 0.6), 1.0F, {200, 400, 500}},
        // (-5 - -20) / 10 = 1.5, beyond curve 1's 1.2.
        {"non-uniform grid", 200, -5, 0.6 + 1.5 * (1.2 - 0.6), 1.0F, {200, 400, 600},
         {0, -20, -30}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The table holds singles, so the results are exact to single precision only.
        EXPECT_NEAR(GridInterpolation(ExampleTable(c.anode, c.grid), c.x, c.y, c.powerRatio).Ib,
                    c.ib, 1e-6);
    }
}

TEST(GridInterpolation, EachCurrentComesFromItsOwnMatrix) {
    const Rows screen{{0.12F, 0.15F, 0.16F}, {0.06F, 0.08F, 0.09F}, {0.01F, 0.02F, 0.025F}};
    const Rows grid{{0.012F, 0.015F, 0.016F}, {0.006F, 0.008F, 0.009F}, {0, 0, 0}};
    const InterpolatedCurrents currents = GridInterpolation(
        MakeTable({200, 400, 600}, {0, -20, -40}, kAnodeRows, screen, grid), 480, -10, 1.0F);
    EXPECT_NEAR(currents.Ib, 1.19, 1e-6);
    EXPECT_NEAR(currents.Ic2, 0.119, 1e-7);
    EXPECT_NEAR(currents.Ic1, 0.0119, 1e-8);
}

TEST(GridInterpolation, DifferencesOfEntriesAreSinglePrecision) {
    // 16777218 - 1 needs 25 bits: in single it rounds (to even) to 16777216. On anode entry 2
    // (fx = 1) of the last curve the result is 1 plus that difference.
    const Rows rows{{1.0F, 16777218.0F}, {1.0F, 16777218.0F}};
    const CurveTable table = MakeTable({0, 1}, {0, -1}, rows, rows, rows);
    EXPECT_EQ(GridInterpolation(table, 1.0, -1.0, 1.0F).Ib, 16777217.0);
}

// Axes of the given entries, every current 0.5 A.
CurveTable Flat(std::vector<float> anode, std::vector<float> grid) {
    const Rows rows(grid.size(), std::vector<float>(anode.size(), 0.5F));
    return MakeTable(std::move(anode), std::move(grid), rows, rows, rows);
}

// Both fractions are formed for every point, inside the table or not, before any current.
TEST(GridInterpolation, Faults) {
    constexpr float big = std::numeric_limits<float>::max();
    constexpr float tiny = std::numeric_limits<float>::denorm_min();
    constexpr auto kIndex = FaultKind::SubscriptOutOfRange, kDivZero = FaultKind::DivisionByZero,
                   kOverflow = FaultKind::Overflow;
    const Rows huge{{-big, big}, {-big, big}};
    const Rows rising{{0, 1}, {0, 1}};
    const CurveTable zeroAnodeStep = Flat({200, 400, 400}, {0, -20});
    const CurveTable zeroGridStep = Flat({200, 400}, {0, -20, -20});
    // clang-format off
    const struct { const char* name; CurveTable table; double x, y; FaultKind kind; } cases[] = {
        {"one anode point", Flat({200}, {0, -20}), 200, -10, kIndex},
        {"one grid curve", Flat({200, 400}, {0}), 300, 0, kIndex},
        {"no entries at all", Flat({}, {}), 0, 0, kIndex},
        {"zero anode step, point inside", zeroAnodeStep, 300, -10, kDivZero},
        {"zero anode step, point above the range", zeroAnodeStep, 900, -10, kDivZero},
        {"zero anode step, point on the bracket's entry", zeroAnodeStep, 200, -10, kOverflow},
        {"zero grid step, point inside", zeroGridStep, 300, -10, kDivZero},
        {"zero grid step, point below the range", zeroGridStep, 300, -30, kDivZero},
        {"zero grid step, point on the last curve", zeroGridStep, 300, -20, kOverflow},
        {"anode step beyond the single range", Flat({-big, big}, {0, -20}), 0, -10, kOverflow},
        {"grid step beyond the single range", Flat({200, 400}, {big, -big}), 300, 0, kOverflow},
        {"difference of entries beyond single", MakeTable({0, 1}, {0, -1}, huge, huge, huge), 0.5,
         -0.5, kOverflow},
        // Far outside, the difference term is 0: an infinite fraction must not make it NaN.
        {"fraction beyond the double range", MakeTable({0, tiny}, {0, -1}, rising, rising, rising),
         1e300, -0.5, kOverflow},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FaultKindOf([&] { GridInterpolation(c.table, c.x, c.y, 1.0F); }), c.kind);
    }
}

} // namespace
} // namespace tetrode
