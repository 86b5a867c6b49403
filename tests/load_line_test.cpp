// SPDX-License-Identifier: MIT
#include "analysis/load_line.h"

#include "platform/fault.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace tetrode {
namespace {

// Currents that are linear in both voltages, so bilinear interpolation reproduces them inside the
// table and each sampled current can be checked against the point's own voltages.
double AnodeCurrentAt(double anode, double grid) {
    return 1.0 + 0.0002 * anode + 0.01 * grid;
}
double GridCurrentAt(double anode, double grid) {
    return 0.5 + 0.00001 * anode + 0.001 * grid;
}
double ScreenCurrentAt(double anode, double grid) {
    return 0.2 + 0.0001 * anode - 0.0005 * grid;
}

// Anode points -1000 to 3000 V by 100 V, grid curves 100 to -300 V by -10 V: every point of the
// examples lies inside.
CurveTable LinearTable(float dataSheetScreenV) {
    constexpr int points = 41;
    constexpr int curves = 41;
    CurveTable table;
    table.NumAnodePoints = points;
    table.NumGridCurves = curves;
    table.DataSheetScreenV = dataSheetScreenV;
    table.AnodeVoltages.resize(points);
    table.GridVoltages.resize(curves);
    table.AnodeCurrents = CurrentMatrix(points, curves);
    table.GridCurrents = CurrentMatrix(points, curves);
    table.ScreenCurrents = CurrentMatrix(points, curves);
    for (int j = 0; j < points; ++j) {
        table.AnodeVoltages[j] = static_cast<float>(-1000 + 100 * j);
    }
    for (int i = 0; i < curves; ++i) {
        table.GridVoltages[i] = static_cast<float>(100 - 10 * i);
    }
    for (int i = 0; i < curves; ++i) {
        for (int j = 0; j < points; ++j) {
            const double anode = table.AnodeVoltages[j];
            const double grid = table.GridVoltages[i];
            table.AnodeCurrents.at(j, i) = static_cast<float>(AnodeCurrentAt(anode, grid));
            table.GridCurrents.at(j, i) = static_cast<float>(GridCurrentAt(anode, grid));
            table.ScreenCurrents.at(j, i) = static_cast<float>(ScreenCurrentAt(anode, grid));
        }
    }
    return table;
}

struct Voltages {
    double anode;
    double grid;
};

// Points A to G of the first example: 300 V screen on curves taken at 300 V, anode bias 2000 V,
// grid bias -100 V, minimum anode 300 V, peak grid 50 V.
constexpr std::array<Voltages, 7> kFirstExample{{
    {300, 50},
    {354.4, 45.2},
    {526.1, 30.05},
    {799.8, 5.9},
    {1148.3, -24.85},
    {1556.3, -60.85},
    {2000, -100},
}};

std::array<const SamplePoint*, 7> PointsAToG(const LoadLineSamples& samples) {
    return {&samples.A, &samples.B, &samples.C, &samples.D, &samples.E, &samples.F, &samples.G};
}

void ExpectPoints(const LoadLineSamples& samples, const std::array<Voltages, 7>& expected,
                  double tolerance, float powerRatio) {
    const auto points = PointsAToG(samples);
    for (std::size_t k = 0; k < points.size(); ++k) {
        SCOPED_TRACE(std::string("Point ") + static_cast<char>('A' + k));
        const SamplePoint& point = *points[k];
        EXPECT_NEAR(point.Anode, expected[k].anode, tolerance);
        EXPECT_NEAR(point.Grid, expected[k].grid, tolerance);
        // The currents are those of the point's own voltages, in operating scale.
        EXPECT_NEAR(point.Ib, powerRatio * AnodeCurrentAt(point.Anode, point.Grid), 1e-5);
        EXPECT_NEAR(point.Ic1, powerRatio * GridCurrentAt(point.Anode, point.Grid), 1e-6);
        EXPECT_NEAR(point.Ic2, powerRatio * ScreenCurrentAt(point.Anode, point.Grid), 1e-6);
    }
}

TEST(SampleLoadLine, FirstExampleAtTheDataSheetScreenVoltage) {
    CurveTable table = LinearTable(300.0F);
    const LoadLineSamples samples = SampleLoadLine(table, {"300", "2000", "-100", "300", "50"});
    EXPECT_EQ(table.VoltageRatio, 1.0F);
    EXPECT_EQ(table.PowerRatio32, 1.0F);
    ExpectPoints(samples, kFirstExample, 1e-5, 1.0F);
}

TEST(SampleLoadLine, SecondExampleScalesTheLineByThreeHalvesPower) {
    // 350 V on curves taken at 250 V: every voltage is 1.4 times that of the first example.
    CurveTable table = LinearTable(250.0F);
    const LoadLineSamples samples = SampleLoadLine(table, {"350", "2800", "-140", "420", "70"});
    EXPECT_EQ(table.VoltageRatio, 1.39999997615814F);
    EXPECT_EQ(table.PowerRatio32, 1.65650224685669F);
    EXPECT_NEAR(samples.G.Anode, 2000.000034, 1e-6);
    ExpectPoints(samples, kFirstExample, 4e-5, 1.65650224685669F);
}

TEST(SampleLoadLine, AnodeBiasBelowMinimumAnodePlacesPointsBeyondG) {
    CurveTable table = LinearTable(300.0F);
    const LoadLineSamples samples = SampleLoadLine(table, {"300", "300", "-100", "1000", "50"});
    // Each intermediate point lies at G - f (A - G), with A - G = (700, 150).
    const auto beyond = [](double f) { return Voltages{300 - f * 700, -100 - f * 150}; };
    const std::array<Voltages, 7> expected{{
        {1000, 50},
        {-377.6, -245.2},
        beyond(0.867),
        beyond(0.706),
        beyond(0.501),
        {117.3, -139.15},
        {300, -100},
    }};
    ExpectPoints(samples, expected, 1e-5, 1.0F);
}

TEST(SampleLoadLine, EqualGridVoltagesKeepTheGridOfG) {
    CurveTable table = LinearTable(300.0F);
    const LoadLineSamples samples = SampleLoadLine(table, {"300", "2000", "-50", "300", "-50"});
    const auto along = [](double f) { return Voltages{2000 - f * 1700, -50}; };
    const std::array<Voltages, 7> expected{{
        {300, -50},
        along(0.968),
        along(0.867),
        along(0.706),
        along(0.501),
        along(0.261),
        {2000, -50},
    }};
    ExpectPoints(samples, expected, 1e-5, 1.0F);
    // The half turn is 3.141592653, short of pi by 5.8979e-10, so Point B rises above the grid
    // of G by that angle times its distance from G (1645.6 V); with pi it would stay on it.
    EXPECT_NEAR(samples.B.Grid - -50.0, 1645.6 * 5.8979e-10, 1e-10);
}

TEST(SampleLoadLine, BoxTextsAreReadLeniently) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"350V", 350}, {"3 50", 350},  {"1,000", 1}, {"2.5", 2.5},
        {"1e3", 1000}, {"-100", -100}, {"", 0},      {"abc", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CurveTable table = LinearTable(300.0F);
        // At a voltage ratio of 1 the anode bias reaches Point G unchanged.
        const LoadLineSamples samples = SampleLoadLine(table, {"300", c.text, "-100", "5", "50"});
        EXPECT_EQ(samples.G.Anode, c.value);
    }
}

