// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// Numbers as the user types them and as the window shows them. No locale is consulted here: the
// caller passes the decimal separator of its user.
namespace tetrode {

// The reading of a number typed into an entry box (or read back from a label). Blanks, tabs and
// line feeds are removed anywhere first ("3 50" reads 350); then nothing, or only blanks, reads 0.
// Otherwise the longest leading number is taken: an optional sign, digits with at most one decimal
// point, an optional exponent (E or D in either case, optional sign, digits); or &H / &O followed
// by a hexadecimal / octal integer. The full stop and `localeSeparator` (the user's decimal
// separator, UTF-8) are both decimal points. A unit may follow ("350V", "350 volts"); an
// unfinished exponent is ignored ("300E" reads 300).
//
// Where the lenient reading would silently read something the user did not mean, the text is
// refused with an invalid-argument fault that quotes it: a text that holds no number ("abc",
// "-", "e5"), a digit anywhere after the number ("3,000" where the comma is no decimal point,
// "1.2.3"), or a multiplier right after it (p n u µ m k K M G T: "1.5kV", "200 mA").
// A magnitude beyond the double range is an overflow fault; one below it reads 0.
double NumberFromText(std::string_view text, std::string_view localeSeparator = ".");

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
