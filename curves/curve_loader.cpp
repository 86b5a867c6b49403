// SPDX-License-Identifier: MIT
#include "curves/curve_loader.h"

#include "curves/global_quorv.h"
#include "curves/line_source.h"
#include "platform/fault.h"
#include "platform/field_number.h"
#include "platform/memory_budget.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tetrode {
namespace {

constexpr int kMaxAxisEntries = CurveTable::kMaxAxisEntries;
// A label and one value per anode voltage: the widest line the format needs.
constexpr int kMaxFields = kMaxAxisEntries + 1;

// The last component of the path, after its last "\" or "/": the file's name as the user knows it.
std::string BaseName(const std::string& path) {
    std::vector<std::string> parts;
    SplitByDelimiter(path, '\\', parts);
    const std::string afterBackslash = parts.back();
    SplitByDelimiter(afterBackslash, '/', parts);
    return parts.back();
}

bool IsScreenMarker(std::string_view field) {
    return field == "Screen" || field == "screen";
}

// What a line holds, for the words of its faults.
enum class LineRole {
    Header,
    AnodeVoltages,
    CurveRow,
    ScreenCurrents,
    Separator,
    GridCurrents,
};

// What a field of this kind of line must be, in the user's words.
std::string_view Expected(LineRole role, int column) {
    switch (role) {
    case LineRole::Header:
        return "line 1 must begin with the screen voltage the curves were taken at";
    case LineRole::AnodeVoltages:
        return "line 2 must list the anode voltages after its label";
    case LineRole::CurveRow:
        return column == 1 ? "an anode-current row must begin with its curve's grid voltage, and "
                             "the rows must end with a line that begins with Screen"
                           : "an anode-current row lists anode currents after its grid voltage";
    case LineRole::ScreenCurrents:
        return "a screen-current row lists a screen current for each anode voltage after its "
               "label";
    case LineRole::Separator:
        break;
    case LineRole::GridCurrents:
        return "a control-grid-current row lists a control-grid current for each anode voltage "
               "after its label";
    }
    return "a number must stand here";
}

std::string Count(std::uint64_t count) {
    return std::to_string(count);
}

// "12.3 MB": a size as a user reads it.
std::string Megabytes(std::uint64_t bytes) {
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof text - 3, static_cast<double>(bytes) / 1e6,
                      std::chars_format::fixed, 1);
    std::string shown(text, result.ptr);
    shown.append(" MB");
    return shown;
}

// The table's memory, checked before it is taken: against what the machine can give now, or
// against a fixed limit for the whole load.
class MemoryGuard {
  public:
    explicit MemoryGuard(std::optional<std::uint64_t> limit) : m_limit(limit) {}

    // How many bytes more can be had now.
    std::uint64_t Left() const {
        if (!m_limit) {
            return AvailableMemoryBytes();
        }
        return *m_limit > m_held ? *m_limit - m_held : 0;
    }

    // Takes note that `bytes` are taken and `released` given back (a block that grows).
    void Hold(std::uint64_t bytes, std::uint64_t released) { m_held += bytes - released; }

  private:
    std::optional<std::uint64_t> m_limit;
    std::uint64_t m_held = 0;
};

// The anode-current rows as the file gives them. A short row keeps only its values, so that a
// small file of one-field rows under a long anode-voltage line cannot make the load claim
// gigabytes before it fails on the screen-current block; the rows are padded to the full matrix
// once the whole file has been read.
struct AnodeRows {
    std::vector<float> values;
    // (curve, number of values) of every row shorter than N, in file order.
    std::vector<std::pair<int, int>> shortRows;
};

// Reads a curve file line by line and field by field. A line without double quotes has its commas
// indexed first (LineCommas), so each field's end is known before it is read; a line with quotes is
// walked with TakeCsvField, the step of SplitCsvFields. A value is converted by the quick route
// where it stands, and by SingleFromField only when that route declines (an odd spelling, a
// fault). Faults come in the order a whole-line split and then the conversions would raise them.
class CurveFileParser {
  public:
    CurveFileParser(RegularFile& file, std::string fileName, const ProgressCallback& progress,
                    MemoryGuard& memory)
        : m_fileName(fileName), m_pacer(progress, file.size()),
          m_lines(file, std::move(fileName), m_pacer), m_memory(memory) {}

    LoadedCurveFile Parse() {
        try {
            return ParseLines();
        } catch (const std::bad_alloc&) {
            // What the load held is given back by now; what is left names the place.
            throw Fault(FaultKind::OutOfMemory, "there is not enough memory to hold these curves",
                        Place());
        }
    }

