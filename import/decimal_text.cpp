// SPDX-License-Identifier: MIT
#include "import/decimal_text.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace tetrode {
namespace {

constexpr std::string_view kMinusSign = "\xE2\x88\x92"; // U+2212

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Consumes a sign at `i`; true for a minus.
bool TakeSign(std::string_view text, std::size_t& i) {
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        return text[i++] == '-';
    }
    if (text.substr(i, kMinusSign.size()) == kMinusSign) {
        i += kMinusSign.size();
        return true;
    }
    return false;
}

} // namespace

Decimal ReadDecimalStart(std::string_view text, std::string_view marks, bool sign) {
    std::size_t i = 0;
    // from_chars reads the digits once they are in its own spelling: '-', digits, '.', 'e'.
    std::string ascii;
    if (sign && TakeSign(text, i)) {
        ascii += '-';
    }
    bool digits = false, mark = false, significant = false;
    // The decimal exponent of the first significant digit, to tell overflow from underflow.
    long magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (IsDigit(c)) {
            digits = true;
            significant = significant || c != '0';
            magnitude += !mark && significant ? 1 : (mark && !significant ? -1 : 0);
            ascii += c;
        } else if (!mark && marks.find(c) != std::string_view::npos) {
            mark = true;
            ascii += '.';
        } else {
            break;
        }
    }
    if (!digits) {
        return {};
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t k = i + 1;
        const bool negative = TakeSign(text, k);
        if (k < text.size() && IsDigit(text[k])) {
            long exponent = 0;
            ascii += negative ? "e-" : "e";
            for (; k < text.size() && IsDigit(text[k]); ++k) {
                ascii += text[k];
                exponent = std::min(exponent * 10 + (text[k] - '0'), 100000L);
            }
            magnitude += negative ? -exponent : exponent;
            i = k;
        }
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (end != ascii.data() + ascii.size()) {
        return {};
    }
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value alone; the magnitude says which way it left the range.
        if (magnitude > 0) {
            return {DecimalStatus::OutOfRange, 0.0, i};
        }
        value = 0.0;
    }
    if (std::fabs(value) > FLT_MAX) {
        return {DecimalStatus::OutOfRange, 0.0, i};
    }
    return {DecimalStatus::Number, value, i};
}

Decimal ReadDecimal(std::string_view text, std::string_view marks) {
    const Decimal number = ReadDecimalStart(text, marks, true);
    if (number.status != DecimalStatus::NotANumber && number.length != text.size()) {
        return {};
    }
    return number;
}

} // namespace tetrode
