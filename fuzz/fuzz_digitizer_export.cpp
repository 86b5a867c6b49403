// SPDX-License-Identifier: MIT
// The digitizer-export reader on arbitrary bytes, and the regridding of whatever it reads. A read
// ends in one of the reader's fault kinds or gives series of two points or more, finite, with a
// current neither negative nor beyond single precision. Regridded onto the proposed axes they give
// an overflow or invalid-argument fault (voltages beyond single precision, or steps it cannot
// tell apart) or a whole table of finite currents, none negative, whose curve file holds no nan
// or inf; the residuals of the points against it are finite.
#include "curves/curve_file_writer.h"
#include "fuzz/fuzz_contract.h"
#include "import/digitizer_export.h"
#include "import/regrid.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace {

using tetrode::CurrentFamily;
using tetrode::CurrentMatrix;
using tetrode::CurveTable;
using tetrode::FaultKind;
using tetrode::fuzz::ExpectFinite;
using tetrode::fuzz::Violation;

void CheckSeries(const tetrode::DigitizerExport& read) {
    for (const tetrode::TracedSeries& series : read.series) {
        if (series.points.size() < 2) {
            Violation("ReadDigitizerExport", "a series of fewer than two points");
        }
        ExpectFinite(series.current, "a series' current");
        if (series.current < 0.0F) {
            Violation("ReadDigitizerExport", "a negative current");
        }
        for (const tetrode::TracedPoint& point : series.points) {
            ExpectFinite(point.anodeVoltage, "an anode voltage");
            ExpectFinite(point.gridVoltage, "a grid voltage");
        }
    }
}

void CheckTable(const CurveTable& table) {
    const auto& anode = table.AnodeVoltages();
    const auto& grid = table.GridVoltages();
    for (std::size_t j = 1; j < anode.size(); ++j) {
        if (!(anode[j] > anode[j - 1])) {
            Violation("RegridTracedCurves", "an anode axis that does not rise");
        }
    }
    for (std::size_t i = 1; i < grid.size(); ++i) {
        if (!(grid[i] < grid[i - 1])) {
            Violation("RegridTracedCurves", "a grid axis that does not fall");
        }
    }
    for (const CurrentMatrix* matrix :
         {&table.AnodeCurrents(), &table.ScreenCurrents(), &table.GridCurrents()}) {
        if (matrix->points() != table.NumAnodePoints() ||
            matrix->curves() != table.NumGridCurves()) {
            Violation("RegridTracedCurves", "a matrix not of the table's shape");
        }
        for (int curve = 0; curve < matrix->curves(); ++curve) {
            for (const float value : matrix->curve(curve)) {
                ExpectFinite(value, "a regridded current");
                if (value < 0.0F) {
                    Violation("RegridTracedCurves", "a negative current");
                }
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte says which family the file is given as (3: none, the names say).
    std::optional<CurrentFamily> family;
    if (size > 0 && data[0] % 4 != 3) {
        family = static_cast<CurrentFamily>(data[0] % 4);
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0),
                                 size > 0 ? size - 1 : 0);

    tetrode::DigitizerExport read;
    if (!tetrode::fuzz::RunWithin({FaultKind::TypeMismatch, FaultKind::SubscriptOutOfRange,
                                   FaultKind::Overflow, FaultKind::InvalidArgument},
                                  "ReadDigitizerExport", [&] {
                                      read =
                                          tetrode::ReadDigitizerExport(bytes, "Ia 2A.csv", family);
                                  })) {
        return 0;
    }
    CheckSeries(read);

    CurveTable table;
    if (!tetrode::fuzz::RunWithin(
            {FaultKind::Overflow, FaultKind::InvalidArgument}, "RegridTracedCurves", [&] {
                table = tetrode::RegridTracedCurves(read.series, 250.0F,
                                                    tetrode::ProposeAnodeAxis(read.series),
                                                    tetrode::ProposeGridAxis(read.series));
            })) {
        return 0;
    }
    CheckTable(table);
    std::ostringstream written;
    tetrode::WriteCurveFile(written, table, "fuzz");
    const std::string text = written.str();
    if (text.find("nan") != std::string::npos || text.find("inf") != std::string::npos) {
        Violation("WriteCurveFile", "nan or inf in a written curve file");
    }
    tetrode::FitResiduals fit;
    tetrode::fuzz::RunWithin({FaultKind::Overflow}, "FitResidualsOf",
                             [&] { fit = tetrode::FitResidualsOf(read.series, table); });
    for (const tetrode::PointResidual& residual : fit.points) {
        ExpectFinite(residual.residual, "a residual");
        ExpectFinite(residual.relative, "a relative residual");
    }
    return 0;
}
