// SPDX-License-Identifier: MIT
// Importing digitized charts: contours traced from the model tubes of examples/ and written in each
// layout a digitizer exports come back as the model's own tables; the rules outside the traced
// levels on fields whose regridding is known exactly; every refusal; the axes; the writing.
#include "analysis/contours.h"
#include "analysis/operating_parameters.h"
#include "analysis/session.h"
#include "curves/curve_loader.h"
#include "import/curve_import.h"
#include "test_support.h"
#include "tools/model_tetrode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tetrode {
namespace {

using F = CurrentFamily;
using model::ModelTetrode;
using Point = model::ChartPoint;
using testing::TempFolder;

// One traced curve of a model tube.
struct Trace {
    F family;
    double current;
    std::vector<Point> points;
};

// The parts one after another (appended: GCC 12 warns falsely on "literal" + std::string).
std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) {
        text.append(part);
    }
    return text;
}

// A careful user's clicks along the contour: at the ends of each piece and at uneven distances of
// 0.8 to 2.5 % of the chart between, each off by up to 0.07 % of the chart (under a pixel).
Trace TraceContour(const ModelTetrode& tube, F family, double current, std::mt19937& random) {
    const model::Chart chart = model::ChartOf(tube);
    const double width = chart.anodeHigh - chart.anodeLow, height = chart.gridHigh - chart.gridLow;
    std::uniform_real_distribution<double> spacing(0.008, 0.025), jitter(-0.0007, 0.0007);
    Trace trace{family, current, {}};
    const auto click = [&](Point p) {
        trace.points.push_back(
            {p.anode + jitter(random) * width, p.grid + jitter(random) * height});
    };
    for (const std::vector<Point>& piece :
         model::ContourPieces(tube, std::size_t(family), current)) {
        click(piece.front());
        double toNext = spacing(random);
        for (std::size_t i = 1; i < piece.size(); ++i) {
            const double dx = piece[i].anode - piece[i - 1].anode,
                         dy = piece[i].grid - piece[i - 1].grid;
            const double length = std::hypot(dx / width, dy / height);
            double along = 0.0;
            for (; length - along > toNext; toNext = spacing(random)) {
                along += toNext;
                click({piece[i - 1].anode + along / length * dx,
                       piece[i - 1].grid + along / length * dy});
            }
            toNext -= length - along;
        }
        click(piece.back());
    }
    return trace;
}

// A model tube, the currents a data sheet would draw its curves at, and operating lines worked on
// it (screen voltage, anode bias, grid bias, minimum anode voltage, peak grid voltage).
struct TracedTube {
    const ModelTetrode* tube;
    std::vector<double> levels[kFamilyCount];
    std::vector<OperatingVoltages> lines;
};

const TracedTube kTubes[] = {
    {&model::kSmallTetrode,
     {{0.02, 0.05, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8},
      {0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.3, 0.4},
      {0.005, 0.01, 0.02, 0.05, 0.1, 0.15, 0.2}},
     {{250, 2500, -45, 400, 15}, {300, 3000, -50, 500, 18}}},
    {&model::kLargeTetrode,
     {{0.05, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 1.0, 1.2, 1.4, 1.6, 1.8},
      {0.01, 0.02, 0.05, 0.1, 0.2, 0.4, 0.6, 0.8, 1.0},
      {0.01, 0.02, 0.05, 0.1, 0.2, 0.3, 0.4, 0.5}},
     {{400, 3000, -55, 500, 20}, {500, 3500, -70, 600, 25}}},
};

// ---- Writing traces as the digitizers do ------------------------------------------------------

enum class Layout { Columns, Pairs, WebPlotDigitizerPairs, Blocks, Bare };
enum class Files { PerFamily, One, PerCurve };

struct Style {
    const char* name;
    Layout layout;
    Files files;
    std::string_view separator, mark, minus, lineEnd, start; // start: what opens each file
    int digits;   // significant digits; 0 for the shortest form
    int prefixes; // the set of prefixes in kPrefixes; -1 for none (each file given as its family)
    int order;    // 0 as traced, 1 shuffled, 2 reversed
};

const char* const kPrefixes[][kFamilyCount] = {
    {"Ia ", "Is ", "Ig "}, {"plate ", "Ig2 ", "Ig1 "}, {"anode ", "screen ", "grid "}};

struct ExportFile {
    std::string name;
    std::string text;
    std::optional<F> family;
};