  private:
    LoadedCurveFile ParseLines() {
        // Header line: the screen voltage, kept as text and read as a number.
        if (!NextLine(LineRole::Header)) {
            throw Fault(FaultKind::TypeMismatch,
                        "the file is empty; line 1 must begin with the screen voltage the curves "
                        "were taken at",
                        Place());
        }
        const std::string_view header = TakeField();
        FinishLine();
        std::string screenVoltageText(header);
        const float dataSheetScreenV = Convert(header, 1);

        // Anode-voltage line: field 0 is a label, the rest are the columns.
        if (!NextLine(LineRole::AnodeVoltages)) {
            throw Fault(FaultKind::SubscriptOutOfRange,
                        "the file ends before the anode-voltage line; line 2 must list the anode "
                        "voltages after a label",
                        Place());
        }
        TakeField();
        std::vector<float> anodeVoltages;
        while (m_more) {
            if (anodeVoltages.size() == static_cast<std::size_t>(kMaxAxisEntries)) {
                TooManyFields();
            }
            TakeValue(anodeVoltages.emplace_back());
        }
        if (anodeVoltages.empty()) {
            throw Fault(FaultKind::SubscriptOutOfRange,
                        "the anode-voltage line holds only its label; it must list at least one "
                        "anode voltage after it",
                        Place());
        }
        const int points = static_cast<int>(anodeVoltages.size());

        auto [anodeRows, gridVoltages] = ReadAnodeBlock(points);
        const int curves = static_cast<int>(gridVoltages.size());
        CheckTableMemory(points, curves, !anodeRows.shortRows.empty());

        // As many values as the anode-current rows held are no more than what has been read, and
        // a well-formed file's blocks need no more room than that.
        const std::size_t alreadyRead = anodeRows.values.size();
        CurrentMatrix screenCurrents =
            ReadCurrentBlock(points, curves, LineRole::ScreenCurrents, alreadyRead);
        if (!NextLine(LineRole::Separator)) {
            throw Fault(FaultKind::SubscriptOutOfRange,
                        "the file ends before the line that separates the screen-current rows "
                        "from the control-grid-current rows",
                        Place());
        }
        CurrentMatrix gridCurrents =
            ReadCurrentBlock(points, curves, LineRole::GridCurrents, alreadyRead);
        CurrentMatrix anodeCurrents = PaddedAnodeCurrents(std::move(anodeRows), points, curves);
        return {CurveTable(dataSheetScreenV, std::move(anodeVoltages), std::move(gridVoltages),
                           std::move(anodeCurrents), std::move(screenCurrents),
                           std::move(gridCurrents)),
                std::move(screenVoltageText), m_fileName};
    }

    // Anode-current block: one row per curve until the "Screen" marker, each its grid voltage and
    // up to N currents.
    std::pair<AnodeRows, std::vector<float>> ReadAnodeBlock(int points) {
        AnodeRows rows;
        std::vector<float> gridVoltages;
        for (;;) {
            if (!NextLine(LineRole::CurveRow)) {
                throw Fault(FaultKind::TypeMismatch,
                            "the file ends before the \"Screen\" line; the anode-current rows "
                            "must end with a line that begins with Screen",
                            Place());
            }
            const std::string_view first = TakeField();
            if (IsScreenMarker(first)) {
                FinishLine();
                break;
            }
            if (gridVoltages.size() == static_cast<std::size_t>(kMaxAxisEntries)) {
                FinishLine();
                throw Fault(FaultKind::Overflow,
                            "more than " + Count(kMaxAxisEntries) +
                                " anode-current rows before the \"Screen\" line; a file holds at "
                                "most " +
                                Count(kMaxAxisEntries) + " curves",
                            Place());
            }
            gridVoltages.push_back(Convert(first, 1));
            const std::span<float> row =
                NewRow(rows.values, points, static_cast<std::size_t>(points) * kMaxAxisEntries);
            const int stored = TakeValues(row);
            if (m_more) {
                int values = stored;
                while (m_more) {
                    TakeField();
                    ++values;
                }
                throw Fault(FaultKind::SubscriptOutOfRange,
                            "the anode-current row has " + Count(values) +
                                " values; the anode-voltage line has " + Count(points),
                            Place());
            }
            if (stored < points) {
                rows.values.resize(rows.values.size() - static_cast<std::size_t>(points - stored));
                rows.shortRows.emplace_back(static_cast<int>(gridVoltages.size()) - 1, stored);
            }
        }
        if (gridVoltages.empty()) {
            throw Fault(FaultKind::SubscriptOutOfRange,
                        "the \"Screen\" line comes before any anode-current row; at least one "
                        "curve is needed",
                        Place());
        }
        return {std::move(rows), std::move(gridVoltages)};
    }

