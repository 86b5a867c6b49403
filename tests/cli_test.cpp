// SPDX-License-Identifier: MIT
#include "cli/command_line.h"

#include "analysis/session.h"
#include "import/curve_import.h"
#include "results/results_sheet.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace tetrode {
namespace {

using Args = std::vector<std::string>;
using testing::FaultOf;
using Table = std::vector<std::vector<std::string>>;

const std::string kWorked = TETRODE_TEST_DATA "/worked-example.csv";
const std::string kModel250 = TETRODE_EXAMPLES "/model-tetrode-250v.csv";
const std::string kModel400 = TETRODE_EXAMPLES "/model-tetrode-400v.csv";
const std::string kTraced = TETRODE_EXAMPLES "/model-tetrode-250v-traced.csv";

struct Outcome {
    int status;
    std::string out, err;
};

Outcome Calc(const Args& args, cli::RunOptions options = {}) {
    std::ostringstream out, err;
    const int status = cli::Run(args, out, err, options);
    return {status, out.str(), err.str()};
}

// `args` with the operating line: grid bias, anode bias, peak grid, minimum anode voltage.
Args With(Args args, const std::array<std::string, 4>& line) {
    for (std::size_t k = 0; k < line.size(); ++k) {
        const char* options[] = {"--grid-bias", "--anode-bias", "--peak-grid", "--min-anode"};
        args.insert(args.end(), {options[k], line[k]});
    }
    return args;
}

// Reads CSV as RFC 4180 writes it: quoted fields with doubled quotes, LF line ends.
Table ReadCsv(std::string_view text) {
    Table rows(1, std::vector<std::string>(1));
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::string& field = rows.back().back();
        if (text[i] == '"') {
            for (++i; i < text.size() && !(text[i] == '"' && text.substr(i, 2) != "\"\""); ++i) {
                field += text[i];
                i += text[i] == '"' ? 1 : 0;
            }
        } else if (text[i] == ',') {
            rows.back().emplace_back();
        } else if (text[i] == '\n') {
            rows.emplace_back(1);
        } else {
            field += text[i];
        }
    }
    rows.pop_back(); // after the last line end
    return rows;
}

// A fault as the window reports it: its kind, then its place and cause.
std::string Report(const Fault& fault) {
    return std::string(FaultKindName(fault.kind())) + ":\n" + FaultMessage(fault) + "\n";
}

// The window's report of a fault on one line, as a sweep's error column holds it.
std::string OneLine(std::string report) {
    report.pop_back();
    return report.replace(report.find(":\n"), 2, ": ");
}

