// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"

namespace tetrode::bench {

// A tetrode-like set of curves at 300 V screen voltage, `points` anode points from 0 to 4950 V and
// `curves` curves from +150 to -240 V. The anode current follows a three-halves law in the
// effective voltage and falls off below a knee at low anode voltage; the screen takes more as the
// anode voltage falls; the control grid draws current only when positive.
CurveTable SyntheticTable(int points, int curves);

} // namespace tetrode::bench
