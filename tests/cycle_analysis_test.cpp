// SPDX-License-Identifier: MIT
#include "analysis/cycle_analysis.h"

#include "analysis/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

namespace tetrode {
namespace {

constexpr double kPi = std::numbers::pi;

// Component n (0 for DC) of a cosine pulse: Ipk (cos t - cos phi) / (1 - cos phi) for |t| < phi,
// zero elsewhere; the integrals of cos t cos nt and cos nt over 0..phi in closed form.
double Pulse(double peak, double phi, int n) {
    const double scale = peak / (kPi * (1.0 - std::cos(phi)));
    if (n == 0) {
        return scale * (std::sin(phi) - phi * std::cos(phi));
    }
    const double cosCos =
        n == 1 ? phi / 2 + std::sin(2 * phi) / 4
               : std::sin((n - 1) * phi) / (2 * (n - 1)) + std::sin((n + 1) * phi) / (2 * (n + 1));
    return 2 * scale * (cosCos - std::cos(phi) * std::sin(n * phi) / n);
}

// A table whose currents are known in closed form, taken at 250 V (data-sheet volts, amperes):
// anode 0.01 (Vg + 150) above its cut-off at -150 V, screen 0.3 + 2e-5 Va + 5e-4 Vg, control grid
// 0.002 Vg above 0 V. Both cut-offs lie on curves, so bilinear interpolation is exact on both
// sides.
CurveTable AnalyticTable() {
    std::vector<float> anode, grid;
    for (int va = 0; va <= 6000; va += 250) {
        anode.push_back(static_cast<float>(va));
    }
    for (int vg = 100; vg >= -400; vg -= 10) {
        grid.push_back(static_cast<float>(vg));
    }
    const int points = static_cast<int>(anode.size()), curves = static_cast<int>(grid.size());
    CurrentMatrix ib(points, curves), ic2(points, curves), ic1(points, curves);
    for (int i = 0; i < curves; ++i) {
        for (int j = 0; j < points; ++j) {
            ib.at(j, i) = static_cast<float>(0.01 * std::max(0.0, grid[i] + 150.0));
            ic2.at(j, i) = static_cast<float>(0.3 + 2e-5 * anode[j] + 5e-4 * grid[i]);
            ic1.at(j, i) = static_cast<float>(0.002 * std::max(0.0, double(grid[i])));
        }
    }
    return CurveTable(250.0F, anode, grid, ib, ic2, ic1);
}

// Class A on the linear part gives a pure cosine (DC and fundamental exact, no harmonics); a line
// whose G lies on the cut-off gives the half cosine, DC = Ipk / pi, I1 = Ipk / 2,
// I2 = 2 Ipk / (3 pi), I4 = -2 Ipk / (15 pi); the grid current, cut off at 0 V, is a cosine pulse
// of half-angle phi with cos phi = -Vg(G) / (Vg(A) - Vg(G)). The screen current is linear
// throughout. A screen at 1.2 times the data sheet's multiplies every current by 1.2^1.5.
TEST(CycleAnalysis, AnalyticTablesGiveTheClosedForms) {
    const CurveTable table = AnalyticTable();
    const double k = std::pow(1.2F, 1.5);
    // clang-format off
    // The anode current's DC and harmonics 1 to 5 (A) and its conduction angle (degrees); the grid
    // pulse's peak and half-angle; the tolerance (A).
    const struct { const char* name; SamplePoint g, a; ScaleFactors scale;
                   std::array<double, 6> anode; double anodeConduction, screenDC, screenFundamental,
                   gridPeak, gridPhi, tolerance; } cases[] = {
        {"class A", {2000, -50}, {500, 40}, {1, 1}, {1.0, 0.9, 0, 0, 0, 0}, 360, 0.315, 0.015,
         0.08, std::acos(50.0 / 90.0), 2e-6},
        {"class B through the anode cut-off", {3000, -150}, {500, 50}, {1, 1},
         {2 / kPi, 1.0, 4 / (3 * kPi), 0, -4 / (15 * kPi), 0}, 180, 0.285, 0.05, 0.1,
         std::acos(0.75), 2e-5},
        {"class B at 1.2 times the screen", {3000, -150}, {500, 50}, {1.2F, float(k)},
         {2 * k / kPi, k, 4 * k / (3 * kPi), 0, -4 * k / (15 * kPi), 0}, 180, 0.285 * k, 0.05 * k,
         0.1 * k, std::acos(0.75), 2e-5},
    };
    // clang-format on
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        LoadLineSamples samples;
        samples[LinePoint::A] = row.a;
        samples[LinePoint::G] = row.g;
        const CycleAnalysis cycle = AnalyseCycle(table, samples, row.scale);
        const CycleComponents& c = cycle.components;
        EXPECT_NEAR(c.anodeDC, row.anode[0], row.tolerance);
        for (int n = 1; n <= kAnodeHarmonics; ++n) {
            EXPECT_NEAR(c.anode[n - 1], row.anode[n], row.tolerance) << "harmonic " << n;
        }
        EXPECT_NEAR(c.screenDC, row.screenDC, row.tolerance);
        EXPECT_NEAR(c.screenFundamental, row.screenFundamental, row.tolerance);
        EXPECT_NEAR(c.gridDC, Pulse(row.gridPeak, row.gridPhi, 0), row.tolerance);
        EXPECT_NEAR(c.gridFundamental, Pulse(row.gridPeak, row.gridPhi, 1), row.tolerance);
        EXPECT_NEAR(cycle.conduction.anode, row.anodeConduction, 0.01);
        EXPECT_NEAR(cycle.conduction.screen, 360, 0.01);
        EXPECT_NEAR(cycle.conduction.grid, 2 * row.gridPhi * 180 / kPi, 0.01);
    }
}

// Class-C lines of the example tubes, some at another screen voltage: for a current that flows in
// less than half the cycle the seven-point sums are a coarse form of the same integral, so the two
// agree within 3 %. Screen voltage, anode bias, grid bias, minimum anode and peak grid voltage.
TEST(CycleAnalysis, ClassCLinesOfTheExampleTubesAgreeWithTheSevenPointSums) {
    const struct {
        const char* file;
        OperatingLineTexts line;
    } cases[] = {
        {"model-tetrode-250v.csv", {"250", "2500", "-90", "300", "20"}},
        {"model-tetrode-250v.csv", {"300", "3000", "-100", "400", "25"}},
        {"model-tetrode-400v.csv", {"400", "3000", "-120", "600", "20"}},
        {"model-tetrode-400v.csv", {"500", "5000", "-150", "800", "35"}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(std::string(row.file) + " at " + row.line.ScreenBias + " V, grid bias " +
                     row.line.GridBias + " V");
        Session session;
        session.Open(TETRODE_EXAMPLES "/" + std::string(row.file));
        const Calculation& calculation = session.Calculate(row.line);
        const CycleAnalysis cycle =
            AnalyseCycle(session.Curves(), calculation.samples, calculation.scale);
        EXPECT_LT(cycle.conduction.anode, 180.0);
        const OperatingParameters &seven = calculation.figures, &fine = cycle.figures;
        for (const Figure figure : {Figure::AnodeDCcurrent, Figure::OutputPower, Figure::Efficiency,
                                    Figure::ScreenDCcurrent, Figure::GridDCcurrent}) {
            const double expected = FigureValue(seven, figure);
            EXPECT_NEAR(FigureValue(fine, figure), expected, 0.03 * expected)
                << Figures()[static_cast<std::size_t>(figure)].caption;
        }
    }
}

} // namespace
} // namespace tetrode
