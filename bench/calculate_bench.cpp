// SPDX-License-Identifier: MIT
// Measures one whole Calculate as the button runs it: reading the five box texts, sampling the
// operating line with its seven interpolations, the fifteen figures and their fifteen label
// texts, on a 100-anode-point by 40-curve table. The goal is well under 5 microseconds.
#include "analysis/load_line.h"
#include "analysis/operating_parameters.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

namespace {

using tetrode::CurveTable;

// A tetrode-like set of curves at 300 V screen voltage: anode points 0 to 4950 V by 50 V, curves
// +150 to -240 V by 10 V. The anode current follows a three-halves law in the effective voltage
// and falls off below a knee at low anode voltage; the screen takes more as the anode voltage
// falls; the control grid draws current only when positive.
CurveTable SyntheticTable() {
    constexpr int points = 100;
    constexpr int curves = 40;
    CurveTable table;
    table.NumAnodePoints = points;
    table.NumGridCurves = curves;
    table.DataSheetScreenV = 300.0F;
    table.AnodeVoltages.resize(points);
    table.GridVoltages.resize(curves);
    table.AnodeCurrents = tetrode::CurrentMatrix(points, curves);
    table.ScreenCurrents = tetrode::CurrentMatrix(points, curves);
    table.GridCurrents = tetrode::CurrentMatrix(points, curves);
    for (int j = 0; j < points; ++j) {
        table.AnodeVoltages[j] = static_cast<float>(50 * j);
    }
    for (int i = 0; i < curves; ++i) {
        table.GridVoltages[i] = static_cast<float>(150 - 10 * i);
    }
    for (int i = 0; i < curves; ++i) {
        const double grid = table.GridVoltages[i];
        for (int j = 0; j < points; ++j) {
            const double anode = table.AnodeVoltages[j];
            const double drive = std::max(0.0, grid + 150.0 + anode / 40.0);
            const double total = 0.0004 * std::pow(drive, 1.5);
            const double knee = 1.0 - std::exp(-anode / 250.0);
            table.AnodeCurrents.at(j, i) = static_cast<float>(total * knee);
            table.ScreenCurrents.at(j, i) =
                static_cast<float>(total * (1.0 - knee) * 0.5 + 0.02 * total);
            table.GridCurrents.at(j, i) =
                static_cast<float>(0.0005 * std::pow(std::max(0.0, grid), 1.5));
        }
    }
    return table;
}

// A class-C line at the data-sheet screen voltage: G at 2000 V / -100 V, A at 300 V / +50 V.
const tetrode::OperatingLineTexts kTexts{"300", "2000", "-100", "300", "50"};

void BM_Calculate(benchmark::State& state) {
    CurveTable table = SyntheticTable();
    const tetrode::OperatingLineTexts& texts = kTexts;
    for (auto _ : state) {
        const tetrode::LoadLineSamples samples = tetrode::SampleLoadLine(table, texts);
        const tetrode::OperatingParameters figures =
            tetrode::ComputeOperatingParameters(samples, table);
        auto labels = tetrode::FormatOperatingParameters(figures, ".");
        benchmark::DoNotOptimize(labels);
    }
}
BENCHMARK(BM_Calculate);

// The two halves of the figure above, to show where its time goes.
void BM_SampleLoadLine(benchmark::State& state) {
    CurveTable table = SyntheticTable();
    for (auto _ : state) {
        tetrode::LoadLineSamples samples = tetrode::SampleLoadLine(table, kTexts);
        benchmark::DoNotOptimize(samples);
    }
}
BENCHMARK(BM_SampleLoadLine);

void BM_FormatOperatingParameters(benchmark::State& state) {
    CurveTable table = SyntheticTable();
    const tetrode::OperatingParameters figures =
        tetrode::ComputeOperatingParameters(tetrode::SampleLoadLine(table, kTexts), table);
    for (auto _ : state) {
        auto labels = tetrode::FormatOperatingParameters(figures, ".");
        benchmark::DoNotOptimize(labels);
    }
}
BENCHMARK(BM_FormatOperatingParameters);

} // namespace

BENCHMARK_MAIN();
