// SPDX-License-Identifier: MIT
// The two splitters on arbitrary texts, each against a plain model of its rule: SplitCsvFields
// either raises the invalid-argument fault for a quote that is never closed or gives one field per
// comma plus one; SplitByDelimiter gives parts that join back to the text.
#include "curves/global_quorv.h"
#include "fuzz/fuzz_contract.h"
#include "fuzz/fuzz_input.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tetrode::FaultKind;
using tetrode::fuzz::Violation;

struct CsvModel {
    // Empty when the line must raise the invalid-argument fault.
    std::optional<std::vector<std::string>> fields;
};

// Every piece before a comma is a field. One that holds a double quote is the text from that quote
// to the next double quote, searched in the rest of the line (a comma inside quotes keeps the
// format's old reading: the next field still starts after the first comma); with no closing quote
// at all the line cannot be split. The piece after the last comma is the last field as it stands.
CsvModel ModelCsv(std::string_view line) {
    CsvModel model;
    std::vector<std::string> fields;
    std::size_t comma = 0;
    while ((comma = line.find(',')) != std::string_view::npos) {
        const std::size_t open = line.substr(0, comma).find('"');
        if (open == std::string_view::npos) {
            fields.emplace_back(line.substr(0, comma));
        } else {
            const std::size_t close = line.find('"', open + 1);
            if (close == std::string_view::npos) {
                return model;
            }
            fields.emplace_back(line.substr(open + 1, close - open - 1));
        }
        line.remove_prefix(comma + 1);
    }
    fields.emplace_back(line);
    model.fields = std::move(fields);
    return model;
}

std::string Join(const std::vector<std::string>& parts, char delimiter) {
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            joined += delimiter;
        }
        joined += parts[i];
    }
    return joined;
}

void CheckCsv(std::string_view line) {
    const CsvModel model = ModelCsv(line);
    // The list holds something beforehand: a split replaces it whatever it held.
    std::vector<std::string_view> fields{"left over", "from before"};
    const bool split = tetrode::fuzz::RunWithin({FaultKind::InvalidArgument}, "SplitCsvFields",
                                                [&] { tetrode::SplitCsvFields(line, fields); });
    if (split != model.fields.has_value()) {
        Violation("SplitCsvFields",
                  split ? "an unclosed quote was accepted" : "a line of closed quotes was refused");
    }
    if (!split) {
        return;
    }
    if (!std::equal(fields.begin(), fields.end(), model.fields->begin(), model.fields->end())) {
        Violation("SplitCsvFields", "the fields differ from one per comma");
    }
}

void CheckDelimiter(std::string_view text, char delimiter) {
    std::vector<std::string> parts{"left over"};
    tetrode::fuzz::RunWithin({}, "SplitByDelimiter",
                             [&] { tetrode::SplitByDelimiter(text, delimiter, parts); });
    const auto expectedParts =
        static_cast<std::size_t>(std::count(text.begin(), text.end(), delimiter)) + 1;
    if (parts.size() != expectedParts || Join(parts, delimiter) != text) {
        Violation("SplitByDelimiter", "the parts do not join back to the text");
    }
    for (const std::string& part : parts) {
        if (part.find(delimiter) != std::string::npos) {
            Violation("SplitByDelimiter", "a part holds the delimiter");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tetrode::fuzz::FuzzInput input(data, size);
    // The loader splits paths at backslashes and slashes; any byte is a delimiter here.
    const char delimiter = static_cast<char>(input.Byte());
    const std::string_view text = input.Rest();
    CheckCsv(text);
    CheckDelimiter(text, delimiter);
    CheckDelimiter(text, '\\');
    return 0;
}
