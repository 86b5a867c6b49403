// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

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
    // An argument that the operation cannot take (an unclosed quote, a negative screen voltage, a
    // typed text that is not one plain number).
    InvalidArgument,
    // The memory an action needs cannot be had.
    OutOfMemory,
};

// The short name of a kind in the user's words, as it heads a fault report ("Not a number").
std::string_view FaultKindName(FaultKind kind);

// A place in a file: `line` and `column` count from 1; 0 means the place is the whole file (a line
// of 0) or the whole line (a column of 0). The column of a comma-separated line is its field, the
// first field being column 1.
struct FilePlace {
    std::string file;
    int line = 0;
    int column = 0;

    friend bool operator==(const FilePlace&, const FilePlace&) = default;
};

// A typed input, by the name the user knows it under ("Anode Bias").
struct InputPlace {
    std::string input;

    friend bool operator==(const InputPlace&, const InputPlace&) = default;
};

// Where a fault arose: nowhere in particular (a figure of a calculation), a typed input, or a file.
using FaultPlace = std::variant<std::monostate, InputPlace, FilePlace>;

// The one exception type of the calculator. what() is the cause in the user's terms ("\"abc\" is
// not a number", "cannot compute the efficiency"); the place is kept apart, as data, so that each
// front end can word it for its user (see FaultMessage).
class Fault : public std::runtime_error {
  public:
    Fault(FaultKind kind, const std::string& cause, FaultPlace place = {});

    FaultKind kind() const noexcept { return m_kind; }
    const FaultPlace& place() const noexcept { return m_place; }

    // The same fault at `place`, for a caller that knows where a placeless fault arose.
    Fault At(FaultPlace place) const { return Fault(m_kind, what(), std::move(place)); }

  private:
    FaultKind m_kind;
    FaultPlace m_place;
};

// `text` safe to show inside a message or a caption: control characters written as escapes ("\t",
// "\x00"), cut after `limit` characters (never inside one) with "..." added. UTF-8 is kept.
std::string EscapeForDisplay(std::string_view text, std::size_t limit = 40);

// EscapeForDisplay of `text` in double quotes, as faults quote what they refuse.
std::string Quoted(std::string_view text, std::size_t limit = 40);

// The place and the cause in one sentence, as every front end shows it:
// "line 7, column 4 of example.csv: \"abc\" is not a number", "Anode Bias: the number ... is too
// large", or the cause alone.
std::string FaultMessage(const Fault& fault);

// A whole report as every front end gives it: the kind's name, a colon, and FaultMessage on the
// next line.
std::string FaultReport(const Fault& fault);

} // namespace tetrode
