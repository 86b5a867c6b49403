// SPDX-License-Identifier: MIT
// The two number readings on arbitrary texts, each against the C library's correctly rounded
// conversion of the part of the text that its rule takes.
//   NumberFromText: a finite double, the overflow fault or a refusal (invalid argument); blanks
//   anywhere and a unit after the number change nothing; a decimal number reads as strtod reads
//   it, and is refused exactly when no number starts the text or a digit or a multiplier follows.
//   SingleFromField: Converted exactly when the whole field is a decimal number within blanks,
//   with the value strtof gives; OutOfRange exactly when strtof overflows.
//   QuickSingleFromField: converts nothing that SingleFromField does not convert to the same bits,
//   whether it may read past the field's end or not.
#include "fuzz/fuzz_contract.h"
#include "platform/field_number.h"
#include "platform/number_text.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace {

using tetrode::FaultKind;
using tetrode::fuzz::Violation;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipDigits(std::string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at])) {
        ++at;
    }
    return at;
}

// What NumberFromText gives: a value, or the kind of its fault.
struct Typed {
    std::optional<double> value;
    std::optional<FaultKind> fault;
    friend bool operator==(const Typed&, const Typed&) = default;
};

Typed ReadTyped(std::string_view text, std::string_view separator) {
    Typed typed;
    try {
        typed.value = tetrode::NumberFromText(text, separator);
        tetrode::fuzz::ExpectFinite(*typed.value, "NumberFromText");
    } catch (const tetrode::Fault& fault) {
        if (fault.kind() != FaultKind::Overflow && fault.kind() != FaultKind::InvalidArgument) {
            Violation("NumberFromText", "a fault of another kind");
        }
        typed.fault = fault.kind();
    }
    return typed;
}

// The leading decimal number of a text that holds no blanks, in strtod's notation (a full stop
// for either decimal point, the D of an exponent as E), and where it ends; empty when the text
// starts with none.
std::pair<std::string, std::size_t> LeadingDecimal(std::string_view text,
                                                   std::string_view separator) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        ++at;
    }
    const std::size_t integerEnd = SkipDigits(text, at);
    std::string number(text.substr(0, integerEnd));
    std::size_t end = integerEnd;
    const std::string_view rest = text.substr(integerEnd);
    const std::size_t point = rest.starts_with('.')                               ? 1
                              : !separator.empty() && rest.starts_with(separator) ? separator.size()
                                                                                  : 0;
    if (point > 0) {
        end = SkipDigits(text, integerEnd + point);
        number += '.';
        number += text.substr(integerEnd + point, end - integerEnd - point);
    }
    if (integerEnd == at && end - integerEnd <= point) {
        return {}; // no digit at all
    }
    if (end < text.size() &&
        (text[end] == 'E' || text[end] == 'e' || text[end] == 'D' || text[end] == 'd')) {
        std::size_t exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        const std::size_t exponentEnd = SkipDigits(text, exponent);
        if (exponentEnd > exponent) {
            number += 'E';
            number += text.substr(end + 1, exponentEnd - end - 1);
            end = exponentEnd;
        }
    }
    return {number, end};
}

