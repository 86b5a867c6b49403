// SPDX-License-Identifier: MIT
#include "import/digitizer_export.h"

#include "import/decimal_text.h"
#include "platform/text_file.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace tetrode {
namespace {

// A digitizer export of a traced chart is a few hundred kilobytes; a larger file is something
// else, and reading it would hold its points in memory several times over.
constexpr std::uintmax_t kMaxFileBytes = 16U << 20;

// No chart has this many curves; a line of more fields is no export, and its series would cost
// memory out of all proportion to the file.
constexpr std::size_t kMaxFields = 4096;

// ---- Text ----------------------------------------------------------------------------------

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (!IsContinuation(byte)) {
                return false;
            }
            code = (code << 6) | (byte & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode are no UTF-8.
        static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
            return false;
        }
        i += length;
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Engauge on Windows writes its names in the ANSI code page; the bytes that are not Latin-1 are
// these (the five it leaves undefined keep their own code).
std::string Windows1252ToUtf8(std::string_view text) {
    static constexpr std::array<std::uint16_t, 32> kHigh = {
        0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021, 0x2C6,  0x2030, 0x160,
        0x2039, 0x152,  0x8D,   0x17D,  0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte);
    }
    return out;
}

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string_view DelimiterWords(char delimiter) {
    switch (delimiter) {
    case '\t':
        return "tabs";
    case ';':
        return "semicolons";
    case ',':
        return "commas";
    default:
        return "spaces";
    }
}

// ---- Lines and fields ------------------------------------------------------------------------

// A line as a piece of the file's text: a file of many short lines is held in little memory.
struct Line {
    std::uint32_t begin = 0;
    std::uint32_t length = 0;
    int number = 0; // counted from 1
};

// Runs of non-empty lines; any run of empty (or blank) lines separates two blocks.
using Block = std::vector<Line>;

