// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/current_family.h"
#include "platform/fault.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading what a graph digitizer (Engauge Digitizer, WebPlotDigitizer) exports from a traced
// constant-current chart: one series per traced curve, each a list of (anode voltage, grid
// voltage) points, named by the current it stands for.
namespace tetrode {

inline constexpr std::size_t kFamilyCount = kCurrentFamilies.size();

// The family in the user's words: "anode current", "screen current", "grid current".
std::string_view CurrentFamilyName(CurrentFamily family);

// One point of a traced curve as the file gives it.
struct TracedPoint {
    float anodeVoltage = 0.0F; // V
    float gridVoltage = 0.0F;  // V
    int line = 0;              // the line of the file it stands on, counted from 1

    friend bool operator==(const TracedPoint&, const TracedPoint&) = default;
};

// One traced curve: the points along which its family's current has one value.
struct TracedSeries {
    std::string name; // as the file names it, UTF-8
    CurrentFamily family = CurrentFamily::Anode;
    float current = 0.0F; // A, read from the name
    // Where the name stands: the header's line and the name's column. A series of a file without a
    // header is named after the file and placed at line 0.
    FilePlace place;
    std::vector<TracedPoint> points; // in the file's order

    friend bool operator==(const TracedSeries&, const TracedSeries&) = default;
};

// Something the user should know that does not stop the import, placed as a fault is.
struct ImportNote {
    FilePlace place;
    std::string text;

    friend bool operator==(const ImportNote&, const ImportNote&) = default;
};

// The note worded as FaultMessage words a fault: "line 1 of ia.csv: every curve ...".
std::string ImportNoteMessage(const ImportNote& note);

// Every series of one export, in the order the file gives them, and the notes on it.
struct DigitizerExport {
    std::vector<TracedSeries> series;
    std::vector<ImportNote> notes;
};

// Reads the bytes of an export named `fileName` (the name faults and notes are placed at; a file
// without a header names its one series after it). Accepts a UTF-8 byte-order mark, LF, CR LF or
// CR line ends, UTF-8 or else Windows-1252 text, fields separated by tabs, semicolons, commas or
// single spaces (the first of these in the first line that splits every line of every block like
// its header), double-quoted fields, the decimal point or, where the comma is no separator or
// the field is quoted, the decimal comma, and the minus signs - and U+2212. Blocks are separated
// by empty lines; each is one of:
//   - a header "x,<name>,<name>..." over rows "x,y,y...", empty fields where a curve has no point
//     (Engauge Digitizer's functions; a header opened by "# " too);
//   - a header "x,<name>,x,<name>..." over rows of x,y pairs (Engauge Digitizer's relations);
//   - a line "<name>,,<name>,", a line "X,Y,X,Y" and rows of x,y pairs (WebPlotDigitizer's
//     Export All Data);
//   - rows "x,y" without a header, the file's only block (WebPlotDigitizer's one dataset; the
//     fields after the second are ignored).
// `family`, when given, is the family of every series: a name then needs no prefix, and one of
// another family is refused. Otherwise a name without a prefix is an anode-current curve.
//
// Faults, each placed at the file and the line (with the field's column where one is at fault), or
// at the series' name: a line split into another number of fields than its header (subscript out
// of range); a coordinate that is no number, nan or inf (type mismatch) or beyond single precision
// (overflow); an unclosed double quote, a series whose name gives no current, a series of another
// family than `family`, a series of fewer than two points, a file that holds no series, a second
// block without a header (invalid argument).
DigitizerExport ReadDigitizerExport(std::string_view bytes, const std::string& fileName,
                                    std::optional<CurrentFamily> family = std::nullopt);

// Reads the export at `path` as ReadDigitizerExport does, placing faults at the file's name (the
// last component of the path). Refuses what is not a regular file and a file larger than 64 MiB
// (file open, invalid argument) before reading it.
DigitizerExport ReadDigitizerExportFile(const std::string& path,
                                        std::optional<CurrentFamily> family = std::nullopt);

} // namespace tetrode
