// SPDX-License-Identifier: MIT
#include "cli/command_line.h"

#include "analysis/session.h"
#include "platform/number_text.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tetrode {
namespace {

using Args = std::vector<std::string>;
using testing::FaultOf;
using Table = std::vector<std::vector<std::string>>;

const std::string kWorked = TETRODE_TEST_DATA "/worked-example.csv";
const std::string kModel250 = TETRODE_EXAMPLES "/model-tetrode-250v.csv";
const std::string kModel400 = TETRODE_EXAMPLES "/model-tetrode-400v.csv";

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

double Number(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(error == std::errc{} && end == text.data() + text.size()) << text;
    return value;
}

// The window's report of a fault on one line, as a sweep's error column holds it.
std::string OneLine(std::string report) {
    report.pop_back();
    return report.replace(report.find(":\n"), 2, ": ");
}

// The CSV and the JSON of figures and limits name the same quantities with the same numbers, and
// those are the session's at full precision; the text shows each as the window does.
TEST(CommandLine, CsvAndJsonReadBackToTheSameNumbers) {
    const testing::TempFolder folder;
    const std::string quoted = folder.Write("tube \"A\", 2.csv", testing::ReadBytes(kWorked));
    const std::string noUtf8 = folder.Write("tube-\xff.csv", testing::ReadBytes(kWorked));
    const std::array<std::string, 4> line{"-5", "550", "5", "100"}, none{};
    const struct {
        const char* name;
        std::string path, file, screen;
        std::array<std::string, 4> line; // none for the limits
    } cases[] = {
        {"figures, worked example", kWorked, "worked-example.csv", "", line},
        {"figures at 450 V",
         kModel400,
         "model-tetrode-400v.csv",
         "450",
         {"-60", "3000", "25", "450"}},
        {"figures, quotes and a comma in the name", quoted, "tube \"A\", 2.csv", "", line},
        {"figures, no UTF-8 in the name", noUtf8, "tube-\xff.csv", "", line},
        {"limits at 360 V", kModel250, "model-tetrode-250v.csv", "360", none},
        {"limits, own screen", quoted, "tube \"A\", 2.csv", "", none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bool figures = c.line != none;
        Args args = figures ? With({"figures", c.path}, c.line) : Args{"limits", c.path};
        if (!c.screen.empty()) {
            args.insert(args.end(), {"--screen", c.screen});
        }
        const Outcome text = Calc(args);
        Args csvArgs = args, jsonArgs = args;
        csvArgs.insert(csvArgs.end(), {"--format", "csv"});
        jsonArgs.insert(jsonArgs.end(), {"--format", "json"});
        const Table csv = ReadCsv(Calc(csvArgs).out);
        const auto json = nlohmann::json::parse(Calc(jsonArgs).out);
        ASSERT_EQ(text.status, 0) << text.err;
        ASSERT_EQ(csv.size(), json["quantities"].size() + 2);
        EXPECT_EQ(csv[0], (std::vector<std::string>{"name", "caption", "value", "unit"}));
        EXPECT_EQ(csv[1], (std::vector<std::string>{"curve-file", "Curve file", c.file, ""}));
        EXPECT_TRUE(json["curve-file"].get<std::string>().starts_with(c.file.substr(0, 5)));

        // The numbers of an independent session, at full precision (the limits are singles).
        Session session;
        session.Open(c.path);
        const std::string screen = c.screen.empty() ? session.ScreenVoltageText() : c.screen;
        std::vector<double> expected;
        if (figures) {
            const Calculation& calculation =
                session.Calculate({screen, c.line[1], c.line[0], c.line[3], c.line[2]});
            for (const FigureInfo& info : Figures()) {
                expected.push_back(FigureValue(calculation.figures, info.figure) *
                                   info.displayScale);
            }
        } else {
            const DataLimits& l = session.SetScreenVoltage(screen);
            expected = {l.MaxAnodeVoltage, l.MinAnodeVoltage, l.MaxGridVoltage, l.MinGridVoltage};
        }
        std::istringstream lines(text.out);
        std::string shownLine;
        for (std::size_t k = 0; k + 2 < csv.size(); ++k) {
            const auto& row = csv[k + 2];
            const auto& quantity = json["quantities"][k];
            EXPECT_EQ(row[0] + row[1] + row[3], quantity["name"].get<std::string>() +
                                                    quantity["caption"].get<std::string>() +
                                                    quantity["unit"].get<std::string>());
            EXPECT_EQ(Number(row[2]), quantity["value"].get<double>()) << row[0];
            // Figures: the last fifteen rows; limits: between the screen voltages.
            const std::size_t first = figures ? csv.size() - 2 - kFigureCount : 1;
            if (k >= first && k - first < expected.size()) {
                const double value = Number(row[2]);
                EXPECT_EQ(figures ? value : static_cast<float>(value), expected[k - first])
                    << row[0];
            }
            if (figures ? k >= first : true) {
                std::getline(lines, shownLine);
                EXPECT_TRUE(shownLine.starts_with(row[1]) && shownLine.ends_with(" " + row[3]))
                    << shownLine;
            }
        }
    }
}

// The grid a sweep runs over: rows in grid order, the last input fastest, TO included when it is
// reached, decimal steps landing on the decimals typed; a failing point has its fault in the
// error column and the sweep goes on. A successful sweep writes nothing to a stderr that is no
// terminal, and blanks its progress line on one that is.
TEST(CommandLine, SweepsRunOverTheGridInOrder) {
    const Args line = With({"sweep", kWorked}, {"-5", "500", "5", "100"});
    const std::string slope =
        OneLine(Calc(With({"figures", kWorked}, {"-5", "500", "5", "500"})).err);
    const struct {
        const char* name;
        Args vary;
        std::string varied; // the varied inputs of each row; "!" marks a failing point
    } cases[] = {
        {"falling range", {"grid-bias=10:-10:-5"}, "10 5 0 -5 -10"},
        {"tenths end on TO", {"peak-grid=-0.3:0.3:0.1"}, "-0.3 -0.2 -0.1 0 0.1 0.2 0.3"},
        {"TO not reached", {"screen=100:350:100"}, "100 200 300"},
        {"FROM is TO", {"screen=250:250:-1"}, "250"},
        {"second input fastest", {"grid-bias=0:-10:-10", "peak-grid=1:2:1"}, "0/1 0/2 -10/1 -10/2"},
        {"a failing point", {"min-anode=400:600:100"}, "400 500! 600"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Args args = line;
        for (const std::string& vary : c.vary) {
            args.insert(args.end(), {"--vary", vary});
        }
        const Outcome sweep = Calc(args, {.progress = c.vary.size() == 2, .threads = 2});
        ASSERT_EQ(sweep.status, 0) << sweep.err;
        EXPECT_TRUE(c.vary.size() == 2 ? sweep.err.ends_with(" \r") : sweep.err.empty());
        const Table rows = ReadCsv(sweep.out);
        std::string varied;
        for (std::size_t r = 1; r < rows.size(); ++r) {
            ASSERT_EQ(rows[r].size(), 21U);
            for (std::size_t v = 0; v < c.vary.size(); ++v) {
                const std::string name = c.vary[v].substr(0, c.vary[v].find('=')) + " (V)";
                const auto column = std::ranges::find(rows[0], name) - rows[0].begin();
                varied += (v > 0 ? "/" : "") + rows[r][column];
            }
            EXPECT_EQ(rows[r][20].empty() ? "" : slope, rows[r][20]);
            varied +=
                std::string(rows[r][20].empty() ? "" : "!") + (r + 1 < rows.size() ? " " : "");
        }
        EXPECT_EQ(varied, c.varied);
    }
}

// Property: each row of a sweep is what `figures` gives for the same inputs, also its fault, over
// random grids of one or two inputs on several threads (large grids span many pieces of work).
TEST(CommandLine, EachSweepRowIsASingleFiguresCall) {
    std::mt19937 random(20240611);
    const auto whole = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const std::array<const char*, 5> names{"grid-bias", "anode-bias", "peak-grid", "min-anode",
                                           "screen"};
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
                        {"--vary", std::string(names[input]) + "=" + std::to_string(from) + ":" +
                                       std::to_string(from + (axis.count - 1) * step) + ":" +
                                       std::to_string(step)});
        }
        SCOPED_TRACE(::testing::PrintToString(args));
        const Outcome sweep = Calc(args, {.threads = static_cast<unsigned>(1 + c % 3)});
        ASSERT_EQ(sweep.status, 0) << sweep.err;
        const Table rows = ReadCsv(sweep.out);
        ASSERT_EQ(rows.size() - 1,
                  axes.size() == 1 ? axes[0].count : axes[0].count * axes[1].count);
        for (std::size_t r = 1; r < rows.size(); ++r) {
            std::size_t rest = r - 1; // rows in grid order, the last axis fastest
            for (auto axis = axes.rbegin(); axis != axes.rend(); ++axis) {
                const int index = static_cast<int>(rest % axis->count);
                EXPECT_EQ(rows[r][axis->input], std::to_string(axis->from + index * axis->step));
                rest /= axis->count;
            }
        }
        for (std::size_t r = 1; r < rows.size(); r += large ? whole(20, 60) : 1) {
            Args figures{"figures", file, "--format", "csv"};
            for (std::size_t k = 0; k < 5; ++k) {
                figures.insert(figures.end(), {"--" + std::string(names[k]), rows[r][k]});
            }
            const Outcome single = Calc(figures);
            const Table sheet = ReadCsv(single.out);
            std::string expected;
            for (std::size_t k = 0; k < kFigureCount && single.status == 0; ++k) {
                expected += sheet[sheet.size() - kFigureCount + k][2] + ",";
            }
            std::string row;
            for (std::size_t k = 5; k < 20; ++k) {
                row += rows[r][k] + (rows[r][k].empty() ? "" : ",");
            }
            EXPECT_EQ(row, expected) << "row " << r;
            EXPECT_EQ(rows[r][20], single.status == 0 ? "" : OneLine(single.err)) << "row " << r;
        }
    }
}

