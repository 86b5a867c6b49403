// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace tetrode::bench {

// A tetrode-like set of curves at 300 V screen voltage, `points` anode points from 0 to 4950 V and
// `curves` curves from +150 to -240 V, as calculate_bench builds them: the anode current follows a
// three-halves law in the effective voltage and falls off below a knee at low anode voltage; the
// screen takes more as the anode voltage falls; the control grid draws current only when positive.
inline CurveTable SyntheticTable(int points, int curves) {
    std::vector<float> anodeVoltages(static_cast<std::size_t>(points));
    std::vector<float> gridVoltages(static_cast<std::size_t>(curves));
    CurrentMatrix anode(points, curves), screen(points, curves), grid(points, curves);
    for (int j = 0; j < points; ++j) {
        anodeVoltages[j] = static_cast<float>(4950.0 * j / (points - 1));
    }
    for (int i = 0; i < curves; ++i) {
        gridVoltages[i] = static_cast<float>(150.0 - 390.0 * i / (curves - 1));
    }
    for (int i = 0; i < curves; ++i) {
        const double g = gridVoltages[i];
        for (int j = 0; j < points; ++j) {
            const double a = anodeVoltages[j];
            const double drive = std::max(0.0, g + 150.0 + a / 40.0);
            const double total = 0.0004 * std::pow(drive, 1.5);
            const double knee = 1.0 - std::exp(-a / 250.0);
            anode.at(j, i) = static_cast<float>(total * knee);
            screen.at(j, i) = static_cast<float>(total * (1.0 - knee) * 0.5 + 0.02 * total);
            grid.at(j, i) = static_cast<float>(0.0005 * std::pow(std::max(0.0, g), 1.5));
        }
    }
    return CurveTable(300.0F, std::move(anodeVoltages), std::move(gridVoltages), std::move(anode),
                      std::move(screen), std::move(grid));
}

} // namespace tetrode::bench
