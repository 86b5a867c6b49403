// SPDX-License-Identifier: MIT
#include "platform/number_text.h"

#include "platform/fault.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>

namespace tetrode {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsOctalDigit(char c) {
    return c >= '0' && c <= '7';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The index of the first character at or after `from` that `accepts` does not take.
template <typename Predicate>
std::size_t SkipWhile(std::string_view text, std::size_t from, Predicate accepts) {
    while (from < text.size() && accepts(text[from])) {
        ++from;
    }
    return from;
}

[[noreturn]] void RaiseTooLarge(std::string_view number) {
    // A pasted 400-digit number would swamp the message; its start is enough to recognise it.
    constexpr std::size_t shownLength = 24;
    std::string shown(number.substr(0, shownLength));
    if (number.size() > shownLength) {
        shown += "...";
    }
    throw Fault(FaultKind::Overflow, "the number " + shown + " is too large");
}

// Hexadecimal digits read by the standard library, which rounds correctly at any length and
// reports a value beyond the double range: none then.
std::optional<double> HexValue(const std::string& digits) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                              std::chars_format::hex);
    if (error == std::errc::result_out_of_range) {
        return std::nullopt;
    }
    return value;
}

// Four octal digits are twelve bits, which are exactly three hexadecimal digits, so an octal
// number is rewritten in hexadecimal and read by the same correctly rounding path.
std::string OctalAsHex(std::string_view octal) {
    std::string padded((4 - octal.size() % 4) % 4, '0');
    padded += octal;
    std::string hex;
    for (std::size_t group = 0; group < padded.size(); group += 4) {
        int bits = 0;
        for (std::size_t i = group; i < group + 4; ++i) {
            bits = bits * 8 + (padded[i] - '0');
        }
        for (int shift = 8; shift >= 0; shift -= 4) {
            hex += "0123456789abcdef"[(bits >> shift) & 0xF];
        }
    }
    return hex;
}

// The decimal power of a number's leading digit plus one: 2 for 12.5, 0 for 0.5, -1 for 0.05.
long long LeadingDigitOrder(std::string_view integerDigits, std::string_view fractionDigits) {
    const std::size_t integerLead = integerDigits.find_first_not_of('0');
    if (integerLead != std::string_view::npos) {
        return static_cast<long long>(integerDigits.size() - integerLead);
    }
    const std::size_t fractionLead = fractionDigits.find_first_not_of('0');
    return fractionLead == std::string_view::npos ? 0 : -static_cast<long long>(fractionLead);
}

// A number read from the start of a text, and where it ends; `found` is false when the text holds
// no number at its start.
struct LeadingNumber {
    double value = 0.0;
    std::size_t end = 0;
    bool found = false;
    bool tooLarge = false; // beyond the double range
};

