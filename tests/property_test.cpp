// SPDX-License-Identifier: MIT
// Laws the calculation must obey whatever the table and operating line, checked on a few hundred
// random cases each (seeded, so a failure repeats): the 3/2-power rule, exact bilinear
// interpolation, equal matrices giving equal currents, and curve files that write and load back
// unchanged.
#include "analysis/grid_interpolation.h"
#include "analysis/load_line.h"
#include "analysis/operating_parameters.h"
#include "analysis/session.h"
#include "curves/curve_file_writer.h"
#include "curves/curve_loader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tetrode {
namespace {

constexpr int kCases = 300;

struct Random {
    std::mt19937 engine;
    float Real(double low, double high) {
        return static_cast<float>(std::uniform_real_distribution<double>(low, high)(engine));
    }
    int Whole(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine); }
    // `count` values from `draw`, drawn in order.
    std::vector<float> Draw(int count, const std::function<float()>& draw) {
        std::vector<float> values(static_cast<std::size_t>(count));
        std::ranges::generate(values, draw);
        return values;
    }
};

// A table shaped like a digitized tube: integer, evenly spaced axes (so the steps are exact in
// single precision), anode voltages ascending and grid voltages descending, positive currents.
CurveTable RandomTubeTable(Random& r) {
    const int points = r.Whole(3, 12), curves = r.Whole(3, 10);
    const int anodeStart = 50 * r.Whole(0, 4), anodeStep = 25 * r.Whole(1, 8);
    const int gridTop = r.Whole(-20, 40), gridStep = 5 * r.Whole(1, 4);
    int n = 0, m = 0;
    const auto currents = [&](double low, double high) {
        return CurrentMatrix(points, curves,
                             r.Draw(points * curves, [&] { return r.Real(low, high); }));
    };
    std::vector<float> anode = r.Draw(points, [&] { return float(anodeStart + anodeStep * n++); });
    std::vector<float> grid = r.Draw(curves, [&] { return float(gridTop - gridStep * m++); });
    CurrentMatrix anodeCurrents = currents(0.01, 2.0);
    CurrentMatrix gridCurrents = currents(0.001, 0.3);
    CurrentMatrix screenCurrents = currents(0.001, 0.2);
    const auto screenVoltage = static_cast<float>(r.Whole(100, 600));
    CurveTable table(screenVoltage, std::move(anode), std::move(grid), std::move(anodeCurrents),
                     std::move(screenCurrents), std::move(gridCurrents));
    return table;
}