std::string Number(double value, int digits, std::string_view mark, std::string_view minus) {
    char buffer[64];
    const auto end =
        digits == 0
            ? std::to_chars(buffer, buffer + 64, value).ptr
            : std::to_chars(buffer, buffer + 64, value, std::chars_format::general, digits).ptr;
    std::string text;
    for (const char* c = buffer; c != end; ++c) {
        text.append(*c == '.' ? mark : *c == '-' ? minus : std::string_view(c, 1));
    }
    return text;
}

// The traces as one digitizer in one setting writes them.
std::vector<ExportFile> Export(const std::vector<Trace>& traces, const Style& s,
                               std::mt19937& random) {
    const auto number = [&](double v) { return Number(v, s.digits, s.mark, s.minus); };
    const auto name = [&](const Trace& t) {
        const std::string_view mark = s.layout == Layout::Bare ? "_" : s.mark;
        return Cat({s.prefixes < 0 ? "" : kPrefixes[s.prefixes][std::size_t(t.family)],
                    t.current < 1 ? Number(t.current * 1000, 6, mark, "-")
                                  : Number(t.current, 6, mark, "-"),
                    t.current < 1 ? "mA" : "A"});
    };
    std::vector<std::vector<const Trace*>> groups;
    for (const Trace& trace : traces) {
        const bool apart =
            groups.empty() || s.files == Files::PerCurve ||
            (s.files == Files::PerFamily && trace.family != groups.back().front()->family);
        (apart ? groups.emplace_back() : groups.back()).push_back(&trace);
    }
    std::vector<ExportFile> files;
    for (const auto& group : groups) {
        std::string text(s.start);
        const auto line = [&](std::initializer_list<std::string_view> parts) {
            text.append(Cat(parts)).append(s.lineEnd);
        };
        std::vector<std::vector<Point>> points;
        for (const Trace* trace : group) {
            points.push_back(trace->points);
            if (s.order == 1) {
                std::ranges::shuffle(points.back(), random);
            } else if (s.order == 2) {
                std::ranges::reverse(points.back());
            }
        }
        std::string header = "x", names, labels;
        for (const Trace* trace : group) {
            const std::string_view first = trace == group.front() ? "" : s.separator;
            const bool x = s.layout == Layout::Pairs && trace != group.back();
            header.append(Cat({s.separator, name(*trace), x ? s.separator : "", x ? "x" : ""}));
            names.append(Cat({first, name(*trace), s.separator}));
            labels.append(Cat({first, "X", s.separator, "Y"}));
        }
        if (s.layout == Layout::Columns) {
            line({header});
            std::vector<std::pair<Point, std::size_t>> rows;
            for (std::size_t k = 0; k < group.size(); ++k) {
                for (const Point& p : points[k]) {
                    rows.emplace_back(p, k);
                }
            }
            std::ranges::sort(rows, {}, [](const auto& row) { return row.first.anode; });
            for (const auto& [p, k] : rows) {
                std::string row = number(p.anode);
                for (std::size_t c = 0; c < group.size(); ++c) {
                    row.append(Cat({s.separator, c == k ? number(p.grid) : ""}));
                }
                line({row});
            }
        } else if (s.layout == Layout::Pairs || s.layout == Layout::WebPlotDigitizerPairs) {
            if (s.layout == Layout::Pairs) {
                line({header});
            } else {
                line({names});
                line({labels});
            }
            const std::size_t rows = std::ranges::max(points, {}, &std::vector<Point>::size).size();
            for (std::size_t r = 0; r < rows; ++r) {
                std::string row;
                for (std::size_t k = 0; k < group.size(); ++k) {
                    row.append(k == 0 ? "" : s.separator);
                    row.append(r < points[k].size() ? Cat({number(points[k][r].anode), s.separator,
                                                           number(points[k][r].grid)})
                                                    : std::string(s.separator));
                }
                line({row});
            }
        } else {
            for (std::size_t k = 0; k < group.size(); ++k) {
                if (s.layout == Layout::Blocks) {
                    line({k == 0 ? "" : s.lineEnd, "# x", s.separator, name(*group[k])});
                }
                for (const Point& p : points[k]) {
                    line({number(p.anode), s.separator, number(p.grid)});
                }
            }
        }
        const bool perFamily = s.files == Files::PerFamily;
        files.push_back(
            {s.files == Files::PerCurve ? Cat({name(*group.front()), ".csv"})
                                        : Cat({"chart", std::to_string(files.size()), ".csv"}),
             text,
             perFamily && s.prefixes < 0 ? std::optional(group.front()->family) : std::nullopt});
    }
    return files;
}

