// SPDX-License-Identifier: MIT
#include "curves/curve_loader.h"

#include "platform/fault.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace tetrode {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

// The classic example of the curve file's layout: 4 anode points, 3 curves.
const std::vector<std::string> kWorkedExample = {
    "250,curves taken at this screen voltage", // line 1
    "Ea,0,200,400,600",                        // line 2
    "10,0.35,0.42,0.46,0.48",                  // line 3
    "0,0.20,0.26,0.29,0.31",                   // line 4
    "-10,0.05,0.10,0.13,0.15",                 // line 5
    "Screen,0,200,400,600",                    // line 6
    "10,0.06,0.04,0.03,0.02",                  // line 7
    "0,0.03,0.02,0.01,0.01",                   // line 8
    "-10,0.01,0,0,0",                          // line 9
    "Control grid current",                    // line 10
    "10,0.02,0.01,0.01,0",                     // line 11
    "0,0,0,0,0",                               // line 12
    "-10,0,0,0,0",                             // line 13
};

std::vector<std::string> WithLine(int lineNumber, const std::string& text) {
    std::vector<std::string> lines = kWorkedExample;
    lines[static_cast<std::size_t>(lineNumber - 1)] = text;
    return lines;
}

std::vector<std::string> FirstLines(int count) {
    return {kWorkedExample.begin(), kWorkedExample.begin() + count};
}

std::vector<std::string> Appended(std::vector<std::string> lines,
                                  const std::vector<std::string>& more) {
    lines.insert(lines.end(), more.begin(), more.end());
    return lines;
}

// Every line ended by `lineEnd`, the last one included.
std::string Joined(const std::vector<std::string>& lines, const std::string& lineEnd = "\n") {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += lineEnd;
    }
    return text;
}

