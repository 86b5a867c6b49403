// SPDX-License-Identifier: MIT
#include "curves/global_quorv.h"

#include "platform/fault.h"

#include <string>

namespace tetrode {
namespace {

// Stores `text` as entry `index` of a list that a split is rebuilding. Entries left from the
// previous split are overwritten in place, so a caller that splits line after line into the same
// list of strings keeps their buffers instead of allocating new ones for every field.
template <typename Entry>
void StoreEntry(std::vector<Entry>& list, std::size_t index, std::string_view text) {
    if (index < list.size()) {
        list[index] = text;
    } else {
        list.emplace_back(text);
    }
}

} // namespace

std::optional<CsvField> TakeCsvField(std::string_view& rest) {
    // One pass to the first comma or double quote: most fields hold neither a quote nor more than
    // a few characters.
    std::size_t stop = 0;
    while (stop < rest.size() && rest[stop] != ',' && rest[stop] != '"') {
        ++stop;
    }
    if (stop < rest.size() && rest[stop] == ',') {
        const CsvField field{rest.substr(0, stop), true};
        rest.remove_prefix(stop + 1);
        return field;
    }
    // A double quote opens a quoted field only when a comma follows it; otherwise the rest of the
    // line is the last field and keeps its quotes.
    const std::size_t comma = stop == rest.size() ? stop : rest.find(',', stop + 1);
    if (comma == std::string_view::npos || comma == rest.size()) {
        const CsvField field{rest, false};
        rest = {};
        return field;
    }
    const std::size_t quote = stop;
    const std::size_t closing = rest.find('"', quote + 1);
    if (closing == std::string_view::npos) {
        return std::nullopt;
    }
    // The closing quote may lie beyond the comma (a comma inside quotes); the field then takes the
    // text up to it while the rest still starts after the first comma, as the file format has
    // always done. Curve files hold no such commas. Text before the opening quote and between the
    // closing quote and the comma belongs to no field.
    const CsvField field{rest.substr(quote + 1, closing - quote - 1), true};
    rest.remove_prefix(comma + 1);
    return field;
}

void SplitCsvFields(std::string_view line, std::vector<std::string_view>& fields) {
    std::string_view rest = line;
    std::size_t n = 0;
    for (;;) {
        const std::optional<CsvField> field = TakeCsvField(rest);
        if (!field) {
            throw Fault(FaultKind::InvalidArgument,
                        "the field opens with a double quote that is never closed",
                        FilePlace{{}, 0, static_cast<int>(n) + 1});
        }
        StoreEntry(fields, n, field->text);
        if (!field->followed) {
            break;
        }
        ++n;
    }
    fields.resize(n + 1);
}

void SplitByDelimiter(std::string_view text, char delimiter, std::vector<std::string>& parts) {
    std::string_view rest = text;
    std::size_t n = 0;
    for (std::size_t at = rest.find(delimiter); at != std::string_view::npos;
         at = rest.find(delimiter)) {
        StoreEntry(parts, n, rest.substr(0, at));
        rest.remove_prefix(at + 1);
        ++n;
    }
    StoreEntry(parts, n, rest);
    parts.resize(n + 1);
}

} // namespace tetrode