// The largest difference from the model's table as a share of the family's full scale there, over
// the cells between the lowest and the highest level traced across their anode voltage; and where.
std::pair<float, std::string> WorstEnclosedError(const TracedTube& tube, F family,
                                                 const CurveTable& model, const CurveTable& table) {
    const CurrentMatrix &expected = CurrentsOf(model, family), &actual = CurrentsOf(table, family);
    float fullScale = 0.0F, worst = 0.0F;
    for (int i = 0; i < expected.curves(); ++i) {
        fullScale = std::max(fullScale, std::ranges::max(expected.curve(i)));
    }
    std::string where;
    for (int j = 0; j < expected.points(); ++j) {
        const double anode = model.AnodeVoltages()[std::size_t(j)];
        double low = INFINITY, high = -INFINITY;
        for (const double level : tube.levels[std::size_t(family)]) {
            if (model::ContourCrosses(*tube.tube, std::size_t(family), level, anode)) {
                low = std::min(low, level);
                high = std::max(high, level);
            }
        }
        for (int i = 0; i < expected.curves(); ++i) {
            const float error = std::fabs(actual.at(j, i) - expected.at(j, i));
            if (expected.at(j, i) >= low && expected.at(j, i) <= high && error > worst) {
                worst = error;
                where = Cat({std::to_string(anode), " V, ",
                             std::to_string(model.GridVoltages()[std::size_t(i)]), " V"});
            }
        }
    }
    return {worst / fullScale, where};
}

// Within the traced levels the table is within 2 % of each family's full scale of the model's own
// table, and the figures of the worked lines are within 3 % of the model's.
TEST(CurveImport, TracedModelTubesComeBackInEveryLayout) {
    constexpr std::string_view kMinus = "\xE2\x88\x92";
    const Style styles[] = {
        {"Engauge functions, a file per family", Layout::Columns, Files::PerFamily, ",", ".", "-",
         "\n", "", 6, -1, 0},
        {"Engauge relations, semicolons, decimal comma, CR LF, shuffled", Layout::Pairs, Files::One,
         ";", ",", "-", "\r\n", "", 6, 0, 1},
        {"WebPlotDigitizer all data, byte-order mark, CR LF, shuffled",
         Layout::WebPlotDigitizerPairs, Files::One, ",", ".", "-", "\r\n", "\xEF\xBB\xBF", 0, 1, 1},
        {"Engauge blocks, Gnuplot headers, tabs, decimal comma, U+2212, reversed", Layout::Blocks,
         Files::PerFamily, "\t", ",", kMinus, "\n", "", 6, 2, 2},
        {"WebPlotDigitizer datasets named by file, '; ', decimal comma, shuffled", Layout::Bare,
         Files::PerCurve, "; ", ",", "-", "\n", "", 0, 0, 1},
    };
    for (const TracedTube& tube : kTubes) {
        SCOPED_TRACE(tube.tube->fileName);
        const ModelTetrode& model = *tube.tube;
        std::mt19937 random(20240613);
        std::vector<Trace> traces;
        for (std::size_t f = 0; f < kFamilyCount; ++f) {
            for (const double level : tube.levels[f]) {
                traces.push_back(TraceContour(model, F(f), level, random));
            }
        }
        const CurveTable modelTable =
            LoadCurveFile(Cat({TETRODE_EXAMPLES, "/", model.fileName})).table;
        for (const Style& style : styles) {
            SCOPED_TRACE(style.name);
            TempFolder folder;
            ImportRequest request{
                {},
                model.screenVoltage,
                VoltageAxis{double(model.anodeFirst), double(model.anodeStep), model.anodePoints},
                VoltageAxis{double(model.gridFirst), double(model.gridStep), model.gridCurves}};
            for (const ExportFile& file : Export(traces, style, random)) {
                request.files.push_back({folder.Write(file.name, file.text), file.family});
            }
            const ImportedCurves imported = ImportDigitizedCurves(request);
            EXPECT_EQ(imported.series.size(), traces.size());
            for (const F family : {F::Anode, F::Screen, F::Grid}) {
                const auto [worst, where] =
                    WorstEnclosedError(tube, family, modelTable, imported.table);
                EXPECT_LE(worst, 0.02F) << CurrentFamilyName(family) << " at " << where;
            }
            for (const OperatingVoltages& line : tube.lines) {
                const OperatingParameters want = CalculateOperatingLine(modelTable, line).figures;
                const OperatingParameters got =
                    CalculateOperatingLine(imported.table, line).figures;
                for (const FigureInfo& info : Figures()) {
                    SCOPED_TRACE(
                        Cat({info.caption, " at anode bias ", std::to_string(line.AnodeBias)}));
                    const double expected = FigureValue(want, info.figure);
                    EXPECT_NEAR(FigureValue(got, info.figure), expected,
                                0.03 * std::fabs(expected));
                }
            }
        }
    }
}

