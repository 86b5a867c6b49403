// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text procedures of the curve file format: fields out of a line, parts out of a path. They
// keep no state between calls.
namespace tetrode {

// Splits a line at commas into `fields` (replaced; never empty), each a piece of `line`, so a
// caller that reads the fields only while the line lives needs no copies. A field that opens with a
// double quote before the next comma is the piece between that quote and the next one; whatever
// lies between the closing quote and the comma is lost, as is text before the opening quote. The
// last field keeps its quotes. An opening quote with no closing quote before a comma is an
// invalid-argument fault placed at the field's column (counted from 1).
void SplitCsvFields(std::string_view line, std::vector<std::string_view>& fields);

// One field as SplitCsvFields takes it off the front of what is left of a line.
struct CsvField {
    std::string_view text;
    // Whether a comma ended the field, so that another one follows (empty when the comma ends the
    // line); false for the line's last field.
    bool followed = false;
};

// The step of SplitCsvFields: takes the next field off the front of `rest` (the line, or what
// follows the comma of the field before) and leaves in `rest` what follows the field's comma.
// Empty for a field that opens a double quote which no later quote closes, while a comma follows:
// the split's invalid-argument fault. Lets a reader walk a line field by field without a list.
std::optional<CsvField> TakeCsvField(std::string_view& rest);

// Splits `text` at every occurrence of the one-character `delimiter` into `parts` (replaced;
// never empty).
void SplitByDelimiter(std::string_view text, char delimiter, std::vector<std::string>& parts);

} // namespace tetrode
