// SPDX-License-Identifier: MIT
#include "curves/curve_loader.h"

#include "test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace tetrode {
namespace {

using ::testing::HasSubstr;
using namespace testing; // the shared test helpers: MakeTable, ReadBytes, Rows, TempFolder

// The classic example of the curve file's layout: 4 anode points, 3 curves.
// clang-format off
const std::vector<std::string> kWorked = {
    "250,curves taken at this screen voltage", "Ea,0,200,400,600",                 // lines 1-2
    "10,0.35,0.42,0.46,0.48", "0,0.20,0.26,0.29,0.31", "-10,0.05,0.10,0.13,0.15", // lines 3-5
    "Screen,0,200,400,600",                                                       // line 6
    "10,0.06,0.04,0.03,0.02", "0,0.03,0.02,0.01,0.01", "-10,0.01,0,0,0",          // lines 7-9
    "Control grid current",                                                       // line 10
    "10,0.02,0.01,0.01,0", "0,0,0,0,0", "-10,0,0,0,0",                            // lines 11-13
};
// clang-format on

// Every line ended by `lineEnd`, the last one included.
std::string Joined(const std::vector<std::string>& lines, const std::string& lineEnd = "\n") {
    std::string text;
    for (const std::string& line : lines) {
        text += line + lineEnd;
    }
    return text;
}

// The worked example as a file, with one or two lines (counted from 1) replaced.
std::string With(int line, const std::string& text, int line2 = 0, const std::string& text2 = "") {
    std::vector<std::string> lines = kWorked;
    lines[line - 1] = text;
    if (line2 > 0) {
        lines[line2 - 1] = text2;
    }
    return Joined(lines);
}

// The worked example's first `count` lines as a file.
std::string First(int count) {
    return Joined({kWorked.begin(), kWorked.begin() + count});
}

// Every value of the worked example as a load hands it back (start-value scale factors);
// `anode` in place of its anode currents.
CurveTable Worked(const Rows& anode = {{0.35F, 0.42F, 0.46F, 0.48F},
                                       {0.20F, 0.26F, 0.29F, 0.31F},
                                       {0.05F, 0.10F, 0.13F, 0.15F}}) {
    CurveTable table =
        MakeTable({0, 200, 400, 600}, {10, 0, -10}, anode,
                  {{0.06F, 0.04F, 0.03F, 0.02F}, {0.03F, 0.02F, 0.01F, 0.01F}, {0.01F, 0, 0, 0}},
                  {{0.02F, 0.01F, 0.01F, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}});
    table.DataSheetScreenV = 250;
    return table;
}

// `points` anode points and `curves` curve rows of their grid voltage only (padded with 0), all
// currents 0; a file that is not `complete` ends right after its "Screen" line.
std::string SizedCurveFile(int points, int curves, bool complete = true) {
    std::string text = "250\nEa", row = "x", rows;
    for (int j = 0; j < points; ++j) {
        text += ',' + std::to_string(j);
        row += ",0";
    }
    text += '\n';
    for (int i = curves; i > 0; --i) {
        text += std::to_string(i) + "\n";
        rows += complete ? row + "\n" : "";
    }
    return text + "Screen\n" + rows + (complete ? "Control grid current\n" : "") + rows;
}

// Loads `path` expecting a fault of `kind` whose message names the file and holds each of `texts`.
void ExpectFault(const std::string& path, FaultKind kind, const std::vector<std::string>& texts) {
    try {
        LoadCurveFile(path);
        ADD_FAILURE() << "the load succeeded";
    } catch (const Fault& fault) {
        EXPECT_EQ(fault.kind(), kind) << fault.what();
        EXPECT_THAT(fault.what(), HasSubstr(path.substr(path.find_last_of('/') + 1)));
        for (const std::string& text : texts) {
            EXPECT_THAT(fault.what(), HasSubstr(text));
        }
    }
}

// Each fault names the file ("bad.csv") and the place: "line 4, field 1" or "line 3 ".
TEST(LoadCurveFile, FaultsNameTheirKindAndPlace) {
    constexpr FaultKind kType = FaultKind::TypeMismatch, kIndex = FaultKind::SubscriptOutOfRange;
    constexpr FaultKind kArgument = FaultKind::InvalidArgument, kOverflow = FaultKind::Overflow;
    // clang-format off
    const struct {
        const char* name; std::string file; FaultKind kind; std::vector<std::string> place;
    } cases[] = {
        {"header not a number", With(1, "abc,x"), kType, {"line 1, field 0", "\"abc\""}},
        {"quoted header alone keeps its quotes", With(1, "\"250\""), kType, {"line 1, field 0"}},
        {"empty file", "", kType, {"line 1 ", "empty"}},
        {"header line only", First(1), kIndex, {"line 2 ", "ends before the anode-voltage line"}},
        {"anode line with its label only", With(2, "Ea"), kIndex, {"line 2 "}},
        {"empty anode voltage", With(2, "Ea,0,,400,600"), kType, {"line 2, field 2"}},
        {"anode line's trailing comma", With(2, "Ea,0,200,400,600,"), kType, {"line 2, field 5"}},
        {"32768 anode points", SizedCurveFile(32768, 2), kOverflow, {"line 2 "}},
        {"anode current not a number", With(4, "0,abc,1"), kType, {"line 4, field 1", "\"abc\""}},
        {"blank line among the curve rows", With(4, ""), kType, {"line 4, field 0"}},
        {"marker in capitals", With(6, "SCREEN,0,200"), kType, {"line 6, field 0"}},
        {"marker with a blank", With(6, " Screen,0,200"), kType, {"line 6, field 0"}},
        {"file ends before the marker", First(5), kType, {"line 6 ", "before the \"Screen\" line"}},
        {"more values than voltages", With(3, "10,1,2,3,4,5"), kIndex, {"line 3 ", "5 values"}},
        {"trailing comma on a full curve row", With(3, "10,1,2,3,4,"), kIndex, {"line 3 "}},
        {"32768 curves", SizedCurveFile(1, 32768), kOverflow, {"line 32770"}},
        {"marker right after the anode line", First(2) + "Screen\nx\ny\n", kIndex, {"line 3 "}},
        {"short screen-current row", With(8, "0,1,1,1"), kIndex, {"line 8 ", "3 values, 4 needed"}},
        {"blank screen-current row", With(8, ""), kIndex, {"line 8 ", "screen-current row 2"}},
        {"screen current not a number", With(8, "0,1,x,1,1"), kType, {"line 8, field 2"}},
        {"bad value before a short row ends", With(8, "0,x,1"), kType, {"line 8, field 1"}},
        {"file ends in the screen block", First(7), kIndex, {"line 8 ", "screen-current row 2"}},
        // A few hundred kilobytes whose one-field curve rows pad to four gigabytes: the load
        // fails on the screen block without first building the padded anode matrix.
        {"rows padding to 4 GB", SizedCurveFile(32767, 32767, false), kIndex, {"line 32771 "}},
        {"ends after the separator", First(10), kIndex, {"line 11 ", "control-grid-current row 1"}},
        {"grid current beyond singles", With(11, "10,1e39,0,0,0"), kOverflow, {"line 11, field 1"}},
        {"short grid row", With(12, "0,0,0"), kIndex, {"line 12 ", "control-grid-current row 2"}},
        {"short unended last row", First(12) + "-10,0,0", kIndex, {"line 13 ", "grid-current"}},
        {"unclosed quote before a comma", With(4, "0,\"1,1"), kArgument, {"line 4 "}},
    };
    // clang-format on
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectFault(folder.Write("bad.csv", c.file), c.kind, c.place);
    }
}