// Two anode-current curves, enough for an import.
const std::string kTwo = "x,Ia 1A,Ia 2A\n0,-20,-10\n1000,-30,-20\n";
// How the reader words a name that gives no current.
const std::string kNoCurrent = "names no current; expected amperes with an optional unit A or mA "
                               "and family prefix, such as \"2\", \"Ia 2 A\", \"Is 500mA\" or "
                               "\"Ig 0.1A\"";

TEST(CurveImport, RefusesWhatItCannotReadNamingTheFileLineAndSeries) {
    struct File {
        const char* name; // "": a missing file; ending in "/": a folder
        std::string text = "";
        std::optional<F> family = std::nullopt;
    };
    // clang-format off
    const struct { const char* name; std::vector<File> files; std::string expected;
                   double screenVoltage = 250.0;
                   std::optional<VoltageAxis> anodeAxis = std::nullopt, gridAxis = std::nullopt;
    } cases[] = {
        {"no file", {}, "no digitizer export was given to import"},
        {"a missing file", {{""}},
         "<folder>/missing.csv: cannot be opened: No such file or directory"},
        {"a folder", {{"sub/"}}, "<folder>/sub/: cannot be opened: it is not a regular file"},
        {"an empty file", {{"a.csv", "\n \t\n"}},
         "a.csv: the file is empty: a digitizer export of traced curves was expected"},
        {"a WebPlotDigitizer project", {{"a.json", "\n{\"version\":[4,2]}"}},
         "line 2 of a.json: a WebPlotDigitizer project (JSON) is not read; export the data as CSV "
         "(Datasets, Export All Data) instead"},
        {"no separator", {{"a.csv", "Curves\n"}}, "line 1 of a.csv: expected fields separated by "
         "tabs, semicolons or commas, as a digitizer exports its curves"},
        {"Engauge's words in place of its functions",
         {{"a.csv", "Too many points\n\nx,Ia 2A,x,Ia 1A\n500,-20,520,-40\n"}},
         "line 1 of a.csv: a header with no points under it; the traced points (anode voltage, "
         "grid voltage) were expected on the lines below"},
        {"a name holding the separator", {{"a.csv", "x,Ia 0,5A\n500,-20\n"}},
         "line 2 of a.csv: the line has 2 fields separated by commas where line 1 above it has 3 "
         "(a name holding the separator, or a decimal comma outside quotes?)"},
        {"an unclosed quote", {{"a.csv", "x,2A\n500,\"-20\n"}}, "line 2, column 2 of a.csv: a "
         "double quote opens a field but no closing quote ends it before the next separator"},
        {"nan", {{"a.csv", "x,2A\n500,nan\n600,-20\n"}},
         "line 2, column 2 of a.csv: \"nan\" is not a number; a grid voltage was expected"},
        {"inf where no curve has a point", {{"a.csv", "x,2A,1A\n-inf,,\n600,-20,-30\n"}},
         "line 2, column 1 of a.csv: \"-inf\" is not a number; an anode voltage was expected"},
        {"beyond single precision", {{"a.csv", "x,2A\n500,-20\n4e38,-30\n"}},
         "line 3, column 1 of a.csv: \"4e38\" is a number too large for single precision"},
        {"half a point", {{"a.csv", "x,2A,x,1A\n500,-20,520,\n600,-30,620,-40\n"}},
         "line 2, column 4 of a.csv: a grid voltage is missing beside \"520\"; a point needs both"},
        {"points without a header after a block",
         {{"a.csv", "x,2A\n500,-20\n600,-30\n\n500,-40\n600,-50\n"}},
         "line 5 of a.csv: points without a header line naming their curve; only a file of one "
         "curve may go without one (it is named after the file)"},
        {"no current", {{"a.csv", "x,Curve1\n500,-20\n600,-30\n"}},
         "line 1, column 2 of a.csv: the series \"Curve1\" " + kNoCurrent},
        {"a unit neither A nor mA, in Windows-1252", {{"a.csv", "x,Ig 2\xB5" "A\n1,2\n3,4\n"}},
         "line 1, column 2 of a.csv: the series \"Ig 2\xC2\xB5" "A\" " + kNoCurrent},
        {"bare points named after a file of no current", {{"b.csv", "0,1\n1,2\n"}},
         "b.csv: the series \"b\" " + kNoCurrent},
        {"a name of two readings", {{"a.csv", "x,Ig210mA\n500,-20\n600,-30\n"}},
         "line 1, column 2 of a.csv: the series \"Ig210mA\" reads as screen current or as grid "
         "current; put a blank between the prefix and the current"},
        {"a series of another family than the file's",
         {{"a.csv", "x,1A,Is 100mA\n500,-20,-30\n600,-30,-40\n", F::Anode}},
         "line 1, column 3 of a.csv: the series \"Is 100mA\" is named as a curve of screen "
         "current, but the file was given as anode current"},
        {"a series of one point", {{"a.csv", "x,2A,1A\n500,-20,\n520,,-40\n600,,-50\n"}},
         "line 1, column 2 of a.csv: the series \"2A\" has 1 point: a traced curve needs two at "
         "least"},
        {"a level given twice", {{"a.csv", kTwo}, {"b.csv", "x,1000mA\n0,-5\n10,-6\n", F::Anode}},
         "line 1, column 2 of b.csv: the series \"1000mA\" gives the anode current of 1 A a second "
         "time, after \"Ia 1A\" of \"a.csv\""},
        {"no anode-current curve", {{"a.csv", "x,Is 1A,Is 2A\n0,-20,-10\n1000,-30,-20\n"}},
         "a.csv: no anode-current curve among the traced series; name them by their current "
         "(\"Ia 2A\", or \"2A\" in a file of anode-current curves)"},
        {"a grid family of one curve", {{"a.csv", kTwo}, {"Ig 5mA.csv", "0,1\n1,2\n"}},
         "Ig 5mA.csv: the series \"Ig 5mA\" is the only grid current curve; a family needs two "
         "traced currents at least, to carry the current between and beyond them"},
        {"a screen voltage of 0", {{"a.csv", kTwo}},
         "Screen voltage: the screen voltage the curves were taken at must be above 0 V", 0.0},
        {"a screen voltage that is no number", {{"a.csv", kTwo}},
         "Screen voltage: the screen voltage the curves were taken at must be above 0 V", NAN},
        {"a screen voltage beyond single precision", {{"a.csv", kTwo}},
         "Screen voltage: the screen voltage is too large for single precision", 1e39},
        {"an anode axis of one voltage", {{"a.csv", kTwo}},
         "Anode axis: the axis has 1 voltage; a curve table needs two", 250, {{0, 100, 1}}},
        {"an anode axis that falls", {{"a.csv", kTwo}}, "Anode axis: the axis's voltages must "
         "rise in steps that single precision tells apart", 250, {{1000, -100, 11}}},
        {"axes of too many points", {{"a.csv", kTwo}},
         "Anode axis: the axes give 30000 x 200 points, more than 4194304", 250,
         {{0, 1, 30000}}, {{0, -1, 200}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        ImportRequest request{{}, c.screenVoltage, c.anodeAxis, c.gridAxis};
        for (const File& file : c.files) {
            const std::string name = *file.name == '\0' ? "missing.csv" : file.name;
            if (name.ends_with('/')) {
                std::filesystem::create_directory(Cat({folder.path(), "/", name}));
            } else if (*file.name != '\0') {
                folder.Write(name, file.text);
            }
            request.files.push_back({Cat({folder.path(), "/", name}), file.family});
        }
        std::string message =
            FaultMessage(testing::FaultOf([&] { ImportDigitizedCurves(request); }));
        if (const std::size_t at = message.find(folder.path()); at != std::string::npos) {
            message.replace(at, folder.path().size(), "<folder>");
        }
        EXPECT_EQ(message, c.expected);
    }
}

TracedSeries Series(F family, float current, const std::vector<Point>& points) {
    TracedSeries series{"", family, current, {"rules.csv", 1, 1}, {}};
    for (const Point& p : points) {
        series.points.push_back({float(p.anode), float(p.grid), 2});
    }
    return series;
}

// On fields whose regridding the rules give exactly, every entry of the table is that value.
TEST(CurveImport, RegridsByTheStatedRules) {
    std::mt19937 random(3);
    // A current rising 0.1 A/V with the grid voltage and 1 A per 1000 V of anode voltage: curves
    // of 1, 2 and 3 A at Vg = 10 c - 40 - Va / 100.
    std::vector<TracedSeries> linear;
    // A current peaking at Vg = 5 V, falling 0.1 A/V to either side and rising 1 A per 100 V:
    // curves of 1, 2 and 3 A bend back at (100 c, 5), and a vertical line beyond cuts each twice.
    std::vector<TracedSeries> bending;
    for (const int c : {1, 2, 3}) {
        linear.push_back(Series(F::Anode, float(c),
                                {{0, 10.0 * c - 40}, {500, 10.0 * c - 45}, {1000, 10.0 * c - 50}}));
        std::vector<Point> points;
        for (int grid = -45; grid <= 55; grid += 10) {
            points.push_back({100.0 * (c + std::abs(grid - 5) / 10.0), double(grid)});
        }
        std::ranges::shuffle(points, random);
        bending.push_back(Series(F::Anode, float(c), points));
    }
    // clang-format off
    const struct { const char* name; std::vector<TracedSeries> series; VoltageAxis anode, grid;
                   std::function<double(F, double, double)> expected; } cases[] = {
        {"a linear field: exact between the curves, linear to zero below, linear above; a family "
         "without curves, zero", linear, {0, 100, 11}, {20, -5, 17},
         [](F f, double a, double g) {
             return f == F::Anode ? std::max(0.0, (g + 40 + a / 100) / 10) : 0.0; }},
        {"curves that bend back, points shuffled: both cuts count, flat between cuts of one "
         "current; an anode voltage cut by one curve takes its slopes from the next", bending,
         {100, 100, 6}, {55, -10, 11},
         [](F f, double a, double g) {
             const double tent = a / 100 - std::abs(g - 5) / 10;
             return f == F::Anode ? std::max(0.0, std::min(tent, std::min(a / 100, 3.0))) : 0.0; }},
        {"grid current only where its curves reach",
         {Series(F::Grid, 0.01F, {{300, 10}, {700, 10}}),
          Series(F::Grid, 0.02F, {{300, 20}, {500, 20}, {700, 20}})}, {0, 100, 11}, {30, -5, 9},
         [](F f, double a, double g) {
             return f == F::Grid && a >= 300 && a <= 700 ? std::max(0.0, g / 1000) : 0.0; }},
        {"no anode voltage cut by two levels: each level's current at and above its curve",
         {Series(F::Screen, 1, {{0, -20}, {400, -20}}),
          Series(F::Screen, 2, {{600, 0}, {1000, 0}})},
         {0, 100, 11}, {10, -5, 7},
         [](F f, double a, double g) {
             const bool on = f == F::Screen;
             return on && a <= 400 && g >= -20 ? 1.0 : on && a >= 600 && g >= 0 ? 2.0 : 0.0; }},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CurveTable table = RegridTracedCurves(c.series, 250.0F, c.anode, c.grid);
        EXPECT_EQ(table.DataSheetScreenV(), 250.0F);
        int wrong = 0;
        for (const F family : {F::Anode, F::Screen, F::Grid}) {
            for (int j = 0; j < c.anode.count; ++j) {
                for (int i = 0; i < c.grid.count; ++i) {
                    const double expected =
                        c.expected(family, c.anode.Voltage(j), c.grid.Voltage(i));
                    const float actual = CurrentsOf(table, family).at(j, i);
                    if (std::fabs(actual - expected) > 1e-5 && wrong++ < 3) {
                        ADD_FAILURE()
                            << CurrentFamilyName(family) << " at " << c.anode.Voltage(j) << " V, "
                            << c.grid.Voltage(i) << " V: " << actual << " for " << expected;
                    }
                }
            }
        }
    }
}

// The residuals name the point the table strays furthest from, among those inside the axes; the
// notes say what is missing and where the axes run beyond the points.
TEST(CurveImport, ResidualsNameTheLargestInsideTheAxes) {
    TempFolder folder;
    // Curves on the linear field above; the 2-A curve spikes up at 450 V, and the 1-A curve runs
    // on beyond the anode axis to a point far off the field.
    const std::string text =
        "x,Ia 1A,Ia 2A,Ia 3A\n0,-30,-20,-10\n450,,-5,\n1000,-40,-30,-20\n1200,0,,\n";
    const ImportedCurves imported = ImportDigitizedCurves(
        {{{folder.Write("a.csv", text), std::nullopt}}, 250.0, {{0, 100, 11}}, {{40, -5, 21}}});
    const FitResiduals& fit = imported.residuals;
    ASSERT_EQ(fit.points.size(), 8U);
    ASSERT_TRUE(fit.largest);
    const PointResidual& largest = fit.points[*fit.largest];
    EXPECT_EQ(std::tuple(largest.series, largest.point, fit.points[2].insideAxes),
              std::tuple(1U, 1U, false));
    EXPECT_EQ(fit.fullScale, (std::array<double, kFamilyCount>{3.0, 0.0, 0.0}));
    for (const PointResidual& residual : fit.points) {
        EXPECT_DOUBLE_EQ(residual.relative, residual.residual / 3.0);
        EXPECT_TRUE(residual.residual == 0.0 || &residual == &largest || !residual.insideAxes)
            << residual.point;
    }
    EXPECT_EQ(ResidualMessage(imported, largest),
              "\"Ia 2A\" at 450 V, -5 V (line 3 of a.csv): the table gives 1.85188 A for 2 A, "
              "-4.9 % of the anode current's full scale");
    std::vector<std::string> notes;
    for (const ImportNote& note : imported.notes) {
        notes.push_back(ImportNoteMessage(note));
    }
    // clang-format off
    EXPECT_EQ(notes, (std::vector<std::string>{
        "no screen current curve was traced: the table's screen current is 0 throughout",
        "no grid current curve was traced: the table's grid current is 0 throughout",
        "the grid axis (-60 V to 40 V) reaches more than a step beyond the traced points (-40 V "
        "to 0 V); there the currents are continued, not traced"}));
    // clang-format on
}

TEST(CurveImport, ReadsAxesAndProposesRoundOnesOfTwentyToFortyVoltages) {
    const std::string hint =
        "; an axis is FROM:TO:STEP in volts, such as 0:3000:100 or 20:-70:-2.5";
    // clang-format off
    // Expected: the axis as FROM:TO:STEP, or the fault.
    const struct { const char* text; bool rising; std::string expected; } typed[] = {
        {"0:3000:100", true, "0:3000:100"}, {"3000:0:-100", true, "0:3000:100"},
        {" 0 : 3e3 : 1e2 ", true, "0:3000:100"}, {"0:1000:300", true, "0:900:300"},
        {"0.1:0.3:0.1", true, "0.1:0.3:0.1"}, {"20:-70:-2.5", false, "20:-70:-2.5"},
        {"-70:20:2.5", false, "20:-70:-2.5"}, {"-75:20:10", false, "15:-75:-10"},
        {"0:3000", true, "Anode axis: \"0:3000\" is not an axis" + hint},
        {"0:3,000:100", true, "Anode axis: \"3,000\" is not a number" + hint},
        {"0:100:0", true, "Anode axis: the step of an axis cannot be 0"},
        {"0:100:-10", true,
         "Anode axis: the axis has fewer than two voltages: the step must lead from FROM to TO"},
        {"0:1:1e-6", true, "Anode axis: the axis has more than 32767 voltages"},
        {"0:1e39:1e37", true, "Anode axis: \"1e39\" is a number too large for single precision"},
    };
    // clang-format on
    for (const auto& c : typed) {
        SCOPED_TRACE(c.text);
        std::string actual;
        try {
            actual = AxisRangeText(ReadAxisRange(c.text, c.rising, import_input::AnodeAxis));
        } catch (const Fault& fault) {
            actual = FaultMessage(fault);
        }
        EXPECT_EQ(actual, c.expected);
    }
    // clang-format off
    const struct { const char* name; Point low, high; const char *anode, *grid; } proposed[] = {
        {"a data sheet's chart", {37, -68.3}, {2980, 18.2}, "0:3000:100", "20:-70:-2.5"},
        {"a small tube, a point on a multiple of the step", {0.12, -1.3}, {0.95, 0.4},
         "0.1:0.95:0.025", "0.4:-1.3:-0.05"},
        {"every point at one voltage", {500, -20}, {500, -20}, "240:760:20", "-10:-30:-1"},
    };
    // clang-format on
    for (const auto& c : proposed) {
        SCOPED_TRACE(c.name);
        const std::vector<TracedSeries> series{Series(F::Anode, 1, {c.low, c.high})};
        EXPECT_EQ(AxisRangeText(ProposeAnodeAxis(series)), c.anode);
        EXPECT_EQ(AxisRangeText(ProposeGridAxis(series)), c.grid);
    }
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int k = 0; k < 300; ++k) {
        const double scale = std::pow(10.0, 6 * unit(random)), a = unit(random) * scale,
                     b = unit(random) * scale;
        SCOPED_TRACE(Cat({std::to_string(a), " to ", std::to_string(b)}));
        const std::vector<TracedSeries> series{Series(F::Anode, 1, {{a, a}, {b, b}})};
        for (const VoltageAxis& axis : {ProposeAnodeAxis(series), ProposeGridAxis(series)}) {
            const double step = std::fabs(axis.step),
                         mantissa = step / std::pow(10.0, std::floor(std::log10(step)));
            EXPECT_TRUE(axis.count >= 20 && axis.count <= 40) << axis.count;
            EXPECT_LE(std::min(axis.first, axis.last()), float(std::min(a, b)));
            EXPECT_GE(std::max(axis.first, axis.last()), float(std::max(a, b)));
            EXPECT_TRUE(std::ranges::any_of(std::array{1.0, 2.0, 2.5, 5.0}, [&](double m) {
                return std::fabs(mantissa - m) < 1e-9;
            })) << step;
        }
    }
}

// The curve file appears whole or not at all, and an existing one is replaced only by a whole one.
TEST(CurveImport, WritesTheCurveFileWholeOrNotAtAll) {
    using std::filesystem::perms;
    const struct {
        const char* name;
        std::function<void(const std::string& folder)> before;
        const char* output;
        std::string fault;              // empty: written
        std::vector<std::string> after; // the folder's entries afterwards
        perms mode = perms::none;
    } cases[] = {
        // clang-format off
        {"a new file", [](const std::string&) {}, "out.csv", "", {"a.csv", "out.csv"}},
        {"an existing file, its permissions kept", [](const std::string& folder) {
             std::ofstream(folder + "/out.csv") << "old";
             std::filesystem::permissions(folder + "/out.csv", perms(0640)); },
         "out.csv", "", {"a.csv", "out.csv"}, perms(0640)},
        {"through a symbolic link to its target", [](const std::string& folder) {
             std::ofstream(folder + "/target.csv") << "old";
             std::filesystem::create_symlink("target.csv", folder + "/out.csv"); },
         "out.csv", "", {"a.csv", "out.csv", "target.csv"}},
        {"into a folder that does not exist", [](const std::string&) {}, "none/out.csv",
         "<folder>/none/out.csv: cannot be written: No such file or directory", {"a.csv"}},
        {"over a folder",
         [](const std::string& folder) { std::filesystem::create_directory(folder + "/out.csv"); },
         "out.csv", "<folder>/out.csv: cannot be written: Is a directory", {"a.csv", "out.csv"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const ImportedCurves imported =
            ImportDigitizedCurves({{{folder.Write("a.csv", kTwo), std::nullopt}}, 250.0, {}, {}});
        c.before(folder.path());
        const std::string output = Cat({folder.path(), "/", c.output});
        std::string fault;
        try {
            WriteImportedCurves(imported, output);
        } catch (const Fault& error) {
            fault = FaultMessage(error).replace(0, folder.path().size(), "<folder>");
        }
        EXPECT_EQ(fault, c.fault);
        std::vector<std::string> entries;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            entries.push_back(entry.path().filename().string());
        }
        std::ranges::sort(entries);
        EXPECT_EQ(entries, c.after);
        if (c.fault.empty()) {
            const LoadedCurveFile loaded = LoadCurveFile(output);
            EXPECT_EQ(std::tie(loaded.table, loaded.screenVoltageText),
                      std::tie(imported.table, imported.screenVoltageText));
            EXPECT_EQ(testing::ReadBytes(output).substr(0, 45),
                      "250,imported from digitized curves: a.csv\nEa,");
            EXPECT_TRUE(c.mode == perms::none ||
                        std::filesystem::status(output).permissions() == c.mode);
        }
    }
}

} // namespace
} // namespace tetrode