// A folder of its own for each test, removed afterwards.
class TempFolder {
  public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_path = std::filesystem::temp_directory_path() /
                 ("curve_loader_test-" + std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string Write(const std::string& name, const std::string& contents) const {
        const std::filesystem::path path = m_path / name;
        std::ofstream(path, std::ios::binary) << contents;
        return path.string();
    }
    std::string path() const { return m_path.string(); }

  private:
    std::filesystem::path m_path;
};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<float> CurveValues(const CurrentMatrix& matrix, int curve) {
    const auto values = matrix.curve(curve);
    return {values.begin(), values.end()};
}

// Every value the worked example stores, as the table holds it (anode point first, then curve).
void ExpectWorkedExample(const LoadedCurveFile& loaded) {
    const CurveTable& table = loaded.table;
    EXPECT_EQ(loaded.screenVoltageText, "250");
    EXPECT_EQ(table.DataSheetScreenV, 250.0F);
    EXPECT_EQ(table.NumAnodePoints, 4);
    EXPECT_EQ(table.NumGridCurves, 3);
    EXPECT_THAT(table.AnodeVoltages, ElementsAre(0.0F, 200.0F, 400.0F, 600.0F));
    EXPECT_THAT(table.GridVoltages, ElementsAre(10.0F, 0.0F, -10.0F));
    ASSERT_EQ(table.AnodeCurrents.points(), 4);
    ASSERT_EQ(table.AnodeCurrents.curves(), 3);
    EXPECT_THAT(CurveValues(table.AnodeCurrents, 0), ElementsAre(0.35F, 0.42F, 0.46F, 0.48F));
    EXPECT_THAT(CurveValues(table.AnodeCurrents, 1), ElementsAre(0.20F, 0.26F, 0.29F, 0.31F));
    EXPECT_THAT(CurveValues(table.AnodeCurrents, 2), ElementsAre(0.05F, 0.10F, 0.13F, 0.15F));
    ASSERT_EQ(table.ScreenCurrents.points(), 4);
    ASSERT_EQ(table.ScreenCurrents.curves(), 3);
    EXPECT_THAT(CurveValues(table.ScreenCurrents, 0), ElementsAre(0.06F, 0.04F, 0.03F, 0.02F));
    EXPECT_THAT(CurveValues(table.ScreenCurrents, 1), ElementsAre(0.03F, 0.02F, 0.01F, 0.01F));
    EXPECT_THAT(CurveValues(table.ScreenCurrents, 2), ElementsAre(0.01F, 0.0F, 0.0F, 0.0F));
    ASSERT_EQ(table.GridCurrents.points(), 4);
    ASSERT_EQ(table.GridCurrents.curves(), 3);
    EXPECT_THAT(CurveValues(table.GridCurrents, 0), ElementsAre(0.02F, 0.01F, 0.01F, 0.0F));
    EXPECT_THAT(CurveValues(table.GridCurrents, 1), ElementsAre(0.0F, 0.0F, 0.0F, 0.0F));
    EXPECT_THAT(CurveValues(table.GridCurrents, 2), ElementsAre(0.0F, 0.0F, 0.0F, 0.0F));
    // The spots the example names, through the (point, curve) accessor.
    EXPECT_EQ(table.AnodeCurrents.at(1, 0), 0.42F);
    EXPECT_EQ(table.ScreenCurrents.at(0, 2), 0.01F);
    EXPECT_EQ(table.GridCurrents.at(0, 0), 0.02F);
    // A load hands back start-value scale factors; the window keeps its own.
    EXPECT_EQ(table.VoltageRatio, 1.0F);
    EXPECT_EQ(table.PowerRatio32, 0.0F);
}

TEST(LoadCurveFile, LoadsTheWorkedExampleWithLfAndCrLfEnds) {
    const char* const files[] = {"worked-example.csv", "worked-example-crlf.csv"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        const std::string path = std::string(TETRODE_TEST_DATA) + "/" + file;
        const LoadedCurveFile loaded = LoadCurveFile(path);
        ExpectWorkedExample(loaded);
        if (std::string(file).find("crlf") == std::string::npos) {
            EXPECT_EQ(ReadBytes(path), Joined(kWorkedExample, "\n"));
            EXPECT_EQ(loaded.captionSuffix, " worked-example");
        } else {
            EXPECT_EQ(ReadBytes(path), Joined(kWorkedExample, "\r\n"));
            EXPECT_EQ(loaded.captionSuffix, " worked-example-crlf");
        }
    }
}

struct FaultCase {
    const char* name;
    std::string contents;
    FaultKind kind;
    // Texts the message must hold, naming the place: "line 4", "field 2".
    std::vector<std::string> place;
};

TEST(LoadCurveFile, FaultsNameTheirKindAndPlace) {
    const std::string worked = Joined(kWorkedExample);
    const FaultCase cases[] = {
        {"header field 0 not a number",
         Joined(WithLine(1, "abc,x")),
         FaultKind::TypeMismatch,
         {"line 1,", "field 0", "\"abc\""}},
        {"empty header line", Joined(WithLine(1, "")), FaultKind::TypeMismatch, {"line 1,"}},
        {"header that is only a quoted number keeps its quotes",
         Joined(WithLine(1, "\"250\"")),
         FaultKind::TypeMismatch,
         {"line 1,", "field 0"}},
        {"header beyond the single range",
         Joined(WithLine(1, "1e39,x")),
         FaultKind::Overflow,
         {"line 1,", "field 0"}},
        {"anode line with its label only",
         Joined(WithLine(2, "Ea")),
         FaultKind::SubscriptOutOfRange,
         {"line 2 "}},
        {"empty anode voltage",
         Joined(WithLine(2, "Ea,0,,400,600")),
         FaultKind::TypeMismatch,
         {"line 2,", "field 2"}},
        {"trailing comma on the anode line",
         Joined(WithLine(2, "Ea,0,200,400,600,")),
         FaultKind::TypeMismatch,
         {"line 2,", "field 5"}},
        {"anode voltage beyond the single range",
         Joined(WithLine(2, "Ea,0,200,400,1e40")),
         FaultKind::Overflow,
         {"line 2,", "field 4"}},
        {"anode current not a number",
         Joined(WithLine(4, "0,0.20,abc,0.29,0.31")),
         FaultKind::TypeMismatch,
         {"line 4,", "field 2", "\"abc\""}},
        {"blank line among the curve rows",
         Joined(WithLine(4, "")),
         FaultKind::TypeMismatch,
         {"line 4,", "field 0"}},
        {"marker in capitals",
         Joined(WithLine(6, "SCREEN,0,200,400,600")),
         FaultKind::TypeMismatch,
         {"line 6,", "field 0"}},
        {"marker with a blank",
         Joined(WithLine(6, " Screen,0,200,400,600")),
         FaultKind::TypeMismatch,
         {"line 6,", "field 0"}},
        {"file ends before the marker",
         Joined(FirstLines(5)),
         FaultKind::TypeMismatch,
         {"line 6 ", "ends before the \"Screen\" line"}},
        {"empty file", "", FaultKind::TypeMismatch, {"line 1 ", "empty"}},
        {"file of the header line only",
         Joined(FirstLines(1)),
         FaultKind::SubscriptOutOfRange,
         {"line 2 ", "ends before the anode-voltage line"}},
        {"curve row with more values than anode voltages",
         Joined(WithLine(3, "10,0.35,0.42,0.46,0.48,0.5")),
         FaultKind::SubscriptOutOfRange,
         {"line 3 ", "5 values"}},
        {"trailing comma on a full curve row",
         Joined(WithLine(3, "10,0.35,0.42,0.46,0.48,")),
         FaultKind::SubscriptOutOfRange,
         {"line 3 "}},
        {"marker right after the anode line",
         Joined(Appended(FirstLines(2), {"Screen", "x", "y"})),
         FaultKind::SubscriptOutOfRange,
         {"line 3 "}},
        {"short screen-current row",
         Joined(WithLine(8, "0,0.03,0.02,0.01")),
         FaultKind::SubscriptOutOfRange,
         {"line 8 ", "screen-current row 2", "3 values, 4 needed"}},
        {"blank screen-current row",
         Joined(WithLine(8, "")),
         FaultKind::SubscriptOutOfRange,
         {"line 8 ", "screen-current row 2"}},
        {"screen current not a number",
         Joined(WithLine(8, "0,0.03,x,0.01,0.01")),
         FaultKind::TypeMismatch,
         {"line 8,", "field 2"}},
        {"bad value before a short row ends",
         Joined(WithLine(8, "0,x,0.02")),
         FaultKind::TypeMismatch,
         {"line 8,", "field 1"}},
        {"file ends in the screen-current block",
         Joined(FirstLines(7)),
         FaultKind::SubscriptOutOfRange,
         {"line 8 ", "screen-current row 2"}},
        {"short control-grid-current row",
         Joined(WithLine(12, "0,0,0")),
         FaultKind::SubscriptOutOfRange,
         {"line 12 ", "control-grid-current row 2"}},
        {"control-grid current beyond the single range",
         Joined(WithLine(11, "10,1e39,0.01,0.01,0")),
         FaultKind::Overflow,
         {"line 11,", "field 1"}},
        {"file ends after the separator",
         Joined(FirstLines(10)),
         FaultKind::SubscriptOutOfRange,
         {"line 11 ", "control-grid-current row 1"}},
        {"short last row without a line end",
         Joined(FirstLines(12)) + "-10,0,0",
         FaultKind::SubscriptOutOfRange,
         {"line 13 ", "control-grid-current row 3"}},
        {"unclosed quote before a comma",
         Joined(WithLine(4, "0,\"0.20,0.26,0.29,0.31")),
         FaultKind::InvalidArgument,
         {"line 4 "}},
        {"unclosed quote on the header line",
         Joined(WithLine(1, "\"250,x")),
         FaultKind::InvalidArgument,
         {"line 1 "}},
    };
    TempFolder folder;
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Write("bad.csv", c.contents);
        try {
            LoadCurveFile(path);
            ADD_FAILURE() << "the load succeeded";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.kind) << fault.what();
            EXPECT_THAT(fault.what(), HasSubstr("bad.csv"));
            for (const std::string& text : c.place) {
                EXPECT_THAT(fault.what(), HasSubstr(text));
            }
        }
    }
}