TEST(LoadCurveFile, AFileThatCannotBeOpenedOrReadIsAFileOpenFault) {
    TempFolder folder;
    for (const std::string& path : {folder.path() + "/missing.csv", folder.path(), std::string()}) {
        SCOPED_TRACE(path);
        ExpectFault(path, FaultKind::FileOpen, {"\"" + path + "\""});
    }
    // Opens, but every read fails (I/O error): not to be taken for an empty file.
    ExpectFault("/proc/self/mem", FaultKind::FileOpen, {"cannot read"});
}

// Each file yields 28 times as the worked example does (after its 13 lines, its 12 splits, the
// path's splits at "\" and "/" and once at the end), once more per quoted field, and never for a
// line after the last control-grid row. The caption gains the base name less its last four.
TEST(LoadCurveFile, LoadsTheWorkedExampleAndTheFormatsLatitudes) {
    const CurveTable worked = Worked();
    const std::string plain = Joined(kWorked), crlf = Joined(kWorked, "\r\n");
    // clang-format off
    const struct {
        const char* name; std::string file; CurveTable table; std::string text = "250";
        int yields = 28; const char* fileName = "a.csv"; const char* suffix = " a";
    } cases[] = {
        {"worked example", plain, worked, "250", 28, "example.csv", " example"},
        {"worked example, CR LF ends", crlf, worked, "250", 28, "curves.csv", " curves"},
        {"base name of four characters", plain, worked, "250", 28, "abcd", " "},
        {"base name under four characters", plain, worked, "250", 28, "abc", " abc"},
        {"last four go, whatever they are", plain, worked, "250", 28, "curves.data", " curves."},
        {"characters, not bytes, are cut", plain, worked, "250", 28, "R\u00f6hre.d\u00e4t", " R\u00f6hre"},
        {"\"\\\" separates components", plain, worked, "250", 28, "C:\\t\\tube.csv", " tube"},
        {"extra screen and grid fields are ignored",
         With(7, "10,0.06,0.04,0.03,0.02,abc", 11, "10,0.02,0.01,0.01,0,9,x"), worked},
        {"trailing comma after N screen values", With(9, "-10,0.01,0,0,0,"), worked},
        {"field 0 of a screen row is not compared", With(7, "x,0.06,0.04,0.03,0.02"), worked},
        {"marker alone", With(6, "Screen"), worked},
        {"quoted lower-case marker", With(6, "\"screen\",0,200,400,600"), worked, "250", 29},
        {"blank separator", With(10, ""), worked},
        {"separator with commas and quotes", With(10, "\"unclosed,\"x\",,"), worked},
        {"lines after the last grid row are never read", plain + "\"a,\n,,\nb\n", worked},
        {"last line without a line end", First(12) + "-10,0,0,0,0", worked},
        {"lone CR line ends keep the minus of -10", Joined(kWorked, "\r"), worked},
        {"blanks around numbers", With(3, "10 , 0.35,\t0.42 ,0.46,0.48"), worked},
        {"header with a blank keeps it in the text", With(1, " 250,x"), worked, " 250"},
        {"quoted header loses its quotes", With(1, "\"250\",x"), worked, "250", 29},
        {"header of one field", With(1, "2.5E2"), worked, "2.5E2"},
        {"short curve rows, one of the grid voltage only, are padded with 0",
         With(3, "10,0.35", 4, "0"),
         Worked({{0.35F, 0, 0, 0}, {0, 0, 0, 0}, {0.05F, 0.10F, 0.13F, 0.15F}})},
        {"one anode point, one curve", Joined({"0", "Ea,5", "-1,.5", "Screen", "x,.25", "", "x,1"}),
         MakeTable({5}, {-1}, {{0.5F}}, {{0.25F}}, {{1}}), "0", 16},
    };
    // clang-format on
    TempFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int yields = 0;
        const LoadedCurveFile loaded =
            LoadCurveFile(folder.Write(c.fileName, c.file), [&yields] { ++yields; });
        EXPECT_EQ(loaded.table, c.table);
        EXPECT_EQ(std::tuple(loaded.screenVoltageText, loaded.captionSuffix, yields),
                  std::tuple(c.text, c.suffix, c.yields));
    }
}

