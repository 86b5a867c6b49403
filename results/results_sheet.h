// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/load_line.h"
#include "analysis/session.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The results of a design as a sheet of named quantities, and the text forms in which they leave
// the program: CSV for files and programs, tab-separated for a spreadsheet's paste. The command
// line and the window both write these, so a saved file and the command's output agree.
namespace tetrode {

// One of the five typed voltages, by the name the command line gives its option and the caption
// the window gives its box.
struct InputInfo {
    std::string_view name;    // "grid-bias"
    std::string_view caption; // "Grid Bias"
    double OperatingVoltages::*voltage;
    std::string OperatingLineTexts::*text;
};

// The five inputs in the window's tab order: grid bias, anode bias, peak grid, minimum anode and
// screen voltage.
const std::array<InputInfo, 5>& Inputs();

// One quantity of a sheet.
struct SheetRow {
    std::string_view name;    // machine name: "peak-anode-rf-volts"
    std::string_view caption; // the user's words: "Peak anode RF volts"
    std::string_view unit;    // "V", "mA", "%", "ohms"
    double value = 0.0;       // in `unit`, at full precision
    std::string shown;        // as the window shows it, with the sheet's decimal separator
};

// A curve file's name and the quantities of one result.
struct ResultsSheet {
    std::string curveFile;
    std::vector<SheetRow> rows;
};

// The last calculation of `session`: the curves' screen voltage, the five inputs as read, then the
// fifteen figures, each shown as the window shows it with `decimalSeparator`. Invalid argument
// when the session holds no calculation.
ResultsSheet FiguresSheet(const Session& session, std::string_view decimalSeparator);

// The data limits on show in `session` at the operating screen voltage `screenVoltage`: that
// voltage, the four limits in the window's order, then the curves' screen voltage. Invalid
// argument when no curves are loaded.
ResultsSheet LimitsSheet(const Session& session, double screenVoltage,
                         std::string_view decimalSeparator);

// The shortest text that reads back as the same number, with the full stop ("0.1", "-52",
// "1e+300"). A single is written as a single, so 0.1F gives "0.1".
std::string ShortestText(double value);
std::string ShortestText(float value);

// `text` as one CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a
// line end.
std::string CsvField(std::string_view text);

// The sheet as CSV: a header "name,caption,value,unit", a row for the curve file (its name as the
// value, no unit), then a row per quantity with its value in the shortest form. Lines end in LF.
std::string SheetCsv(const ResultsSheet& sheet);

// The sheet as a table for a spreadsheet's paste: a header "Quantity, Value, Unit" and a row per
// quantity, the curve file first, cells separated by tabs and holding the shown texts. Control
// characters in the file's name are written as escapes so they cannot break the table.
std::string SheetTabSeparated(const ResultsSheet& sheet);

} // namespace tetrode