// The longest leading decimal number of `text`, which holds no blanks any more. The full stop and
// `localeSeparator` are both decimal points, at most one of them in a number.
LeadingNumber ReadDecimal(std::string_view text, std::string_view localeSeparator) {
    std::size_t pos = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        pos = 1;
    }
    const std::size_t integerStart = pos;
    const std::size_t integerEnd = SkipWhile(text, integerStart, IsDigit);
    std::size_t fractionStart = integerEnd;
    std::size_t fractionEnd = integerEnd;
    const std::string_view rest = text.substr(integerEnd);
    const std::size_t pointLength = rest.starts_with('.') ? 1
                                    : !localeSeparator.empty() && rest.starts_with(localeSeparator)
                                        ? localeSeparator.size()
                                        : 0;
    if (pointLength > 0) {
        fractionStart = integerEnd + pointLength;
        fractionEnd = SkipWhile(text, fractionStart, IsDigit);
    }
    if (integerEnd == integerStart && fractionEnd == fractionStart) {
        return {}; // "", "abc", "-", "." hold no number
    }
    std::string number(text.substr(integerStart, integerEnd - integerStart));
    if (pointLength > 0) {
        number += '.';
        number += text.substr(fractionStart, fractionEnd - fractionStart);
    }

    // An exponent letter counts only when digits follow it, so "2e" and "2e+" read as 2.
    long long exponent = 0;
    std::size_t numberEnd = pointLength > 0 || fractionEnd > integerEnd ? fractionEnd : integerEnd;
    const std::size_t letter = fractionEnd;
    if (letter < text.size() &&
        std::string_view("EeDd").find(text[letter]) != std::string_view::npos) {
        const std::size_t signEnd =
            letter + 1 < text.size() && (text[letter + 1] == '+' || text[letter + 1] == '-')
                ? letter + 2
                : letter + 1;
        const std::size_t exponentEnd = SkipWhile(text, signEnd, IsDigit);
        if (exponentEnd > signEnd) {
            number += 'e';
            number += text.substr(letter + 1, exponentEnd - letter - 1);
            numberEnd = exponentEnd;
            // Saturated: beyond a billion the exponent's exact size changes nothing.
            for (std::size_t i = signEnd; i < exponentEnd && exponent < 1'000'000'000; ++i) {
                exponent = exponent * 10 + (text[i] - '0');
            }
            if (text[letter + 1] == '-') {
                exponent = -exponent;
            }
        }
    }

    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // The library reports both ends of the range alike. A number of at least 1 went past the
        // top, which is an overflow; anything else is too small for a double and reads as 0.
        const long long order =
            LeadingDigitOrder(text.substr(integerStart, integerEnd - integerStart),
                              text.substr(fractionStart, fractionEnd - fractionStart));
        if (order + exponent > 0) {
            return {0.0, numberEnd, true, true};
        }
        value = 0.0;
    }
    // "-0" and "-1e-400" read as a plain 0, so no minus sign comes back from a zero.
    return {negative && value != 0.0 ? -value : value, numberEnd, true, false};
}

// What may follow a number: a unit ("V", "volts", "%") but no second number and no multiplier,
// which the reading would silently drop ("3,000" is not 3, "1.5kV" not 1.5).
constexpr std::string_view kMultipliers = "pnumkKMGT";
constexpr std::string_view kMicroSigns[] = {"\u00b5", "\u03bc"};

bool StartsWithMultiplier(std::string_view rest) {
    return (!rest.empty() && kMultipliers.find(rest.front()) != std::string_view::npos) ||
           std::ranges::any_of(kMicroSigns,
                               [rest](std::string_view mu) { return rest.starts_with(mu); });
}

[[noreturn]] void Refuse(std::string_view text, const std::string& why) {
    throw Fault(FaultKind::InvalidArgument, Quoted(text) + " " + why);
}

// A finite double as decimal digits: |value| = 0.digits x 10^point.
struct DecimalDigits {
    bool negative = false;
    std::string digits;
    int point = 0;
};

DecimalDigits ToDecimalDigits(double value, int significantDigits) {
    char buffer[200];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                            std::chars_format::scientific, significantDigits - 1);
    (void)error; // the buffer holds 200 characters, more than any caller asks for
    const std::string_view text(buffer, end - buffer);
    const std::size_t letter = text.find('e');
    DecimalDigits result;
    result.negative = std::signbit(value);
    // Built digit by digit around the point, so 15 digits stay within the string's own buffer.
    result.digits.assign(1, text[0]);
    if (letter > 2) {
        result.digits.append(text.substr(2, letter - 2));
    }
    const char* exponentStart = text.data() + letter + (text[letter + 1] == '+' ? 2 : 1);
    int exponent = 0;
    std::from_chars(exponentStart, text.data() + text.size(), exponent);
    result.point = exponent + 1;
    return result;
}

// Keeps the first `keep` digits, rounding half away from zero on the digits after them. A carry
// out of the first digit moves the point, so the digits then number `keep` + 1.
void RoundHalfAwayFromZero(DecimalDigits& number, int keep) {
    if (keep < 0) {
        number.digits.clear(); // below half of the last kept place
        return;
    }
    const auto size = static_cast<int>(number.digits.size());
    if (keep >= size) {
        number.digits.append(keep - size, '0');
        return;
    }
    const bool roundUp = number.digits[keep] >= '5';
    number.digits.resize(keep);
    if (!roundUp) {
        return;
    }
    int i = keep - 1;
    for (; i >= 0 && number.digits[i] == '9'; --i) {
        number.digits[i] = '0';
    }
    if (i >= 0) {
        ++number.digits[i];
    } else {
        number.digits.insert(0, 1, '1');
        ++number.point;
    }
}

