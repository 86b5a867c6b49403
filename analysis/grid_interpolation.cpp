// SPDX-License-Identifier: MIT
#include "analysis/grid_interpolation.h"

#include "platform/checked_math.h"
#include "platform/fault.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace tetrode {
namespace {

// The lower and upper index of the entries that enclose a point on one axis (equal outside the
// axis, where the edge entry is continued as a constant).
struct Bracket {
    int first = 0;
    int second = 0;
};

void RequireTwoEntries(const CurveTable& table) {
    if (table.NumAnodePoints() < 2 || table.NumGridCurves() < 2) {
        throw Fault(FaultKind::SubscriptOutOfRange,
                    "the curves need at least two anode-voltage points and two grid-voltage "
                    "curves");
    }
}

// higher - lower as a single-precision subtraction gives it. Two singles differ by a value whose
// double is exact or within far less than half a single's unit, so rounding that double to single
// is the single subtraction; the check turns its overflow into a fault instead of infinity.
double SingleDifference(float higher, float lower, std::string_view quantity) {
    return CheckedToSingle(static_cast<double>(higher) - static_cast<double>(lower), quantity);
}

// Anode axis, ascending: the first entry at or above x closes the bracket. On an axis that never
// falls the first such entry is found by halving, which gives the entry a scan from the start
// finds; an axis out of order is scanned, so that it yields what it always has.
Bracket AnodeBracket(const CurveTable& table, double x) {
    const std::vector<float>& axis = table.AnodeVoltages();
    const int count = table.NumAnodePoints();
    if (!(x <= static_cast<double>(axis[count - 1]))) {
        return {count - 1, count - 1};
    }
    int j = 0;
    if (table.AnodeAxisRises()) {
        j = static_cast<int>(
            std::partition_point(axis.begin(), axis.begin() + count - 1,
                                 [x](float entry) { return static_cast<double>(entry) < x; }) -
            axis.begin());
    } else {
        // The scan stops at the last entry at the latest, since x is at or below it.
        while (j < count - 1 && !(static_cast<double>(axis[j]) >= x)) {
            ++j;
        }
    }
    return j > 0 ? Bracket{j - 1, j} : Bracket{0, 0};
}

// Grid axis, descending: the first curve at or below y closes the bracket. `first` is the curve
// with the more positive grid voltage. Searched as the anode axis is.
Bracket GridBracket(const CurveTable& table, double y) {
    const std::vector<float>& axis = table.GridVoltages();
    const int count = table.NumGridCurves();
    if (!(y > static_cast<double>(axis[count - 1]))) {
        return {count - 1, count - 1};
    }
    int i = 0;
    if (table.GridAxisFalls()) {
        i = static_cast<int>(
            std::partition_point(axis.begin(), axis.begin() + count - 1,
                                 [y](float entry) { return static_cast<double>(entry) > y; }) -
            axis.begin());
    } else {
        while (i < count - 1 && !(static_cast<double>(axis[i]) <= y)) {
            ++i;
        }
    }
    return i > 0 ? Bracket{i - 1, i} : Bracket{0, 0};
}

double Blend(const CurrentMatrix& currents, Bracket anode, Bracket grid, double fx, double fy,
             double powerRatio, std::string_view quantity) {
    const int a0 = anode.first;
    const int a1 = anode.second;
    const int c0 = grid.first;
    const int c1 = grid.second;
    const double lowerCurve =
        static_cast<double>(currents.at(a0, c1)) +
        fx * SingleDifference(currents.at(a1, c1), currents.at(a0, c1), quantity);
    const double upperCurve =
        static_cast<double>(currents.at(a0, c0)) +
        fx * SingleDifference(currents.at(a1, c0), currents.at(a0, c0), quantity);
    const double across = lowerCurve + fy * (upperCurve - lowerCurve);
    // Infinity or NaN cannot vanish in a sum or product, so testing the end result covers every
    // intermediate blend.
    return CheckedFinite(across * powerRatio, quantity);
}

} // namespace

InterpolatedCurrents GridInterpolation(const CurveTable& table, double op_point_x,
                                       double op_point_y, float PowerRatio32) {
    RequireTwoEntries(table);
    const std::vector<float>& anodeAxis = table.AnodeVoltages();
    const std::vector<float>& gridAxis = table.GridVoltages();
    const std::size_t points = anodeAxis.size();
    const std::size_t curves = gridAxis.size();

    // Every cell is measured with the last step of its axis, whatever the earlier steps are.
    const double anodeStep = SingleDifference(anodeAxis[points - 1], anodeAxis[points - 2],
                                              "anode-voltage step of the curves");
    const Bracket anode = AnodeBracket(table, op_point_x);
    const double gridStep = SingleDifference(gridAxis[curves - 2], gridAxis[curves - 1],
                                             "grid-voltage step of the curves");
    const Bracket grid = GridBracket(table, op_point_y);

    // Both fractions are formed before any current, so a zero step fails for every point, inside
    // the table or not.
    const double fx = CheckedDivide(op_point_x - static_cast<double>(anodeAxis[anode.first]),
                                    anodeStep, "position between the anode-voltage points");
    const double fy = CheckedDivide(op_point_y - static_cast<double>(gridAxis[grid.second]),
                                    gridStep, "position between the grid-voltage curves");

    const double powerRatio = PowerRatio32;
    InterpolatedCurrents result;
    result.Ib = Blend(table.AnodeCurrents(), anode, grid, fx, fy, powerRatio, "anode current");
    result.Ic2 = Blend(table.ScreenCurrents(), anode, grid, fx, fy, powerRatio, "screen current");
    result.Ic1 = Blend(table.GridCurrents(), anode, grid, fx, fy, powerRatio, "grid current");
    return result;
}

} // namespace tetrode
