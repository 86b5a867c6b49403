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
//
// It also writes what a graph digitizer would export from the small tube's constant-current chart,
// for the import of digitized charts to be tried on: the contours of data-sheet-like currents,
// traced as a careful user clicks them (a point every 2 % of the chart along each, its ends on the
// chart's edges), in WebPlotDigitizer's "Export All Data" layout, anode voltages to 0.1 V and grid
// voltages to 0.01 V.

#include "tools/model_tetrode.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using tetrode::model::ChartPoint;
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

// The currents traced in each family, A: round levels such as a data sheet draws.
const std::vector<double> kTracedLevels[] = {
    {0.05, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.8},
    {0.01, 0.02, 0.05, 0.1, 0.2},
    {0.01, 0.02, 0.05, 0.1},
};
const char* const kTracedPrefixes[] = {"Ia ", "Is ", "Ig "};

std::string FixedText(double value, int decimals) {
    char buffer[64];
    const auto result = std::to_chars(std::begin(buffer), std::end(buffer), value,
                                      std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    return text.find_first_not_of("-0.") == std::string::npos ? "0" : text;
}

// The points of one contour as clicked on the chart: its pieces each begun and ended on the
// chart's edge, a click every kSpacing of the chart along them.
std::vector<ChartPoint> TracedContour(const ModelTetrode& tube, std::size_t family, double level) {
    constexpr double kSpacing = 0.02; // of the chart, along the contour
    const tetrode::model::Chart chart = tetrode::model::ChartOf(tube);
    const auto distance = [&](ChartPoint a, ChartPoint b) {
        return std::hypot((b.anode - a.anode) / (chart.anodeHigh - chart.anodeLow),
                          (b.grid - a.grid) / (chart.gridHigh - chart.gridLow));
    };
    std::vector<ChartPoint> points;
    for (const std::vector<ChartPoint>& piece :
         tetrode::model::ContourPieces(tube, family, level)) {
        ChartPoint previous = piece.front(); // the last point of the contour walked
        points.push_back(previous);
        double along = 0.0; // walked since the last click
        for (std::size_t i = 1; i < piece.size(); ++i) {
            // Where the contour runs steeply the stretch is cut finer, so that no click lies
            // further than kSpacing from the next.
            const auto steps = std::max(
                1, static_cast<int>(std::ceil(distance(previous, piece[i]) / kSpacing * 4)));
            const double from = previous.anode;
            for (int s = 1; s <= steps; ++s) {
                const ChartPoint next =
                    s == steps
                        ? piece[i]
                        : tetrode::model::ContourPointAt(
                              tube, family, level, from + (piece[i].anode - from) * s / steps);
                along += distance(previous, next);
                previous = next;
                if (along >= kSpacing || (i + 1 == piece.size() && s == steps)) {
                    points.push_back(next);
                    along = 0.0;
                }
            }
        }
    }
    return points;
}

// The small tube's chart traced, as WebPlotDigitizer exports all its datasets: a line of names
// (each followed by an empty field), a line "X,Y,..." and the i-th point of every curve on line i.
std::string TracedExportText(const ModelTetrode& tube) {
    std::vector<std::string> names;
    std::vector<std::vector<ChartPoint>> curves;
    for (std::size_t family = 0; family < std::size(kTracedLevels); ++family) {
        for (const double level : kTracedLevels[family]) {
            names.push_back(kTracedPrefixes[family] + std::to_string(std::lround(level * 1000)) +
                            "mA");
            curves.push_back(TracedContour(tube, family, level));
        }
    }
    std::string text, labels;
    std::size_t rows = 0;
    for (std::size_t c = 0; c < curves.size(); ++c) {
        text.append(c == 0 ? "" : ",").append(names[c]).append(",");
        labels.append(c == 0 ? "X,Y" : ",X,Y");
        rows = std::max(rows, curves[c].size());
    }
    text.append("\n").append(labels).append("\n");
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < curves.size(); ++c) {
            text.append(c == 0 ? "" : ",");
            if (r < curves[c].size()) {
                text.append(FixedText(curves[c][r].anode, 1))
                    .append(",")
                    .append(FixedText(curves[c][r].grid, 2));
            } else {
                text.append(",");
            }
        }
        text.append("\n");
    }
    return text;
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
    const std::pair<std::string, std::string> files[] = {
        {tetrode::model::kSmallTetrode.fileName, CurveFileText(tetrode::model::kSmallTetrode)},
        {tetrode::model::kLargeTetrode.fileName, CurveFileText(tetrode::model::kLargeTetrode)},
        {"model-tetrode-250v-traced.csv", TracedExportText(tetrode::model::kSmallTetrode)},
    };
    for (const auto& [name, text] : files) {
        const std::filesystem::path path = folder / name;
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
