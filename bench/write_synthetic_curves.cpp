// SPDX-License-Identifier: MIT
// Writes the benchmarks' synthetic curves as a curve file, for benchmarks of whole programs:
//   write_synthetic_curves POINTS CURVES FILE
#include "bench/synthetic_table.h"
#include "curves/curve_file_writer.h"
#include "platform/fault.h"

#include <charconv>
#include <fstream>
#include <iostream>
#include <string_view>

namespace {

int Count(std::string_view text) {
    int count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc{} && end == text.data() + text.size() && count >= 2 ? count : 0;
}

} // namespace

int main(int argc, char* argv[]) {
    const int points = argc == 4 ? Count(argv[1]) : 0;
    const int curves = argc == 4 ? Count(argv[2]) : 0;
    if (points == 0 || curves == 0) {
        std::cerr << "usage: write_synthetic_curves POINTS CURVES FILE (counts of at least 2)\n";
        return 2;
    }
    try {
        std::ofstream out(argv[3], std::ios::binary);
        tetrode::WriteCurveFile(out, tetrode::bench::SyntheticTable(points, curves),
                                "synthetic curves of the benchmarks");
        out.close();
        if (!out) {
            throw tetrode::Fault(tetrode::FaultKind::FileOpen, "cannot be written",
                                 tetrode::FilePlace{argv[3]});
        }
    } catch (const tetrode::Fault& fault) {
        std::cerr << tetrode::FaultKindName(fault.kind()) << ":\n"
                  << tetrode::FaultMessage(fault) << '\n';
        return 1;
    }
    return 0;
}
