// SPDX-License-Identifier: MIT
#pragma once

#include "curves/curve_table.h"
#include "import/digitizer_export.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// Turning traced constant-current curves into a curve table on evenly spaced axes.
namespace tetrode {

// The names under which faults place the import's typed inputs.
namespace import_input {
inline constexpr std::string_view ScreenVoltage = "Screen voltage";
inline constexpr std::string_view AnodeAxis = "Anode axis";
inline constexpr std::string_view GridAxis = "Grid axis";
} // namespace import_input

// An evenly spaced voltage axis: `count` voltages from `first` in steps of `step` (V), rising for a
// positive step and falling for a negative one.
struct VoltageAxis {
    double first = 0.0;
    double step = 0.0;
    int count = 0;

    double Voltage(int index) const { return first + step * index; }
    double last() const { return Voltage(count - 1); }

    friend bool operator==(const VoltageAxis&, const VoltageAxis&) = default;
};

// The most entries a regridded table has: enough for any chart, and a table of this size takes
// 48 MiB.
inline constexpr long kMaxImportCells = 2048L * 2048L;

// Axes proposed for the traced points of every family: a round step (1, 2, 2.5 or 5 times a power
// of ten) from the multiple of it at or beyond one end of the traced voltages to the one at or
// beyond the other, the smallest such step that gives at most 40 voltages (so 20 to 40 of them).
// The anode axis rises, the grid axis falls from its most positive voltage. When every point has
// one voltage the axis spans half of it (at least 0.5 V) to either side.
VoltageAxis ProposeAnodeAxis(const std::vector<TracedSeries>& series);
VoltageAxis ProposeGridAxis(const std::vector<TracedSeries>& series);

// The axis's voltages in single precision, checked as a curve table needs them: 2 to
// kMaxAxisEntries voltages (subscript out of range, overflow), each within single precision
// (overflow), strictly rising (`rising`) or falling once rounded (invalid argument). Faults are
// placed at `input`.
std::vector<float> AxisVoltages(const VoltageAxis& axis, bool rising, std::string_view input);

// The traced curves regridded onto the two axes, with the given screen voltage.
//
// Each family is regridded on its own. A series' points are joined into a line in the order, of
// the file's own, by rising anode voltage and by rising grid voltage, that draws the shortest line
// on the chart (each voltage measured in its family's span), so points may come in any order
// along a curve. Each end of the line is carried 0.5 % of the family's anode span further, level
// with it, so a curve clicked a pixel short of the chart's edge still reaches the axis voltage
// there. At each anode voltage of the axis every line of the family is cut where it crosses that
// voltage, all cuts counted: a curve that bends back is cut twice, both cuts with its current.
// The cuts, ordered by grid voltage (cuts at one grid voltage averaged), carry the current along
// the grid axis by a monotone piecewise cubic (Fritsch-Carlson), which never overshoots them.
// Beyond the cuts of its anode voltage a point of the table takes, the first that applies:
//   - the same cubic along its grid voltage through that voltage's cuts, when two neighbouring
//     cuts of different currents enclose it there: curves that leave the chart's top edge before
//     reaching its anode voltage still pass beside it;
//   - below the lowest cut, a current falling linearly with the slope from the lowest cut to the
//     nearest of another current (never rising towards a more negative grid), zero once it reaches
//     zero;
//   - above the highest cut, the slope from the highest cut to the nearest one of another current,
//     never below zero;
//   - at an anode voltage cut by one level only, those two slopes from the nearest anode voltage
//     of the axis cut by two (with none anywhere: that level's current at and above the cut, zero
//     below);
//   - zero at an anode voltage where no line of the family reaches.
//
// Faults: the faults of AxisVoltages, placed at import_input::AnodeAxis or GridAxis; axes of more
// than kMaxImportCells entries together, or lines crossing the axes' voltages more than
// kMaxImportCells times (overflow, at the anode axis); a current beyond single precision
// (overflow).
CurveTable RegridTracedCurves(const std::vector<TracedSeries>& series, float screenVoltage,
                              const VoltageAxis& anodeAxis, const VoltageAxis& gridAxis);

// How far the table is from one traced point.
struct PointResidual {
    std::size_t series = 0; // the index of the series
    std::size_t point = 0;  // the index of the point in the series, in the file's order
    // The table's current of the series' family at the point, interpolated as Calculate does.
    double tableCurrent = 0.0;
    double residual = 0.0; // tableCurrent less the series' current (A)
    double relative = 0.0; // residual as a share of the family's full scale
    bool insideAxes = true;

    friend bool operator==(const PointResidual&, const PointResidual&) = default;
};

// The fit of a table to the traced points: a chart shows it, and names the largest.
struct FitResiduals {
    std::vector<PointResidual> points; // series by series, each in the file's order
    // The point of the largest relative residual among those inside the axes (an index into
    // `points`); none when no point is inside.
    std::optional<std::size_t> largest;
    // Each family's full scale: its highest traced current (A), 0 for a family without series.
    std::array<double, kFamilyCount> fullScale{};
};

// The residual of every traced point against `table`, read by GridInterpolation at the point
// (outside the axes the table's edges continue). Faults of GridInterpolation.
FitResiduals FitResidualsOf(const std::vector<TracedSeries>& series, const CurveTable& table);

} // namespace tetrode
