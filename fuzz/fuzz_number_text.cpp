// SPDX-License-Identifier: MIT
// The two number readings on arbitrary texts, each against the C library's correctly rounded
// conversion of the part of the text that its rule takes.
//   NumberFromText: a finite double or the overflow fault; blanks anywhere and anything after a
//   comma change nothing; a plain decimal prefix reads as strtod reads it.
//   SingleFromField: Converted exactly when the whole field is a decimal number within blanks,
//   with the value strtof gives; OutOfRange exactly when strtof overflows.
#include "fuzz/fuzz_contract.h"
#include "platform/field_number.h"
#include "platform/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

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

// The value NumberFromText gives, or nothing for the overflow fault.
std::optional<double> ReadTyped(std::string_view text) {
    double value = 0.0;
    const bool read = tetrode::fuzz::RunWithin({FaultKind::Overflow}, "NumberFromText",
                                               [&] { value = tetrode::NumberFromText(text); });
    if (!read) {
        return std::nullopt;
    }
    tetrode::fuzz::ExpectFinite(value, "NumberFromText");
    return value;
}

// The leading decimal number of a text that holds no blanks, in strtod's notation (the D of an
// exponent as E); empty when the text starts with none.
std::string LeadingDecimal(std::string_view text) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        ++at;
    }
    const std::size_t integerEnd = SkipDigits(text, at);
    std::size_t end = integerEnd;
    if (end < text.size() && text[end] == '.') {
        end = SkipDigits(text, end + 1);
    }
    if (end - at == (end > integerEnd ? 1U : 0U)) {
        return {}; // no digit at all
    }
    std::string number(text.substr(0, end));
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
        }
    }
    return number;
}

void CheckNumberFromText(std::string_view text) {
    const std::optional<double> value = ReadTyped(text);

    std::string withoutBlanks;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') {
            withoutBlanks += c;
        }
    }
    if (ReadTyped(withoutBlanks) != value) {
        Violation("NumberFromText", "blanks changed the value");
    }
    if (ReadTyped(std::string(text) + ",9") != value) {
        Violation("NumberFromText", "text after a comma changed the value");
    }

    if (withoutBlanks.starts_with('&')) {
        return; // &H and &O integers: their range is the reader's own choice
    }
    const std::string decimal = LeadingDecimal(withoutBlanks);
    if (decimal.empty()) {
        if (value != 0.0) {
            Violation("NumberFromText", "a text without a leading number did not read 0");
        }
        return;
    }
    errno = 0;
    const double expected = std::strtod(decimal.c_str(), nullptr);
    const bool overflows = std::isinf(expected);
    if (overflows != !value.has_value() || (value && *value != expected)) {
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

void CheckSingleFromField(std::string_view field) {
    tetrode::FieldNumber number;
    tetrode::fuzz::RunWithin({}, "SingleFromField",
                             [&] { number = tetrode::SingleFromField(field); });
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
    CheckNumberFromText(text);
    CheckSingleFromField(text);
    return 0;
}
