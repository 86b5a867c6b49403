// SPDX-License-Identifier: MIT
// Writes the model curve files of examples/: constant-current curves of two hypothetical tetrodes
// computed from a simple physical model. They are not measurements of any real tube; they exist so
// that the calculator can be tried and tested on curves with a plausible shape.
//
//     make_example_curves <folder>           writes the files into <folder>
//     make_example_curves --check <folder>   exits with 1 when the files in <folder> differ
//
// The model is in model_tetrode.h. Currents are written with four decimals (0.1 mA), voltages as
// whole volts, so every file is reproducible to the byte from this program.

#include "tools/model_tetrode.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

using tetrode::model::Currents;
using tetrode::model::ModelTetrode;

// Four decimals, trailing zeros and a bare point dropped: 0.3500 is written 0.35, 0.0000 is 0.
std::string CurrentText(double amperes) {
    char buffer[64];
    const auto result =
        std::to_chars(std::begin(buffer), std::end(buffer), amperes, std::chars_format::fixed, 4);
    std::string text(buffer, result.ptr);
    while (!text.empty() && text.back() == '0') {
        text.pop_back();
    }
    if (!text.empty() && text.back() == '.') {
        text.pop_back();
    }
    return text == "-0" || text.empty() ? "0" : text;
}

std::string CurveFileText(const ModelTetrode& tube) {
    std::ostringstream out;
    const std::string end = tube.lineEnd;
    std::string anodeAxis;
    for (int j = 0; j < tube.anodePoints; ++j) {
        anodeAxis += ',';
        anodeAxis += std::to_string(tube.anodeFirst + j * tube.anodeStep);
    }
    auto gridVoltage = [&](int i) { return tube.gridFirst + i * tube.gridStep; };
    auto block = [&](double Currents::*member) {
        for (int i = 0; i < tube.gridCurves; ++i) {
            out << gridVoltage(i);
            for (int j = 0; j < tube.anodePoints; ++j) {
                const Currents currents = tetrode::model::ModelCurrents(
                    tube, tube.anodeFirst + j * tube.anodeStep, gridVoltage(i));
                out << ',' << CurrentText(currents.*member);
            }
            out << end;
        }
    };

    out << tube.screenVoltage
        << ",model curves of a hypothetical tetrode from a 3/2-power law; not data of any real tube"
        << end;
    out << "Ea" << anodeAxis << end;
    block(&Currents::anode);
    out << "Screen" << anodeAxis << end;
    block(&Currents::screen);
    out << "Control grid current" << end;
    block(&Currents::grid);
    return out.str();
}

} // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::cerr << "usage: make_example_curves [--check] <folder>\n";
        return 2;
    }
    const std::filesystem::path folder = argv[argc - 1];
    int differing = 0;
    for (const ModelTetrode& tube :
         {tetrode::model::kSmallTetrode, tetrode::model::kLargeTetrode}) {
        const std::filesystem::path path = folder / tube.fileName;
        const std::string text = CurveFileText(tube);
        if (check) {
            std::ifstream in(path, std::ios::binary);
            const std::string existing{std::istreambuf_iterator<char>(in), {}};
            if (existing != text) {
                std::cerr << path.string() << " differs from the model's output\n";
                ++differing;
            }
            continue;
        }
        std::ofstream out(path, std::ios::binary);
        out << text;
        if (!out) {
            std::cerr << "cannot write " << path.string() << '\n';
            return 1;
        }
    }
    return differing == 0 ? 0 : 1;
}