// The CSV and the JSON of figures and limits name the same quantities with the same numbers: the
// session's at full precision (the limits' as singles), whatever the curve file's name holds.
TEST(CommandLine, CsvAndJsonReadBackToTheSameNumbers) {
    const testing::TempFolder folder;
    const std::string quoted = folder.Write("tube \"A\", 2.csv", testing::ReadBytes(kWorked));
    const std::string noUtf8 = folder.Write("tube-\xff.csv", testing::ReadBytes(kWorked));
    const std::array<std::string, 4> line{"-5", "550", "5", "100"};
    const std::pair<Args, std::string> cases[] = {
        {With({"figures", kWorked}, line), "worked-example.csv"},
        {With({"figures", kModel400, "--screen", "450"}, line), "model-tetrode-400v.csv"},
        {With({"figures", quoted}, line), "tube \"A\", 2.csv"},
        {With({"figures", noUtf8}, line), "tube-\xff.csv"},
        {{"limits", kModel250, "--screen", "360"}, "model-tetrode-250v.csv"},
        {{"limits", quoted}, "tube \"A\", 2.csv"},
    };
    for (const auto& [args, file] : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        Args csvArgs = args, jsonArgs = args;
        csvArgs.insert(csvArgs.end(), {"--format", "csv"});
        jsonArgs.insert(jsonArgs.end(), {"--format", "json"});
        const Table csv = ReadCsv(Calc(csvArgs).out);
        const auto json = nlohmann::json::parse(Calc(jsonArgs).out);
        EXPECT_EQ(csv[0], (std::vector<std::string>{"name", "caption", "value", "unit"}));
        EXPECT_EQ(csv[1], (std::vector<std::string>{"curve-file", "Curve file", file, ""}));
        EXPECT_TRUE(json["curve-file"].get<std::string>().starts_with(file.substr(0, 5)));
        nlohmann::json quantities = nlohmann::json::array();
        for (auto row = csv.begin() + 2; row != csv.end(); ++row) {
            quantities.push_back({{"name", (*row)[0]},
                                  {"caption", (*row)[1]},
                                  {"value", std::stod((*row)[2])},
                                  {"unit", (*row)[3]}});
        }
        EXPECT_EQ(quantities, json["quantities"]);

        Session session;
        session.Open(args[1]);
        const auto screen = std::ranges::find(args, "--screen");
        const std::string volts = screen != args.end() ? screen[1] : session.ScreenVoltageText();
        if (args[0] == "figures") {
            const Calculation& calculation =
                session.Calculate({volts, line[1], line[0], line[3], line[2]});
            for (std::size_t k = 0; k < kFigureCount; ++k) {
                const FigureInfo& info = Figures()[k];
                EXPECT_EQ(std::stod(csv[csv.size() - kFigureCount + k][2]),
                          FigureValue(calculation.figures, info.figure) * info.displayScale);
            }
        } else {
            const DataLimits& l = session.SetScreenVoltage(volts);
            const float limits[] = {l.MaxAnodeVoltage, l.MinAnodeVoltage, l.MaxGridVoltage,
                                    l.MinGridVoltage};
            for (std::size_t k = 0; k < 4; ++k) {
                EXPECT_EQ(static_cast<float>(std::stod(csv[k + 3][2])), limits[k]) << csv[k + 3][0];
            }
        }
    }
}

// The grid a sweep runs over: rows in grid order, the last input fastest, TO included when it is
// reached, decimal steps landing on the decimals typed; a failing point has its fault in the
// error column and the sweep goes on. A successful sweep writes nothing to a stderr that is no
// terminal, and blanks its progress line on one that is.
TEST(CommandLine, SweepsRunOverTheGridInOrder) {
    const std::string slope =
        OneLine(Calc(With({"figures", kWorked}, {"-5", "500", "5", "500"})).err);
    // The --vary options, then the varied inputs of each row ("!" marks a failing point).
    const std::pair<Args, std::string> cases[] = {
        {{"grid-bias=10:-10:-5"}, "10 5 0 -5 -10"},
        {{"peak-grid=-0.3:0.3:0.1"}, "-0.3 -0.2 -0.1 0 0.1 0.2 0.3"},
        {{"screen=100:350:100"}, "100 200 300"},
        {{"screen=250:250:-1"}, "250"},
        {{"grid-bias=0:-10:-10", "peak-grid=1:2:1"}, "0/1 0/2 -10/1 -10/2"},
        {{"min-anode=400:600:100"}, "400 500! 600"},
    };
    for (const auto& [vary, expected] : cases) {
        SCOPED_TRACE(expected);
        Args args = With({"sweep", kWorked}, {"-5", "500", "5", "100"});
        for (const std::string& spec : vary) {
            args.insert(args.end(), {"--vary", spec});
        }
        const Outcome sweep = Calc(args, {.progress = vary.size() == 2, .threads = 2});
        ASSERT_EQ(sweep.status, 0) << sweep.err;
        EXPECT_TRUE(vary.size() == 2 ? sweep.err.ends_with(" \r") : sweep.err.empty());
        const Table rows = ReadCsv(sweep.out);
        std::string varied;
        for (std::size_t r = 1; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r].size(), 21U);
            for (const std::string& spec : vary) {
                const std::string name = spec.substr(0, spec.find('=')) + " (V)";
                varied += (spec == vary[0] ? "" : "/") +
                          rows[r][std::ranges::find(rows[0], name) - rows[0].begin()];
            }
            EXPECT_EQ(rows[r][20].empty() ? "" : slope, rows[r][20]);
            varied += std::string(rows[r][20].empty() ? "" : "!") + " ";
        }
        EXPECT_EQ(varied, expected + " ");
    }
}