    // Before the rest of the table is taken: the two other matrices, and the padded anode
    // currents when rows were short.
    void CheckTableMemory(int points, int curves, bool padded) {
        const std::uint64_t matrix =
            sizeof(float) * static_cast<std::uint64_t>(points) * static_cast<std::uint64_t>(curves);
        const std::uint64_t needed = (padded ? 3 : 2) * matrix;
        const std::uint64_t left = m_memory.Left();
        if (needed > left) {
            throw Fault(FaultKind::OutOfMemory,
                        "the curves need " + Megabytes(3 * matrix) + " of memory (" +
                            Count(static_cast<std::uint64_t>(points)) + " anode voltages x " +
                            Count(static_cast<std::uint64_t>(curves)) +
                            " curves x 3 currents), and only " + Megabytes(left) +
                            " more can be had; close other programs or open a smaller file",
                        Place());
        }
    }

    // One screen-current or control-grid-current block: one row per curve, a label and at least
    // N values each; values after the Nth are ignored. Room for `reserve` values is taken first.
    CurrentMatrix ReadCurrentBlock(int points, int curves, LineRole role, std::size_t reserve) {
        const std::string_view block =
            role == LineRole::ScreenCurrents ? "screen-current" : "control-grid-current";
        const std::size_t all = static_cast<std::size_t>(points) * static_cast<std::size_t>(curves);
        std::vector<float> values;
        Reserve(values, std::min(reserve, all));
        for (int curve = 1; curve <= curves; ++curve) {
            const auto row = [&] {
                std::string words(block);
                words.append(" row ");
                words.append(Count(static_cast<std::uint64_t>(curve)));
                return words;
            };
            if (!NextLine(role)) {
                throw Fault(FaultKind::SubscriptOutOfRange,
                            "the file ends before " + row() +
                                "; the block needs one row for each " + "of the " +
                                Count(static_cast<std::uint64_t>(curves)) + " curves",
                            Place());
            }
            TakeField();
            const std::span<float> stored = NewRow(values, points, all);
            const int got = TakeValues(stored);
            if (got < points) {
                throw Fault(FaultKind::SubscriptOutOfRange,
                            row() + " has " + (got == 0 ? std::string("no") : Count(got)) +
                                " values; the anode-voltage line has " + Count(points),
                            Place());
            }
            FinishLine();
        }
        return CurrentMatrix(points, curves, std::move(values));
    }

    // Adds a row of `count` values to `values` and gives it back for filling. The block grows by
    // doubling as rows arrive, never beyond `most` values, so memory follows what the file holds,
    // not what it claims; each growth is checked first.
    std::span<float> NewRow(std::vector<float>& values, int count, std::size_t most) {
        const std::size_t rowLength = static_cast<std::size_t>(count);
        const std::size_t needed = values.size() + rowLength;
        if (needed > values.capacity()) {
            Reserve(values,
                    std::min(std::max(needed, 2 * values.capacity()), std::max(most, needed)));
        }
        values.resize(needed);
        return std::span<float>(values).last(rowLength);
    }

    // Gives `values` room for `capacity` values once the memory is known to be there.
    void Reserve(std::vector<float>& values, std::size_t capacity) {
        if (capacity <= values.capacity()) {
            return;
        }
        const std::uint64_t bytes = sizeof(float) * capacity;
        const std::uint64_t left = m_memory.Left();
        if (bytes > left) {
            throw Fault(FaultKind::OutOfMemory,
                        "the curves need " + Megabytes(bytes) + " more memory here, and only " +
                            Megabytes(left) +
                            " can be had; close other programs or open a smaller file",
                        Place());
        }
        m_memory.Hold(bytes, sizeof(float) * values.capacity());
        values = Moved(std::move(values), capacity);
    }

    // `values` in a block of room for `capacity` values. A large block is copied a piece at a time,
    // so that progress is still reported (and a cancel heard) while it moves.
    std::vector<float> Moved(std::vector<float> values, std::size_t capacity) {
        constexpr std::size_t kPiece = 256 * 1024;
        std::vector<float> moved;
        moved.reserve(capacity);
        for (std::size_t at = 0; at < values.size(); at += kPiece) {
            const std::size_t piece = std::min(kPiece, values.size() - at);
            moved.insert(moved.end(), values.begin() + static_cast<std::ptrdiff_t>(at),
                         values.begin() + static_cast<std::ptrdiff_t>(at + piece));
            m_pacer.Worked(sizeof(float) * piece);
        }
        return moved;
    }

