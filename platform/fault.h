// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tetrode {

// The kinds of run-time fault that can abandon a user action.
enum class FaultKind {
    // A file cannot be opened or read (missing, unreadable, a directory).
    FileOpen,
    // A text that must be a number is empty or is not one.
    TypeMismatch,
    // An index outside an axis, a matrix or a row's fields.
    SubscriptOutOfRange,
    // A count beyond 16 bits, a 0 / 0, or a result beyond the double or single range.
    Overflow,
    // A non-zero value divided by zero.
    DivisionByZero,
    // An argument that the operation cannot take (an unclosed quote, a negative screen voltage).
    InvalidArgument,
};

// The short English name of a kind, as the user sees it at the head of a fault report.
std::string_view FaultKindName(FaultKind kind);

// The one exception type of the calculator. The message names the place of the fault in the
// user's terms: file, line and field for curve files, the quantity for arithmetic.
class Fault : public std::runtime_error {
  public:
    Fault(FaultKind kind, const std::string& message);

    FaultKind kind() const noexcept { return m_kind; }

  private:
    FaultKind m_kind;
};

} // namespace tetrode