// 0.digits x 10^point written with `places` digits after the separator and at least one before.
std::string FixedText(std::string digits, int point, int places, std::string_view separator) {
    if (point < 1) {
        digits.insert(0, 1 - point, '0');
        point = 1;
    }
    digits.resize(point + places, '0');
    const std::size_t leadingZeros =
        std::min(digits.find_first_not_of('0'), static_cast<std::size_t>(point - 1));
    std::string text = digits.substr(leadingZeros, point - leadingZeros);
    if (places > 0) {
        text += separator;
        text += digits.substr(point);
    }
    return text;
}

bool IsZero(const std::string& digits) {
    return std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0'; });
}

// The number of decimals a pattern asks for: the characters after its point.
int DecimalPlaces(std::string_view pattern) {
    const std::size_t point = pattern.find('.');
    const std::string_view integer = pattern.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : pattern.substr(point + 1);
    const auto isIntegerDigit = [](char c) { return c == '#' || c == '0'; };
    const auto isFractionDigit = [](char c) { return c == '0'; };
    if (integer.empty() || !std::all_of(integer.begin(), integer.end(), isIntegerDigit) ||
        !std::all_of(fraction.begin(), fraction.end(), isFractionDigit)) {
        throw Fault(FaultKind::InvalidArgument,
                    "the display pattern \"" + std::string(pattern) + "\" is not supported");
    }
    return static_cast<int>(fraction.size());
}

// The display text of a value whose rounding to `places` decimals can be settled from the double
// itself, without its 15-digit decimal form: false when it cannot. Every figure the calculator
// shows takes this path unless it lies within a hair of a half-way point, so a Calculate need not
// write fifteen decimal expansions.
bool FormatFixedQuickly(double value, int places, std::string_view separator, std::string& text) {
    static constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0};
    // Below 1e12 the whole part is exact in a double and fits an unsigned 64-bit integer.
    constexpr double kLargest = 1e12;
    if (places > 3) {
        return false;
    }
    const double scaled = std::fabs(value) * kScale[places];
    if (!(scaled < kLargest)) {
        return false;
    }
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole; // exact
    // The product is within one part in 2^53 of the true value, and the 15-digit form within 5 in
    // 10^15; outside that margin around a half, both round the same way.
    const double margin = scaled * 1e-14 + 1e-12;
    if (std::fabs(fraction - 0.5) <= margin) {
        return false;
    }
    auto digits = static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    char buffer[24]; // a sign and at most 13 digits
    char* end = buffer + sizeof buffer;
    char* at = end;
    // At least one digit before the separator: 0.04 shows as 0.0.
    for (int written = 0; digits != 0 || written <= places; ++written) {
        *--at = static_cast<char>('0' + digits % 10);
        digits /= 10;
    }
    const bool roundsToZero = std::all_of(at, end, [](char c) { return c == '0'; });
    // A negative value that rounds to zero shows no minus sign, as on the exact path.
    if (value < 0.0 && !roundsToZero) {
        *--at = '-';
    }
    const std::string_view integer(at, static_cast<std::size_t>(end - places - at));
    text = integer;
    if (places > 0) {
        text += separator;
        text += std::string_view(end - places, static_cast<std::size_t>(places));
    }
    return true;
}

} // namespace