std::string Text(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// The five boxes' texts, k times the voltages: screen, anode bias, grid bias, minimum anode and
// peak grid voltage.
OperatingLineTexts Texts(const std::array<double, 5>& v, double k = 1.0) {
    return {Text(v[0] * k), Text(v[1] * k), Text(v[2] * k), Text(v[3] * k), Text(v[4] * k)};
}

// The samples and figures of one Calculate.
std::pair<LoadLineSamples, OperatingParameters> Calculate(const CurveTable& table,
                                                          const OperatingLineTexts& texts) {
    const Calculation calculation = CalculateOperatingLine(table, ReadOperatingLine(texts));
    return {calculation.samples, calculation.figures};
}

// Typing the screen voltage and the four operating voltages k times larger reads the curves at
// the same points and scales the currents by k^1.5: powers go with k^2.5, impedances with k^-0.5.
TEST(ThreeHalvesPowerRule, ScalingEveryTypedVoltageScalesEveryFigure) {
    Random r{std::mt19937(20261206)};
    for (int c = 0; c < kCases; ++c) {
        const CurveTable table = RandomTubeTable(r);
        const double anodeLow = table.AnodeVoltages().front();
        const double anodeHigh = table.AnodeVoltages().back();
        const double gridHigh = table.GridVoltages().front(), gridLow = table.GridVoltages().back();
        const double span = anodeHigh - anodeLow, ratio = r.Real(0.7, 1.3);
        // An ordinary line: G at a high anode voltage and a low grid voltage, A well below it in
        // anode voltage and above it in grid voltage; either end may lie outside the table.
        const double gAnode = r.Real(anodeLow + 0.5 * span, anodeHigh + 0.2 * span);
        const double aAnode = r.Real(anodeLow - 0.1 * span, gAnode - 0.3 * span);
        const double gGrid = r.Real(gridLow - 10.0, gridHigh);
        const double aGrid = r.Real(gGrid, gridHigh + 10.0), k = r.Real(0.5, 2.0);
        const std::array<double, 5> line{table.DataSheetScreenV() * ratio, gAnode * ratio,
                                         gGrid * ratio, aAnode * ratio, aGrid * ratio};
        SCOPED_TRACE("case " + std::to_string(c) + ", k = " + Text(k));
        const auto [base, f] = Calculate(table, Texts(line));
        const auto [scaled, g] = Calculate(table, Texts(line, k));

        const double voltageTolerance = 1e-6 * std::max({span, std::fabs(anodeHigh), 100.0});
        const double currentScale = std::pow(k, 1.5);
        // The largest current of the table at the base scale bounds each interpolated current.
        const double currentTolerance = 1e-5 * std::pow(ratio, 1.5) * currentScale;
        for (std::size_t p = 0; p < 7; ++p) {
            SCOPED_TRACE(std::string("point ") + "ABCDEFG"[p]);
            const SamplePoint &b = base.points[p], &s = scaled.points[p];
            EXPECT_NEAR(s.Anode, b.Anode, voltageTolerance);
            EXPECT_NEAR(s.Grid, b.Grid, voltageTolerance);
            EXPECT_NEAR(s.Ib, b.Ib * currentScale, 2.0 * currentTolerance);
            EXPECT_NEAR(s.Ic1, b.Ic1 * currentScale, 0.3 * currentTolerance);
            EXPECT_NEAR(s.Ic2, b.Ic2 * currentScale, 0.2 * currentTolerance);
        }
        // Each figure (numbered from 0 in this list) with the power of k on it. A difference of two
        // larger terms (anode and grid power) is only as exact as the terms, whose magnitude then
        // sets the tolerance.
        using P = OperatingParameters;
        // clang-format off
        const std::pair<double, double P::*> figures[] = {
            {1, &P::PeakAnodeRFVolts}, {1, &P::PeakGridRFVolts}, {1.5, &P::AnodeDCcurrent},
            {1.5, &P::ZSAC}, {1.5, &P::ScreenDCcurrent}, {1.5, &P::GridDCcurrent},
            {2.5, &P::InputPower}, {2.5, &P::OutputPower}, {2.5, &P::AnodePower},
            {2.5, &P::ScreenPower}, {2.5, &P::DrivingPower}, {2.5, &P::GridPower},
            {0, &P::Efficiency}, {-0.5, &P::AnodeImpedance}, {-0.5, &P::GridImpedance}};
        // clang-format on
        for (std::size_t i = 0; i < std::size(figures); ++i) {
            const auto [power, figure] = figures[i];
            const double factor = std::pow(k, power);
            const double magnitude =
                figure == &P::AnodePower ? std::fabs(f.InputPower) + std::fabs(f.OutputPower)
                : figure == &P::GridPower
                    ? std::fabs(f.DrivingPower) + std::fabs(f.DrivingPower - f.GridPower)
                    : std::fabs(f.*figure);
            EXPECT_NEAR(g.*figure, f.*figure * factor, 2e-5 * magnitude * factor) << "figure " << i;
        }
    }
}

// Bilinear interpolation on an evenly spaced table is exact for a bilinear function, and inside
// the table never leaves the range of the four corners of the point's cell; equal matrices give
// equal currents.
TEST(Interpolation, ReproducesBilinearFunctionsAndEqualMatricesGiveEqualCurrents) {
    Random r{std::mt19937(8086)};
    for (int c = 0; c < kCases; ++c) {
        const CurveTable tube = RandomTubeTable(r);
        std::vector<float> av = tube.AnodeVoltages(), gv = tube.GridVoltages();
        const double x0 = av.front(), x1 = av.back(), y0 = gv.back(), y1 = gv.front();
        // Coefficients that make each term of the order of one over the table.
        const double a = r.Real(-1, 1), b = r.Real(-1, 1) / (x1 - x0),
                     cy = r.Real(-1, 1) / (y1 - y0);
        const double d = r.Real(-1.0, 1.0) / ((x1 - x0) * (y1 - y0));
        const auto f = [&](double x, double y) { return a + b * x + cy * y + d * x * y; };
        CurrentMatrix m(int(av.size()), int(gv.size()));
        double largest = 1.0;
        for (int i = 0; i < m.curves(); ++i) {
            for (int j = 0; j < m.points(); ++j) {
                m.at(j, i) = static_cast<float>(f(av[std::size_t(j)], gv[std::size_t(i)]));
                largest = std::max(largest, std::fabs(double(m.at(j, i))));
            }
        }
        const CurveTable table(tube.DataSheetScreenV(), av, gv, m, tube.ScreenCurrents(),
                               tube.GridCurrents());
        const double tolerance = 1e-6 * largest;
        // A point inside the table; one in four coordinates on an axis entry, where brackets
        // switch.
        const auto coordinate = [&r](const std::vector<float>& axis, double low, double high) {
            return r.Whole(0, 3) == 0 ? double(axis[std::size_t(r.Whole(0, int(axis.size()) - 1))])
                                      : r.Real(low, high);
        };
        for (int p = 0; p < 10; ++p) {
            const double x = coordinate(av, x0, x1), y = coordinate(gv, y0, y1);
            SCOPED_TRACE("case " + std::to_string(c) + " at (" + Text(x) + ", " + Text(y) + ")");
            const double ib = GridInterpolation(table, x, y, 1.0F).Ib;
            EXPECT_NEAR(ib, f(x, y), tolerance);
            // The cell's upper brackets: the first entry from 1 on that reaches the point, at
            // most the last.
            const auto a1 = std::lower_bound(av.begin() + 1, av.end() - 1, x) - av.begin();
            const auto c1 =
                std::lower_bound(gv.begin() + 1, gv.end() - 1, y, std::greater<>()) - gv.begin();
            const auto [low, high] =
                std::minmax({m.at(int(a1) - 1, int(c1) - 1), m.at(int(a1), int(c1) - 1),
                             m.at(int(a1) - 1, int(c1)), m.at(int(a1), int(c1))});
            EXPECT_GE(ib, low - tolerance);
            EXPECT_LE(ib, high + tolerance);
        }
        // The three currents come from three matrices by the same brackets, fractions and
        // arithmetic, so equal matrices give equal currents anywhere, at any scale, on uneven axes
        // too (the fractions then leave 0..1 and the blend extrapolates).
        for (std::size_t j = 1; j + 1 < av.size(); ++j) {
            av[j] += r.Real(-10.0, 10.0);
        }
        const CurveTable equal(tube.DataSheetScreenV(), av, gv, m, m, m);
        for (int p = 0; p < 10; ++p) {
            const double x = r.Real(-100.0, 3000.0), y = r.Real(-200.0, 100.0);
            const InterpolatedCurrents i = GridInterpolation(equal, x, y, r.Real(0.3, 3.0));
            EXPECT_TRUE(i.Ib == i.Ic1 && i.Ib == i.Ic2) << i.Ib << " " << i.Ic1 << " " << i.Ic2;
        }
    }
}

// Writes `table` and loads it back: the identical table, and the same bytes when written again.
// operator== lets -0 equal 0, so the sign of a zero is checked as well.
void ExpectWritesAndLoadsBack(const CurveTable& table, std::string_view header) {
    std::ostringstream text, again;
    WriteCurveFile(text, table, header);
    const testing::TempFolder folder;
    const CurveTable loaded = LoadCurveFile(folder.Write("written.csv", text.str())).table;
    EXPECT_EQ(loaded, table);
    EXPECT_EQ(std::signbit(loaded.DataSheetScreenV()), std::signbit(table.DataSheetScreenV()));
    WriteCurveFile(again, loaded, header);
    EXPECT_EQ(again.str(), text.str());
}

// Any finite singles, taken uniformly over their bit patterns (every exponent, subnormals) and one
// draw in eight from the edges (both zeros, the smallest subnormal, the largest magnitude), in
// tables of every small shape.
TEST(CurveFileRoundTrip, AnyTableWritesAndLoadsBackIdentical) {
    Random r{std::mt19937(1914)};
    const float edges[] = {0.0F, -0.0F, std::numeric_limits<float>::denorm_min(),
                           -std::numeric_limits<float>::max()};
    const auto any = [&r, &edges] {
        float value = r.Whole(0, 7) == 0 ? edges[r.Whole(0, 3)] : NAN;
        while (!std::isfinite(value)) {
            value = std::bit_cast<float>(static_cast<std::uint32_t>(r.engine()));
        }
        return value;
    };
    for (int c = 0; c < kCases; ++c) {
        SCOPED_TRACE("case " + std::to_string(c));
        const int points = r.Whole(1, 8), curves = r.Whole(1, 8);
        const auto matrix = [&] {
            return CurrentMatrix(points, curves, r.Draw(points * curves, any));
        };
        std::vector<float> anode = r.Draw(points, any), grid = r.Draw(curves, any);
        CurrentMatrix anodeCurrents = matrix(), screenCurrents = matrix(), gridCurrents = matrix();
        const CurveTable table(any(), std::move(anode), std::move(grid), std::move(anodeCurrents),
                               std::move(screenCurrents), std::move(gridCurrents));
        ExpectWritesAndLoadsBack(table, c % 2 == 0 ? "" : "random table");
    }
}

} // namespace
} // namespace tetrode