TEST(LoadCurveFile, AFileThatCannotBeOpenedIsAFileOpenFault) {
    TempFolder folder;
    const std::string paths[] = {folder.path() + "/missing.csv", folder.path(), ""};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        try {
            LoadCurveFile(path);
            ADD_FAILURE() << "the load succeeded";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::FileOpen);
            EXPECT_THAT(fault.what(), HasSubstr("\"" + path + "\""));
        }
    }
}

struct LoadCase {
    const char* name;
    std::string contents;
    std::function<void(const LoadedCurveFile&)> check;
};

TEST(LoadCurveFile, AcceptsTheFormatsLatitudes) {
    const auto sameCurrentsAsWorked = [](const LoadedCurveFile& loaded) {
        const LoadedCurveFile worked =
            LoadCurveFile(std::string(TETRODE_TEST_DATA) + "/worked-example.csv");
        EXPECT_EQ(loaded.table, worked.table);
    };
    const LoadCase cases[] = {
        {"short curve row is padded with 0", Joined(WithLine(4, "0,0.20,0.26")),
         [](const LoadedCurveFile& loaded) {
             EXPECT_THAT(CurveValues(loaded.table.AnodeCurrents, 1),
                         ElementsAre(0.20F, 0.26F, 0.0F, 0.0F));
             EXPECT_THAT(CurveValues(loaded.table.AnodeCurrents, 2),
                         ElementsAre(0.05F, 0.10F, 0.13F, 0.15F));
         }},
        {"short first and last curve rows are padded",
         [] {
             std::vector<std::string> lines = WithLine(3, "10,0.35");
             lines[4] = "-10,0.05,0.10,0.13";
             return Joined(lines);
         }(),
         [](const LoadedCurveFile& loaded) {
             EXPECT_THAT(CurveValues(loaded.table.AnodeCurrents, 0),
                         ElementsAre(0.35F, 0.0F, 0.0F, 0.0F));
             EXPECT_THAT(CurveValues(loaded.table.AnodeCurrents, 1),
                         ElementsAre(0.20F, 0.26F, 0.29F, 0.31F));
             EXPECT_THAT(CurveValues(loaded.table.AnodeCurrents, 2),
                         ElementsAre(0.05F, 0.10F, 0.13F, 0.0F));
         }},
        {"curve row with its grid voltage only", Joined(WithLine(4, "0")),
         [](const LoadedCurveFile& loaded) {
             EXPECT_THAT(CurveValues(loaded.table.AnodeCurrents, 1), ElementsAre(0, 0, 0, 0));
         }},
        {"extra fields of screen and grid rows are ignored",
         Joined(WithLine(11, "10,0.02,0.01,0.01,0,9,x")), sameCurrentsAsWorked},
        {"extra screen fields ignored", Joined(WithLine(7, "10,0.06,0.04,0.03,0.02,abc")),
         sameCurrentsAsWorked},
        {"trailing comma after N screen values is ignored", Joined(WithLine(9, "-10,0.01,0,0,0,")),
         sameCurrentsAsWorked},
        {"marker alone", Joined(WithLine(6, "Screen")), sameCurrentsAsWorked},
        {"lower-case marker", Joined(WithLine(6, "screen,x")), sameCurrentsAsWorked},
        {"quoted marker", Joined(WithLine(6, "\"screen\",0,200,400,600")), sameCurrentsAsWorked},
        {"blank separator", Joined(WithLine(10, "")), sameCurrentsAsWorked},
        {"separator with commas and quotes", Joined(WithLine(10, "\"unclosed,\"x\",,")),
         sameCurrentsAsWorked},
        {"field 0 of screen and grid rows is not compared",
         Joined(WithLine(7, "x,0.06,0.04,0.03,0.02")), sameCurrentsAsWorked},
        {"lines after the last grid row are never read",
         Joined(Appended(kWorkedExample, {"\"unclosed,", ",,,", "abc"})), sameCurrentsAsWorked},
        {"last line without a line end", Joined(FirstLines(12)) + "-10,0,0,0,0",
         sameCurrentsAsWorked},
        {"lone CR line ends keep the minus of -10", Joined(kWorkedExample, "\r"),
         sameCurrentsAsWorked},
        {"header with a blank keeps it in the text", Joined(WithLine(1, " 250,x")),
         [](const LoadedCurveFile& loaded) {
             EXPECT_EQ(loaded.screenVoltageText, " 250");
             EXPECT_EQ(loaded.table.DataSheetScreenV, 250.0F);
         }},
        {"quoted header loses its quotes", Joined(WithLine(1, "\"250\",x")),
         [](const LoadedCurveFile& loaded) {
             EXPECT_EQ(loaded.screenVoltageText, "250");
             EXPECT_EQ(loaded.table.DataSheetScreenV, 250.0F);
         }},
        {"header of one field", Joined(WithLine(1, "2.5E2")),
         [](const LoadedCurveFile& loaded) {
             EXPECT_EQ(loaded.screenVoltageText, "2.5E2");
             EXPECT_EQ(loaded.table.DataSheetScreenV, 250.0F);
         }},
        {"blanks around numbers", Joined(WithLine(3, "10 , 0.35,\t0.42 ,0.46,0.48")),
         sameCurrentsAsWorked},
        {"one anode point and one curve",
         Joined({"100", "Ea,5", "-1,0.5", "Screen", "x,0.25", "", "x,0.125"}),
         [](const LoadedCurveFile& loaded) {
             EXPECT_EQ(loaded.table.NumAnodePoints, 1);
             EXPECT_EQ(loaded.table.NumGridCurves, 1);
             EXPECT_THAT(loaded.table.AnodeVoltages, ElementsAre(5.0F));
             EXPECT_THAT(loaded.table.GridVoltages, ElementsAre(-1.0F));
             EXPECT_EQ(loaded.table.AnodeCurrents.at(0, 0), 0.5F);
             EXPECT_EQ(loaded.table.ScreenCurrents.at(0, 0), 0.25F);
             EXPECT_EQ(loaded.table.GridCurrents.at(0, 0), 0.125F);
         }},
    };
    TempFolder folder;
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Write("worked-example.csv", c.contents);
        try {
            c.check(LoadCurveFile(path));
        } catch (const Fault& fault) {
            ADD_FAILURE() << "fault: " << fault.what();
        }
    }
}

