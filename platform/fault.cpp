// SPDX-License-Identifier: MIT
#include "platform/fault.h"

#include <utility>

namespace tetrode {
namespace {

// A path in a message keeps this many characters.
constexpr std::size_t kFileNameLimit = 200;

bool IsContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

struct PlaceWords {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const InputPlace& place) const { return place.input; }
    // A file's name can hold any byte; a path may be long, but its end is what tells it apart.
    std::string operator()(const FilePlace& place) const {
        const std::string file = EscapeForDisplay(place.file, kFileNameLimit);
        if (place.line == 0) {
            return file;
        }
        std::string words = "line " + std::to_string(place.line);
        if (place.column > 0) {
            words += ", column " + std::to_string(place.column);
        }
        return words + " of " + file;
    }
};

} // namespace

std::string EscapeForDisplay(std::string_view text, std::size_t limit) {
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (!IsContinuationByte(text[i]) && characters++ == limit) {
            shown += "...";
            break;
        }
        if (byte == '\t') {
            shown += "\\t";
        } else if (byte == '\r') {
            shown += "\\r";
        } else if (byte == '\n') {
            shown += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0xF];
        } else {
            shown += text[i];
        }
    }
    return shown;
}

std::string Quoted(std::string_view text, std::size_t limit) {
    return '"' + EscapeForDisplay(text, limit) + '"';
}

std::string_view FaultKindName(FaultKind kind) {
    switch (kind) {
    case FaultKind::FileOpen:
        return "Cannot open the file";
    case FaultKind::TypeMismatch:
        return "Not a number";
    case FaultKind::SubscriptOutOfRange:
        return "Values missing or out of place";
    case FaultKind::Overflow:
        return "Out of range";
    case FaultKind::DivisionByZero:
        return "Division by zero";
    case FaultKind::InvalidArgument:
        return "Not accepted";
    case FaultKind::OutOfMemory:
        return "Out of memory";
    }
    return "Fault";
}

Fault::Fault(FaultKind kind, const std::string& cause, FaultPlace place)
    : std::runtime_error(cause), m_kind(kind), m_place(std::move(place)) {}

std::string FaultMessage(const Fault& fault) {
    const std::string place = std::visit(PlaceWords{}, fault.place());
    return place.empty() ? std::string(fault.what()) : place + ": " + fault.what();
}

std::string FaultReport(const Fault& fault) {
    std::string report(FaultKindName(fault.kind()));
    return report.append(":\n").append(FaultMessage(fault));
}

} // namespace tetrode
