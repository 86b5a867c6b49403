// SPDX-License-Identifier: MIT
#include "curves/curve_file_writer.h"

#include "platform/fault.h"

#include <array>
#include <charconv>
#include <span>
#include <string>

namespace tetrode {
namespace {

// The shortest text that reads back as exactly `value` (std::to_chars without a precision is the
// shortest round-trip form); the loader's strict conversion accepts every form it produces.
void AppendValue(std::string& line, float value) {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    (void)error; // 32 characters hold every float's shortest form
    line.append(text.data(), end);
}

void AppendRow(std::string& line, std::span<const float> values) {
    for (const float value : values) {
        line += ',';
        AppendValue(line, value);
    }
}

void CheckNotEmpty(const CurveTable& table) {
    if (table.NumAnodePoints() < 1 || table.NumGridCurves() < 1) {
        throw Fault(FaultKind::SubscriptOutOfRange,
                    "the curves cannot be written: a curve file needs at least one anode point "
                    "and one curve");
    }
}

void CheckHeaderText(std::string_view headerText) {
    if (headerText.find_first_of("\r\n\"") != std::string_view::npos) {
        throw Fault(FaultKind::InvalidArgument,
                    "the header text of a curve file cannot hold a line end or a double quote");
    }
}

} // namespace

void WriteCurveFile(std::ostream& out, const CurveTable& table, std::string_view headerText) {
    CheckNotEmpty(table);
    CheckHeaderText(headerText);

    std::string line;
    const auto writeLine = [&] {
        line += '\n';
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
        line.clear();
    };
    const auto writeBlock = [&](const CurrentMatrix& currents) {
        for (int curve = 0; curve < table.NumGridCurves(); ++curve) {
            AppendValue(line, table.GridVoltages()[static_cast<std::size_t>(curve)]);
            AppendRow(line, currents.curve(curve));
            writeLine();
        }
    };

    AppendValue(line, table.DataSheetScreenV());
    if (!headerText.empty()) {
        line += ',';
        line += headerText;
    }
    writeLine();

    line += "Ea";
    AppendRow(line, table.AnodeVoltages());
    writeLine();

    writeBlock(table.AnodeCurrents());
    line += "Screen";
    AppendRow(line, table.AnodeVoltages());
    writeLine();
    writeBlock(table.ScreenCurrents());
    line += "Control grid current";
    writeLine();
    writeBlock(table.GridCurrents());

    out.flush();
    if (!out) {
        throw Fault(FaultKind::FileOpen, "the curve file could not be written");
    }
}

} // namespace tetrode