TEST(LoadCurveFile, CaptionSuffixIsTheBaseNameLessItsLastFourCharacters) {
    struct Case {
        const char* fileName;
        const char* suffix;
    };
    const Case cases[] = {
        {"example.csv", " example"},
        {"curves.csv", " curves"}, // ten characters
        {"abcd", " "},             // four characters: nothing is left
        {"abc", " abc"},           // shorter than four: kept whole, no fault
        {"a", " a"},
        {"curves.data", " curves."},      // the last four go whatever they are
        {"C:\\tubes\\tube.csv", " tube"}, // a backslash separates components as well
    };
    TempFolder folder;
    const std::string worked = Joined(kWorkedExample);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        const LoadedCurveFile loaded = LoadCurveFile(folder.Write(c.fileName, worked));
        EXPECT_EQ(loaded.captionSuffix, c.suffix);
    }
}

TEST(LoadCurveFile, TwoLoadsInARowGiveTwoCompleteTables) {
    const LoadedCurveFile first =
        LoadCurveFile(std::string(TETRODE_TEST_DATA) + "/worked-example.csv");
    const LoadedCurveFile second =
        LoadCurveFile(std::string(TETRODE_EXAMPLES) + "/model-tetrode-400v.csv");
    ExpectWorkedExample(first);
    EXPECT_EQ(second.captionSuffix, " model-tetrode-400v");
    EXPECT_EQ(second.screenVoltageText, "400");
    EXPECT_NE(second.table.NumAnodePoints, first.table.NumAnodePoints);
    // A failed load in between leaves the next one unaffected.
    EXPECT_THROW(LoadCurveFile(std::string(TETRODE_TEST_DATA) + "/no-such-file.csv"), Fault);
    ExpectWorkedExample(LoadCurveFile(std::string(TETRODE_TEST_DATA) + "/worked-example.csv"));
}