std::vector<Block> SplitBlocks(std::string_view text) {
    std::vector<Block> blocks;
    bool inBlock = false;
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        ++number;
        if (IsBlank(line)) {
            inBlock = false;
        } else {
            if (!inBlock) {
                blocks.emplace_back();
                inBlock = true;
            }
            blocks.back().push_back({static_cast<std::uint32_t>(start),
                                     static_cast<std::uint32_t>(line.size()), number});
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return blocks;
}

struct Field {
    std::string_view text;
    bool quoted = false;
    int column = 0; // counted from 1
};

// Blanks around a field are no part of it, except the delimiter itself.
bool IsPadding(char c, char delimiter) {
    return (c == ' ' || c == '\t') && c != delimiter;
}

enum class SplitStatus { Split, BadQuote, TooManyFields };

// Splits `line` at every `delimiter` outside double quotes into `fields`. A quoted field runs to
// the next double quote (digitizers never double one), and only blanks may follow it. On a bad
// quote the last field of `fields` is the one at fault.
SplitStatus SplitFields(std::string_view line, char delimiter, std::vector<Field>& fields) {
    fields.clear();
    std::size_t pos = 0;
    for (int column = 1;; ++column) {
        if (fields.size() == kMaxFields) {
            return SplitStatus::TooManyFields;
        }
        while (pos < line.size() && IsPadding(line[pos], delimiter)) {
            ++pos;
        }
        Field field{{}, false, column};
        std::size_t next = std::string_view::npos;
        if (pos < line.size() && line[pos] == '"') {
            const std::size_t close = line.find('"', pos + 1);
            field.quoted = true;
            fields.push_back(field);
            if (close == std::string_view::npos) {
                return SplitStatus::BadQuote;
            }
            fields.back().text = line.substr(pos + 1, close - pos - 1);
            std::size_t after = close + 1;
            while (after < line.size() && IsPadding(line[after], delimiter)) {
                ++after;
            }
            if (after < line.size() && line[after] != delimiter) {
                return SplitStatus::BadQuote;
            }
            next = after < line.size() ? after : std::string_view::npos;
        } else {
            next = line.find(delimiter, pos);
            std::string_view text = line.substr(
                pos, next == std::string_view::npos ? std::string_view::npos : next - pos);
            while (!text.empty() && IsPadding(text.back(), delimiter)) {
                text.remove_suffix(1);
            }
            field.text = text;
            fields.push_back(field);
        }
        if (next == std::string_view::npos) {
            return SplitStatus::Split;
        }
        pos = next + 1;
    }
}

// ---- Names -----------------------------------------------------------------------------------

struct FamilyPrefix {
    std::string_view prefix; // lower case
    CurrentFamily family;
};

constexpr std::array<FamilyPrefix, 9> kPrefixes{{
    {"anode", CurrentFamily::Anode},
    {"plate", CurrentFamily::Anode},
    {"ia", CurrentFamily::Anode},
    {"screen", CurrentFamily::Screen},
    {"ig2", CurrentFamily::Screen},
    {"is", CurrentFamily::Screen},
    {"grid", CurrentFamily::Grid},
    {"ig1", CurrentFamily::Grid},
    {"ig", CurrentFamily::Grid},
}};

struct NameReading {
    std::optional<CurrentFamily> family;
    double amperes = 0.0;
};

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "2", "2A", "2 A", "500mA", "0,5 a": amperes in single range and not negative. Underscores stand
// for the decimal mark where `underscoreIsMark` (a name made from a file name by WebPlotDigitizer,
// which writes "Ia 0_5A.csv" for "Ia 0,5A").
std::optional<double> ReadCurrent(std::string_view text, bool underscoreIsMark) {
    text = TrimBlanks(text);
    const Decimal number = ReadDecimalStart(text, underscoreIsMark ? ".,_" : ".,", false);
    if (number.status != DecimalStatus::Number) {
        return std::nullopt;
    }
    const std::string_view unit = TrimBlanks(text.substr(number.length));
    if (EqualsIgnoringCase(unit, "ma")) {
        return number.value / 1000.0;
    }
    if (unit.empty() || EqualsIgnoringCase(unit, "a")) {
        return number.value;
    }
    return std::nullopt;
}

// Every reading of `name`: without a prefix, and after each family prefix that starts it (as a
// word of its own or before a digit). More than one means the name is ambiguous ("Ig210mA").
std::vector<NameReading> ReadName(std::string_view name, bool underscoreIsMark) {
    std::vector<NameReading> readings;
    name = TrimBlanks(name);
    if (const auto amperes = ReadCurrent(name, underscoreIsMark)) {
        readings.push_back({std::nullopt, *amperes});
    }
    for (const FamilyPrefix& prefix : kPrefixes) {
        if (name.size() < prefix.prefix.size() ||
            !EqualsIgnoringCase(name.substr(0, prefix.prefix.size()), prefix.prefix)) {
            continue;
        }
        std::string_view rest = name.substr(prefix.prefix.size());
        if (!rest.empty() && IsAsciiLetter(rest.front())) {
            continue;
        }
        const auto skipSeparators = [&] {
            while (!rest.empty() &&
                   std::string_view(" \t_:=").find(rest.front()) != std::string_view::npos) {
                rest.remove_prefix(1);
            }
        };
        skipSeparators();
        if (rest.size() > 7 && EqualsIgnoringCase(rest.substr(0, 7), "current") &&
            !IsAsciiLetter(rest[7])) {
            rest.remove_prefix(7);
            skipSeparators();
        }
        if (const auto amperes = ReadCurrent(rest, underscoreIsMark)) {
            readings.push_back({prefix.family, *amperes});
        }
    }
    return readings;
}

std::string FamilyWords(std::optional<CurrentFamily> family) {
    return family ? std::string(CurrentFamilyName(*family)) : "anode current (no prefix)";
}

// ---- The reader ------------------------------------------------------------------------------

class ExportReader {
  public:
    ExportReader(std::string_view bytes, const std::string& fileName,
                 std::optional<CurrentFamily> family)
        : m_fileName(fileName), m_family(family) {
        if (bytes.starts_with("\xEF\xBB\xBF")) {
            bytes.remove_prefix(3);
        }
        m_text = IsValidUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
    }

    DigitizerExport Read() {
        const std::string_view text = m_text;
        const std::size_t first = text.find_first_not_of(" \t\r\n");
        if (first != std::string_view::npos && text[first] == '{') {
            const auto line =
                std::count(text.begin(), text.begin() + static_cast<long>(first), '\n');
            throw Fault(FaultKind::InvalidArgument,
                        "a WebPlotDigitizer project (JSON) is not read; export the data as CSV "
                        "(Datasets, Export All Data) instead",
                        Place(static_cast<int>(line) + 1));
        }
        if (m_text.size() > UINT32_MAX) {
            throw Fault(FaultKind::InvalidArgument, "the file is too large for an export",
                        Place(0));
        }
        m_blocks = SplitBlocks(text);
        if (m_blocks.empty()) {
            throw Fault(FaultKind::InvalidArgument,
                        "the file is empty: a digitizer export of traced curves was expected",
                        Place(0));
        }
        for (Block& block : m_blocks) {
            // Engauge's "Gnuplot" header is the plain one behind "# ".
            Line& header = block.front();
            if (Text(header).starts_with('#')) {
                const std::uint32_t prefix = Text(header).starts_with("# ") ? 2 : 1;
                header.begin += prefix;
                header.length -= prefix;
            }
        }
        m_delimiter = ChooseDelimiter();
        for (const Block& block : m_blocks) {
            ReadBlock(block);
        }
        for (const TracedSeries& series : m_result.series) {
            if (series.points.size() < 2) {
                throw Fault(FaultKind::InvalidArgument,
                            "the series " + Quoted(series.name) + " has " +
                                std::to_string(series.points.size()) +
                                (series.points.size() == 1 ? " point" : " points") +
                                ": a traced curve needs two at least",
                            series.place);
            }
        }
        return std::move(m_result);
    }

  private:
    FilePlace Place(int line, int column = 0) const { return {m_fileName, line, column}; }

    std::string_view Text(const Line& line) const {
        return std::string_view(m_text).substr(line.begin, line.length);
    }

    // A line by its block and its place in the block.
    struct LineIndex {
        std::size_t block = 0;
        std::size_t line = 0;
    };

    // The first of tab, semicolon, comma and space that splits a block's first line in two or
    // more and every block's lines like its header. Engauge's space delimiter leaves names such as
    // "Ia 2A" unprotected, so a file whose lines disagree is reported rather than guessed at.
    char ChooseDelimiter() {
        std::vector<Field> fields;
        const Line& firstLine = m_blocks.front().front();
        std::optional<char> likeliest;
        for (const char delimiter : {'\t', ';', ',', ' '}) {
            const bool splitsAHeader = std::ranges::any_of(m_blocks, [&](const Block& block) {
                const SplitStatus status = SplitFields(Text(block.front()), delimiter, fields);
                return status == SplitStatus::TooManyFields ||
                       (status == SplitStatus::Split && fields.size() >= 2);
            });
            if (!splitsAHeader) {
                continue;
            }
            likeliest = likeliest.value_or(delimiter);
            if (!FirstDisagreement(delimiter)) {
                return delimiter;
            }
        }
        if (!likeliest) {
            throw Fault(FaultKind::SubscriptOutOfRange,
                        "expected fields separated by tabs, semicolons or commas, as a digitizer "
                        "exports its curves",
                        Place(firstLine.number));
        }
        // Split again with the likeliest delimiter for what is wrong with it.
        const LineIndex at = *FirstDisagreement(*likeliest);
        const Line& line = m_blocks[at.block][at.line];
        const SplitStatus status = SplitFields(Text(line), *likeliest, fields);
        ThrowIfSplitFailed(status, line, fields);
        const Line& header = m_blocks[at.block].front();
        std::vector<Field> headerFields;
        SplitFields(Text(header), *likeliest, headerFields);
        throw Fault(FaultKind::SubscriptOutOfRange,
                    "the line has " + std::to_string(fields.size()) +
                        (fields.size() == 1 ? " field" : " fields") + " separated by " +
                        std::string(DelimiterWords(*likeliest)) + " where line " +
                        std::to_string(header.number) + " above it has " +
                        std::to_string(headerFields.size()) +
                        " (a name holding the separator, or a decimal comma outside quotes?)",
                    Place(line.number));
    }

    // The first line that `delimiter` splits badly or into another count than its block's header.
    std::optional<LineIndex> FirstDisagreement(char delimiter) const {
        std::vector<Field> fields;
        for (std::size_t b = 0; b < m_blocks.size(); ++b) {
            std::size_t count = 0;
            for (std::size_t l = 0; l < m_blocks[b].size(); ++l) {
                if (SplitFields(Text(m_blocks[b][l]), delimiter, fields) != SplitStatus::Split) {
                    return LineIndex{b, l};
                }
                count = l == 0 ? fields.size() : count;
                if (fields.size() != count) {
                    return LineIndex{b, l};
                }
            }
        }
        return std::nullopt;
    }

    void ThrowIfSplitFailed(SplitStatus status, const Line& line,
                            const std::vector<Field>& fields) const {
        if (status == SplitStatus::BadQuote) {
            throw Fault(FaultKind::InvalidArgument,
                        "a double quote opens a field but no closing quote ends it before the "
                        "next separator",
                        Place(line.number, fields.back().column));
        }
        if (status == SplitStatus::TooManyFields) {
            throw Fault(FaultKind::Overflow,
                        "the line has more than " + std::to_string(kMaxFields) +
                            " fields, more than a chart has curves",
                        Place(line.number));
        }
    }

    std::vector<Field> Split(const Line& line) const {
        std::vector<Field> fields;
        ThrowIfSplitFailed(SplitFields(Text(line), m_delimiter, fields), line, fields);
        return fields;
    }

    // The decimal comma is read wherever it cannot be the separator.
    Decimal Number(const Field& field) const {
        return ReadDecimal(field.text, m_delimiter != ',' || field.quoted ? ".," : ".");
    }

    bool IsNumber(const Field& field) const {
        return Number(field).status == DecimalStatus::Number;
    }

    // A coordinate of a point; `what` names it for the user ("an anode voltage").
    float Coordinate(const Field& field, const Line& line, std::string_view what) const {
        const Decimal number = Number(field);
        if (number.status == DecimalStatus::OutOfRange) {
            throw Fault(FaultKind::Overflow,
                        Quoted(field.text) + " is a number too large for single precision",
                        Place(line.number, field.column));
        }
        if (number.status == DecimalStatus::NotANumber) {
            throw Fault(FaultKind::TypeMismatch,
                        Quoted(field.text) + " is not a number; " + std::string(what) +
                            " was expected",
                        Place(line.number, field.column));
        }
        return static_cast<float>(number.value);
    }

    // Adds the point of an (x, y) pair of fields to `points`; both empty is no point, one empty is
    // half of one.
    void AddPoint(std::vector<TracedPoint>& points, const Field& x, const Field& y,
                  const Line& line) const {
        if (x.text.empty() && y.text.empty()) {
            return;
        }
        if (x.text.empty() || y.text.empty()) {
            const Field& missing = x.text.empty() ? x : y;
            throw Fault(FaultKind::SubscriptOutOfRange,
                        std::string(x.text.empty() ? "an anode voltage" : "a grid voltage") +
                            " is missing beside " + Quoted(x.text.empty() ? y.text : x.text) +
                            "; a point needs both",
                        Place(line.number, missing.column));
        }
        points.push_back({Coordinate(x, line, "an anode voltage"),
                          Coordinate(y, line, "a grid voltage"), line.number});
    }

    void ReadBlock(const Block& block) {
        const std::vector<Field> header = Split(block.front());
        if (block.size() == 1 && !IsNumber(header.front())) {
            throw Fault(FaultKind::SubscriptOutOfRange,
                        "a header with no points under it; the traced points (anode voltage, grid "
                        "voltage) were expected on the lines below",
                        Place(block.front().number));
        }
        // Before the test for bare points: WebPlotDigitizer's first line may hold names that are
        // numbers ("2,,1,").
        if (block.size() >= 2 && IsXYLabels(Split(block[1]))) {
            ReadPairs(block, header, 0, 2);
        } else if (IsNumber(header.front())) {
            ReadBarePoints(block);
        } else if (IsRelationsHeader(header)) {
            ReadPairs(block, header, 1, 1);
        } else {
            ReadColumns(block, header);
        }
    }

    // WebPlotDigitizer's second line: "X,Y" for each dataset.
    static bool IsXYLabels(const std::vector<Field>& fields) {
        if (fields.size() % 2 != 0) {
            return false;
        }
        for (std::size_t k = 0; k < fields.size(); ++k) {
            if (!EqualsIgnoringCase(fields[k].text, k % 2 == 0 ? "x" : "y")) {
                return false;
            }
        }
        return true;
    }

    // Engauge's relations header: the x label before each name.
    static bool IsRelationsHeader(const std::vector<Field>& fields) {
        if (fields.size() < 4 || fields.size() % 2 != 0) {
            return false;
        }
        for (std::size_t k = 2; k < fields.size(); k += 2) {
            if (fields[k].text != fields[0].text) {
                return false;
            }
        }
        return true;
    }

    // One curve per column after the x column; a row's empty field is no point of that curve.
    void ReadColumns(const Block& block, const std::vector<Field>& header) {
        const Line& headerLine = block.front();
        const std::size_t curves = header.size() - 1;
        std::vector<std::vector<TracedPoint>> points(curves);
        bool everyCellFilled = true;
        for (auto line = block.begin() + 1; line != block.end(); ++line) {
            const std::vector<Field> fields = Split(*line);
            if (!fields.front().text.empty()) {
                Coordinate(fields.front(), *line, "an anode voltage");
            }
            for (std::size_t k = 1; k < fields.size(); ++k) {
                everyCellFilled = everyCellFilled && !fields[k].text.empty();
                if (!fields[k].text.empty()) {
                    AddPoint(points[k - 1], fields.front(), fields[k], *line);
                }
            }
        }
        for (std::size_t k = 0; k < curves; ++k) {
            AddSeries(header[k + 1], headerLine, std::move(points[k]));
        }
        // Engauge's default export interpolates (and extrapolates) every curve at every x.
        if (curves >= 2 && block.size() >= 4 && everyCellFilled) {
            m_result.notes.push_back(
                {Place(headerLine.number),
                 "every curve has a point on every line, as in an export that interpolates; "
                 "values beyond the traced ends may have been extrapolated (export Raw Xs and "
                 "Ys)"});
        }
    }

    // One curve per pair of columns, named by the field of the header at `nameOffset` in its
    // pair; the points start at line `firstRow` of the block.
    void ReadPairs(const Block& block, const std::vector<Field>& header, std::size_t nameOffset,
                   std::size_t firstRow) {
        const std::size_t curves = header.size() / 2;
        std::vector<std::vector<TracedPoint>> points(curves);
        for (std::size_t row = firstRow; row < block.size(); ++row) {
            const std::vector<Field> fields = Split(block[row]);
            for (std::size_t k = 0; k < curves; ++k) {
                AddPoint(points[k], fields[2 * k], fields[2 * k + 1], block[row]);
            }
        }
        for (std::size_t k = 0; k < curves; ++k) {
            AddSeries(header[2 * k + nameOffset], block.front(), std::move(points[k]));
        }
    }

    // Points without a header: one curve named after the file.
    void ReadBarePoints(const Block& block) {
        if (m_blocks.size() > 1) {
            throw Fault(FaultKind::InvalidArgument,
                        "points without a header line naming their curve; only a file of one "
                        "curve may go without one (it is named after the file)",
                        Place(block.front().number));
        }
        std::vector<TracedPoint> points;
        bool extraColumns = false;
        for (const Line& line : block) {
            const std::vector<Field> fields = Split(line);
            AddPoint(points, fields[0], fields[1], line);
            extraColumns = extraColumns || std::ranges::any_of(fields.begin() + 2, fields.end(),
                                                               [](const Field& field) {
                                                                   return !field.text.empty();
                                                               });
        }
        if (extraColumns) {
            m_result.notes.push_back(
                {Place(block.front().number),
                 "only the first two columns are read; export with a header to read more than one "
                 "curve"});
        }
        const std::string stem = std::filesystem::path(m_fileName).stem().string();
        AddSeries(stem, FilePlace{m_fileName, 0, 0}, std::move(points), true);
    }

    void AddSeries(const Field& name, const Line& headerLine, std::vector<TracedPoint> points) {
        // A trailing separator gives a column with neither name nor points.
        if (name.text.empty() && points.empty()) {
            return;
        }
        AddSeries(std::string(name.text), Place(headerLine.number, name.column), std::move(points),
                  false);
    }

    void AddSeries(std::string name, FilePlace place, std::vector<TracedPoint> points,
                   bool namedAfterFile) {
        const std::vector<NameReading> readings = ReadName(name, namedAfterFile);
        if (readings.empty()) {
            throw Fault(FaultKind::InvalidArgument,
                        "the series " + Quoted(name) +
                            " names no current; expected amperes with an optional unit A or mA "
                            "and family prefix, such as \"2\", \"Ia 2 A\", \"Is 500mA\" or "
                            "\"Ig 0.1A\"",
                        std::move(place));
        }
        if (readings.size() > 1) {
            throw Fault(FaultKind::InvalidArgument,
                        "the series " + Quoted(name) + " reads as " +
                            FamilyWords(readings[0].family) + " or as " +
                            FamilyWords(readings[1].family) +
                            "; put a blank between the prefix and the current",
                        std::move(place));
        }
        const NameReading& reading = readings.front();
        if (m_family && reading.family && *reading.family != *m_family) {
            throw Fault(FaultKind::InvalidArgument,
                        "the series " + Quoted(name) + " is named as a curve of " +
                            FamilyWords(reading.family) + ", but the file was given as " +
                            FamilyWords(m_family),
                        std::move(place));
        }
        TracedSeries series;
        series.family = reading.family.value_or(m_family.value_or(CurrentFamily::Anode));
        series.current = static_cast<float>(reading.amperes);
        series.name = std::move(name);
        series.place = std::move(place);
        series.points = std::move(points);
        m_result.series.push_back(std::move(series));
    }

    std::string m_text;
    std::string m_fileName;
    std::optional<CurrentFamily> m_family;
    std::vector<Block> m_blocks;
    char m_delimiter = ',';
    DigitizerExport m_result;
};

} // namespace

