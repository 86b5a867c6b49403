// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"

namespace tetrode {

// The three currents at one point of the anode-voltage / grid-voltage plane, in amperes,
// operating scale.
struct InterpolatedCurrents {
    double Ib = 0.0;  // anode, from AnodeCurrents
    double Ic1 = 0.0; // control grid, from GridCurrents
    double Ic2 = 0.0; // screen grid, from ScreenCurrents
};

// Bilinear interpolation in the table's three current matrices at (op_point_x, op_point_y), both
// data-sheet-scale volts, each result multiplied by PowerRatio32. Outside the table the edge
// column or curve is continued as a constant. The steps are those of the last two axis entries,
// so a non-uniform axis extrapolates linearly inside its bracket.
//
// Faults: fewer than two anode points or grid curves (subscript out of range); a zero last step
// (division by zero, or overflow when the point lies on that entry); a step or a result beyond
// the single or double range (overflow). Nothing is returned then.
InterpolatedCurrents GridInterpolation(const CurveTable& table, double op_point_x,
                                       double op_point_y, float PowerRatio32);

} // namespace tetrode
