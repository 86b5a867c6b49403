// SPDX-License-Identifier: MIT
#include "analysis/operating_parameters.h"

#include "platform/fault.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <string_view>

namespace tetrode {
namespace {

// Currents of one point: anode, control grid, screen grid (A).
struct Currents {
    double ib;
    double ic1;
    double ic2;
};

// The currents of the worked example at Points A to G.
constexpr std::array<Currents, 7> kExampleCurrents{{
    {2.0, 0.2, 0.1},
    {1.8, 0.15, 0.08},
    {1.4, 0.08, 0.05},
    {0.9, 0.02, 0.03},
    {0.4, 0, 0.01},
    {0.1, 0, 0},
    {0.05, 0, 0},
}};

// Points A to G with the voltages of A and G (the only ones the figures use) and the currents.
LoadLineSamples Samples(double anodeA, double gridA, double anodeG, double gridG,
                        const std::array<Currents, 7>& currents) {
    LoadLineSamples samples;
    std::array<SamplePoint*, 7> points{&samples.A, &samples.B, &samples.C, &samples.D,
                                       &samples.E, &samples.F, &samples.G};
    for (std::size_t k = 0; k < points.size(); ++k) {
        points[k]->Ib = currents[k].ib;
        points[k]->Ic1 = currents[k].ic1;
        points[k]->Ic2 = currents[k].ic2;
    }
    samples.A.Anode = anodeA;
    samples.A.Grid = gridA;
    samples.G.Anode = anodeG;
    samples.G.Grid = gridG;
    return samples;
}

CurveTable Scale(float dataSheetScreenV, float voltageRatio) {
    CurveTable table;
    table.DataSheetScreenV = dataSheetScreenV;
    table.VoltageRatio = voltageRatio;
    return table;
}

constexpr std::array<std::string_view, 15> kLabels{
    "lblPeakAnodeRFVolts", "lblAnodeDCcurrent", "lblAnodePower",      "lblInputPower",
    "lblOutputPower",      "lblEfficiency",     "lblAnodeImpedance",  "lblZSAC",
    "lblScreenDCcurrent",  "lblScreenPower",    "lblPeakGridRFVolts", "lblGridDCcurrent",
    "lblDrivingPower",     "lblGridPower",      "lblGridImpedance",
};

struct LabelCase {
    const char* name;
    LoadLineSamples samples;
    CurveTable table;
    std::string_view separator;
    std::array<std::string_view, 15> texts;
};

TEST(OperatingParameters, LabelTextsOfTheWorkedExamples) {
    const LoadLineSamples first = Samples(300, 50, 2000, -100, kExampleCurrents);
    // The second example's line: the first one at 1.4 times the screen voltage, in the curves'
    // scale.
    const LoadLineSamples second =
        Samples(300.000005, 50.000001, 2000.000034, -100.000002, kExampleCurrents);
    const LabelCase cases[] = {
        {"at the data-sheet screen voltage",
         first,
         Scale(300, 1.0F),
         ".",
         {"1700.0", "466.7", "252.1", "933.3", "681.2", "73.0", "2121.2", "50.0", "18.3", "5.5",
          "150.0", "29.2", "4.4", "1.5", "750"}},
        {"at 1.4 times the data-sheet screen voltage",
         second,
         Scale(250, 1.4F),
         ".",
         {"2380.0", "466.7", "353.0", "1306.7", "953.7", "73.0", "2969.7", "50.0", "18.3", "6.4",
          "210.0", "29.2", "6.1", "2.0", "1050"}},
        {"with a comma as decimal separator",
         first,
         Scale(300, 1.0F),
         ",",
         {"1700,0", "466,7", "252,1", "933,3", "681,2", "73,0", "2121,2", "50,0", "18,3", "5,5",
          "150,0", "29,2", "4,4", "1,5", "750"}},
    };
    for (const LabelCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto labels =
            FormatOperatingParameters(ComputeOperatingParameters(c.samples, c.table), c.separator);
        for (std::size_t k = 0; k < labels.size(); ++k) {
            SCOPED_TRACE(kLabels[k]);
            EXPECT_EQ(labels[k].label, kLabels[k]);
            EXPECT_EQ(labels[k].text, c.texts[k]);
        }
    }
}

TEST(OperatingParameters, FiguresOfTheFirstExample) {
    // Hand sums: DC of Ib = 5.6 / 12, fundamental of Ib = 9.617 / 12, DC of Ic1 = 0.35 / 12,
    // DC of Ic2 = 0.22 / 12.
    const OperatingParameters p =
        ComputeOperatingParameters(Samples(300, 50, 2000, -100, kExampleCurrents), Scale(300, 1));
    const double fundamental = 9.617 / 12;
    const double gridDC = 0.35 / 12;
    EXPECT_NEAR(p.AnodeDCcurrent, 5.6 / 12, 1e-12);
    EXPECT_NEAR(p.OutputPower, 0.5 * fundamental * 1700, 1e-9);
    EXPECT_NEAR(p.AnodeImpedance, 1700 / fundamental, 1e-9);
    EXPECT_NEAR(p.Efficiency, 0.5 * fundamental * 1700 / (2000 * 5.6 / 12), 1e-12);
    EXPECT_NEAR(p.ScreenDCcurrent, 0.22 / 12, 1e-12);
    EXPECT_NEAR(p.ScreenPower, 0.22 / 12 * 300, 1e-12);
    EXPECT_NEAR(p.GridDCcurrent, gridDC, 1e-12);
    EXPECT_NEAR(p.DrivingPower, gridDC * 150, 1e-12);
    // The bias supply takes back Ic1 DC times the 100 V of bias.
    EXPECT_NEAR(p.GridPower, gridDC * 150 - gridDC * 100, 1e-12);
    EXPECT_EQ(p.ZSAC, 0.05);
}

TEST(OperatingParameters, GridImpedanceWithoutGridCurrentAtThePeak) {
    for (const double ic1 : {0.0, -0.0, -0.01}) {
        SCOPED_TRACE(ic1);
        std::array<Currents, 7> currents = kExampleCurrents;
        currents[0].ic1 = ic1;
        const OperatingParameters p =
            ComputeOperatingParameters(Samples(300, 50, 2000, -100, currents), Scale(300, 1));
        EXPECT_EQ(p.GridImpedance, 1000000.0);
        EXPECT_EQ(FormatOperatingParameters(p, ".")[14].text, "1000000");
    }
}

TEST(OperatingParameters, EqualGridVoltagesGiveZeroGridImpedance) {
    const OperatingParameters p =
        ComputeOperatingParameters(Samples(300, -100, 2000, -100, kExampleCurrents), Scale(300, 1));
    EXPECT_EQ(p.GridImpedance, 0.0);
}

TEST(OperatingParameters, OutputAboveInputShowsNegativeDissipation) {
    // Only Point A conducts, 1.2 A: DC 0.6 / 12 = 0.05 A, fundamental 1.2 / 12 = 0.1 A. With A at
    // -1000 V and G at 1000 V the output is 0.05 * 2000 = 100 W from an input of 50 W.
    std::array<Currents, 7> currents{};
    currents[0].ib = 1.2;
    const auto labels = FormatOperatingParameters(
        ComputeOperatingParameters(Samples(-1000, 50, 1000, -100, currents), Scale(300, 1)), ".");
    EXPECT_EQ(labels[2].text, "-50.0");   // anode dissipation
    EXPECT_EQ(labels[4].text, "100.0");   // output
    EXPECT_EQ(labels[5].text, "200.0");   // efficiency
    EXPECT_EQ(labels[6].text, "20000.0"); // anode impedance
}

struct FaultCase {
    const char* name;
    LoadLineSamples samples;
    FaultKind kind;
    std::string_view quantity; // what the message must name
};

TEST(OperatingParameters, Faults) {
    constexpr double huge = std::numeric_limits<double>::max();
    const std::array<Currents, 7> none{};
    std::array<Currents, 7> onlyAtG{};
    onlyAtG[6].ib = 0.05;
    std::array<Currents, 7> hugeAnode = kExampleCurrents;
    hugeAnode[0].ib = huge;
    hugeAnode[1].ib = huge;
    std::array<Currents, 7> hugeAtG = kExampleCurrents;
    hugeAtG[6].ib = 1e306;
    std::array<Currents, 7> tinyGridAtA = kExampleCurrents;
    tinyGridAtA[0].ic1 = std::numeric_limits<double>::denorm_min();

    const FaultCase cases[] = {
        {"no anode current from A to F", Samples(300, 50, 2000, -100, none),
         FaultKind::DivisionByZero, "anode impedance"},
        {"current only at the quiescent point", Samples(300, 50, 2000, -100, onlyAtG),
         FaultKind::DivisionByZero, "anode impedance"},
        {"no anode current and no anode swing", Samples(2000, 50, 2000, -100, none),
         FaultKind::Overflow, "anode impedance"},
        {"anode bias 0 with current flowing", Samples(-300, 50, 0, -100, kExampleCurrents),
         FaultKind::DivisionByZero, "efficiency"},
        {"anode current sum beyond the double range", Samples(300, 50, 2000, -100, hugeAnode),
         FaultKind::Overflow, "anode DC current"},
        {"anode swing beyond the double range", Samples(-huge, 50, huge, -100, kExampleCurrents),
         FaultKind::Overflow, "peak anode RF voltage"},
        {"zero-signal current beyond the shown range", Samples(300, 50, 2000, -100, hugeAtG),
         FaultKind::Overflow, "zero-signal anode current"},
        {"grid impedance beyond the double range", Samples(300, 50, 2000, -100, tinyGridAtA),
         FaultKind::Overflow, "grid impedance"},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ComputeOperatingParameters(c.samples, Scale(300, 1));
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.kind) << fault.what();
            EXPECT_NE(std::string(fault.what()).find(c.quantity), std::string::npos)
                << fault.what();
        }
    }
}

} // namespace
} // namespace tetrode
