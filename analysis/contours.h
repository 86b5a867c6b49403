// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/current_family.h"
#include "analysis/load_line.h"
#include "curves/curve_table.h"

#include <span>
#include <string_view>
#include <vector>

// Iso-current lines of the curve table: the constant-current chart the design method is drawn on.
namespace tetrode {

const CurrentMatrix& CurrentsOf(const CurveTable& table, CurrentFamily family);

// A point of the anode-voltage / grid-voltage plane (V).
struct PlanePoint {
    double anode = 0.0;
    double grid = 0.0;

    friend bool operator==(const PlanePoint&, const PlanePoint&) = default;
};

// Where one current equals `level` (A): a polyline in operating-scale volts. A closed line ends on
// the point it starts from.
struct ContourLine {
    double level = 0.0;
    std::vector<PlanePoint> points;
};

// About ten levels on 1-2-5 steps (..., 0.1, 0.2, 0.5, 1, ...) strictly between `low` and `high`:
// of the steps that fit, the one whose count of levels lies nearest ten, by ratio. None when the
// range is empty or not finite.
std::vector<double> NiceLevels(double low, double high);

// Levels typed by the user in milliamperes, returned in amperes, ascending, each once. Blanks and
// semicolons separate them ("100 200 500", "100, 200; 500"); each is read as a typed number (so a
// trailing comma is fine and `localeSeparator` is a decimal point). Nothing but separators reads
// as no levels. A text that is no number is refused as NumberFromText refuses it; more than
// kMaxTypedLevels levels are an invalid argument.
inline constexpr std::size_t kMaxTypedLevels = 50;
std::vector<double> ReadLevelList(std::string_view text, std::string_view localeSeparator = ".");

// The least and greatest current of a family over the nodes a contour of that `stride` visits,
// in operating scale (times PowerRatio32). Both 0 for a table without curves.
struct CurrentRange {
    double low = 0.0;
    double high = 0.0;
};
CurrentRange CurrentRangeOf(const CurveTable& table, CurrentFamily family, float powerRatio32,
                            int stride = 1);

// The contours of one family at `levels` by marching squares on the table's cells: currents times
// PowerRatio32 are compared with the levels, positions are linear along each cell edge and then
// multiplied by VoltageRatio. The nodes' own voltages are used, so the cells follow the axes as
// they are. A node equal to a level counts as above it; a saddle cell is resolved by the mean of
// its corners. `stride` > 1 keeps every stride-th anode point and curve (and always the last), for
// drawing a table finer than any screen. Lines come level by level, in the order of `levels`.
std::vector<ContourLine> ContourLines(const CurveTable& table, CurrentFamily family,
                                      std::span<const double> levels, ScaleFactors scale,
                                      int stride = 1);

} // namespace tetrode