    // The anode currents as a full matrix: rows shorter than N padded with zeros, after the whole
    // file has been read.
    CurrentMatrix PaddedAnodeCurrents(AnodeRows rows, int points, int curves) {
        const std::size_t all = static_cast<std::size_t>(points) * static_cast<std::size_t>(curves);
        if (rows.shortRows.empty()) {
            // Growth by doubling may leave spare room that the table would carry for its whole
            // life; beyond an eighth it is given back.
            if (rows.values.capacity() - rows.values.size() > rows.values.size() / 8) {
                rows.values = Moved(std::move(rows.values), all);
            }
            return CurrentMatrix(points, curves, std::move(rows.values));
        }
        std::vector<float> padded;
        padded.reserve(all);
        auto next = rows.values.cbegin();
        auto shortRow = rows.shortRows.cbegin();
        for (int curve = 0; curve < curves; ++curve) {
            int count = points;
            if (shortRow != rows.shortRows.cend() && shortRow->first == curve) {
                count = shortRow->second;
                ++shortRow;
            }
            padded.insert(padded.end(), next, next + count);
            padded.resize(padded.size() + static_cast<std::size_t>(points - count), 0.0F);
            next += count;
            m_pacer.Worked(sizeof(float) * static_cast<std::size_t>(points));
        }
        return CurrentMatrix(points, curves, std::move(padded));
    }

    // --- Walking one line ---

    // Reads the next line; false at the end of the file.
    bool NextLine(LineRole role) {
        std::string_view line;
        if (!m_lines.Next(line)) {
            return false;
        }
        m_next = line.data();
        m_end = line.data() + line.size();
        m_more = true; // a line always has a field, if only an empty one
        m_fields = 0;
        m_role = role;
        // In a line without double quotes every comma ends a field. Fields after the first
        // kMaxEnds are never taken, so a quote beyond them changes nothing.
        m_quoted = !m_commas.Index(m_next, m_end);
        m_pacer.StartLine(m_next, m_end, m_lines.OffsetOf(m_next));
        return true;
    }

    // The next field of the line, as SplitCsvFields gives it.
    std::string_view TakeField() {
        if (m_fields == kMaxFields) {
            TooManyFields();
        }
        ++m_fields;
        if (!m_quoted) {
            return TakeUnquoted();
        }
        std::string_view rest(m_next, static_cast<std::size_t>(m_end - m_next));
        const std::optional<CsvField> field = TakeCsvField(rest);
        if (!field) {
            throw Fault(FaultKind::InvalidArgument,
                        "the field opens with a double quote that is never closed; a quoted field "
                        "must end with a second double quote",
                        Place(m_fields));
        }
        m_more = field->followed;
        m_next = m_more ? rest.data() : m_end;
        m_pacer.At(m_next);
        return field->text;
    }

    // The next field as a number, stored in `value`.
    void TakeValue(float& value) {
        if (!m_quoted) [[likely]] {
            ++m_fields;
            const std::string_view field = TakeUnquoted();
            if (!QuickSingleFromField(field.data(), field.data() + field.size(), m_end, value))
                [[unlikely]] {
                value = Convert(field, m_fields);
            }
            return;
        }
        const int column = m_fields + 1;
        const std::string_view field = TakeField();
        if (!QuickSingleFromField(field, value)) {
            value = Convert(field, column);
        }
    }

    // The next fields as numbers, into `row` until it is full or the line ends; gives how many.
    // The loader's innermost loop: the walk through a line without quotes is kept in locals.
    int TakeValues(std::span<float> row) {
        const int count = static_cast<int>(row.size());
        int taken = 0;
        if (m_quoted) {
            while (m_more && taken < count) {
                TakeValue(row[static_cast<std::size_t>(taken++)]);
            }
            return taken;
        }
        const char* next = m_next;
        const char* const end = m_end;
        bool more = m_more;
        int fields = m_fields;
        while (more && taken < count) {
            const char* const start = next;
            const char* const stop = m_commas.Next();
            float& value = row[static_cast<std::size_t>(taken++)];
            ++fields;
            more = stop != end;
            next = more ? stop + 1 : stop;
            m_pacer.At(next);
            if (!QuickSingleFromField(start, stop, end, value)) [[unlikely]] {
                m_next = next;
                m_more = more;
                m_fields = fields;
                value = Convert({start, static_cast<std::size_t>(stop - start)}, fields);
            }
        }
        m_next = next;
        m_more = more;
        m_fields = fields;
        return taken;
    }

