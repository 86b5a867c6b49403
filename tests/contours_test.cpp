// SPDX-License-Identifier: MIT
#include "analysis/contours.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace tetrode {
namespace {

using testing::FaultKindOf;
using testing::Rows;

std::vector<float> Axis(float first, float step, int count) {
    std::vector<float> axis;
    for (int k = 0; k < count; ++k) {
        axis.push_back(first + step * static_cast<float>(k));
    }
    return axis;
}

// Every node holds a + b Va + c Vg, in all three matrices.
CurveTable LinearTable(const std::vector<float>& anode, const std::vector<float>& grid, double a,
                       double b, double c) {
    CurrentMatrix matrix(static_cast<int>(anode.size()), static_cast<int>(grid.size()));
    for (std::size_t i = 0; i < grid.size(); ++i) {
        for (std::size_t j = 0; j < anode.size(); ++j) {
            matrix.at(static_cast<int>(j), static_cast<int>(i)) =
                static_cast<float>(a + b * anode[j] + c * grid[i]);
        }
    }
    return CurveTable(250.0F, anode, grid, matrix, matrix, matrix);
}

// On a table linear in both voltages, interpolation along a cell's edge is exact, so every contour
// is the straight line where the linear function times PowerRatio32 equals its level, running from
// border to border of the data; each level inside the range gives exactly one such line.
TEST(Contours, LinearTablesGiveTheAnalyticStraightLines) {
    const std::vector<float> coarseAnode = Axis(0, 500, 7), coarseGrid = Axis(50, -25, 9);
    // clang-format off
    // Levels: none for the nice levels of the range.
    const struct { const char* name; std::vector<float> anode, grid; double a, b, c;
                   ScaleFactors scale; int stride; std::optional<std::vector<double>> levels;
    } cases[] = {
        {"gentle slope", coarseAnode, coarseGrid, 0.6, 1e-4, 4e-3, {1, 1}, 1, {}},
        {"steep slope at 1.2 times the screen", coarseAnode, coarseGrid, 1.5, 2e-4, 1e-2,
         {1.2F, 1.3145341F}, 1, {}},
        {"grid voltage only, listed levels", coarseAnode, coarseGrid, 1.5, 0, 1e-2, {1, 1}, 1,
         std::vector<double>{0.25, 1.0, 1.5}},
        {"anode voltage only", coarseAnode, coarseGrid, 0.1, 3e-4, 0, {1, 1}, 1, {}},
        {"fine table drawn from every third node", Axis(0, 100, 31), Axis(50, -5, 41), 1.0, 2e-4,
         5e-3, {1.44F, 1.728F}, 3, {}},
    };
    // clang-format on
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const CurveTable table = LinearTable(row.anode, row.grid, row.a, row.b, row.c);
        const double ratio = row.scale.VoltageRatio, power = row.scale.PowerRatio32;
        const auto current = [&](PlanePoint p) {
            return power * (row.a + row.b * p.anode / ratio + row.c * p.grid / ratio);
        };
        const CurrentRange range =
            CurrentRangeOf(table, CurrentFamily::Anode, row.scale.PowerRatio32);
        const std::vector<double> levels = row.levels.value_or(NiceLevels(range.low, range.high));
        const std::vector<ContourLine> lines =
            ContourLines(table, CurrentFamily::Anode, levels, row.scale, row.stride);
        ASSERT_EQ(lines.size(), levels.size());
        const double left = row.anode.front() * ratio, right = row.anode.back() * ratio;
        const double top = row.grid.front() * ratio, bottom = row.grid.back() * ratio;
        for (std::size_t k = 0; k < lines.size(); ++k) {
            EXPECT_EQ(lines[k].level, levels[k]);
            ASSERT_GE(lines[k].points.size(), 2U);
            for (const PlanePoint& p : lines[k].points) {
                EXPECT_NEAR(current(p), levels[k], 1e-6 * (1 + levels[k]));
            }
            for (const PlanePoint& end : {lines[k].points.front(), lines[k].points.back()}) {
                const double edge =
                    std::min({std::abs(end.anode - left), std::abs(end.anode - right),
                              std::abs(end.grid - top), std::abs(end.grid - bottom)});
                EXPECT_LT(edge, 1e-9 * (1 + right)) << "a line ends inside the data";
            }
        }
    }
}

