// SPDX-License-Identifier: MIT
#include "analysis/grid_interpolation.h"

#include "platform/fault.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <vector>

namespace tetrode {
namespace {

// Anode currents listed curve by curve (most positive grid voltage first), as a curve file lists
// them.
using Rows = std::vector<std::vector<float>>;

CurrentMatrix MatrixFromRows(const Rows& rows) {
    const int points = rows.empty() ? 0 : static_cast<int>(rows.front().size());
    CurrentMatrix matrix(points, static_cast<int>(rows.size()));
    for (int curve = 0; curve < matrix.curves(); ++curve) {
        for (int point = 0; point < matrix.points(); ++point) {
            matrix.at(point, curve) = rows[curve][point];
        }
    }
    return matrix;
}

CurveTable MakeTable(std::vector<float> anodeVoltages, std::vector<float> gridVoltages,
                     const Rows& anode, const Rows& screen, const Rows& grid) {
    CurveTable table;
    table.NumAnodePoints = static_cast<std::int16_t>(anodeVoltages.size());
    table.NumGridCurves = static_cast<std::int16_t>(gridVoltages.size());
    table.AnodeVoltages = std::move(anodeVoltages);
    table.GridVoltages = std::move(gridVoltages);
    table.AnodeCurrents = MatrixFromRows(anode);
    table.ScreenCurrents = MatrixFromRows(screen);
    table.GridCurrents = MatrixFromRows(grid);
    return table;
}

// The three-by-three example table: anode points 200, 400, 600 V; curves 0, -20, -40 V.
const Rows kAnodeRows{{1.2F, 1.5F, 1.6F}, {0.6F, 0.8F, 0.9F}, {0.1F, 0.2F, 0.25F}};

CurveTable ExampleTable(std::vector<float> anodeVoltages = {200.0F, 400.0F, 600.0F},
                        std::vector<float> gridVoltages = {0.0F, -20.0F, -40.0F}) {
    return MakeTable(std::move(anodeVoltages), std::move(gridVoltages), kAnodeRows, kAnodeRows,
                     kAnodeRows);
}

struct PointCase {
    const char* name;
    double x;
    double y;
    double ib;
};

TEST(GridInterpolation, AnodeCurrentAtTheExamplePoints) {
    const PointCase cases[] = {
        {"bilinear inside the table", 480, -10, 1.19},
        {"above the anode range uses the last column", 680, -10, 1.25},
        {"below the anode range uses the first column", 150, -10, 0.9},
        {"above the grid range uses the first curve", 480, 5, 1.54},
        {"below the grid range uses the last curve", 480, -50, 0.22},
        {"on anode entry 2 reaches the end of bracket (1, 2)", 400, -10, 1.15},
        {"on anode entry 1 collapses the bracket", 200, -10, 0.9},
        {"on curve 2 the grid fraction is 0", 480, -20, 0.84},
        {"on the last curve the bracket collapses", 480, -40, 0.22},
        {"on the first curve the bracket collapses", 480, 0, 1.54},
        {"beyond both ranges takes the corner", 1000, 100, 1.6},
        {"below both ranges takes the opposite corner", 0, -100, 0.1},
    };
    const CurveTable table = ExampleTable();
    for (const PointCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The table holds singles, so the results are exact to single precision only.
        EXPECT_NEAR(GridInterpolation(table, c.x, c.y, 1.0F).Ib, c.ib, 1e-6);
    }
}

TEST(GridInterpolation, NonUniformAxesExtrapolateWithTheLastStep) {
    struct Case {
        const char* name;
        std::vector<float> anodeVoltages;
        std::vector<float> gridVoltages;
        double x;
        double y;
        double ib;
    };
    const Case cases[] = {
        // Last step 100, first step 200: fx = (350 - 200) / 100 = 1.5, above the 0.8 of entry 2.
        {"anode axis", {200, 400, 500}, {0, -20, -40}, 350, -20, 0.6 + 1.5 * (0.8 - 0.6)},
        // Last step 10, first step 20: fy = (-5 - -20) / 10 = 1.5, above the 1.2 of curve 1.
        {"grid axis", {200, 400, 600}, {0, -20, -30}, 200, -5, 0.6 + 1.5 * (1.2 - 0.6)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CurveTable table = ExampleTable(c.anodeVoltages, c.gridVoltages);
        EXPECT_NEAR(GridInterpolation(table, c.x, c.y, 1.0F).Ib, c.ib, 1e-6);
    }
}

TEST(GridInterpolation, CurrentsAreMultipliedByThePowerRatio) {
    // 1.44 times the data-sheet screen voltage: 1.44^1.5 = 1.728.
    const CurveTable table = ExampleTable();
    EXPECT_NEAR(GridInterpolation(table, 480, -10, 1.728F).Ib, 2.0563, 5e-5);
    EXPECT_EQ(GridInterpolation(table, 480, -10, 0.0F).Ib, 0.0);
}

TEST(GridInterpolation, EqualMatricesGiveEqualCurrents) {
    const CurveTable table = ExampleTable();
    for (const PointCase c : {PointCase{"inside", 480, -10, 0}, PointCase{"outside", 700, 9, 0},
                              PointCase{"on an entry", 400, -20, 0}}) {
        SCOPED_TRACE(c.name);
        const InterpolatedCurrents currents = GridInterpolation(table, c.x, c.y, 1.728F);
        EXPECT_EQ(currents.Ic1, currents.Ib);
        EXPECT_EQ(currents.Ic2, currents.Ib);
    }
}

TEST(GridInterpolation, EachCurrentComesFromItsOwnMatrix) {
    const Rows screen{{0.12F, 0.15F, 0.16F}, {0.06F, 0.08F, 0.09F}, {0.01F, 0.02F, 0.025F}};
    const Rows grid{{0.012F, 0.015F, 0.016F}, {0.006F, 0.008F, 0.009F}, {0, 0, 0}};
    const CurveTable table =
        MakeTable({200.0F, 400.0F, 600.0F}, {0.0F, -20.0F, -40.0F}, kAnodeRows, screen, grid);
    const InterpolatedCurrents currents = GridInterpolation(table, 480, -10, 1.0F);
    EXPECT_NEAR(currents.Ib, 1.19, 1e-6);
    EXPECT_NEAR(currents.Ic2, 0.119, 1e-7);
    EXPECT_NEAR(currents.Ic1, 0.0119, 1e-8);
}

TEST(GridInterpolation, DifferencesOfEntriesAreSinglePrecision) {
    // 16777218 - 1 = 16777217 needs 25 bits: in single it rounds (to even) to 16777216, in double
    // it stays. On anode entry 2 (fx = 1) on the last curve (fy = 0) the result is 1 plus that
    // difference.
    const Rows rows{{1.0F, 16777218.0F}, {1.0F, 16777218.0F}};
    const CurveTable table = MakeTable({0.0F, 1.0F}, {0.0F, -1.0F}, rows, rows, rows);
    EXPECT_EQ(GridInterpolation(table, 1.0, -1.0, 1.0F).Ib, 16777217.0);
}

struct FaultCase {
    const char* name;
    std::vector<float> anodeVoltages;
    std::vector<float> gridVoltages;
    double x;
    double y;
    FaultKind kind;
};

CurveTable TableWithAxes(std::vector<float> anodeVoltages, std::vector<float> gridVoltages) {
    const std::size_t points = anodeVoltages.size();
    const std::size_t curves = gridVoltages.size();
    const Rows rows(curves, std::vector<float>(points, 0.5F));
    return MakeTable(std::move(anodeVoltages), std::move(gridVoltages), rows, rows, rows);
}

TEST(GridInterpolation, Faults) {
    constexpr float big = std::numeric_limits<float>::max();
    const FaultCase cases[] = {
        {"one anode point", {200}, {0, -20}, 200, -10, FaultKind::SubscriptOutOfRange},
        {"one grid curve", {200, 400}, {0}, 300, 0, FaultKind::SubscriptOutOfRange},
        {"no entries at all", {}, {}, 0, 0, FaultKind::SubscriptOutOfRange},
        {"zero anode step, point inside",
         {200, 400, 400},
         {0, -20},
         300,
         -10,
         FaultKind::DivisionByZero},
        {"zero anode step, point above the range",
         {200, 400, 400},
         {0, -20},
         900,
         -10,
         FaultKind::DivisionByZero},
        {"zero anode step, point below the range",
         {200, 400, 400},
         {0, -20},
         100,
         -10,
         FaultKind::DivisionByZero},
        {"zero anode step, point on the bracket's entry",
         {200, 400, 400},
         {0, -20},
         200,
         -10,
         FaultKind::Overflow},
        {"zero grid step, point inside",
         {200, 400},
         {0, -20, -20},
         300,
         -10,
         FaultKind::DivisionByZero},
        {"zero grid step, point below the range",
         {200, 400},
         {0, -20, -20},
         300,
         -30,
         FaultKind::DivisionByZero},
        {"zero grid step, point on the last curve",
         {200, 400},
         {0, -20, -20},
         300,
         -20,
         FaultKind::Overflow},
        {"anode step beyond single range", {-big, big}, {0, -20}, 0, -10, FaultKind::Overflow},
        {"grid step beyond single range", {200, 400}, {big, -big}, 300, 0, FaultKind::Overflow},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CurveTable table = TableWithAxes(c.anodeVoltages, c.gridVoltages);
        try {
            GridInterpolation(table, c.x, c.y, 1.0F);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.kind) << fault.what();
        }
    }
}

TEST(GridInterpolation, OverflowsAreFaultsNotInfinities) {
    constexpr float big = std::numeric_limits<float>::max();
    constexpr float tiny = std::numeric_limits<float>::denorm_min();
    struct Case {
        const char* name;
        std::vector<float> anodeVoltages;
        Rows rows;
        double x;
    };
    const Case cases[] = {
        {"entries whose single difference overflows", {0, 1}, {{-big, big}, {-big, big}}, 0.5},
        // Far outside the table the difference term is zero; a fraction beyond the double range
        // must not turn it into NaN.
        {"fraction beyond the double range", {0, tiny}, {{0, 1}, {0, 1}}, 1e300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CurveTable table = MakeTable(c.anodeVoltages, {0.0F, -1.0F}, c.rows, c.rows, c.rows);
        try {
            GridInterpolation(table, c.x, -0.5, 1.0F);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::Overflow) << fault.what();
        }
    }
}

TEST(GridInterpolation, CountsBeyondTheArraysAreRefused) {
    struct Case {
        const char* name;
        int extraPoints;
        int extraCurves;
        int shorterMatrixCurves;
    };
    const Case cases[] = {
        {"more anode points counted than stored", 1, 0, 0},
        {"more grid curves counted than stored", 0, 1, 0},
        {"a matrix with fewer curves than counted", 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CurveTable table = ExampleTable();
        table.NumAnodePoints = static_cast<std::int16_t>(table.NumAnodePoints + c.extraPoints);
        table.NumGridCurves = static_cast<std::int16_t>(table.NumGridCurves + c.extraCurves);
        if (c.shorterMatrixCurves > 0) {
            table.GridCurrents = CurrentMatrix(3, 3 - c.shorterMatrixCurves);
        }
        try {
            GridInterpolation(table, 480, -10, 1.0F);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::SubscriptOutOfRange) << fault.what();
        }
    }
}

} // namespace
} // namespace tetrode