TEST(SampleLoadLine, ScreenBoxTextSetsTheVoltageRatio) {
    struct Case {
        const char* text;
        float dataSheetScreenV;
        float voltageRatio;
        float powerRatio;
    };
    const Case cases[] = {
        {"3 50", 250.0F, 1.39999997615814F, 1.65650224685669F},
        {"360", 250.0F, 1.44F, 1.728F},
        {"250V", 250.0F, 1.0F, 1.0F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        CurveTable table = LinearTable(c.dataSheetScreenV);
        SampleLoadLine(table, {c.text, "2000", "-100", "300", "50"});
        EXPECT_EQ(table.VoltageRatio, c.voltageRatio);
        EXPECT_EQ(table.PowerRatio32, c.powerRatio);
    }
}

TEST(SampleLoadLine, FaultsAndTheScaleFactorsTheyLeave) {
    // The factors a previous Calculate left.
    constexpr float oldRatio = 1.25F;
    constexpr float oldPower = 0.5F;
    struct Case {
        const char* name;
        float dataSheetScreenV;
        OperatingLineTexts texts;
        FaultKind kind;
        float voltageRatio;
        float powerRatio;
    };
    const Case cases[] = {
        {"empty screen box",
         300,
         {"", "2000", "-100", "300", "50"},
         FaultKind::DivisionByZero,
         0,
         0},
        {"every box empty", 300, {"", "", "", "", ""}, FaultKind::Overflow, 0, 0},
        {"every box 0", 300, {"0", "0", "0", "0", "0"}, FaultKind::Overflow, 0, 0},
        {"screen box not a number",
         300,
         {"abc", "2000", "-100", "300", "50"},
         FaultKind::DivisionByZero,
         0,
         0},
        {"equal anode voltages",
         300,
         {"300", "2000", "-100", "2000", "50"},
         FaultKind::DivisionByZero,
         1,
         1},
        {"Point A equal to Point G",
         300,
         {"300", "2000", "-100", "2000", "-100"},
         FaultKind::Overflow,
         1,
         1},
        {"no data-sheet screen voltage",
         0,
         {"300", "2000", "-100", "300", "50"},
         FaultKind::DivisionByZero,
         oldRatio,
         oldPower},
        {"no data-sheet screen voltage, empty screen box",
         0,
         {"", "2000", "-100", "300", "50"},
         FaultKind::Overflow,
         oldRatio,
         oldPower},
        {"negative screen voltage",
         300,
         {"-300", "2000", "-100", "300", "50"},
         FaultKind::InvalidArgument,
         oldRatio,
         oldPower},
        {"curves taken at a negative screen voltage",
         -300,
         {"300", "2000", "-100", "300", "50"},
         FaultKind::InvalidArgument,
         oldRatio,
         oldPower},
        {"screen voltage beyond the double range",
         300,
         {"1e400", "2000", "-100", "300", "50"},
         FaultKind::Overflow,
         oldRatio,
         oldPower},
        {"voltage ratio beyond the single range",
         1,
         {"1e39", "2000", "-100", "300", "50"},
         FaultKind::Overflow,
         oldRatio,
         oldPower},
        {"current ratio beyond the single range",
         1,
         {"1e30", "2000", "-100", "300", "50"},
         FaultKind::Overflow,
         1e30F,
         oldPower},
        {"anode bias beyond the double range in the curves' scale",
         1000,
         {"1", "1e306", "-100", "300", "50"},
         FaultKind::Overflow,
         0.001F,
         static_cast<float>(0.001 * 0.0316227766)},
        {"operating line longer than the double range",
         300,
         {"300", "1e308", "-100", "-1e308", "50"},
         FaultKind::Overflow,
         1,
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CurveTable table = LinearTable(c.dataSheetScreenV);
        table.VoltageRatio = oldRatio;
        table.PowerRatio32 = oldPower;
        try {
            SampleLoadLine(table, c.texts);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.kind) << fault.what();
        }
        EXPECT_EQ(table.VoltageRatio, c.voltageRatio);
        EXPECT_FLOAT_EQ(table.PowerRatio32, c.powerRatio);
    }
}

TEST(SampleLoadLine, NegativeScreenVoltageSaysItMustBePositive) {
    CurveTable table = LinearTable(300.0F);
    try {
        SampleLoadLine(table, {"-300", "2000", "-100", "300", "50"});
        ADD_FAILURE() << "no fault";
    } catch (const Fault& fault) {
        EXPECT_NE(std::string(fault.what()).find("screen voltage must be positive"),
                  std::string::npos)
            << fault.what();
    }
}

TEST(SampleLoadLine, InterpolationFaultsComeAfterTheFactorsAreStored) {
    CurveTable table = LinearTable(250.0F);
    table.NumAnodePoints = 1;
    try {
        SampleLoadLine(table, {"350", "2000", "-100", "300", "50"});
        ADD_FAILURE() << "no fault";
    } catch (const Fault& fault) {
        EXPECT_EQ(fault.kind(), FaultKind::SubscriptOutOfRange) << fault.what();
    }
    EXPECT_EQ(table.VoltageRatio, 1.39999997615814F);
    EXPECT_EQ(table.PowerRatio32, 1.65650224685669F);
}

} // namespace
} // namespace tetrode