double NumberFromText(std::string_view text, std::string_view localeSeparator) {
    std::string compact;
    std::copy_if(text.begin(), text.end(), std::back_inserter(compact),
                 [](char c) { return c != ' ' && c != '\t' && c != '\n'; });
    if (compact.empty()) {
        return 0.0;
    }
    LeadingNumber number;
    // &H and &O take either case and read a non-negative integer of any size up to the double
    // range: "&HFFFF" is 65535, not the 16-bit -1. A sign in front of "&" is no part of such a
    // number, so "-&H10" holds none.
    const char base = compact.size() >= 2 && compact[0] == '&' ? compact[1] : '\0';
    if (base == 'H' || base == 'h' || base == 'O' || base == 'o') {
        const std::string_view rest = std::string_view(compact).substr(2);
        const bool hex = base == 'H' || base == 'h';
        const std::size_t digits = SkipWhile(rest, 0, hex ? IsHexDigit : IsOctalDigit);
        if (digits > 0) {
            const std::string_view value = rest.substr(0, digits);
            const std::optional<double> read =
                HexValue(hex ? std::string(value) : OctalAsHex(value));
            number = {read.value_or(0.0), digits + 2, true, !read};
        }
    } else {
        number = ReadDecimal(compact, localeSeparator);
    }
    if (!number.found) {
        Refuse(text, "is not a number");
    }
    const std::string_view after = std::string_view(compact).substr(number.end);
    if (std::ranges::any_of(after, IsDigit)) {
        Refuse(text, "holds more than one number: type a single number, without thousands "
                     "separators");
    }
    if (StartsWithMultiplier(after)) {
        Refuse(text, "has a multiplier after the number, which is not read: type the value in "
                     "volts");
    }
    // Only a number the text holds alone is too large: a refusal says more about what is wrong.
    if (number.tooLarge) {
        RaiseTooLarge(std::string_view(compact).substr(0, number.end));
    }
    return number.value;
}

std::string FormatDisplayPattern(double value, std::string_view pattern,
                                 std::string_view decimalSeparator) {
    if (!std::isfinite(value)) {
        throw Fault(FaultKind::Overflow, "a figure is too large to be shown");
    }
    const int places = DecimalPlaces(pattern);
    std::string text;
    if (FormatFixedQuickly(value, places, decimalSeparator, text)) {
        return text;
    }
    // Half-way cases are judged on the value's 15-significant-digit decimal form, which is how
    // the user sees the number: 0.15 shows as 0.2 although the double 0.15 lies just below it.
    DecimalDigits number = ToDecimalDigits(value, 15);
    RoundHalfAwayFromZero(number, number.point + places);
    // A negative value that rounds to zero shows no minus sign: "-0.0" would suggest a
    // meaningful negative figure where there is none.
    text = FixedText(number.digits, number.point, places, decimalSeparator);
    if (number.negative && !IsZero(number.digits)) {
        text.insert(text.begin(), '-');
    }
    return text;
}

std::string FormatGeneralSingle(float value, std::string_view decimalSeparator) {
    if (!std::isfinite(value)) {
        throw Fault(FaultKind::Overflow, "a figure is too large to be shown");
    }
    if (value == 0.0f) {
        return "0"; // -0 as well
    }
    // A single is a whole multiple of 2^-149, so its exact decimal form ends within 149 places
    // after the point and has fewer than 150 significant digits; rounding those is rounding the
    // true value, half away from zero.
    constexpr int exactSingleDigits = 150;
    DecimalDigits number = ToDecimalDigits(value, exactSingleDigits);
    RoundHalfAwayFromZero(number, 7);
    number.digits.erase(number.digits.find_last_not_of('0') + 1);

    std::string text = number.negative ? "-" : "";
    const int exponent = number.point - 1;
    // The classic BASIC rule: fixed notation for 0.0001 <= |rounded value| < 10000000, else the
    // exponent form. It is judged after the rounding to 7 digits, so the single nearest 0.0001,
    // which lies just below it, shows as 0.0001.
    if (exponent >= -4 && exponent < 7) {
        const int places = std::max(0, static_cast<int>(number.digits.size()) - number.point);
        text += FixedText(number.digits, number.point, places, decimalSeparator);
        return text;
    }
    text += number.digits[0];
    if (number.digits.size() > 1) {
        text += decimalSeparator;
        text += number.digits.substr(1);
    }
    const int magnitude = std::abs(exponent);
    text += exponent < 0 ? "E-" : "E+";
    if (magnitude < 10) {
        text += '0';
    }
    text += std::to_string(magnitude);
    return text;
}

} // namespace tetrode