TEST(LoadCurveFile, YieldsAfterEveryLineAtQuotedFieldsAtSplitEndsAndOnceAtTheEnd) {
    struct Case {
        const char* name;
        std::string contents;
        int yields;
    };
    // The worked example: 13 lines read, 12 of them split, the path split at "\" and at "/", and
    // the final yield: 13 + 12 + 2 + 1.
    const Case cases[] = {
        {"worked example", Joined(kWorkedExample), 28},
        {"quoted header field and quoted marker",
         Joined(Appended({"\"250\",x", kWorkedExample[1], kWorkedExample[2], kWorkedExample[3],
                          kWorkedExample[4], "\"Screen\",0"},
                         {kWorkedExample.begin() + 6, kWorkedExample.end()})),
         30},
        {"lines after the end are not read", Joined(Appended(kWorkedExample, {"a", "b"})), 28},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int yields = 0;
        LoadCurveFile(folder.Write("y.csv", c.contents), [&yields] { ++yields; });
        EXPECT_EQ(yields, c.yields);
    }
}

// A file with `points` anode points and `curves` curves; all currents 0 except where a row is
// short (curve rows hold their grid voltage only and are padded).
std::string SizedCurveFile(int points, int curves) {
    std::string anodeLine = "Ea";
    std::string currentRow = "x";
    for (int j = 0; j < points; ++j) {
        anodeLine += ',' + std::to_string(j);
        currentRow += ",0";
    }
    std::string text = "250\n" + anodeLine + "\n";
    for (int i = 0; i < curves; ++i) {
        text += std::to_string(curves - i) + "\n";
    }
    text += "Screen\n";
    for (int i = 0; i < curves; ++i) {
        text += currentRow + "\n";
    }
    text += "Control grid current\n";
    for (int i = 0; i < curves; ++i) {
        text += currentRow + "\n";
    }
    return text;
}

