// SPDX-License-Identifier: MIT
// Measures one whole Calculate as the button runs it, without the window: reading the five box
// texts, the scale factors, sampling the operating line with its seven interpolations, the fifteen
// figures and their fifteen texts. On a 100-anode-point by 40-curve table the goal is a median
// under 2 microseconds; on a 2000 x 2000 table it must stay within 1.2 times that, as the axes are
// searched by halving. Run with --benchmark_repetitions=N for more repetitions than the 15 set.
#include "analysis/session.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

using tetrode::CurveTable;

// A tetrode-like set of curves at 300 V screen voltage, `points` anode points from 0 to 4950 V and
// `curves` curves from +150 to -240 V. The anode current follows a three-halves law in the
// effective voltage and falls off below a knee at low anode voltage; the screen takes more as the
// anode voltage falls; the control grid draws current only when positive.
CurveTable SyntheticTable(int points, int curves) {
    std::vector<float> anodeVoltages(static_cast<std::size_t>(points));
    std::vector<float> gridVoltages(static_cast<std::size_t>(curves));
    tetrode::CurrentMatrix anode(points, curves), screen(points, curves), grid(points, curves);
    for (int j = 0; j < points; ++j) {
        anodeVoltages[j] = static_cast<float>(4950.0 * j / (points - 1));
    }
    for (int i = 0; i < curves; ++i) {
        gridVoltages[i] = static_cast<float>(150.0 - 390.0 * i / (curves - 1));
    }
    for (int i = 0; i < curves; ++i) {
        const double g = gridVoltages[i];
        for (int j = 0; j < points; ++j) {
            const double a = anodeVoltages[j];
            const double drive = std::max(0.0, g + 150.0 + a / 40.0);
            const double total = 0.0004 * std::pow(drive, 1.5);
            const double knee = 1.0 - std::exp(-a / 250.0);
            anode.at(j, i) = static_cast<float>(total * knee);
            screen.at(j, i) = static_cast<float>(total * (1.0 - knee) * 0.5 + 0.02 * total);
            grid.at(j, i) = static_cast<float>(0.0005 * std::pow(std::max(0.0, g), 1.5));
        }
    }
    return CurveTable(300.0F, std::move(anodeVoltages), std::move(gridVoltages), std::move(anode),
                      std::move(screen), std::move(grid));
}

tetrode::Session SessionWith(const benchmark::State& state) {
    tetrode::Session session;
    session.Accept(
        {SyntheticTable(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))), "300",
         "synthetic.csv"},
        "synthetic.csv");
    return session;
}

// A class-C line at the data-sheet screen voltage: G at 2000 V / -100 V, A at 300 V / +50 V.
const tetrode::OperatingLineTexts kTexts{"300", "2000", "-100", "300", "50"};

void BM_Calculate(benchmark::State& state) {
    tetrode::Session session = SessionWith(state);
    for (auto _ : state) {
        const tetrode::Calculation& calculation = session.Calculate(kTexts);
        auto texts = tetrode::FormatOperatingParameters(calculation.figures, ".");
        benchmark::DoNotOptimize(texts);
    }
}
BENCHMARK(BM_Calculate)
    ->Args({100, 40})
    ->Args({2000, 2000})
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

// The two halves of the figure above, to show where its time goes.
void BM_SampleLoadLine(benchmark::State& state) {
    const CurveTable table =
        SyntheticTable(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    const tetrode::OperatingVoltages line = tetrode::ReadOperatingLine(kTexts);
    const tetrode::ScaleFactors scale = tetrode::ScaleFactorsFor(line.ScreenBias, 300.0F);
    for (auto _ : state) {
        tetrode::LoadLineSamples samples = tetrode::SampleLoadLine(table, scale, line);
        benchmark::DoNotOptimize(samples);
    }
}
BENCHMARK(BM_SampleLoadLine)->Args({100, 40});

void BM_FormatOperatingParameters(benchmark::State& state) {
    const tetrode::Session session = [&] {
        tetrode::Session s = SessionWith(state);
        s.Calculate(kTexts);
        return s;
    }();
    for (auto _ : state) {
        auto texts = tetrode::FormatOperatingParameters(session.LastCalculation()->figures, ".");
        benchmark::DoNotOptimize(texts);
    }
}
BENCHMARK(BM_FormatOperatingParameters)->Args({100, 40});

} // namespace

BENCHMARK_MAIN();
