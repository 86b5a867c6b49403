// SPDX-License-Identifier: MIT
#pragma once

#include "platform/fault.h"

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

// What every fuzz target holds its code to: an input ends either in a Fault of a kind the
// operation names, or in results that are finite and texts of the promised shape. Anything else
// (another exception, a wrong kind, a NaN, a malformed text) aborts, so libFuzzer keeps the input.
namespace tetrode::fuzz {

[[noreturn]] void Violation(std::string_view what, std::string_view detail);

// Aborts unless `value` is finite.
void ExpectFinite(double value, std::string_view what);

// Runs `body`; a Fault of one of the `allowed` kinds is an accepted outcome, and the function
// then returns false. Any other fault kind or exception is a violation.
template <typename Body>
bool RunWithin(std::initializer_list<FaultKind> allowed, std::string_view operation, Body&& body) {
    try {
        body();
        return true;
    } catch (const Fault& fault) {
        for (const FaultKind kind : allowed) {
            if (fault.kind() == kind) {
                return false;
            }
        }
        Violation(operation, "a fault of an unexpected kind: " +
                                 std::string(FaultKindName(fault.kind())) + ": " + fault.what());
    } catch (const std::exception& exception) {
        Violation(operation, exception.what());
    } catch (...) {
        Violation(operation, "an exception that is not a Fault");
    }
}

// A display-pattern text ("###0.0", "##0.0", "####0.0", "######0"): an optional minus sign, the
// integer digits without leading zeros, and for the one-decimal patterns the separator and one
// digit. A value that rounds to zero has no minus sign.
bool IsDisplayPatternText(std::string_view text, bool oneDecimal, std::string_view separator);

// The general single-precision form: an optional minus sign and either a plain decimal (integer
// digits without leading zeros, optionally the separator and fraction digits not ending in 0) or
// the exponent form (one non-zero digit, optional separator and fraction digits not ending in 0,
// "E", a sign and the exponent digits).
bool IsGeneralSingleText(std::string_view text, std::string_view separator);

// The number a text of either form stands for, read back with the full stop in place of
// `separator`.
long double ReadBack(std::string_view text, std::string_view separator);

// Checks the text that FormatDisplayPattern gave for `value`: its shape, and that it stands for
// `value` rounded to the pattern's decimals (judged on 15 significant digits).
void CheckDisplayPatternText(double value, std::string_view pattern, std::string_view separator,
                             std::string_view text);

// Checks the text that FormatGeneralSingle gave for `value`: its shape, and that it stands for
// `value` to 7 significant digits.
void CheckGeneralSingleText(float value, std::string_view separator, std::string_view text);

} // namespace tetrode::fuzz