// Usage errors end with status 2 and a hint; what the calculator refuses ends with status 1 and
// the window's words; nothing is written to the output then.
TEST(CommandLine, UsageErrorsAndFaultsEndWithTheirStatus) {
    const auto report = [](FaultKind kind, const std::string& cause, FaultPlace place) {
        const Fault fault(kind, cause, std::move(place));
        return std::string(FaultKindName(kind)) + ":\n" + FaultMessage(fault) + "\n";
    };
    const std::string hint = "\nRun 'tetrode-calc --help' for more information.\n";
    const Args figures = With({"figures", kWorked}, {"-5", "550", "5", "100"});
    const Args sweep = With({"sweep", kWorked}, {"-5", "550", "5", "100"});
    const auto plus = [](Args args, const Args& more) {
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const struct {
        const char* name;
        Args args;
        int status;
        std::string err;
    } cases[] = {
        {"no arguments", {}, 2, "tetrode-calc: A subcommand is required" + hint},
        {"unknown option", plus(figures, {"--bias", "5"}), 2,
         "tetrode-calc: The following arguments were not expected: 5 --bias" + hint},
        {"missing value",
         {"figures", kWorked, "--grid-bias"},
         2,
         "tetrode-calc: --grid-bias: 1 required V missing" + hint},
        {"unknown format", plus(figures, {"--format", "xml"}), 2,
         "tetrode-calc: --format: xml not in {text,csv,json}" + hint},
        {"unknown name to vary", plus(sweep, {"--vary", "bias=1:2:1"}), 2,
         "tetrode-calc: --vary bias=1:2:1: NAME=FROM:TO:STEP expected, NAME one of grid-bias, "
         "anode-bias, peak-grid, min-anode, screen" +
             hint},
        {"a step of 0", plus(sweep, {"--vary", "screen=1:2:0"}), 2,
         "tetrode-calc: --vary screen=1:2:0: the STEP is 0" + hint},
        {"no end to a range", plus(sweep, {"--vary", "screen=1:2"}), 2,
         "tetrode-calc: --vary screen=1:2: FROM:TO:STEP expected after the name" + hint},
        {"an input varied twice", plus(sweep, {"--vary", "screen=1:2:1", "--vary", "screen=3:4:1"}),
         2, "tetrode-calc: --vary: screen is varied twice" + hint},
        {"a refused text", With({"figures", kWorked}, {"-5", "3,000", "5", "100"}), 1,
         report(FaultKind::InvalidArgument,
                "\"3,000\" holds more than one number: type a single "
                "number, without thousands separators",
                InputPlace{"Anode Bias"})},
        {"a refused sweep bound", plus(sweep, {"--vary", "grid-bias=1:2:1.5kV"}), 1,
         report(FaultKind::InvalidArgument, FaultOf([] { NumberFromText("1.5kV"); }).what(),
                InputPlace{"Grid Bias, sweep STEP"})},
        {"a missing file",
         {"limits", "/no/such.csv"},
         1,
         report(FaultKind::FileOpen, "cannot be opened: No such file or directory",
                FilePlace{"/no/such.csv"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = Calc(c.args);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.err, c.err);
        EXPECT_EQ(outcome.out, "");
    }
    // An output that cannot be written is a fault, not a success.
    for (const Args& args :
         {figures, Args{"limits", kWorked}, plus(sweep, {"--vary", "screen=200:300:50"})}) {
        std::ostream broken(nullptr);
        std::ostringstream err;
        EXPECT_EQ(cli::Run(args, broken, err), 1);
        EXPECT_EQ(err.str(), report(FaultKind::FileOpen, "the output cannot be written", {}));
    }
}

} // namespace
} // namespace tetrode
