// SPDX-License-Identifier: MIT
#pragma once
// The model of the two hypothetical tetrodes whose curves examples/ holds, and the geometry of its
// contours on a chart: make_example_curves writes their curve files and a traced chart from it,
// and the import tests trace their contours from it.
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

#include <cmath>
#include <cstddef>
#include <vector>

namespace tetrode::model {

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
inline constexpr ModelTetrode kSmallTetrode{"model-tetrode-250v.csv",
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
inline constexpr ModelTetrode kLargeTetrode{"model-tetrode-400v.csv",
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

inline Currents ModelCurrents(const ModelTetrode& tube, double anodeVoltage, double gridVoltage) {
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

// The current of one family: 0 anode, 1 screen, 2 control grid (the calculator's order).
inline double FamilyCurrent(const ModelTetrode& tube, std::size_t family, double anodeVoltage,
                            double gridVoltage) {
    const Currents currents = ModelCurrents(tube, anodeVoltage, gridVoltage);
    return family == 0 ? currents.anode : family == 1 ? currents.screen : currents.grid;
}

// A point of a constant-current chart, in volts.
struct ChartPoint {
    double anode = 0.0;
    double grid = 0.0;
};

// The chart of a tube spans the axes of its curve file.
struct Chart {
    double anodeLow, anodeHigh, gridLow, gridHigh;
};

inline Chart ChartOf(const ModelTetrode& tube) {
    return {double(tube.anodeFirst),
            double(tube.anodeFirst + tube.anodeStep * (tube.anodePoints - 1)),
            double(tube.gridFirst + tube.gridStep * (tube.gridCurves - 1)), double(tube.gridFirst)};
}

// Where `isHigh` turns true between `low` and `high`, to the last bit a double holds.
template <class IsHigh> double Bisect(double low, double high, const IsHigh& isHigh) {
    for (int i = 0; i < 60; ++i) {
        const double middle = (low + high) / 2;
        (isHigh(middle) ? high : low) = middle;
    }
    return (low + high) / 2;
}

// Whether the contour of `level` crosses the chart at `anode`: every current of the model rises
// with the grid voltage, so it does so once at most.
inline bool ContourCrosses(const ModelTetrode& tube, std::size_t family, double level,
                           double anode) {
    const Chart chart = ChartOf(tube);
    return FamilyCurrent(tube, family, anode, chart.gridLow) < level &&
           FamilyCurrent(tube, family, anode, chart.gridHigh) >= level;
}

// The contour's point at `anode`, where it crosses the chart there.
inline ChartPoint ContourPointAt(const ModelTetrode& tube, std::size_t family, double level,
                                 double anode) {
    const Chart chart = ChartOf(tube);
    return {anode, Bisect(chart.gridLow, chart.gridHigh, [&](double grid) {
                return FamilyCurrent(tube, family, anode, grid) >= level;
            })};
}

// The contour of `level` as pieces of line on the chart (it may leave the chart and come back),
// each begun and ended on the chart's edge, with a point at each of 3000 steps of anode voltage.
inline std::vector<std::vector<ChartPoint>> ContourPieces(const ModelTetrode& tube,
                                                          std::size_t family, double level) {
    constexpr int kSteps = 3000;
    const Chart chart = ChartOf(tube);
    const auto crosses = [&](double anode) { return ContourCrosses(tube, family, level, anode); };
    const auto pointAt = [&](double anode) { return ContourPointAt(tube, family, level, anode); };
    std::vector<std::vector<ChartPoint>> pieces;
    for (int k = 0; k <= kSteps; ++k) {
        const double anode = chart.anodeLow + (chart.anodeHigh - chart.anodeLow) * k / kSteps;
        const double before =
            chart.anodeLow + (chart.anodeHigh - chart.anodeLow) * (k - 1) / kSteps;
        const bool inside = crosses(anode);
        const bool wasInside = k > 0 && crosses(before);
        if (inside && !wasInside) {
            pieces.emplace_back();
            if (k > 0) {
                // Where the piece enters the chart, from the anode voltage of the step before.
                pieces.back().push_back(pointAt(Bisect(before, anode, crosses)));
            }
        } else if (!inside && wasInside) {
            const double edge = Bisect(before, anode, [&](double a) { return !crosses(a); });
            pieces.back().push_back(pointAt(std::nextafter(edge, before)));
        }
        if (inside) {
            pieces.back().push_back(pointAt(anode));
        }
    }
    return pieces;
}

} // namespace tetrode::model
