// SPDX-License-Identifier: MIT
// Laws the calculation must obey whatever the table and operating line, checked on a few hundred
// random cases each (seeded, so a failure repeats): the 3/2-power rule, exact bilinear
// interpolation, equal matrices giving equal currents, and curve files that write and load back
// unchanged.
#include "analysis/grid_interpolation.h"
#include "analysis/load_line.h"
#include "analysis/operating_parameters.h"
#include "curves/curve_file_writer.h"
#include "curves/curve_loader.h"
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace tetrode {
namespace {

namespace fs = std::filesystem;

constexpr int kCases = 300;

float Uniform(std::mt19937& rng, double low, double high) {
    return static_cast<float>(std::uniform_real_distribution<double>(low, high)(rng));
}

int Whole(std::mt19937& rng, int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}

// A table shaped like a digitized tube: integer, evenly spaced axes (so the steps are exact in
// single precision), anode voltages ascending and grid voltages descending, positive currents.
CurveTable RandomTubeTable(std::mt19937& rng) {
    CurveTable table;
    const int points = Whole(rng, 3, 12);
    const int curves = Whole(rng, 3, 10);
    const int anodeStart = 50 * Whole(rng, 0, 4);
    const int anodeStep = 25 * Whole(rng, 1, 8);
    const int gridTop = Whole(rng, -20, 40);
    const int gridStep = 5 * Whole(rng, 1, 4);
    table.NumAnodePoints = static_cast<std::int16_t>(points);
    table.NumGridCurves = static_cast<std::int16_t>(curves);
    table.AnodeVoltages.resize(static_cast<std::size_t>(points));
    for (int j = 0; j < points; ++j) {
        table.AnodeVoltages[static_cast<std::size_t>(j)] =
            static_cast<float>(anodeStart + j * anodeStep);
    }
    table.GridVoltages.resize(static_cast<std::size_t>(curves));
    for (int i = 0; i < curves; ++i) {
        table.GridVoltages[static_cast<std::size_t>(i)] =
            static_cast<float>(gridTop - i * gridStep);
    }
    const auto fill = [&](double low, double high) {
        CurrentMatrix matrix(points, curves);
        for (int i = 0; i < curves; ++i) {
            for (float& value : matrix.curve(i)) {
                value = Uniform(rng, low, high);
            }
        }
        return matrix;
    };
    table.AnodeCurrents = fill(0.01, 2.0);
    table.GridCurrents = fill(0.001, 0.3);
    table.ScreenCurrents = fill(0.001, 0.2);
    table.DataSheetScreenV = static_cast<float>(Whole(rng, 100, 600));
    return table;
}

std::string Text(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

struct OperatingLine {
    double screen, anodeBias, gridBias, minAnode, peakGrid; // operating scale, volts
};

OperatingLineTexts Texts(const OperatingLine& line, double k) {
    return {Text(line.screen * k), Text(line.anodeBias * k), Text(line.gridBias * k),
            Text(line.minAnode * k), Text(line.peakGrid * k)};
}

struct Calculation {
    LoadLineSamples samples;
    OperatingParameters figures;
};

Calculation Calculate(CurveTable table, const OperatingLineTexts& texts) {
    Calculation result;
    result.samples = SampleLoadLine(table, texts);
    result.figures = ComputeOperatingParameters(result.samples, table);
    return result;
}

std::array<const SamplePoint*, 7> Points(const LoadLineSamples& s) {
    return {&s.A, &s.B, &s.C, &s.D, &s.E, &s.F, &s.G};
}

// A figure of the scaled calculation, the base figure with the factor the rule puts on it, and the
// magnitude of the base figure's terms (a difference of two large terms is only as exact as they).
struct ScaledFigure {
    const char* name;
    double scaled, base, factor, magnitude;
};

// Typing the screen voltage and the four operating voltages k times larger reads the curves at
// the same points and scales the currents by k^1.5: powers go with k^2.5, impedances with k^-0.5.
TEST(ThreeHalvesPowerRule, ScalingEveryTypedVoltageScalesEveryFigure) {
    std::mt19937 rng(20261206);
    for (int c = 0; c < kCases; ++c) {
        const CurveTable table = RandomTubeTable(rng);
        const double anodeLow = table.AnodeVoltages.front();
        const double anodeHigh = table.AnodeVoltages.back();
        const double gridHigh = table.GridVoltages.front();
        const double gridLow = table.GridVoltages.back();
        const double ratio = Uniform(rng, 0.7, 1.3);
        // An ordinary line: G at a high anode voltage and a low grid voltage, A well below it in
        // anode voltage and above it in grid voltage; either end may lie outside the table.
        const double anodeSpan = anodeHigh - anodeLow;
        const double gAnode = Uniform(rng, anodeLow + 0.5 * anodeSpan, anodeHigh + 0.2 * anodeSpan);
        const double aAnode = Uniform(rng, anodeLow - 0.1 * anodeSpan, gAnode - 0.3 * anodeSpan);
        const double gGrid = Uniform(rng, gridLow - 10.0, gridHigh);
        const double aGrid = Uniform(rng, gGrid, gridHigh + 10.0);
        const OperatingLine line{table.DataSheetScreenV * ratio, gAnode * ratio, gGrid * ratio,
                                 aAnode * ratio, aGrid * ratio};
        const double k = Uniform(rng, 0.5, 2.0);
        SCOPED_TRACE("case " + std::to_string(c) + ", k = " + Text(k));

        const Calculation base = Calculate(table, Texts(line, 1.0));
        const Calculation scaled = Calculate(table, Texts(line, k));

        const double voltageTolerance = 1e-6 * std::max({anodeSpan, std::fabs(anodeHigh), 100.0});
        const double currentScale = std::pow(k, 1.5);
        // The largest current of the table at the base scale bounds each interpolated current.
        const double currentTolerance = 1e-5 * std::pow(ratio, 1.5) * currentScale;
        for (std::size_t p = 0; p < 7; ++p) {
            SCOPED_TRACE("point " + std::string(1, static_cast<char>('A' + p)));
            const SamplePoint& b = *Points(base.samples)[p];
            const SamplePoint& s = *Points(scaled.samples)[p];
            EXPECT_NEAR(s.Anode, b.Anode, voltageTolerance);
            EXPECT_NEAR(s.Grid, b.Grid, voltageTolerance);
            EXPECT_NEAR(s.Ib, b.Ib * currentScale, 2.0 * currentTolerance);
            EXPECT_NEAR(s.Ic1, b.Ic1 * currentScale, 0.3 * currentTolerance);
            EXPECT_NEAR(s.Ic2, b.Ic2 * currentScale, 0.2 * currentTolerance);
        }

        const OperatingParameters& f = base.figures;
        const OperatingParameters& g = scaled.figures;
        const double power = std::pow(k, 2.5);
        const double impedance = std::pow(k, -0.5);
        const double biasPower = f.DrivingPower - f.GridPower;
        const ScaledFigure figures[] = {
            {"PeakAnodeRFVolts", g.PeakAnodeRFVolts, f.PeakAnodeRFVolts, k, f.PeakAnodeRFVolts},
            {"PeakGridRFVolts", g.PeakGridRFVolts, f.PeakGridRFVolts, k, f.PeakGridRFVolts},
            {"AnodeDCcurrent", g.AnodeDCcurrent, f.AnodeDCcurrent, currentScale, f.AnodeDCcurrent},
            {"ZSAC", g.ZSAC, f.ZSAC, currentScale, f.ZSAC},
            {"ScreenDCcurrent", g.ScreenDCcurrent, f.ScreenDCcurrent, currentScale,
             f.ScreenDCcurrent},
            {"GridDCcurrent", g.GridDCcurrent, f.GridDCcurrent, currentScale, f.GridDCcurrent},
            {"InputPower", g.InputPower, f.InputPower, power, f.InputPower},
            {"OutputPower", g.OutputPower, f.OutputPower, power, f.OutputPower},
            {"AnodePower", g.AnodePower, f.AnodePower, power,
             std::fabs(f.InputPower) + std::fabs(f.OutputPower)},
            {"ScreenPower", g.ScreenPower, f.ScreenPower, power, f.ScreenPower},
            {"DrivingPower", g.DrivingPower, f.DrivingPower, power, f.DrivingPower},
            {"GridPower", g.GridPower, f.GridPower, power,
             std::fabs(f.DrivingPower) + std::fabs(biasPower)},
            {"Efficiency", g.Efficiency, f.Efficiency, 1.0, f.Efficiency},
            {"AnodeImpedance", g.AnodeImpedance, f.AnodeImpedance, impedance, f.AnodeImpedance},
            {"GridImpedance", g.GridImpedance, f.GridImpedance, impedance, f.GridImpedance},
        };
        for (const ScaledFigure& figure : figures) {
            SCOPED_TRACE(figure.name);
            EXPECT_NEAR(figure.scaled, figure.base * figure.factor,
                        2e-5 * std::fabs(figure.magnitude) * figure.factor);
        }
    }
}

// A point's cell: the anode bracket and the curve bracket that contain it.
struct Cell {
    int a0, a1, c0, c1;
};

Cell CellOf(const CurveTable& table, double x, double y) {
    const auto& av = table.AnodeVoltages;
    const auto& gv = table.GridVoltages;
    int a1 = 1;
    while (a1 < static_cast<int>(av.size()) - 1 && av[static_cast<std::size_t>(a1)] < x) {
        ++a1;
    }
    int c1 = 1;
    while (c1 < static_cast<int>(gv.size()) - 1 && gv[static_cast<std::size_t>(c1)] > y) {
        ++c1;
    }
    return {a1 - 1, a1, c1 - 1, c1};
}

// Bilinear interpolation on an evenly spaced table is exact for a bilinear function, and inside
// the table never leaves the range of the four corners of the point's cell.
TEST(Interpolation, ReproducesBilinearFunctionsOnUniformTables) {
    std::mt19937 rng(8086);
    for (int c = 0; c < kCases; ++c) {
        CurveTable table = RandomTubeTable(rng);
        const double x0 = table.AnodeVoltages.front();
        const double x1 = table.AnodeVoltages.back();
        const double y0 = table.GridVoltages.back();
        const double y1 = table.GridVoltages.front();
        // Coefficients that make each term of the order of one over the table.
        const double a = Uniform(rng, -1.0, 1.0);
        const double b = Uniform(rng, -1.0, 1.0) / (x1 - x0);
        const double cy = Uniform(rng, -1.0, 1.0) / (y1 - y0);
        const double d = Uniform(rng, -1.0, 1.0) / ((x1 - x0) * (y1 - y0));
        const auto f = [&](double x, double y) { return a + b * x + cy * y + d * x * y; };
        double largest = 0.0;
        for (int i = 0; i < table.NumGridCurves; ++i) {
            for (int j = 0; j < table.NumAnodePoints; ++j) {
                const float value =
                    static_cast<float>(f(table.AnodeVoltages[static_cast<std::size_t>(j)],
                                         table.GridVoltages[static_cast<std::size_t>(i)]));
                table.AnodeCurrents.at(j, i) = value;
                largest = std::max(largest, std::fabs(static_cast<double>(value)));
            }
        }
        const double tolerance = 1e-6 * std::max(largest, 1.0);

        for (int p = 0; p < 10; ++p) {
            // Some points on the axis entries themselves, where the brackets switch.
            double x = Uniform(rng, x0, x1);
            double y = Uniform(rng, y0, y1);
            if (Whole(rng, 0, 3) == 0) {
                x = table.AnodeVoltages[static_cast<std::size_t>(
                    Whole(rng, 0, table.NumAnodePoints - 1))];
            }
            if (Whole(rng, 0, 3) == 0) {
                y = table.GridVoltages[static_cast<std::size_t>(
                    Whole(rng, 0, table.NumGridCurves - 1))];
            }
            SCOPED_TRACE("case " + std::to_string(c) + " at (" + Text(x) + ", " + Text(y) + ")");
            const double ib = GridInterpolation(table, x, y, 1.0F).Ib;
            EXPECT_NEAR(ib, f(x, y), tolerance);

            const Cell cell = CellOf(table, x, y);
            const float corners[] = {
                table.AnodeCurrents.at(cell.a0, cell.c0), table.AnodeCurrents.at(cell.a1, cell.c0),
                table.AnodeCurrents.at(cell.a0, cell.c1), table.AnodeCurrents.at(cell.a1, cell.c1)};
            const auto [low, high] = std::minmax_element(std::begin(corners), std::end(corners));
            EXPECT_GE(ib, *low - tolerance);
            EXPECT_LE(ib, *high + tolerance);
        }
    }
}

// The three currents come from three matrices by the same brackets, fractions and arithmetic, so
// equal matrices give equal currents anywhere, on any axes, at any scale, and along any line.
TEST(Interpolation, EqualMatricesGiveEqualCurrents) {
    std::mt19937 rng(1957);
    for (int c = 0; c < kCases; ++c) {
        CurveTable table = RandomTubeTable(rng);
        // Uneven axes too: the fractions then leave 0..1 and the blend extrapolates.
        for (std::size_t j = 1; j + 1 < table.AnodeVoltages.size(); ++j) {
            table.AnodeVoltages[j] += Uniform(rng, -10.0, 10.0);
        }
        table.GridCurrents = table.AnodeCurrents;
        table.ScreenCurrents = table.AnodeCurrents;
        const float powerRatio = Uniform(rng, 0.3, 3.0);
        SCOPED_TRACE("case " + std::to_string(c));
        for (int p = 0; p < 10; ++p) {
            const double x = Uniform(rng, -100.0, 3000.0);
            const double y = Uniform(rng, -200.0, 100.0);
            const InterpolatedCurrents currents = GridInterpolation(table, x, y, powerRatio);
            EXPECT_EQ(currents.Ib, currents.Ic1);
            EXPECT_EQ(currents.Ib, currents.Ic2);
        }
        const OperatingLine line{table.DataSheetScreenV * 1.1, Uniform(rng, 500.0, 3000.0),
                                 Uniform(rng, -150.0, 0.0), Uniform(rng, 0.0, 400.0),
                                 Uniform(rng, 0.0, 60.0)};
        const LoadLineSamples samples = SampleLoadLine(table, Texts(line, 1.0));
        for (const SamplePoint* point : Points(samples)) {
            EXPECT_EQ(point->Ib, point->Ic1);
            EXPECT_EQ(point->Ib, point->Ic2);
        }
    }
}

// A curve file in a temporary folder, removed when the test ends.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& name)
        : m_path(fs::temp_directory_path() /
                 ("tetrode-property-" + std::to_string(getpid()) + "-" + name)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        std::error_code ignored;
        fs::remove(m_path, ignored);
    }

    void Write(const std::string& contents) const {
        std::ofstream out(m_path, std::ios::binary | std::ios::trunc);
        out << contents;
    }
    std::string path() const { return m_path.string(); }

  private:
    fs::path m_path;
};

std::string Written(const CurveTable& table, std::string_view headerText) {
    std::ostringstream out;
    WriteCurveFile(out, table, headerText);
    return out.str();
}

// The worked example of the file format, and every curve file that ships with the program or the
// tests, written back out and loaded again, give the identical table and the same screen voltage.
TEST(CurveFileRoundTrip, LoadedFilesWriteAndLoadBackIdentical) {
    std::vector<fs::path> files;
    for (const char* folder : {TETRODE_TEST_DATA, TETRODE_EXAMPLES}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.is_regular_file() && entry.path().extension() == ".csv") {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    TemporaryFile copy("round-trip.csv");
    int loaded = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        LoadedCurveFile original;
        try {
            original = LoadCurveFile(file.string());
        } catch (const Fault&) {
            continue; // fixtures of load faults
        }
        ++loaded;
        const std::string text = Written(original.table, "written back");
        copy.Write(text);
        const LoadedCurveFile again = LoadCurveFile(copy.path());
        EXPECT_EQ(again.table, original.table);
        EXPECT_EQ(again.table.DataSheetScreenV, original.table.DataSheetScreenV);
        // Writing is a fixed point: the reloaded table writes the same bytes.
        EXPECT_EQ(Written(again.table, "written back"), text);
    }
    EXPECT_GE(loaded, 3) << "the worked example and the model examples must be among the files";
}

// A finite single taken uniformly over its bit patterns: every exponent, subnormals, both zeros.
float AnyFiniteSingle(std::mt19937& rng) {
    for (;;) {
        const float value = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
        if (std::isfinite(value)) {
            return value;
        }
    }
}

TEST(CurveFileRoundTrip, AnyTableWritesAndLoadsBackIdentical) {
    std::mt19937 rng(1914);
    TemporaryFile file("any-table.csv");
    for (int c = 0; c < kCases; ++c) {
        CurveTable table;
        const int points = Whole(rng, 1, 8);
        const int curves = Whole(rng, 1, 8);
        table.NumAnodePoints = static_cast<std::int16_t>(points);
        table.NumGridCurves = static_cast<std::int16_t>(curves);
        table.AnodeVoltages.resize(static_cast<std::size_t>(points));
        table.GridVoltages.resize(static_cast<std::size_t>(curves));
        for (float& value : table.AnodeVoltages) {
            value = AnyFiniteSingle(rng);
        }
        for (float& value : table.GridVoltages) {
            value = AnyFiniteSingle(rng);
        }
        for (CurrentMatrix* matrix :
             {&table.AnodeCurrents, &table.ScreenCurrents, &table.GridCurrents}) {
            *matrix = CurrentMatrix(points, curves);
            for (int i = 0; i < curves; ++i) {
                for (float& value : matrix->curve(i)) {
                    value = AnyFiniteSingle(rng);
                }
            }
        }
        table.DataSheetScreenV = AnyFiniteSingle(rng);
        table.PowerRatio32 = 0.0F; // a load gives the start scale factors
        table.VoltageRatio = 1.0F;
        SCOPED_TRACE("case " + std::to_string(c));
        file.Write(Written(table, c % 2 == 0 ? "" : "random table"));
        const LoadedCurveFile loaded = LoadCurveFile(file.path());
        EXPECT_EQ(loaded.table, table);
        // operator== lets -0 equal 0; the sign of a zero must survive as well.
        EXPECT_EQ(std::signbit(loaded.table.DataSheetScreenV),
                  std::signbit(table.DataSheetScreenV));
    }
}

TEST(CurveFileWriter, RefusesWhatWouldNotLoadBack) {
    CurveTable good;
    good.NumAnodePoints = 2;
    good.NumGridCurves = 1;
    good.AnodeVoltages = {0.0F, 100.0F};
    good.GridVoltages = {0.0F};
    good.AnodeCurrents = good.ScreenCurrents = good.GridCurrents = CurrentMatrix(2, 1);
    good.DataSheetScreenV = 250.0F;

    CurveTable startState;
    CurveTable shortAxis = good;
    shortAxis.AnodeVoltages.pop_back();
    CurveTable missingCurve = good;
    missingCurve.GridCurrents = CurrentMatrix(2, 0);
    struct Case {
        const char* name;
        const CurveTable* table;
        std::string_view header;
        FaultKind kind;
    };
    const Case cases[] = {
        {"the start state, before any load", &startState, "", FaultKind::SubscriptOutOfRange},
        {"an axis shorter than its count", &shortAxis, "", FaultKind::SubscriptOutOfRange},
        {"a matrix short of a curve", &missingCurve, "", FaultKind::SubscriptOutOfRange},
        {"a header with a line feed", &good, "two\nlines", FaultKind::InvalidArgument},
        {"a header with a carriage return", &good, "two\rlines", FaultKind::InvalidArgument},
        {"a header with a double quote", &good, "5\" tube, model", FaultKind::InvalidArgument},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream out;
        try {
            WriteCurveFile(out, *c.table, c.header);
            ADD_FAILURE() << "no fault";
        } catch (const Fault& fault) {
            EXPECT_EQ(fault.kind(), c.kind);
        }
        EXPECT_TRUE(out.str().empty()) << "nothing is written before the checks pass";
    }
    EXPECT_EQ(Written(good, "model curves"), "250,model curves\n"
                                             "Ea,0,100\n"
                                             "0,0,0\n"
                                             "Screen,0,100\n"
                                             "0,0,0\n"
                                             "Control grid current\n"
                                             "0,0,0\n");
}

} // namespace
} // namespace tetrode
