// SPDX-License-Identifier: MIT
// The cost of the number/text conversions. A Calculate formats fifteen figures, so the display
// pattern's cost times fifteen is its share of one Calculate. The C library's printf is measured
// beside it as a yardstick that does not depend on how busy the machine is.
#include "platform/number_text.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

// A figure with all 17 significant digits, as computed figures usually have.
constexpr double figure = 466.66666666666669;

void DisplayPattern(benchmark::State& state) {
    double value = figure;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tetrode::FormatDisplayPattern(value, "###0.0", "."));
        value += 0.001;
    }
}
BENCHMARK(DisplayPattern);

void PrintfOneDecimal(benchmark::State& state) {
    double value = figure;
    char buffer[64];
    for (auto _ : state) {
        const int length = std::snprintf(buffer, sizeof buffer, "%.1f", value);
        benchmark::DoNotOptimize(std::string(buffer, length));
        value += 0.001;
    }
}
BENCHMARK(PrintfOneDecimal);

void GeneralSingle(benchmark::State& state) {
    float value = 864.000061f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tetrode::FormatGeneralSingle(value));
        value += 0.001f;
    }
}
BENCHMARK(GeneralSingle);

void ReadTypedNumber(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(tetrode::NumberFromText(" 2800.5 V"));
    }
}
BENCHMARK(ReadTypedNumber);

} // namespace

BENCHMARK_MAIN();