// Property: each row of a sweep is what `figures` gives for the same inputs, also its fault, over
// random grids of one or two inputs on several threads (large grids span many pieces of work).
TEST(CommandLine, EachSweepRowIsASingleFiguresCall) {
    std::mt19937 random(20240611);
    const auto whole = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int c = 0; c < 16; ++c) {
        const bool large = c % 4 == 0;
        const std::string file = c % 2 == 0 ? kWorked : kModel400;
        Args args = With({"sweep", file},
                         {std::to_string(whole(-80, 0)), std::to_string(50 * whole(4, 60)),
                          std::to_string(whole(-10, 30)), std::to_string(50 * whole(1, 12))});
        struct Axis {
            int input, from, step, count;
        };
        std::vector<Axis> axes;
        const int first = whole(0, 4), second = (first + whole(1, 4)) % 5;
        for (const int input : c % 3 == 0 ? std::vector{first} : std::vector{first, second}) {
            const int from = input == 1 || input == 3 ? 50 * whole(0, 20) : whole(-60, 60);
            const int step = (whole(0, 1) == 0 ? -1 : 1) * (input % 2 == 1 ? 50 : whole(1, 9));
            const Axis& axis =
                axes.emplace_back(Axis{input, from, step, large ? whole(30, 45) : whole(1, 6)});
            args.insert(args.end(),
                        {"--vary", std::string(Inputs()[input].name) + "=" + std::to_string(from) +
                                       ":" + std::to_string(from + (axis.count - 1) * step) + ":" +
                                       std::to_string(step)});
        }
        SCOPED_TRACE(::testing::PrintToString(args));
        const Outcome sweep = Calc(args, {.threads = static_cast<unsigned>(1 + c % 3)});
        ASSERT_EQ(sweep.status, 0) << sweep.err;
        const Table rows = ReadCsv(sweep.out);
        ASSERT_EQ(rows.size() - 1,
                  axes.size() == 1 ? axes[0].count : axes[0].count * axes[1].count);
        for (std::size_t r = 1, sampled = 1; r < rows.size(); ++r) {
            std::size_t rest = r - 1; // rows in grid order, the last axis fastest
            for (auto axis = axes.rbegin(); axis != axes.rend(); ++axis) {
                const int index = static_cast<int>(rest % axis->count);
                EXPECT_EQ(rows[r][axis->input], std::to_string(axis->from + index * axis->step));
                rest /= axis->count;
            }
            if (r != sampled) {
                continue;
            }
            sampled += large ? whole(20, 60) : 1;
            Args figures{"figures", file, "--format", "csv"};
            for (std::size_t k = 0; k < 5; ++k) {
                figures.insert(figures.end(), {"--" + std::string(Inputs()[k].name), rows[r][k]});
            }
            const Outcome single = Calc(figures);
            const Table sheet = ReadCsv(single.out);
            std::vector<std::string> expected(kFigureCount); // none for a fault
            for (std::size_t k = 0; k < kFigureCount && single.status == 0; ++k) {
                expected[k] = sheet[sheet.size() - kFigureCount + k][2];
            }
            EXPECT_EQ(std::vector(rows[r].begin() + 5, rows[r].begin() + 20), expected) << r;
            EXPECT_EQ(rows[r][20], single.status == 0 ? "" : OneLine(single.err)) << "row " << r;
        }
    }
}

