// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// Numbers as the user types them and as the window shows them. No locale is consulted here: the
// caller passes the decimal separator it wants shown, and typed numbers always use the full stop.
namespace tetrode {

// The lenient reading of a number typed into an entry box (or read back from a label).
// Blanks, tabs and line feeds are removed anywhere first ("3 50" reads 350). Then the longest
// leading number is taken: an optional sign, digits with at most one point, an optional exponent
// (E or D in either case, optional sign, digits); or &H / &O followed by a hexadecimal / octal
// integer. A comma ends the number ("1,5" reads 1). No leading number reads 0 ("", "abc", "-").
// A magnitude beyond the double range is an overflow fault.
double NumberFromText(std::string_view text);

// Formats a value with a display pattern of the form "###0.0", "##0.0", "####0.0" or "######0":
// rounded, half away from zero, to as many decimals as the pattern has after its point; every
// integer digit shown with at least one, no padding, no thousands separator, a leading minus sign
// for negative values. `decimalSeparator` (UTF-8) is shown in place of the pattern's point.
// A value that is not finite is an overflow fault.
std::string FormatDisplayPattern(double value, std::string_view pattern,
                                 std::string_view decimalSeparator);

// The general text form of a single-precision number: rounded to 7 significant digits, trailing
// zeros and a trailing point removed, a minus sign only for negative values, a zero before the
// point below 1 ("864.0001", "-57.6", "0.5", "600"). Very large and very small magnitudes are
// shown in exponent form ("1E+07", "1.5E-05"). A value that is not finite is an overflow fault.
std::string FormatGeneralSingle(float value, std::string_view decimalSeparator = ".");

} // namespace tetrode