TEST(LoadCurveFile, AxesHold32767Entries) {
    TempFolder folder;
    for (const auto& [points, curves] : {std::pair{32767, 2}, std::pair{1, 32767}}) {
        SCOPED_TRACE(std::to_string(points) + " points, " + std::to_string(curves) + " curves");
        const CurveTable t =
            LoadCurveFile(folder.Write("big.csv", SizedCurveFile(points, curves))).table;
        EXPECT_EQ(std::tuple(t.NumAnodePoints, t.NumGridCurves, t.GridCurrents.curves(),
                             t.AnodeVoltages.back(), t.GridVoltages.back()),
                  std::tuple(points, curves, curves, points - 1.0F, 1.0F));
    }
}

// The model curves shipped in examples/ load and meet what the calculation relies on.
TEST(ExampleCurves, LoadAndMeetTheTablesConditions) {
    for (const auto& [name, lineEnd, screenVoltage] :
         {std::tuple{"model-tetrode-250v", "\n", "250"},
          std::tuple{"model-tetrode-400v", "\r\n", "400"}}) {
        SCOPED_TRACE(name);
        const std::string path = std::string(TETRODE_EXAMPLES) + "/" + name + ".csv";
        const std::string bytes = ReadBytes(path);
        // Only LF, or only CR LF, line ends; the header calls them model curves.
        EXPECT_EQ(std::ranges::count(bytes, '\r'),
                  lineEnd[0] == '\r' ? std::ranges::count(bytes, '\n') : 0);
        EXPECT_THAT(bytes.substr(0, bytes.find(lineEnd)), HasSubstr("model curves"));

        const LoadedCurveFile loaded = LoadCurveFile(path);
        const CurveTable& t = loaded.table;
        EXPECT_EQ(std::tuple(loaded.screenVoltageText, loaded.captionSuffix, t.DataSheetScreenV),
                  std::tuple(screenVoltage, std::string(" ") + name, std::stof(screenVoltage)));
        // Evenly spaced axes: anode voltages rise, grid voltages fall from a positive first curve.
        EXPECT_GT(t.GridVoltages[0], 0.0F);
        for (const auto& [axis, sign] :
             {std::pair{&t.AnodeVoltages, 1.0F}, std::pair{&t.GridVoltages, -1.0F}}) {
            const float step = sign * (axis->at(1) - axis->at(0));
            EXPECT_GT(step, 0.0F);
            for (std::size_t j = 1; j < axis->size(); ++j) {
                EXPECT_FLOAT_EQ(sign * ((*axis)[j] - (*axis)[j - 1]), step) << j;
            }
        }
        for (const CurrentMatrix* matrix : {&t.AnodeCurrents, &t.ScreenCurrents, &t.GridCurrents}) {
            for (int i = 0; i < matrix->curves(); ++i) {
                EXPECT_GE(*std::ranges::min_element(matrix->curve(i)), 0.0F) << "curve " << i;
            }
        }
        // The model's shape: anode current rises with anode and grid voltage; the positive grid
        // draws current, the most negative one none.
        const int last = t.NumAnodePoints - 1;
        EXPECT_GT(t.AnodeCurrents.at(last, 0), t.AnodeCurrents.at(last, 1));
        EXPECT_GT(t.AnodeCurrents.at(last, 0), t.AnodeCurrents.at(1, 0));
        EXPECT_GT(t.GridCurrents.at(0, 0), 0.0F);
        EXPECT_EQ(t.GridCurrents.at(0, t.NumGridCurves - 1), 0.0F);
    }
}

} // namespace
} // namespace tetrode
