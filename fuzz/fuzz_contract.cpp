// SPDX-License-Identifier: MIT
#include "fuzz/fuzz_contract.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tetrode::fuzz {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Consumes an optional minus sign.
bool TakeMinus(std::string_view& text) {
    if (!text.empty() && text.front() == '-') {
        text.remove_prefix(1);
        return true;
    }
    return false;
}

// Consumes integer digits without a leading zero (a lone 0 is allowed); false when there are none.
bool TakeInteger(std::string_view& text) {
    std::size_t count = 0;
    while (count < text.size() && IsDigit(text[count])) {
        ++count;
    }
    if (count == 0 || (count > 1 && text.front() == '0')) {
        return false;
    }
    text.remove_prefix(count);
    return true;
}

bool TakeSeparator(std::string_view& text, std::string_view separator) {
    if (text.substr(0, separator.size()) != separator) {
        return false;
    }
    text.remove_prefix(separator.size());
    return true;
}

// Consumes fraction digits that do not end in 0; false when there are none.
bool TakeTrimmedFraction(std::string_view& text) {
    std::size_t count = 0;
    while (count < text.size() && IsDigit(text[count])) {
        ++count;
    }
    if (count == 0 || text[count - 1] == '0') {
        return false;
    }
    text.remove_prefix(count);
    return true;
}

bool IsZeroText(std::string_view digits) {
    return digits.find_first_not_of("0") == std::string_view::npos;
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

} // namespace

void Violation(std::string_view what, std::string_view detail) {
    std::fprintf(stderr, "contract violated in %.*s: %.*s\n", static_cast<int>(what.size()),
                 what.data(), static_cast<int>(detail.size()), detail.data());
    std::abort();
}

void ExpectFinite(double value, std::string_view what) {
    if (!std::isfinite(value)) {
        Violation(what, "not finite: " + std::to_string(value));
    }
}

bool IsDisplayPatternText(std::string_view text, bool oneDecimal, std::string_view separator) {
    const bool negative = TakeMinus(text);
    const std::string_view integer = text;
    if (!TakeInteger(text)) {
        return false;
    }
    const std::string_view integerDigits = integer.substr(0, integer.size() - text.size());
    bool zero = IsZeroText(integerDigits);
    if (oneDecimal) {
        if (!TakeSeparator(text, separator) || text.size() != 1 || !IsDigit(text.front())) {
            return false;
        }
        zero = zero && text.front() == '0';
        text.remove_prefix(1);
    }
    return text.empty() && !(negative && zero);
}

bool IsGeneralSingleText(std::string_view text, std::string_view separator) {
    const bool negative = TakeMinus(text);
    const std::size_t exponentAt = text.find('E');
    if (exponentAt == std::string_view::npos) {
        const bool zero = text == "0";
        if (!TakeInteger(text)) {
            return false;
        }
        if (!text.empty() && (!TakeSeparator(text, separator) || !TakeTrimmedFraction(text))) {
            return false;
        }
        return text.empty() && !(negative && zero);
    }
    std::string_view mantissa = text.substr(0, exponentAt);
    std::string_view exponent = text.substr(exponentAt + 1);
    if (mantissa.empty() || mantissa.front() < '1' || mantissa.front() > '9') {
        return false;
    }
    mantissa.remove_prefix(1);
    if (!mantissa.empty() && (!TakeSeparator(mantissa, separator) ||
                              !TakeTrimmedFraction(mantissa) || !mantissa.empty())) {
        return false;
    }
    if (exponent.empty() || (exponent.front() != '+' && exponent.front() != '-')) {
        return false;
    }
    exponent.remove_prefix(1);
    return !exponent.empty() && exponent.find_first_not_of("0123456789") == std::string_view::npos;
}

long double ReadBack(std::string_view text, std::string_view separator) {
    std::string plain(text);
    if (const std::size_t at = text.find(separator);
        !separator.empty() && at != std::string_view::npos) {
        plain = std::string(text.substr(0, at)) + '.';
        plain += text.substr(at + separator.size());
    }
    return std::strtold(plain.c_str(), nullptr);
}

void CheckDisplayPatternText(double value, std::string_view pattern, std::string_view separator,
                             std::string_view text) {
    const bool oneDecimal = pattern.ends_with(".0");
    if (!IsDisplayPatternText(text, oneDecimal, separator)) {
        Violation("FormatDisplayPattern", Quoted(text) + " is not of the shape of " +
                                              Quoted(pattern) + " for " + std::to_string(value));
    }
    // Half a unit of the last shown decimal, plus half a unit of the fifteenth significant digit
    // (the value is first taken to 15 digits, on which half-way cases are judged). The text is read
    // back in extended precision: 15 digits of a value near the double maximum lie beyond it.
    const long double halfUnit = oneDecimal ? 0.05L : 0.5L;
    const long double allowed = halfUnit * (1.0L + 1e-9L) + std::fabs(value) * 5.000001e-15L;
    const long double shown = ReadBack(text, separator);
    if (!(std::fabs(shown - value) <= allowed)) {
        Violation("FormatDisplayPattern",
                  Quoted(text) + " does not stand for " + std::to_string(value));
    }
}

void CheckGeneralSingleText(float value, std::string_view separator, std::string_view text) {
    if (!IsGeneralSingleText(text, separator)) {
        Violation("FormatGeneralSingle", Quoted(text) + " is not in the general form");
    }
    // Seven significant digits: within half a unit of the seventh digit, at most 5E-7 of the value.
    const long double exact = value;
    const long double shown = ReadBack(text, separator);
    if (!(std::fabs(shown - exact) <= std::fabs(exact) * 5.000001e-7L)) {
        Violation("FormatGeneralSingle",
                  Quoted(text) + " does not stand for the single " + std::to_string(value));
    }
}

} // namespace tetrode::fuzz
