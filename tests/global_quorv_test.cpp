// SPDX-License-Identifier: MIT
#include "curves/global_quorv.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tetrode {
namespace {

using testing::FaultKindOf;

// What a split leaves in a list that an earlier, longer split filled (as the loader reuses its
// list): the parts in brackets, "[a][b]", or "invalid argument" for that fault.
template <typename Part, typename Split> std::string Shown(const Split& split) {
    std::vector<Part> parts(6, Part("old"));
    if (FaultKindOf([&] { split(parts); }) == FaultKind::InvalidArgument) {
        return "invalid argument";
    }
    std::string shown;
    for (const Part& part : parts) {
        shown += '[' + std::string(part) + ']';
    }
    return shown;
}

TEST(SplitCsvFields, SplitsAtCommasAndUnquotesFieldsBeforeAComma) {
    // clang-format off
    const struct { std::string line; std::string fields; } cases[] = {
        {"a,b", "[a][b]"}, {"a", "[a]"}, {"", "[]"}, {"a,", "[a][]"}, {",a", "[][a]"},
        {"\"a b\",c", "[a b][c]"}, {"a,\"b\"", "[a][\"b\"]"}, {"\"\",x", "[][x]"},
        {"ab\"cd\",e", "[cd][e]"}, {"\"ab\"cd,e", "[ab][e]"}, {"\"abc\"", "[\"abc\"]"},
        {" 1 , 2 ", "[ 1 ][ 2 ]"}, {"\"Screen\",\"0\",200", "[Screen][0][200]"},
        // A comma inside quotes: the rest starts after it, so the closing quote opens a field,
        // which fails when no quote closes it.
        {"\"a,b\",\"c\",d", "[a,b][,][c][d]"}, {"\"a,b\",c", "invalid argument"},
        // An opening quote with no closing quote before a comma.
        {"5\",x", "invalid argument"}, {"\"a,b", "invalid argument"},
        {"x,\"y,z", "invalid argument"}, {"1,2,\"3,4", "invalid argument"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(Shown<std::string_view>([&c](auto& fields) { SplitCsvFields(c.line, fields); }),
                  c.fields);
    }
}

TEST(SplitByDelimiter, SplitsAtEveryBackslash) {
    // clang-format off
    const struct { std::string text; std::string parts; } cases[] = {
        {"C:\\curves\\example.csv", "[C:][curves][example.csv]"}, {"", "[]"},
        {"example.csv", "[example.csv]"}, {"C:\\curves\\", "[C:][curves][]"},
        {"\\x", "[][x]"}, {"a\\\\b", "[a][][b]"}, {"/a.csv", "[/a.csv]"}, // only "\" splits
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Shown<std::string>([&c](auto& parts) { SplitByDelimiter(c.text, '\\', parts); }),
                  c.parts);
    }
}

} // namespace
} // namespace tetrode