std::string_view CurrentFamilyName(CurrentFamily family) {
    switch (family) {
    case CurrentFamily::Anode:
        return "anode current";
    case CurrentFamily::Screen:
        return "screen current";
    case CurrentFamily::Grid:
        return "grid current";
    }
    return "current";
}

std::string ImportNoteMessage(const ImportNote& note) {
    return FaultMessage(Fault(FaultKind::InvalidArgument, note.text, note.place));
}

DigitizerExport ReadDigitizerExport(std::string_view bytes, const std::string& fileName,
                                    std::optional<CurrentFamily> family) {
    return ExportReader(bytes, fileName, family).Read();
}

DigitizerExport ReadDigitizerExportFile(const std::string& path,
                                        std::optional<CurrentFamily> family) {
    const std::string fileName = std::filesystem::path(path).filename().string();
    // A pipe or a device could block the reader or never end; only a file's bytes are an export.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw Fault(FaultKind::FileOpen, "cannot be opened: it is not a regular file",
                    FilePlace{path});
    }
    TextFile file(path);
    if (file.size() > kMaxFileBytes) {
        throw Fault(FaultKind::InvalidArgument,
                    "the file is larger than " + std::to_string(kMaxFileBytes >> 20) +
                        " MiB, far beyond a digitizer export of a chart",
                    FilePlace{fileName});
    }
    std::string bytes;
    for (std::string_view block = file.Buffered(); !block.empty(); block = file.Buffered()) {
        if (bytes.size() + block.size() > kMaxFileBytes) {
            throw Fault(FaultKind::InvalidArgument,
                        "the file grew beyond " + std::to_string(kMaxFileBytes >> 20) +
                            " MiB while it was read",
                        FilePlace{fileName});
        }
        bytes.append(block);
        file.Consume(block.size());
    }
    return ReadDigitizerExport(bytes, fileName, family);
}

} // namespace tetrode
