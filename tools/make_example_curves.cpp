// SPDX-License-Identifier: MIT
// Writes the model curve files of examples/: constant-current curves of two hypothetical tetrodes
// computed from a simple physical model. They are not measurements of any real tube; they exist so
// that the calculator can be tried and tested on curves with a plausible shape.
//
//     make_example_curves <folder>           writes the files into <folder>
//     make_example_curves --check <folder>   exits with 1 when the files in <folder> differ
//
// The model (all voltages in volts, currents in amperes):
//
//   Effective voltage. The cathode sees one field made of the control-grid voltage Vg, the screen
//   voltage Vs and the anode voltage Va, each screened by the electrodes in front of it:
//       Ve = Vg + Vs / mu_s + Va / mu_a
//   mu_s is the grid-screen amplification factor (about 5 for small tetrodes), mu_a the much
//   larger factor by which the screen hides the anode from the cathode.
//
//   Cathode current. Child-Langmuir's 3/2-power law with a perveance K:
//       Ik = K * Ve^1.5   for Ve > 0, else 0.
//
//   Control-grid current. A positive grid intercepts a share of the cathode current that grows
//   with its own voltage and shrinks as the anode voltage pulls electrons past it:
//       Ig = Ik * Vg / (Vg + Vgi + Va / ga)   for Vg > 0, else 0.
//
//   Anode and screen. The rest, Ik - Ig, divides between anode and screen. At low anode voltage
//   the screen takes most of it (the knee of the anode characteristic); well above the knee the
//   anode takes a fixed share dmax:
//       Ia = (Ik - Ig) * D(Va),  Is = (Ik - Ig) * (1 - D(Va)),
//       D(Va) = dmax * (1 - exp(-Va / Vk)).
//
// Currents are written with four decimals (0.1 mA), voltages as whole volts, so every file is
// reproducible to the byte from this program.

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

struct ModelTetrode {
    const char* fileName;
    const char* lineEnd;
    double screenVoltage;         // Vs, the screen voltage the curves are taken at
    double muScreen;              // mu_s
    double muAnode;               // mu_a
    double perveance;             // K, A/V^1.5
    double gridShareVoltage;      // Vgi
    double gridShareAnodeDivisor; // ga
    double anodeShare;            // dmax
    double kneeVoltage;           // Vk
    int anodeFirst, anodeStep, anodePoints;
    int gridFirst, gridStep, gridCurves; // the first curve is the most positive grid voltage
};

// A small tube of a few hundred watts at 250 V screen voltage: 16 anode points by 10 curves, in
// the layout of the classic curve file and with LF line ends.
constexpr ModelTetrode kSmallTetrode{"model-tetrode-250v.csv",
                                     "\n",
                                     250.0,
                                     5.0,
                                     150.0,
                                     1.2e-3,
                                     40.0,
                                     20.0,
                                     0.92,
                                     150.0,
                                     0,
                                     200,
                                     16,
                                     20,
                                     -10,
                                     10};

// A larger tube at 400 V screen voltage: 17 anode points by 13 curves, with CR LF line ends.
constexpr ModelTetrode kLargeTetrode{"model-tetrode-400v.csv",
                                     "\r\n",
                                     400.0,
                                     6.0,
                                     200.0,
                                     2.0e-3,
                                     60.0,
                                     25.0,
                                     0.90,
                                     200.0,
                                     0,
                                     250,
                                     17,
                                     30,
                                     -10,
                                     13};

struct Currents {
    double anode = 0.0;
    double screen = 0.0;
    double grid = 0.0;
};

Currents ModelCurrents(const ModelTetrode& tube, double anodeVoltage, double gridVoltage) {
    const double effective =
        gridVoltage + tube.screenVoltage / tube.muScreen + anodeVoltage / tube.muAnode;
    if (effective <= 0.0) {
        return {};
    }
    const double cathode = tube.perveance * std::pow(effective, 1.5);
    double grid = 0.0;
    if (gridVoltage > 0.0) {
        grid = cathode * gridVoltage /
               (gridVoltage + tube.gridShareVoltage + anodeVoltage / tube.gridShareAnodeDivisor);
    }
    const double division = tube.anodeShare * (1.0 - std::exp(-anodeVoltage / tube.kneeVoltage));
    return {(cathode - grid) * division, (cathode - grid) * (1.0 - division), grid};
}

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
                const Currents currents =
                    ModelCurrents(tube, tube.anodeFirst + j * tube.anodeStep, gridVoltage(i));
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
    for (const ModelTetrode& tube : {kSmallTetrode, kLargeTetrode}) {
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