// Usage errors end with status 2 and a hint; what the calculator refuses ends with status 1 and
// the window's words; nothing is written to the output then, nor to the file an import names.
TEST(CommandLine, UsageErrorsAndFaultsEndWithTheirStatus) {
    const testing::TempFolder folder;
    const std::string refused = folder.Write("nan.csv", "x,2A\n500,nan\n600,-20\n");
    const std::string out = folder.path() + "/out.csv";
    const Args figures = With({"figures", kWorked}, {"-5", "550", "5", "100"});
    const auto sweep = [](Args vary) {
        Args args = With({"sweep", kWorked}, {"-5", "550", "5", "100"});
        args.insert(args.end(), vary.begin(), vary.end());
        return args;
    };
    // Name, arguments, exit status, and the error output (less "tetrode-calc: " and the hint of a
    // usage error).
    const std::tuple<const char*, Args, int, std::string> cases[] = {
        {"no arguments", {}, 2, "A subcommand is required"},
        {"unknown option", With({"figures", kWorked, "--bias", "5"}, {"-5", "550", "5", "100"}), 2,
         "The following arguments were not expected: 5 --bias"},
        {"missing value", Args{"figures", kWorked, "--grid-bias"}, 2,
         "--grid-bias: 1 required V missing"},
        {"unknown format", Args{"limits", kWorked, "--format", "xml"}, 2,
         "--format: xml not in {text,csv,json}"},
        {"unknown name to vary", sweep({"--vary", "bias=1:2:1"}), 2,
         "--vary bias=1:2:1: "
         "NAME=FROM:TO:STEP expected, NAME one of grid-bias, anode-bias, peak-grid, min-anode, "
         "screen"},
        {"a step of 0", sweep({"--vary", "screen=1:2:0"}), 2, "--vary screen=1:2:0: the STEP is 0"},
        {"no end to a range", sweep({"--vary", "screen=1:2"}), 2,
         "--vary screen=1:2: FROM:TO:STEP expected after the name"},
        {"an input varied twice", sweep({"--vary", "screen=1:2:1", "--vary", "screen=3:4:1"}), 2,
         "--vary: screen is varied twice"},
        {"import: no export",
         {"import", "--screen-voltage", "250", "-o", out},
         2,
         "import: no digitizer export given (FILE, --anode, --screen-current or --grid-current)"},
        {"import: no screen voltage",
         {"import", kTraced, "-o", out},
         2,
         "--screen-voltage is required"},
        {"import: no output",
         {"import", kTraced, "--screen-voltage", "250"},
         2,
         "--output is required"},
        {"a refused text", With({"figures", kWorked}, {"-5", "3,000", "5", "100"}), 1,
         Report(FaultOf([] { ReadTypedVoltage("3,000", "Anode Bias"); }))},
        {"a refused sweep bound", sweep({"--vary", "grid-bias=1:2:1.5kV"}), 1,
         Report(FaultOf([] { ReadTypedVoltage("1.5kV", "Grid Bias, sweep STEP"); }))},
        {"a missing file", Args{"limits", "/no/such.csv"}, 1,
         Report(FaultOf([] { LoadCurveFile("/no/such.csv"); }))},
        {"import: a refused export",
         {"import", refused, "--screen-voltage", "250", "-o", out},
         1,
         Report(FaultOf([&] {
             ImportDigitizedCurves({{{refused, {}}}, 250, {}, {}});
         }))},
        {"import: a refused screen voltage",
         {"import", kTraced, "--screen-voltage", "3,000", "-o", out},
         1,
         Report(FaultOf([] { ReadTypedVoltage("3,000", "Screen voltage"); }))},
        {"import: an axis of two numbers",
         {"import", kTraced, "--screen-voltage", "250", "--grid-axis", "20:-70", "-o", out},
         1,
         Report(FaultOf([] { ReadAxisRange("20:-70", false, "Grid axis"); }))},
    };
    for (const auto& [name, args, status, err] : cases) {
        SCOPED_TRACE(name);
        folder.Write("out.csv", "old");
        const Outcome outcome = Calc(args);
        EXPECT_EQ(outcome.status, status);
        EXPECT_EQ(outcome.err, status == 2
                                   ? "tetrode-calc: " + err +
                                         "\nRun 'tetrode-calc --help' for more information.\n"
                                   : err);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(testing::ReadBytes(out), "old");
    }
    // An output that cannot be written is a fault, not a success.
    for (const Args& args : {figures, Args{"limits", kWorked}, sweep({"--vary", "screen=2:3:1"})}) {
        std::ostream broken(nullptr);
        std::ostringstream err;
        EXPECT_EQ(cli::Run(args, broken, err), 1);
        EXPECT_EQ(err.str(), Report(Fault(FaultKind::FileOpen, "the output cannot be written")));
    }
}