// One cell whose opposite corners are 1 and 0 A, mean 0.5 A. A level below the mean joins the two
// high corners, so each of the two lines cuts off a low corner; a level above it cuts off the
// high corners. The corner a line cuts off is the one between its two ends.
TEST(Contours, SaddleCellsAreResolvedByTheirMean) {
    for (const bool highCornersOnTheFirstCurve : {true, false}) {
        const Rows rows = highCornersOnTheFirstCurve ? Rows{{1, 0}, {0, 1}} : Rows{{0, 1}, {1, 0}};
        const CurveTable table = testing::MakeTable({0, 1}, {1, 0}, rows, rows, rows);
        for (const double level : {0.4, 0.6}) {
            SCOPED_TRACE(std::to_string(level) + (highCornersOnTheFirstCurve ? " 1 0" : " 0 1"));
            const std::vector<ContourLine> lines =
                ContourLines(table, CurrentFamily::Anode, std::vector{level}, {1, 1});
            ASSERT_EQ(lines.size(), 2U);
            for (const ContourLine& line : lines) {
                ASSERT_EQ(line.points.size(), 2U);
                // One end lies on a column (whole anode voltage), the other on a curve.
                const PlanePoint& a = line.points[0];
                const PlanePoint& b = line.points[1];
                const bool aOnColumn = a.anode == std::round(a.anode);
                const double anode = aOnColumn ? a.anode : b.anode;
                const double grid = aOnColumn ? b.grid : a.grid;
                const float corner = rows[grid == 1 ? 0 : 1][anode == 0 ? 0 : 1];
                EXPECT_EQ(corner == 1, level > 0.5);
            }
        }
    }
}

// Levels fall on 1-2-5 steps strictly inside the range, about ten of them; worked by hand.
TEST(Contours, NiceLevels) {
    const auto tenths = [](int first, int last, double step) {
        std::vector<double> levels;
        for (int k = first; k <= last; ++k) {
            levels.push_back(k * step);
        }
        return levels;
    };
    // clang-format off
    const struct { const char* name; double low, high; std::vector<double> levels; } cases[] = {
        {"0 to 1 A: tenths", 0, 1, tenths(1, 9, 0.1)},
        {"below zero to 0.6 A: twentieths", -0.05, 0.6, tenths(0, 11, 0.05)},
        {"0 to 320 mA: 15 of 20 mA rather than 6 of 50", 0, 0.32, tenths(1, 15, 0.02)},
        {"-3 to 17 A: twos", -3, 17, tenths(-1, 8, 2.0)},
        {"empty range", 1, 1, {}},
        {"falling range", 2, 1, {}},
        {"no end", 0, INFINITY, {}},
    };
    // clang-format on
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        const std::vector<double> levels = NiceLevels(row.low, row.high);
        ASSERT_EQ(levels.size(), row.levels.size());
        for (std::size_t k = 0; k < levels.size(); ++k) {
            EXPECT_NEAR(levels[k], row.levels[k], 1e-12);
        }
    }
}

// Levels typed in milliamperes, any order, separated by blanks, semicolons or trailing commas.
TEST(Contours, TypedLevels) {
    std::string tooMany;
    for (std::size_t k = 0; k <= kMaxTypedLevels; ++k) {
        tooMany += std::to_string(k + 1) + ' ';
    }
    // clang-format off
    const struct { const char* name; std::string text, separator; std::vector<double> levels;
                   std::optional<FaultKind> fault; } cases[] = {
        {"blanks", "100 200 500", ".", {0.1, 0.2, 0.5}, {}},
        {"mixed separators, unordered, repeated", " 500;100,  200, 100", ".", {0.1, 0.2, 0.5}, {}},
        {"comma locale", "0,5 1", ",", {0.0005, 0.001}, {}},
        {"only separators", " ;; ", ".", {}, {}},
        {"a word", "100 abc", ".", {}, FaultKind::InvalidArgument},
        {"a list with commas only", "100,200", ".", {}, FaultKind::InvalidArgument},
        {"too many", tooMany, ".", {}, FaultKind::InvalidArgument},
        {"too large", "1e400", ".", {}, FaultKind::Overflow},
    };
    // clang-format on
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        std::vector<double> levels;
        EXPECT_EQ(FaultKindOf([&] { levels = ReadLevelList(row.text, row.separator); }), row.fault);
        EXPECT_EQ(levels, row.levels);
    }
}

} // namespace
} // namespace tetrode
