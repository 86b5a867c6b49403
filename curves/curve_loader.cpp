// SPDX-License-Identifier: MIT
#include "curves/curve_loader.h"

#include "curves/global_quorv.h"
#include "platform/fault.h"
#include "platform/field_number.h"
#include "platform/text_file.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace tetrode {
namespace {

constexpr int kMaxAxisEntries = CurveTable::kMaxAxisEntries;

using Clock = std::chrono::steady_clock;

// Progress is reported by elapsed time, not per line, so a file of many short lines costs as
// little as one of few long ones.
constexpr auto kProgressInterval = std::chrono::milliseconds(10);

// The last component of the path, after its last "\" or "/": the file's name as the user knows it.
std::string BaseName(const std::string& path) {
    std::vector<std::string> parts;
    SplitByDelimiter(path, '\\', parts);
    const std::string afterBackslash = parts.back();
    SplitByDelimiter(afterBackslash, '/', parts);
    return parts.back();
}

// Reads the curve file line by line, keeping the place for fault messages.
class CurveFileReader {
  public:
    CurveFileReader(const std::string& path, std::string fileName, const ProgressCallback& progress)
        : m_file(path), m_fileName(std::move(fileName)), m_progress(progress) {}

    // Reads the next line and splits it into fields().
    void ReadFields() {
        ReadLine();
        try {
            SplitCsvFields(m_line, m_fields);
        } catch (const Fault& fault) {
            throw fault.At(Place(std::get<FilePlace>(fault.place()).column));
        }
    }

    // Reads the next line and drops it unsplit.
    void SkipLine() { ReadLine(); }

    // The fields of the current line; views into it, valid until the next read.
    const std::vector<std::string_view>& fields() const { return m_fields; }
    int valueCount() const { return static_cast<int>(m_fields.size()) - 1; }
    bool atEndOfFile() const { return m_line == kEndOfFileText; }

    // Field `index` of the current line as a single-precision number.
    float Number(std::size_t index) const {
        const std::string_view field = m_fields[index];
        const FieldNumber number = SingleFromField(field);
        switch (number.status) {
        case FieldNumberStatus::Converted:
            return number.value;
        case FieldNumberStatus::OutOfRange:
            throw Fault(FaultKind::Overflow,
                        Quoted(field) + " is a number too large for single precision",
                        Place(ColumnOf(index)));
        case FieldNumberStatus::NotANumber:
            break;
        }
        throw Fault(FaultKind::TypeMismatch, Quoted(field) + " is not a number",
                    Place(ColumnOf(index)));
    }

    // The current line, or a column of it (counted from 1; 0 for the whole line).
    FilePlace Place(int column = 0) const { return {m_fileName, m_lineNumber, column}; }

    // Fields count from 0, the row's label being field 0; columns from 1.
    static int ColumnOf(std::size_t field) { return static_cast<int>(field) + 1; }

    std::size_t lineLength() const { return m_line.size(); }

  private:
    void ReadLine() {
        m_line = ReadTextLine(m_file);
        if (m_progress && Clock::now() - m_lastReport >= kProgressInterval) {
            m_progress(m_file.consumed(), m_file.size());
            m_lastReport = Clock::now();
        }
        ++m_lineNumber;
    }