// Import writes the curve file the library imports from the same exports, families, screen voltage
// and axes, and names on stderr its notes, the axes and the largest residual.
TEST(CommandLine, ImportWritesTheLibrarysCurveFile) {
    using F = CurrentFamily;
    const testing::TempFolder folder;
    // Bare currents are of the family their option gives; prefixed ones say it themselves.
    const std::string anode = folder.Write("ia.csv", "x,1A,2A\n0,-20,-10\n1000,-30,-20\n");
    const std::string grid = folder.Write("ig.csv", "x,5mA,10mA\n0,2,8\n1000,4,10\n");
    const std::string screen =
        folder.Write("is.csv", "x,Is 10mA,Is 20mA\n0,-20,-10\n1000,-30,-20\n");
    const std::string out = folder.path() + "/out.csv";
    const auto grid70 = ReadAxisRange("20:-70:-10", false, import_input::GridAxis);
    const auto anode200 = ReadAxisRange("0:3000:200", true, import_input::AnodeAxis);
    // clang-format off
    // Name, arguments, and the library's import of the same.
    const std::tuple<const char*, Args, ImportRequest> cases[] = {
        {"mixed families, proposed axes", {kTraced, "--screen-voltage", "250", "-o", out},
         {{{kTraced, std::nullopt}}, 250, {}, {}}},
        {"both axes, the grid's rising", {kTraced, "--screen-voltage", "250", "--anode-axis",
         "0:3000:200", "--grid-axis", "-70:20:10", "-o", out},
         {{{kTraced, std::nullopt}}, 250, anode200, grid70}},
        {"a family each option, one file each time",
         {"--anode", anode, screen, "--grid-current", grid, "--screen-voltage", "250 V", "-o", out},
         {{{anode, F::Anode}, {grid, F::Grid}, {screen, std::nullopt}}, 250, {}, {}}},
    };
    // clang-format on
    for (const auto& [name, args, request] : cases) {
        SCOPED_TRACE(name);
        folder.Write("out.csv", "old");
        Args command{"import"};
        command.insert(command.end(), args.begin(), args.end());
        const Outcome outcome = Calc(command);
        EXPECT_EQ(outcome.out, "");
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        const ImportedCurves imported = ImportDigitizedCurves(request);
        WriteImportedCurves(imported, folder.path() + "/expected.csv");
        EXPECT_EQ(testing::ReadBytes(out), testing::ReadBytes(folder.path() + "/expected.csv"));
        std::string said;
        for (const ImportNote& note : imported.notes) {
            said += "Note: " + ImportNoteMessage(note) + "\n";
        }
        said += "Axes: anode " + AxisRangeText(imported.anodeAxis) +
                (request.anodeAxis ? "" : " (proposed)") + ", grid " +
                AxisRangeText(imported.gridAxis) + (request.gridAxis ? "" : " (proposed)") +
                "\nLargest residual: " +
                ResidualMessage(imported, imported.residuals.points[*imported.residuals.largest]) +
                "\n";
        EXPECT_EQ(outcome.err, said);
    }
}

} // namespace
} // namespace tetrode