TEST(LoadCurveFile, AxesHoldAtMost32767Entries) {
    struct Case {
        const char* name;
        int points;
        int curves;
        bool loads;
        const char* place;
    };
    const Case cases[] = {
        {"32767 anode points", 32767, 2, true, ""},
        {"32768 anode points", 32768, 2, false, "line 2 "},
        {"32767 curves", 1, 32767, true, ""},
        {"32768 curves", 1, 32768, false, "line 32770"},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder.Write("big.csv", SizedCurveFile(c.points, c.curves));
        if (c.loads) {
            const LoadedCurveFile loaded = LoadCurveFile(path);
            EXPECT_EQ(loaded.table.NumAnodePoints, c.points);
            EXPECT_EQ(loaded.table.NumGridCurves, c.curves);
            EXPECT_EQ(loaded.table.AnodeVoltages.back(), static_cast<float>(c.points - 1));
            EXPECT_EQ(loaded.table.GridVoltages.back(), 1.0F);
            EXPECT_EQ(loaded.table.GridCurrents.curves(), c.curves);
            continue;
        }
        try {
            LoadCurveFile(path);
            ADD_FAILURE() << "the load succeeded";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), FaultKind::Overflow);
            EXPECT_THAT(fault.what(), HasSubstr(c.place));
        }
    }
}

