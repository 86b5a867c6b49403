// SPDX-License-Identifier: MIT
#include "cli/command_line.h"

#include "analysis/line_warnings.h"
#include "analysis/session.h"
#include "cli/sweep.h"
#include "import/curve_import.h"
#include "platform/fault.h"
#include "results/results_sheet.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <iomanip>
#include <new>
#include <optional>
#include <span>
#include <thread>

namespace tetrode::cli {
namespace {

constexpr const char* kProgram = "tetrode-calc";

// The command line reads and writes numbers with the full stop alone, whatever the user's locale:
// its output feeds scripts and files that must read the same everywhere, and a comma separates
// the fields of CSV. A locale's comma typed in a value is not misread: "12,5" holds a digit after
// the number and is refused, as the window refuses it where the comma is no decimal point.
constexpr std::string_view kDecimalPoint = ".";

// What `import` was given: the exports of each family and of mixed families, the chart's screen
// voltage, the axes (options, to tell given from not) and the curve file to write.
struct ImportGiven {
    std::vector<std::string> anode, screen, grid, mixed;
    std::string screenVoltage, anodeAxisText, gridAxisText, output;
    const CLI::Option* anodeAxis = nullptr;
    const CLI::Option* gridAxis = nullptr;
};

// What the command line gave; an input not given is empty.
struct Given {
    std::string curves;
    OperatingLineTexts line;
    const CLI::Option* screen = nullptr; // of the command that runs
    std::string format = "text";
    std::vector<std::string> vary;
    ImportGiven import;
};

void AddCurves(CLI::App& command, Given& given) {
    command.add_option("CURVES", given.curves, "The curve file")->required();
}

void AddFormat(CLI::App& command, Given& given) {
    command.add_option("--format", given.format, "How the results are written (default: text)")
        ->check(CLI::IsMember({"text", "csv", "json"}))
        ->type_name("text|csv|json");
}

// The five typed voltages, read later by the window's rules. The screen voltage is optional and
// defaults to the curves' own.
void AddInputs(CLI::App& command, Given& given) {
    for (const InputInfo& input : Inputs()) {
        const std::string name = std::string("--").append(input.name);
        std::string help(input.caption);
        CLI::Option* option = command.add_option(name, given.line.*input.text, help.append(", V"));
        option->type_name("V");
        if (input.voltage == &OperatingVoltages::ScreenBias) {
            option->description("Screen Bias, V (default: the curves' screen voltage)");
        } else {
            option->required();
        }
    }
}

Session Opened(const std::string& path) {
    Session session;
    session.SetLocaleDecimalSeparator(std::string(kDecimalPoint));
    session.Open(path);
    return session;
}

std::string ScreenText(const Given& given, const Session& session) {
    return given.screen->count() > 0 ? given.line.ScreenBias : session.ScreenVoltageText();
}

// One line per row: the caption, the text the window shows (aligned at its right) and the unit.
void WriteText(std::span<const SheetRow> rows, std::ostream& out) {
    std::size_t captionWidth = 0, shownWidth = 0;
    for (const SheetRow& row : rows) {
        captionWidth = std::max(captionWidth, row.caption.size());
        shownWidth = std::max(shownWidth, row.shown.size());
    }
    for (const SheetRow& row : rows) {
        out << std::left << std::setw(static_cast<int>(captionWidth)) << row.caption << "  "
            << std::right << std::setw(static_cast<int>(shownWidth)) << row.shown << ' ' << row.unit
            << '\n';
    }
}

void WriteJson(const ResultsSheet& sheet, std::ostream& out) {
    nlohmann::ordered_json quantities = nlohmann::ordered_json::array();
    for (const SheetRow& row : sheet.rows) {
        quantities.push_back({{"name", row.name},
                              {"caption", row.caption},
                              {"value", row.value},
                              {"unit", row.unit}});
    }
    const nlohmann::ordered_json json{{"curve-file", sheet.curveFile},
                                      {"quantities", std::move(quantities)}};
    // A file's name may hold any bytes; what is no UTF-8 is replaced rather than refused.
    out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

// The sheet in `format`; the text form shows `textRows` of it.
void WriteSheet(const ResultsSheet& sheet, std::span<const SheetRow> textRows,
                const std::string& format, std::ostream& out) {
    if (format == "csv") {
        out << SheetCsv(sheet);
    } else if (format == "json") {
        WriteJson(sheet, out);
    } else {
        WriteText(textRows, out);
    }
}

void RunFigures(const Given& given, std::ostream& out, std::ostream& err) {
    Session session = Opened(given.curves);
    OperatingLineTexts texts = given.line;
    texts.ScreenBias = ScreenText(given, session);
    const Calculation& calculation = session.Calculate(texts);
    const ResultsSheet sheet = FiguresSheet(session, kDecimalPoint);
    WriteSheet(sheet, std::span(sheet.rows).last(kFigureCount), given.format, out);
    // What the window's status line would say, kept out of the results.
    const LineWarnings warnings =
        WarningsFor(session.Curves(), calculation.samples, calculation.figures);
    if (warnings.any()) {
        err << "Warning: " << WarningText(warnings) << '\n';
    }
}

void RunLimits(const Given& given, std::ostream& out) {
    Session session = Opened(given.curves);
    const std::string screen = ScreenText(given, session);
    // Only a typed screen voltage rescales: the curves' own gives ratio 1, also when it is 0.
    if (given.screen->count() > 0) {
        session.SetScreenVoltage(screen);
    }
    const ResultsSheet sheet = LimitsSheet(
        session, ReadTypedVoltage(screen, input_name::ScreenBias, kDecimalPoint), kDecimalPoint);
    WriteSheet(sheet, sheet.rows, given.format, out);
}

// "tetrode-calc: sweep 42 % (420000 of 1000000 points)", rewritten in place on a terminal.
class ProgressLine {
  public:
    explicit ProgressLine(std::ostream& err) : m_err(err) {}
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    ~ProgressLine() {
        // Blanked at the end, so the terminal keeps only what the command wrote.
        if (m_width > 0) {
            m_err << '\r' << std::string(m_width, ' ') << '\r' << std::flush;
        }
    }

    void Show(std::uint64_t done, std::uint64_t total) {
        // A few updates a second are enough to read and cost nothing.
        constexpr auto kInterval = std::chrono::milliseconds(200);
        const auto now = std::chrono::steady_clock::now();
        if (m_width > 0 && now - m_shown < kInterval) {
            return;
        }
        m_shown = now;
        std::string line = kProgram;
        line.append(": sweep ").append(std::to_string(done * 100 / total)).append(" % (");
        line.append(std::to_string(done)).append(" of ").append(std::to_string(total));
        line.append(" points)");
        m_width = std::max(m_width, line.size());
        line.resize(m_width, ' ');
        m_err << '\r' << line << std::flush;
    }

  private:
    std::ostream& m_err;
    std::size_t m_width = 0;
    std::chrono::steady_clock::time_point m_shown;
};

void RunSweep(const Given& given, const RunOptions& options, std::ostream& out, std::ostream& err) {
    if (given.vary.size() > 2) {
        throw UsageError("--vary: at most two inputs can be varied");
    }
    std::vector<SweepAxis> axes;
    for (const std::string& spec : given.vary) {
        axes.push_back(ReadSweepAxis(spec));
    }
    if (axes.size() == 2 && axes[0].input == axes[1].input) {
        throw UsageError(std::string("--vary: ").append(axes[0].input->name) + " is varied twice");
    }
    const Session session = Opened(given.curves);
    OperatingLineTexts texts = given.line;
    texts.ScreenBias = ScreenText(given, session);
    const OperatingVoltages line = ReadOperatingLine(texts, kDecimalPoint);
    const unsigned threads =
        options.threads > 0 ? options.threads : std::max(1U, std::thread::hardware_concurrency());
    std::optional<ProgressLine> progress;
    if (options.progress) {
        progress.emplace(err);
    }
    WriteSweep(session.Curves(), line, axes, threads, out,
               [&](std::uint64_t done, std::uint64_t total) {
                   if (progress) {
                       progress->Show(done, total);
                   }
               });
}

void AddImportOptions(CLI::App& command, ImportGiven& given) {
    command.add_option("FILE", given.mixed,
                       "Digitizer exports whose curve names give the family: \"Ia 2A\", "
                       "\"Is 100mA\", \"Ig 10mA\" (a bare current is an anode current)");
    const std::tuple<const char*, std::vector<std::string>*, const char*> families[] = {
        {"--anode", &given.anode, "A digitizer export of anode-current curves only"},
        {"--screen-current", &given.screen, "A digitizer export of screen-current curves only"},
        {"--grid-current", &given.grid, "A digitizer export of grid-current curves only"},
    };
    for (const auto& [name, files, help] : families) {
        // One file each time: the next argument may be an export of mixed families.
        command.add_option(name, *files, std::string(help).append("; again for more files"))
            ->type_name("FILE")
            ->allow_extra_args(false);
    }
    command
        .add_option("--screen-voltage", given.screenVoltage,
                    "The screen voltage the chart "
                    "was drawn at, V")
        ->required()
        ->type_name("V");
    given.anodeAxis =
        command
            .add_option("--anode-axis", given.anodeAxisText,
                        "The table's anode voltages, rising (default: proposed from the points)")
            ->type_name("FROM:TO:STEP");
    given.gridAxis = command
                         .add_option("--grid-axis", given.gridAxisText,
                                     "The table's grid voltages from the most positive down, such "
                                     "as 20:-70:-2.5 (default: proposed from the points)")
                         ->type_name("FROM:TO:STEP");
    command
        .add_option("-o,--output", given.output,
                    "The curve file to write; a file there is replaced once the import succeeded")
        ->required()
        ->type_name("OUT.csv");
}

void RunImport(const ImportGiven& given, std::ostream& err) {
    std::vector<DigitizedFile> files;
    const std::pair<const std::vector<std::string>*, std::optional<CurrentFamily>> families[] = {
        {&given.anode, CurrentFamily::Anode},
        {&given.screen, CurrentFamily::Screen},
        {&given.grid, CurrentFamily::Grid},
        {&given.mixed, std::nullopt},
    };
    for (const auto& [paths, family] : families) {
        for (const std::string& path : *paths) {
            files.push_back({path, family});
        }
    }
    if (files.empty()) {
        throw UsageError("import: no digitizer export given (FILE, --anode, --screen-current or "
                         "--grid-current)");
    }
    const double screen =
        ReadTypedVoltage(given.screenVoltage, import_input::ScreenVoltage, kDecimalPoint);
    std::optional<VoltageAxis> anodeAxis, gridAxis;
    if (given.anodeAxis->count() > 0) {
        anodeAxis = ReadAxisRange(given.anodeAxisText, true, import_input::AnodeAxis);
    }
    if (given.gridAxis->count() > 0) {
        gridAxis = ReadAxisRange(given.gridAxisText, false, import_input::GridAxis);
    }
    const ImportedCurves imported =
        RegridImport(ReadTracedCurves(files), screen, anodeAxis, gridAxis);
    WriteImportedCurves(imported, given.output);

    // What the user should know of the table written, kept apart from any output.
    for (const ImportNote& note : imported.notes) {
        err << "Note: " << ImportNoteMessage(note) << '\n';
    }
    err << "Axes: anode " << AxisRangeText(imported.anodeAxis) << (anodeAxis ? "" : " (proposed)")
        << ", grid " << AxisRangeText(imported.gridAxis) << (gridAxis ? "" : " (proposed)") << '\n';
    const FitResiduals& fit = imported.residuals;
    if (fit.largest) {
        err << "Largest residual: " << ResidualMessage(imported, fit.points[*fit.largest]) << '\n';
    } else {
        err << "Largest residual: none, as no traced point lies within the axes\n";
    }
}

void ReportUsageError(const std::string& what, std::ostream& err) {
    err << kProgram << ": " << what << "\nRun '" << kProgram << " --help' for more information.\n";
}

void ReportFault(const Fault& fault, std::ostream& err) {
    // The words of the window's message box: the kind's name, then place and cause.
    err << FaultReport(fault) << '\n';
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const RunOptions& options) {
    CLI::App app("The tetrode calculator without its window: the figures of an operating line, "
                 "the curves' data limits, sweeps of an operating line over a grid, and curve "
                 "files imported from digitized charts.",
                 kProgram);
    app.set_version_flag("--version", std::string(kProgram).append(" ").append(TETRODE_VERSION));
    app.require_subcommand(1);
    Given given;

    CLI::App* figures = app.add_subcommand("figures", "The fifteen figures of an operating line");
    AddCurves(*figures, given);
    AddInputs(*figures, given);
    AddFormat(*figures, given);

    CLI::App* limits = app.add_subcommand("limits", "The anode and grid voltages the curves cover");
    AddCurves(*limits, given);
    limits->add_option("--screen", given.line.ScreenBias, "Screen Bias, V (default: the curves')")
        ->type_name("V");
    AddFormat(*limits, given);

    CLI::App* sweep = app.add_subcommand(
        "sweep", "The figures over a grid of one or two varied inputs, one CSV row per point");
    AddCurves(*sweep, given);
    AddInputs(*sweep, given);
    sweep
        ->add_option("--vary", given.vary,
                     "An input and its values: NAME=FROM:TO:STEP, NAME one of grid-bias, "
                     "anode-bias, peak-grid, min-anode, screen; TO is included when it is "
                     "reached. Twice for a grid of two inputs, the second varying fastest")
        ->required()
        ->type_name("NAME=FROM:TO:STEP");

    CLI::App* import = app.add_subcommand(
        "import", "A curve file from graph digitizers' exports of a traced constant-current chart");
    AddImportOptions(*import, given.import);

    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
        const CLI::App* command = app.get_subcommands().front();
        // The operating screen voltage, of the commands that calculate.
        given.screen = command->get_option_no_throw("--screen");
        if (command == figures) {
            RunFigures(given, out, err);
        } else if (command == limits) {
            RunLimits(given, out);
        } else if (command == import) {
            RunImport(given.import, err);
        } else {
            RunSweep(given, options, out, err);
        }
        out.flush();
        if (!out) {
            throw Fault(FaultKind::FileOpen, "the output cannot be written");
        }
        return kSuccess;
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kSuccess;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return kSuccess;
    } catch (const CLI::ParseError& error) {
        ReportUsageError(error.what(), err);
        return kUsageError;
    } catch (const UsageError& error) {
        ReportUsageError(error.what(), err);
        return kUsageError;
    } catch (const Fault& fault) {
        ReportFault(fault, err);
    } catch (const std::bad_alloc&) {
        ReportFault(Fault(FaultKind::OutOfMemory, "there is not enough memory for this command"),
                    err);
    } catch (const std::exception& error) {
        err << kProgram << ": " << error.what() << '\n';
    } catch (...) {
        err << kProgram << ": an unknown error ended the command\n";
    }
    return kFault;
}

} // namespace tetrode::cli
