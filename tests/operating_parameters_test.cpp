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
    double ib, ic1, ic2;
};
using CurrentsAToG = std::array<Currents, 7>;

// The currents of the worked example at Points A to G.
// clang-format off
constexpr CurrentsAToG kExample{{{2.0, 0.2, 0.1}, {1.8, 0.15, 0.08}, {1.4, 0.08, 0.05},
    {0.9, 0.02, 0.03}, {0.4, 0, 0.01}, {0.1, 0, 0}, {0.05, 0, 0}}};
// clang-format on

// Points A to G with the voltages of A and G (the only ones the figures use) and the currents.
LoadLineSamples Samples(double anodeA, double gridA, double anodeG, double gridG,
                        const CurrentsAToG& i = kExample) {
    const auto point = [&](int k, double anode = 0, double grid = 0) {
        return SamplePoint{anode, grid, i[k].ib, i[k].ic1, i[k].ic2};
    };
    return {{point(0, anodeA, gridA), point(1), point(2), point(3), point(4), point(5),
             point(6, anodeG, gridG)}};
}

// Each row's fifteen texts are worked out by hand from the twelfth-part sums.
TEST(OperatingParameters, LabelTexts) {
    const LoadLineSamples first = Samples(300, 50, 2000, -100);
    CurrentsAToG onlyAtA{}, negativeGridAtA = kExample;
    onlyAtA[0].ib = 1.2;
    negativeGridAtA[0].ic1 = -0.01;
    // clang-format off
    const struct { const char* name; LoadLineSamples samples; float screenV, ratio;
                   std::array<std::string_view, 15> texts; } cases[] = {
        {"first example", first, 300, 1, {"1700.0", "466.7", "252.1", "933.3", "681.2", "73.0",
         "2121.2", "50.0", "18.3", "5.5", "150.0", "29.2", "4.4", "1.5", "750"}},
        // The first line at 1.4 times the screen voltage, in the curves' scale.
        {"second example", Samples(300.000005, 50.000001, 2000.000034, -100.000002), 250, 1.4F,
         {"2380.0", "466.7", "353.0", "1306.7", "953.7", "73.0", "2969.7", "50.0", "18.3", "6.4",
          "210.0", "29.2", "6.1", "2.0", "1050"}},
        // DC 0.6 / 12 A, fundamental 1.2 / 12 A: 100 W out of 50 W in; no grid current at A.
        {"output above input", Samples(-1000, 50, 1000, -100, onlyAtA), 300, 1, {"2000.0", "50.0",
         "-50.0", "50.0", "100.0", "200.0", "20000.0", "0.0", "0.0", "0.0", "150.0", "0.0", "0.0",
         "0.0", "1000000"}},
        {"negative grid current at A", Samples(300, 50, 2000, -100, negativeGridAtA), 300, 1,
         {"1700.0", "466.7", "252.1", "933.3", "681.2", "73.0", "2121.2", "50.0", "18.3", "5.5",
          "150.0", "20.4", "3.1", "1.0", "1000000"}},
        {"equal grid voltages", Samples(300, -100, 2000, -100), 300, 1, {"1700.0", "466.7", "252.1",
         "933.3", "681.2", "73.0", "2121.2", "50.0", "18.3", "5.5", "0.0", "29.2", "0.0", "-2.9",
         "0"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto texts = FormatOperatingParameters(
            ComputeOperatingParameters(c.samples, c.screenV, c.ratio), ".");
        for (std::size_t k = 0; k < texts.size(); ++k) {
            EXPECT_EQ(texts[k], c.texts[k]) << Figures()[k].caption;
        }
    }
}

TEST(OperatingParameters, FaultsNameTheFigure) {
    constexpr double huge = std::numeric_limits<double>::max();
    CurrentsAToG none{}, onlyAtG{}, hugeSum = kExample, hugeAtG = kExample, tinyGridAtA = kExample;
    onlyAtG[6].ib = 0.05;
    hugeSum[0].ib = hugeSum[1].ib = huge;
    hugeAtG[6].ib = 1e306; // finite in amperes, not in milliamperes
    tinyGridAtA[0].ic1 = std::numeric_limits<double>::denorm_min();
    constexpr auto kDivZero = FaultKind::DivisionByZero, kOverflow = FaultKind::Overflow;
    // clang-format off
    const struct { const char* name; LoadLineSamples samples; FaultKind kind;
                   std::string_view figure; } cases[] = {
        {"no current at A to F", Samples(300, 50, 2000, -100, none), kDivZero, "anode impedance"},
        {"current only at G", Samples(300, 50, 2000, -100, onlyAtG), kDivZero, "anode impedance"},
        {"no current, no swing", Samples(2000, 50, 2000, -100, none), kOverflow, "anode impedance"},
        {"anode bias 0 with current flowing", Samples(-300, 50, 0, -100), kDivZero, "efficiency"},
        {"anode current sum too large", Samples(300, 50, 2000, -100, hugeSum), kOverflow,
         "anode DC current"},
        {"anode swing too large", Samples(-huge, 50, huge, -100), kOverflow, "peak anode RF"},
        {"zero-signal current too large to show", Samples(300, 50, 2000, -100, hugeAtG), kOverflow,
         "zero-signal anode current"},
        {"grid impedance too large", Samples(300, 50, 2000, -100, tinyGridAtA), kOverflow,
         "grid impedance"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ComputeOperatingParameters(c.samples, 300, 1);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.kind) << fault.what();
            EXPECT_NE(std::string(fault.what()).find(c.figure), std::string::npos) << fault.what();
        }
    }
}

} // namespace
} // namespace tetrode
