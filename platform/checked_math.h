// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

// Arithmetic that raises a Fault instead of letting infinity or NaN through. `quantity` names what
// is being computed in the user's terms ("anode impedance"); it goes into the fault's message.
namespace tetrode {

// numerator / denominator. A non-zero value over zero is a division-by-zero fault; 0 / 0 and a
// quotient beyond the double range are overflow faults.
double CheckedDivide(double numerator, double denominator, std::string_view quantity);

// Passes a finite value through; infinity or NaN is an overflow fault.
double CheckedFinite(double value, std::string_view quantity);

// Rounds to single precision (to nearest); a value that leaves the single range is an overflow
// fault.
float CheckedToSingle(double value, std::string_view quantity);

} // namespace tetrode
