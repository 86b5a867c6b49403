// SPDX-License-Identifier: MIT
// The charts' analysis without the window. Contours of a 2000 x 2000 table at full resolution
// (the three families on their automatic levels) must take under 300 ms; what the window computes
// for a redraw (contours from every n-th point, the cycle analysis, the table) must stay within a
// frame of 16 ms, as it runs on the window's thread.
#include "analysis/charts.h"
#include "bench/synthetic_table.h"

#include <benchmark/benchmark.h>

namespace {

using namespace tetrode;

// A class-C line at the data-sheet screen voltage: G at 2000 V / -100 V, A at 300 V / +50 V.
const OperatingLineTexts kLine{"300", "2000", "-100", "300", "50"};

Session SessionWith(int points, int curves) {
    Session session;
    session.Accept({bench::SyntheticTable(points, curves), "300", "synthetic.csv"},
                   "synthetic.csv");
    session.Calculate(kLine);
    return session;
}

void BM_ContoursAtFullResolution(benchmark::State& state) {
    const Session session =
        SessionWith(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)));
    const ScaleFactors scale = session.Scale();
    std::size_t points = 0;
    for (auto _ : state) {
        points = 0;
        for (const CurrentFamily family : kCurrentFamilies) {
            const CurrentRange range = CurrentRangeOf(session.Curves(), family, scale.PowerRatio32);
            const std::vector<double> levels = NiceLevels(range.low, range.high);
            for (const ContourLine& line : ContourLines(session.Curves(), family, levels, scale)) {
                points += line.points.size();
            }
        }
        benchmark::DoNotOptimize(points);
    }
    state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_ContoursAtFullResolution)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Everything a redraw of the charts window computes.
void BM_BuildCharts(benchmark::State& state) {
    const Session session =
        SessionWith(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        ChartModel model = BuildCharts(session);
        benchmark::DoNotOptimize(model);
    }
}
BENCHMARK(BM_BuildCharts)
    ->Args({16, 10})
    ->Args({2000, 2000})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_AnalyseCycle(benchmark::State& state) {
    const Session session =
        SessionWith(static_cast<int>(state.range(0)), static_cast<int>(state.range(0)));
    const Calculation& calculation = *session.LastCalculation();
    for (auto _ : state) {
        CycleAnalysis cycle =
            AnalyseCycle(session.Curves(), calculation.samples, calculation.scale);
        benchmark::DoNotOptimize(cycle);
    }
}
BENCHMARK(BM_AnalyseCycle)->Arg(2000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