    // The next field of a line without quotes: up to the next comma.
    std::string_view TakeUnquoted() {
        const char* const start = m_next;
        const char* const stop = m_commas.Next();
        m_more = stop != m_end;
        m_next = m_more ? stop + 1 : stop;
        m_pacer.At(m_next);
        return {start, static_cast<std::size_t>(stop - start)};
    }

    // Field `column` (counted from 1), already taken, as a number.
    float Convert(std::string_view field, int column) {
        const FieldNumber number = SingleFromField(field);
        if (number.status == FieldNumberStatus::Converted) {
            return number.value;
        }
        // A whole-line split would have met a broken quote or too many fields later in the line
        // before any number was converted; so is it reported here too.
        FinishLine();
        std::string cause;
        if (number.status == FieldNumberStatus::OutOfRange) {
            cause = Quoted(field);
            cause.append(" is too large: the numbers of a curve file lie between -3.4E38 and "
                         "3.4E38");
        } else if (field.find_first_not_of(" \t") == std::string_view::npos) {
            cause = field.empty() ? "the field is empty" : "the field holds only blanks";
        } else {
            cause = Quoted(field);
            cause.append(field.find('\0') != std::string_view::npos
                             ? " holds a NUL byte, not a number"
                             : " is not a number");
        }
        cause.append("; ");
        cause.append(Expected(m_role, column));
        throw Fault(number.status == FieldNumberStatus::OutOfRange ? FaultKind::Overflow
                                                                   : FaultKind::TypeMismatch,
                    cause, Place(column));
    }

    // Takes the rest of the line's fields unread: a quote that is never closed, or more fields
    // than a line may hold, is still a fault.
    void FinishLine() {
        while (m_more) {
            TakeField();
        }
    }

    [[noreturn]] void TooManyFields() const {
        if (m_role == LineRole::AnodeVoltages) {
            throw Fault(FaultKind::Overflow,
                        "the anode-voltage line has more than " + Count(kMaxAxisEntries) +
                            " anode voltages; at most " + Count(kMaxAxisEntries) + " are allowed",
                        Place());
        }
        throw Fault(FaultKind::Overflow,
                    "the line has more than " + Count(kMaxFields) +
                        " fields; a line holds at most a label and " + Count(kMaxAxisEntries) +
                        " values",
                    Place());
    }

    // The current line, or a column of it (counted from 1; 0 for the whole line).
    FilePlace Place(int column = 0) const { return {m_fileName, m_lines.lineNumber(), column}; }

    std::string m_fileName;
    ProgressPacer m_pacer;
    LineSource m_lines;
    MemoryGuard& m_memory;
    // The current line: the fields not yet taken start at m_next; m_more tells whether one is left.
    const char* m_next = nullptr;
    const char* m_end = nullptr;
    bool m_more = false;
    bool m_quoted = false;
    LineCommas m_commas;
    int m_fields = 0; // taken so far
    LineRole m_role = LineRole::Header;
};

[[noreturn]] void ChangedWhileRead(const std::string& path) {
    throw Fault(FaultKind::FileOpen,
                "changed while it was read (its size, time or identity is not what it was when "
                "it was opened), so nothing was loaded; open it again once it is saved",
                FilePlace{path});
}

LoadedCurveFile Load(const std::string& path, const ProgressCallback& progress,
                     std::optional<std::uint64_t> memoryLimit) {
    // The table is built apart and handed back only when complete: a load that stops on a fault
    // leaves nothing behind.
    RegularFile file(path);
    MemoryGuard memory(memoryLimit);
    CurveFileParser parser(file, BaseName(path), progress, memory);
    try {
        LoadedCurveFile loaded = parser.Parse();
        if (file.ChangedSinceOpened()) {
            ChangedWhileRead(path);
        }
        return loaded;
    } catch (const Fault&) {
        // A file rewritten under the reader is reported as that, not as the odd line it left.
        if (file.ChangedSinceOpened()) {
            ChangedWhileRead(path);
        }
        throw;
    }
}

} // namespace

LoadedCurveFile LoadCurveFile(const std::string& path, const ProgressCallback& progress) {
    return Load(path, progress, std::nullopt);
}

LoadedCurveFile LoadCurveFile(const std::string& path, const ProgressCallback& progress,
                              std::uint64_t memoryLimit) {
    return Load(path, progress, memoryLimit);
}

} // namespace tetrode