    TextFile m_file;
    std::string m_fileName;
    const ProgressCallback& m_progress;
    // None yet: the first line read is reported, so a watcher hears of the load at once.
    Clock::time_point m_lastReport{};
    std::string m_line;
    std::vector<std::string_view> m_fields;
    int m_lineNumber = 0;
};

std::uintmax_t FileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// How many curve rows a file probably holds, judged from its size and the length of its first
// curve row (each curve has three rows of about that length), with a little to spare. Never more
// than a valid file can hold: each curve needs at least 2N bytes in each of the screen-current
// and control-grid-current blocks. Only a hint for reserving memory.
std::size_t EstimateCurveCount(std::uintmax_t fileSize, std::size_t firstRowLength, int points) {
    const std::uintmax_t fromRowLength = fileSize / (3 * (firstRowLength + 1));
    const std::uintmax_t estimate = fromRowLength + fromRowLength / 50 + 1;
    const std::uintmax_t validAtMost = fileSize / (4 * static_cast<std::uintmax_t>(points));
    return static_cast<std::size_t>(std::min<std::uintmax_t>(
        {estimate, validAtMost, static_cast<std::uintmax_t>(kMaxAxisEntries)}));
}

// Fields 1 to `count` of the current line, converted into `row`.
void ConvertValues(const CurveFileReader& reader, std::span<float> row, int count) {
    // From the first column on, so that a bad number before a row runs short is reported as what
    // it is.
    for (int point = 0; point < count; ++point) {
        row[static_cast<std::size_t>(point)] = reader.Number(static_cast<std::size_t>(point) + 1);
    }
}

// Adds one row of `count` zeros to `values` and gives it back for filling.
std::span<float> NewRow(std::vector<float>& values, int count) {
    const std::size_t rowLength = static_cast<std::size_t>(count);
    values.resize(values.size() + rowLength, 0.0F);
    return std::span<float>(values).last(rowLength);
}

// The anode-current rows as the file gives them. A short row keeps only its values, so that a
// small file of one-field rows under a long anode-voltage line cannot make the load claim
// gigabytes before it fails on the screen-current block; the rows are padded to the full matrix
// once the whole file has been read.
struct AnodeRows {
    std::vector<float> values;
    // (curve, number of values) of every row shorter than N, in file order.
    std::vector<std::pair<int, int>> shortRows;
};

CurrentMatrix PaddedAnodeCurrents(AnodeRows rows, int points, int curves) {
    if (rows.shortRows.empty()) {
        // A poor estimate (rows of very different lengths) leaves spare capacity that the table
        // would carry for its whole life; beyond an eighth it is given back.
        if (rows.values.capacity() - rows.values.size() > rows.values.size() / 8) {
            rows.values.shrink_to_fit();
        }
        return CurrentMatrix(points, curves, std::move(rows.values));
    }
    CurrentMatrix matrix(points, curves);
    auto next = rows.values.cbegin();
    auto shortRow = rows.shortRows.cbegin();
    for (int curve = 0; curve < curves; ++curve) {
        int count = points;
        if (shortRow != rows.shortRows.cend() && shortRow->first == curve) {
            count = shortRow->second;
            ++shortRow;
        }
        std::copy(next, next + count, matrix.curve(curve).begin());
        next += count;
    }
    return matrix;
}

// Reads one screen-current or control-grid-current block: one row per curve, N values each.
// The rows are gathered in a vector reserved for the whole block and handed to the matrix as it
// is, so no large block of memory is cleared or copied at once.
CurrentMatrix ReadCurrentBlock(CurveFileReader& reader, int points, int curves,
                               std::uintmax_t fileSize, std::string_view blockName) {
    // Each value takes at least two bytes of the file, so a valid block fits in this much.
    const std::uintmax_t validAtMost = fileSize / 2;
    std::vector<float> values;
    values.reserve(static_cast<std::size_t>(std::min<std::uintmax_t>(
        static_cast<std::uintmax_t>(points) * static_cast<std::uintmax_t>(curves), validAtMost)));
    for (int curve = 0; curve < curves; ++curve) {
        reader.ReadFields();
        const int available = std::min(reader.valueCount(), points);
        ConvertValues(reader, NewRow(values, points), available);
        const std::string row = std::string(blockName) + " row " + std::to_string(curve + 1);
        if (available < points && reader.atEndOfFile()) {
            throw Fault(FaultKind::SubscriptOutOfRange, "the file ends before " + row,
                        reader.Place());
        }
        if (available < points) {
            throw Fault(FaultKind::SubscriptOutOfRange,
                        "the line (" + row + ") has " +
                            std::to_string(std::max(reader.valueCount(), 0)) + " values, " +
                            std::to_string(points) + " needed",
                        reader.Place());
        }
    }
    return CurrentMatrix(points, curves, std::move(values));
}

bool IsScreenMarker(std::string_view field) {
    return field == "Screen" || field == "screen";
}

// The whole load; the file is closed when this returns.
LoadedCurveFile ReadCurveFile(const std::string& path, const ProgressCallback& progress) {
    const std::string fileName = BaseName(path);
    CurveFileReader reader(path, fileName, progress);

    // Header line: the screen voltage, kept as text and read as a number.
    reader.ReadFields();
    if (reader.atEndOfFile()) {
        throw Fault(FaultKind::TypeMismatch, "the file is empty", reader.Place());
    }
    std::string screenVoltageText(reader.fields()[0]);
    const float dataSheetScreenV = reader.Number(0);

    // Anode-voltage line: field 0 is a label, the rest are the columns.
    reader.ReadFields();
    const int points = reader.valueCount();
    if (points > kMaxAxisEntries) {
        throw Fault(FaultKind::Overflow,
                    "the line has " + std::to_string(points) + " anode voltages, more than " +
                        std::to_string(kMaxAxisEntries),
                    reader.Place());
    }
    if (points == 0 && reader.atEndOfFile()) {
        throw Fault(FaultKind::SubscriptOutOfRange, "the file ends before the anode-voltage line",
                    reader.Place());
    }
    if (points == 0) {
        throw Fault(FaultKind::SubscriptOutOfRange,
                    "the anode-voltage line has no anode voltage after its label", reader.Place());
    }
    std::vector<float> anodeVoltages(static_cast<std::size_t>(points));
    ConvertValues(reader, anodeVoltages, points);

    // Anode-current block: one row per curve until the "Screen" marker. The count is unknown
    // until the marker comes, so the rows are gathered in a vector reserved from an estimate.
    const std::uintmax_t fileSize = FileSize(path);
    AnodeRows anodeRows;
    std::vector<float> gridVoltages;
    int curves = 0;
    reader.ReadFields();
    anodeRows.values.reserve(EstimateCurveCount(fileSize, reader.lineLength(), points) *
                             static_cast<std::size_t>(points));
    while (!IsScreenMarker(reader.fields()[0])) {
        if (curves == kMaxAxisEntries) {
            throw Fault(FaultKind::Overflow,
                        "more than " + std::to_string(kMaxAxisEntries) +
                            " curves before the \"Screen\" line",
                        reader.Place());
        }
        if (reader.atEndOfFile()) {
            throw Fault(FaultKind::TypeMismatch, "the file ends before the \"Screen\" line",
                        reader.Place());
        }
        ++curves;
        gridVoltages.push_back(reader.Number(0));
        const int values = reader.valueCount();
        const int stored = std::min(values, points);
        ConvertValues(reader, NewRow(anodeRows.values, stored), stored);
        if (values > points) {
            throw Fault(FaultKind::SubscriptOutOfRange,
                        "the line (anode-current row " + std::to_string(curves) + ") has " +
                            std::to_string(values) + " values, at most " + std::to_string(points) +
                            " allowed",
                        reader.Place());
        }
        if (stored < points) {
            anodeRows.shortRows.emplace_back(curves - 1, stored);
        }
        reader.ReadFields();
    }
    if (curves == 0) {
        throw Fault(FaultKind::SubscriptOutOfRange,
                    "the \"Screen\" line comes before any curve row", reader.Place());
    }

    CurrentMatrix screenCurrents =
        ReadCurrentBlock(reader, points, curves, fileSize, "screen-current");
    reader.SkipLine();
    CurrentMatrix gridCurrents =
        ReadCurrentBlock(reader, points, curves, fileSize, "control-grid-current");
    CurrentMatrix anodeCurrents = PaddedAnodeCurrents(std::move(anodeRows), points, curves);
    return {CurveTable(dataSheetScreenV, std::move(anodeVoltages), std::move(gridVoltages),
                       std::move(anodeCurrents), std::move(screenCurrents),
                       std::move(gridCurrents)),
            std::move(screenVoltageText), fileName};
}

} // namespace

LoadedCurveFile LoadCurveFile(const std::string& path, const ProgressCallback& progress) {
    // The table is built apart and handed back only when complete: a load that stops on a fault
    // leaves nothing behind.
    return ReadCurveFile(path, progress);
}

} // namespace tetrode