// A file of a few hundred kilobytes that pads to a matrix of four gigabytes: a long anode line,
// 32767 one-field curve rows and a screen block that ends at once. The load fails on the screen
// block as it must, without first building the padded anode matrix.
TEST(LoadCurveFile, ShortRowsOfAnInvalidFileAreNotPaddedBeforeItFails) {
    std::string text = "250\nEa";
    for (int j = 0; j < 32767; ++j) {
        text += ",1";
    }
    text += "\n";
    for (int i = 0; i < 32767; ++i) {
        text += "0\n";
    }
    text += "Screen\n0,1\n";
    TempFolder folder;
    const std::string path = folder.Write("padded.csv", text);
    try {
        LoadCurveFile(path);
        ADD_FAILURE() << "the load succeeded";
    } catch (const Fault& fault) {
        EXPECT_EQ(fault.kind(), FaultKind::SubscriptOutOfRange);
        EXPECT_THAT(fault.what(), HasSubstr("line 32771 "));
        EXPECT_THAT(fault.what(), HasSubstr("screen-current row 1"));
    }
}

// The model curves shipped in examples/ meet what the calculation relies on.
TEST(ExampleCurves, LoadAndMeetTheTablesConditions) {
    struct Case {
        const char* file;
        const char* lineEnd;
        const char* screenVoltage;
    };
    const Case cases[] = {
        {"model-tetrode-250v.csv", "\n", "250"},
        {"model-tetrode-400v.csv", "\r\n", "400"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = std::string(TETRODE_EXAMPLES) + "/" + c.file;
        const std::string bytes = ReadBytes(path);
        if (std::string(c.lineEnd) == "\n") {
            EXPECT_EQ(bytes.find('\r'), std::string::npos) << "LF line ends only";
        } else {
            EXPECT_EQ(bytes.find("\r\n"), bytes.find('\r')) << "CR LF line ends";
            EXPECT_NE(bytes.find("\r\n"), std::string::npos);
        }
        EXPECT_THAT(bytes.substr(0, bytes.find(c.lineEnd)), HasSubstr("model curves"));

        const LoadedCurveFile loaded = LoadCurveFile(path);
        const CurveTable& table = loaded.table;
        EXPECT_EQ(loaded.screenVoltageText, c.screenVoltage);
        EXPECT_GT(table.DataSheetScreenV, 0.0F);
        EXPECT_GE(table.NumAnodePoints, 10);
        EXPECT_LE(table.NumAnodePoints, 20);
        EXPECT_GE(table.NumGridCurves, 8);
        EXPECT_LE(table.NumGridCurves, 15);

        const auto& anode = table.AnodeVoltages;
        const auto& grid = table.GridVoltages;
        const float anodeStep = anode[1] - anode[0];
        const float gridStep = grid[0] - grid[1];
        EXPECT_GT(anodeStep, 0.0F) << "anode voltages ascend";
        EXPECT_GT(gridStep, 0.0F) << "grid voltages descend";
        for (std::size_t j = 1; j < anode.size(); ++j) {
            EXPECT_FLOAT_EQ(anode[j] - anode[j - 1], anodeStep) << "uniform anode axis at " << j;
        }
        for (std::size_t i = 1; i < grid.size(); ++i) {
            EXPECT_FLOAT_EQ(grid[i - 1] - grid[i], gridStep) << "uniform grid axis at " << i;
        }
        EXPECT_GT(grid.front(), 0.0F) << "the first curve has a positive grid";
        for (const CurrentMatrix* matrix :
             {&table.AnodeCurrents, &table.ScreenCurrents, &table.GridCurrents}) {
            for (int i = 0; i < matrix->curves(); ++i) {
                for (const float value : matrix->curve(i)) {
                    EXPECT_GE(value, 0.0F);
                }
            }
        }
        // The model's shape: anode current rises with anode voltage and falls with grid voltage;
        // the positive grid draws current, the negative one none.
        EXPECT_GT(table.AnodeCurrents.at(table.NumAnodePoints - 1, 0),
                  table.AnodeCurrents.at(table.NumAnodePoints - 1, 1));
        EXPECT_GT(table.AnodeCurrents.at(table.NumAnodePoints - 1, 0),
                  table.AnodeCurrents.at(1, 0));
        EXPECT_GT(table.GridCurrents.at(0, 0), 0.0F);
        EXPECT_EQ(table.GridCurrents.at(0, table.NumGridCurves - 1), 0.0F);
    }
}

} // namespace
} // namespace tetrode
