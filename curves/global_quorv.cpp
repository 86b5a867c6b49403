// SPDX-License-Identifier: MIT
#include "curves/global_quorv.h"

#include "platform/fault.h"

#include <string>

namespace tetrode {
namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

// Stores `text` as entry `index` of a list that a split is rebuilding. Entries left from the
// previous split are overwritten in place, so a caller that splits line after line into the same
// list keeps the strings' buffers instead of allocating new ones for every field.
void StoreEntry(std::vector<std::string>& list, std::size_t index, std::string_view text) {
    if (index < list.size()) {
        list[index].assign(text);
    } else {
        list.emplace_back(text);
    }
}

} // namespace

std::string ReadTextLine(TextFile& file, const YieldToEvents& yield) {
    std::string line;
    char c = 0;
    bool sawAny = false;
    while (file.ReadChar(c)) {
        sawAny = true;
        if (c == kLineFeed) {
            YieldNow(yield);
            return line;
        }
        if (c == kCarriageReturn) {
            // CR LF is one line end. A lone CR (old Macintosh files) ends the line by itself and
            // leaves the next character for the next line; swallowing it would turn "-10" into
            // "10".
            char next = 0;
            if (file.PeekChar(next) && next == kLineFeed) {
                file.ReadChar(next);
            }
            YieldNow(yield);
            return line;
        }
        line.push_back(c);
    }
    if (sawAny) {
        // The last line of a file need not end in a line end: it is delivered like any other, and
        // only the call after it reports the end of the file.
        YieldNow(yield);
        return line;
    }
    return kEndOfFileText;
}

void SplitCsvFields(std::string_view line, std::vector<std::string>& fields,
                    const YieldToEvents& yield) {
    std::string_view rest = line;
    std::size_t n = 0;
    for (;;) {
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) {
            break;
        }
        // Only a double quote before the comma opens a quoted field, so the search for it stops
        // at the comma; searching the whole rest of a long line for every field would cost time
        // that grows with the square of the line's length.
        const std::size_t quote = rest.substr(0, comma).find('"');
        if (quote != std::string_view::npos) {
            YieldNow(yield);
            const std::size_t closing = rest.find('"', quote + 1);
            if (closing == std::string_view::npos) {
                throw Fault(FaultKind::InvalidArgument,
                            "field " + std::to_string(n) +
                                " opens with a double quote that is never closed");
            }
            // The closing quote may lie beyond the comma (a comma inside quotes); the field then
            // takes the text up to it while the rest still starts after the first comma, as the
            // file format has always done. Curve files hold no such commas.
            StoreEntry(fields, n, rest.substr(quote + 1, closing - quote - 1));
        } else {
            StoreEntry(fields, n, rest.substr(0, comma));
        }
        rest.remove_prefix(comma + 1);
        ++n;
    }
    StoreEntry(fields, n, rest);
    fields.resize(n + 1);
    YieldNow(yield);
}

void SplitByDelimiter(std::string_view text, char delimiter, std::vector<std::string>& parts,
                      const YieldToEvents& yield) {
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
    YieldNow(yield);
}

} // namespace tetrode