void CheckNumberFromText(std::string_view text, std::string_view separator) {
    const Typed typed = ReadTyped(text, separator);

    std::string withoutBlanks;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') {
            withoutBlanks += c;
        }
    }
    if (!(ReadTyped(withoutBlanks, separator) == typed)) {
        Violation("NumberFromText", "blanks changed the reading");
    }
    if (withoutBlanks.empty()) {
        if (typed.value != 0.0) {
            Violation("NumberFromText", "an empty text did not read 0");
        }
        return;
    }
    if (!(ReadTyped(std::string(text) + "V", separator) == typed)) {
        Violation("NumberFromText", "a unit after the text changed the reading");
    }
    if (withoutBlanks.starts_with('&')) {
        return; // &H and &O integers: their range is the reader's own choice
    }
    const auto [decimal, end] = LeadingDecimal(withoutBlanks, separator);
    const std::string_view after = std::string_view(withoutBlanks).substr(end);
    const bool refused = decimal.empty() ||
                         after.find_first_of("0123456789") != std::string_view::npos ||
                         (!after.empty() &&
                          std::string_view("pnumkKMGT").find(after[0]) != std::string_view::npos) ||
                         after.starts_with("\u00b5") || after.starts_with("\u03bc");
    if (refused != (typed.fault == FaultKind::InvalidArgument)) {
        Violation("NumberFromText",
                  refused ? "a text that must be refused was read" : "a plain number was refused");
    }
    if (refused) {
        return;
    }
    const double expected = std::strtod(decimal.c_str(), nullptr);
    const bool overflows = std::isinf(expected);
    if (overflows != (typed.fault == FaultKind::Overflow) ||
        (typed.value && *typed.value != expected)) {
        Violation("NumberFromText", "\"" + decimal + "\" did not read as strtod reads it");
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The field without its surrounding blanks when it is a decimal number by the strict rule:
// [+|-] (digits [. [digits]] | . digits) [(E|e) [+|-] digits]; empty otherwise.
std::string StrictDecimal(std::string_view field) {
    while (!field.empty() && IsBlank(field.front())) {
        field.remove_prefix(1);
    }
    while (!field.empty() && IsBlank(field.back())) {
        field.remove_suffix(1);
    }
    std::size_t at = 0;
    if (at < field.size() && (field[at] == '+' || field[at] == '-')) {
        ++at;
    }
    const std::size_t integerEnd = SkipDigits(field, at);
    std::size_t end = integerEnd;
    if (end < field.size() && field[end] == '.') {
        end = SkipDigits(field, end + 1);
    }
    if (end - at == (end > integerEnd ? 1U : 0U)) {
        return {};
    }
    if (end < field.size() && (field[end] == 'E' || field[end] == 'e')) {
        std::size_t exponent = end + 1;
        if (exponent < field.size() && (field[exponent] == '+' || field[exponent] == '-')) {
            ++exponent;
        }
        end = SkipDigits(field, exponent);
        if (end == exponent) {
            return {};
        }
    }
    return end == field.size() ? std::string(field) : std::string();
}

void CheckQuickRoute(std::string_view field, const tetrode::FieldNumber& strict) {
    const std::string line = std::string(field) + ",12345678";
    float alone = 0.0F;
    float inLine = 0.0F;
    const bool quick = tetrode::QuickSingleFromField(field, alone);
    const bool quickInLine = tetrode::QuickSingleFromField(line.data(), line.data() + field.size(),
                                                           line.data() + line.size(), inLine);
    if (quick != quickInLine) {
        Violation("QuickSingleFromField", "reading past the field changed the answer");
    }
    if (quick &&
        (strict.status != tetrode::FieldNumberStatus::Converted ||
         std::bit_cast<std::uint32_t>(alone) != std::bit_cast<std::uint32_t>(strict.value) ||
         std::bit_cast<std::uint32_t>(inLine) != std::bit_cast<std::uint32_t>(strict.value))) {
        Violation("QuickSingleFromField",
                  "\"" + std::string(field) + "\" differs from SingleFromField");
    }
}

void CheckSingleFromField(std::string_view field) {
    tetrode::FieldNumber number;
    tetrode::fuzz::RunWithin({}, "SingleFromField",
                             [&] { number = tetrode::SingleFromField(field); });
    // The quick route stops at a comma, as a field of a line ends there.
    CheckQuickRoute(field.substr(0, field.find(',')),
                    tetrode::SingleFromField(field.substr(0, field.find(','))));
    const std::string decimal = StrictDecimal(field);
    if (decimal.empty()) {
        if (number.status != tetrode::FieldNumberStatus::NotANumber) {
            Violation("SingleFromField", "a field that is no number was converted");
        }
        return;
    }
    const float expected = std::strtof(decimal.c_str(), nullptr);
    if (std::isinf(expected)) {
        if (number.status != tetrode::FieldNumberStatus::OutOfRange) {
            Violation("SingleFromField", "\"" + decimal + "\" beyond the single range");
        }
        return;
    }
    if (number.status != tetrode::FieldNumberStatus::Converted || number.value != expected ||
        std::signbit(number.value) != std::signbit(expected)) {
        Violation("SingleFromField", "\"" + decimal + "\" did not convert as strtof converts it");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckNumberFromText(text, text.size() % 2 == 0 ? "." : ",");
    CheckSingleFromField(text);
    return 0;
}
