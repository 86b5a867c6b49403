// SPDX-License-Identifier: MIT
#include "results/results_sheet.h"

#include "analysis/data_limits.h"
#include "analysis/operating_parameters.h"
#include "platform/fault.h"

#include <charconv>
#include <cstddef>
#include <system_error>

namespace tetrode {
namespace {

// A file name is shown whole in a sheet, however long.
constexpr std::size_t kWholeText = std::string::npos;

constexpr std::array<InputInfo, 5> kInputs{{
    {"grid-bias", input_name::GridBias, &OperatingVoltages::GridBias,
     &OperatingLineTexts::GridBias},
    {"anode-bias", input_name::AnodeBias, &OperatingVoltages::AnodeBias,
     &OperatingLineTexts::AnodeBias},
    {"peak-grid", input_name::PeakGrid, &OperatingVoltages::PeakGrid,
     &OperatingLineTexts::PeakGrid},
    {"min-anode", input_name::MinAnode, &OperatingVoltages::MinAnode,
     &OperatingLineTexts::MinAnode},
    {"screen", input_name::ScreenBias, &OperatingVoltages::ScreenBias,
     &OperatingLineTexts::ScreenBias},
}};

// The four limits as the window's frame names them, in the order FormatDataLimits gives them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 4> kLimitNames{{
    {"max-anode-voltage", "Max Anode Voltage"},
    {"min-anode-voltage", "Min Anode Voltage"},
    {"max-grid-voltage", "Max Grid Voltage"},
    {"min-grid-voltage", "Min Grid Voltage"},
}};

template <typename Number> std::string Shortest(Number value) {
    // Room for the longest double ("-2.2250738585072014e-308").
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc{} ? std::string(text, end) : std::string();
}

// The number a single stands for in decimal: the double nearest its shortest text, so that a
// file's 0.1 is 0.1 in every form of the sheet, not 0.100000001.
double DecimalValue(float value) {
    const std::string text = ShortestText(value);
    double decimal = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), decimal);
    return decimal;
}

std::string WithSeparator(std::string text, std::string_view decimalSeparator) {
    if (const std::size_t point = text.find('.'); point != std::string::npos) {
        text.replace(point, 1, decimalSeparator);
    }
    return text;
}

SheetRow NumberRow(std::string_view name, std::string_view caption, double value,
                   std::string_view decimalSeparator) {
    return {name, caption, "V", value, WithSeparator(ShortestText(value), decimalSeparator)};
}

SheetRow DataSheetScreenRow(const Session& session, std::string_view decimalSeparator) {
    return NumberRow("data-sheet-screen", "Data-sheet screen voltage",
                     DecimalValue(session.Curves().DataSheetScreenV()), decimalSeparator);
}

} // namespace

const std::array<InputInfo, 5>& Inputs() {
    return kInputs;
}

ResultsSheet FiguresSheet(const Session& session, std::string_view decimalSeparator) {
    const std::optional<Calculation>& calculation = session.LastCalculation();
    if (!calculation) {
        throw Fault(FaultKind::InvalidArgument, "there are no results: nothing was calculated");
    }
    ResultsSheet sheet{session.FileName(), {DataSheetScreenRow(session, decimalSeparator)}};
    for (const InputInfo& input : kInputs) {
        sheet.rows.push_back(NumberRow(input.name, input.caption,
                                       calculation->voltages.*input.voltage, decimalSeparator));
    }
    const auto texts = FormatOperatingParameters(calculation->figures, decimalSeparator);
    for (std::size_t k = 0; k < kFigureCount; ++k) {
        const FigureInfo& info = Figures()[k];
        sheet.rows.push_back({info.id, info.caption, info.unit,
                              FigureValue(calculation->figures, info.figure) * info.displayScale,
                              texts[k]});
    }
    return sheet;
}

ResultsSheet LimitsSheet(const Session& session, double screenVoltage,
                         std::string_view decimalSeparator) {
    if (!session.Limits()) {
        throw Fault(FaultKind::InvalidArgument, "no curve file is loaded");
    }
    const DataLimits& limits = *session.Limits();
    const InputInfo& screen = kInputs.back();
    ResultsSheet sheet{session.FileName(),
                       {NumberRow(screen.name, screen.caption, screenVoltage, decimalSeparator)}};
    const auto texts = FormatDataLimits(limits, decimalSeparator);
    const std::array<float, 4> values{limits.MaxAnodeVoltage, limits.MinAnodeVoltage,
                                      limits.MaxGridVoltage, limits.MinGridVoltage};
    for (std::size_t k = 0; k < values.size(); ++k) {
        sheet.rows.push_back(
            {kLimitNames[k].first, kLimitNames[k].second, "V", DecimalValue(values[k]), texts[k]});
    }
    sheet.rows.push_back(DataSheetScreenRow(session, decimalSeparator));
    return sheet;
}

std::string ShortestText(double value) {
    return Shortest(value);
}

std::string ShortestText(float value) {
    return Shortest(value);
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string field = "\"";
    for (const char c : text) {
        field += c;
        if (c == '"') {
            field += '"';
        }
    }
    field += '"';
    return field;
}

std::string SheetCsv(const ResultsSheet& sheet) {
    std::string csv = "name,caption,value,unit\ncurve-file,Curve file,";
    csv.append(CsvField(sheet.curveFile)).append(",\n");
    for (const SheetRow& row : sheet.rows) {
        csv.append(row.name).append(",").append(CsvField(row.caption)).append(",");
        csv.append(ShortestText(row.value)).append(",").append(row.unit).append("\n");
    }
    return csv;
}

std::string SheetTabSeparated(const ResultsSheet& sheet) {
    std::string table = "Quantity\tValue\tUnit\nCurve file\t";
    table.append(EscapeForDisplay(sheet.curveFile, kWholeText)).append("\t\n");
    for (const SheetRow& row : sheet.rows) {
        table.append(row.caption).append("\t").append(row.shown).append("\t");
        table.append(row.unit).append("\n");
    }
    return table;
}

} // namespace tetrode
