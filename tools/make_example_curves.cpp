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

double FamilyCurrent(const ModelTetrode& tube, std::size_t family, double anode, double grid) {
    const Currents currents = tetrode::model::ModelCurrents(tube, anode, grid);
    return family == 0 ? currents.anode : family == 1 ? currents.screen : currents.grid;
}

std::string FixedText(double value, int decimals) {
    char buffer[64];
    const auto result = std::to_chars(std::begin(buffer), std::end(buffer), value,
                                      std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    return text.find_first_not_of("-0.") == std::string::npos ? "0" : text;
}

// The points of one contour as clicked on the chart. Every current of the model rises with the
// grid voltage, so at each anode voltage the contour crosses the chart once at most; it runs in
// pieces over the anode voltages where it does, each begun and ended on the chart's edge.
std::vector<std::pair<double, double>> TracedContour(const ModelTetrode& tube, std::size_t family,
                                                     double level) {
    const double anodeLow = tube.anodeFirst;
    const double anodeHigh = tube.anodeFirst + tube.anodeStep * (tube.anodePoints - 1);
    const double gridHigh = tube.gridFirst;
    const double gridLow = tube.gridFirst + tube.gridStep * (tube.gridCurves - 1);
    const auto bisect = [](double low, double high, auto&& isHigh) {
        for (int i = 0; i < 60; ++i) {
            const double middle = (low + high) / 2;
            (isHigh(middle) ? high : low) = middle;
        }
        return (low + high) / 2;
    };
    const auto crosses = [&](double anode) {
        return FamilyCurrent(tube, family, anode, gridLow) < level &&
               FamilyCurrent(tube, family, anode, gridHigh) >= level;
    };
    const auto pointAt = [&](double anode) {
        return std::pair(anode, bisect(gridLow, gridHigh, [&](double grid) {
                             return FamilyCurrent(tube, family, anode, grid) >= level;
                         }));
    };
    constexpr int kSteps = 3000;
    constexpr double kSpacing = 0.02; // of the chart, along the contour
    const auto distance = [&](std::pair<double, double> a, std::pair<double, double> b) {
        return std::hypot((b.first - a.first) / (anodeHigh - anodeLow),
                          (b.second - a.second) / (gridHigh - gridLow));
    };
    std::vector<std::pair<double, double>> points;
    std::pair<double, double> previous; // the last point of the contour walked
    double along = 0.0;                 // walked since the last click
    // Walks on to `point`, clicking every kSpacing; where the contour runs steeply the stretch is
    // cut finer, so that no click lies further than that from the next.
    const auto walkTo = [&](std::pair<double, double> point, bool end) {
        const auto pieces =
            std::max(1, static_cast<int>(std::ceil(distance(previous, point) / kSpacing * 4)));
        const double from = previous.first;
        for (int i = 1; i <= pieces; ++i) {
            const auto next =
                i == pieces ? point : pointAt(from + (point.first - from) * i / pieces);
            along += distance(previous, next);
            previous = next;
            if (along >= kSpacing || (end && i == pieces)) {
                points.push_back(next);
                along = 0.0;
            }
        }
    };
    for (int k = 0; k <= kSteps; ++k) {
        const double anode = anodeLow + (anodeHigh - anodeLow) * k / kSteps;
        const double before = anodeLow + (anodeHigh - anodeLow) * (k - 1) / kSteps;
        const bool inside = crosses(anode);
        const bool wasInside = k > 0 && crosses(before);
        if (inside && !wasInside) {
            // Where the piece enters the chart, from the anode voltage of the step before.
            const double edge =
                k == 0 ? anode : bisect(before, anode, [&](double a) { return crosses(a); });
            previous = pointAt(edge);
            points.push_back(previous);
            along = 0.0;
        } else if (!inside && wasInside) {
            const double edge = bisect(before, anode, [&](double a) { return !crosses(a); });
            walkTo(pointAt(std::nextafter(edge, before)), true);
        }
        if (inside) {
            walkTo(pointAt(anode), k == kSteps);
        }
    }
    return points;
}

// The small tube's chart traced, as WebPlotDigitizer exports all its datasets: a line of names
// (each followed by an empty field), a line "X,Y,..." and the i-th point of every curve on line i.
std::string TracedExportText(const ModelTetrode& tube) {
    std::vector<std::string> names;
    std::vector<std::vector<std::pair<double, double>>> curves;
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
                text.append(FixedText(curves[c][r].first, 1))
                    .append(",")
                    .append(FixedText(curves[c][r].second, 2));
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
