// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/traced_chart.h"
#include "curves/curve_table.h"
#include "import/digitizer_export.h"
#include "import/regrid.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Importing a digitized constant-current chart: the call the front ends make.
//
//     ImportRequest request;
//     request.files = {{"ia.csv", CurrentFamily::Anode}, {"mixed.csv", std::nullopt}};
//     request.screenVoltage = 250;
//     request.gridAxis = ReadAxisRange("20:-70:-2.5", false, import_input::GridAxis); // optional
//     const ImportedCurves imported = ImportDigitizedCurves(request);   // nothing written yet
//     WriteImportedCurves(imported, "tube.csv");                        // replaces it whole
//
// A front end that asks for the axes after reading the files (prefilled with the proposal) calls
// ReadTracedCurves, shows AxisRangeText(ProposeAnodeAxis(curves.series)) and the grid's, then
// RegridImport with what the user chose. Every call is all or nothing and raises a Fault placed
// at the file (line, column) or series, or at the typed input by the names in import_input.
namespace tetrode {

// A digitizer export to read, and its family when the user gives the file as one family whole.
struct DigitizedFile {
    std::string path;
    std::optional<CurrentFamily> family;
};

// The series of every file, checked as the curves of one chart.
struct TracedCurves {
    std::vector<TracedSeries> series; // file by file, each in its own order
    std::vector<ImportNote> notes;
    std::vector<std::string> fileNames; // the last component of each path
};

// Reads each file with ReadDigitizerExportFile and checks the curves together. Faults beside those
// of the reader (invalid argument, placed at the series): no file; a family given twice for one
// current (the second series is named); no anode-current curve, or one only; a screen- or
// grid-current family of one curve (two are needed to carry the current between levels). A family
// without curves is a note: its current is 0 throughout.
TracedCurves ReadTracedCurves(const std::vector<DigitizedFile>& files);

// What an import asks for.
struct ImportRequest {
    std::vector<DigitizedFile> files;
    double screenVoltage = 0.0;           // V, the screen voltage the chart's curves were taken at
    std::optional<VoltageAxis> anodeAxis; // none: ProposeAnodeAxis
    std::optional<VoltageAxis> gridAxis;  // none: ProposeGridAxis
};

// What an import gives.
struct ImportedCurves {
    CurveTable table;
    // The table's screen voltage as the curve file writes it (for a session's Accept).
    std::string screenVoltageText;
    // The free text of the curve file's header line: where the curves came from.
    std::string headerText;
    VoltageAxis anodeAxis; // the axes of the table
    VoltageAxis gridAxis;
    VoltageAxis proposedAnodeAxis; // the axes the traced points suggest
    VoltageAxis proposedGridAxis;
    std::vector<TracedSeries> series; // the traced points, for a chart over the table
    FitResiduals residuals;           // indexes refer to `series`
    std::vector<ImportNote> notes;    // the readers' notes, and axes beyond the traced points
};

// Regrids the read curves (RegridTracedCurves) at `screenVoltage` onto the given axes or the
// proposed ones, and measures the fit. Faults beside those of RegridTracedCurves: a screen voltage
// that is not above 0 V or beyond single precision (invalid argument, overflow; placed at
// import_input::ScreenVoltage).
ImportedCurves RegridImport(TracedCurves curves, double screenVoltage,
                            const std::optional<VoltageAxis>& anodeAxis,
                            const std::optional<VoltageAxis>& gridAxis);

// ReadTracedCurves of the request's files, then RegridImport.
ImportedCurves ImportDigitizedCurves(const ImportRequest& request);

// Writes the table as a curve file (WriteCurveFile, with headerText) at `path`: into a new file
// beside it first, which then replaces `path` at once, keeping an existing file's permissions and
// writing through a symbolic link to its target. A fault (file open, placed at `path`) leaves
// `path` as it was and no new file behind.
void WriteImportedCurves(const ImportedCurves& imported, const std::string& path);

// An axis typed as FROM:TO:STEP (V): FROM, then steps of STEP up to TO where it is reached. Either
// direction of STEP is read, and the axis is turned to rise (`rising`) or to fall from the most
// positive voltage, so "20:-70:-10" and "-70:20:10" are one grid axis. Faults placed at `input`:
// a text that is not three numbers between colons (type mismatch), a number beyond single
// precision (overflow), a STEP of 0 or leading away from TO, or fewer than two voltages (invalid
// argument), more than CurveTable::kMaxAxisEntries voltages (overflow).
VoltageAxis ReadAxisRange(std::string_view text, bool rising, std::string_view input);

// The axis as FROM:TO:STEP from its first voltage, full stop as decimal point ("20:-70:-2.5").
std::string AxisRangeText(const VoltageAxis& axis);

// One residual in words, for a chart's caption or a command's report: the series, the point and
// where the file has it, and how far the table is from it ("\"Ia 2A\" at 500 V, -20 V (line 7 of
// ia.csv): the table gives 1.93 A for 2 A, -3.5 % of the anode current's full scale").
std::string ResidualMessage(const ImportedCurves& imported, const PointResidual& residual);

// What the import's table was regridded from, for a session to keep and a chart to draw over the
// table: the traced curves, the largest residual (its point, and ResidualMessage), the notes
// (ImportNoteMessage).
TracedChart TracedChartOf(const ImportedCurves& imported);

} // namespace tetrode
