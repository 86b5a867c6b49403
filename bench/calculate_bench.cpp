// SPDX-License-Identifier: MIT
// Measures one whole Calculate as the button runs it, without the window: reading the five box
// texts, the scale factors, sampling the operating line with its seven interpolations, the fifteen
// figures and their fifteen texts. On a 100-anode-point by 40-curve table the goal is a median
// under 2 microseconds; on a 2000 x 2000 table it must stay within 1.2 times that, as the axes are
// searched by halving. Run with --benchmark_repetitions=N for more repetitions than the 15 set.
#include "analysis/session.h"
#include "bench/synthetic_table.h"

#include <benchmark/benchmark.h>

namespace {

using tetrode::CurveTable;
using tetrode::bench::SyntheticTable;

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
