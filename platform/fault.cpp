// SPDX-License-Identifier: MIT
#include "platform/fault.h"

#include <utility>

namespace tetrode {
namespace {

struct PlaceWords {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const InputPlace& place) const { return place.input; }
    std::string operator()(const FilePlace& place) const {
        if (place.line == 0) {
            return place.file;
        }
        std::string words = "line " + std::to_string(place.line);
        if (place.column > 0) {
            words += ", column " + std::to_string(place.column);
        }
        return words + " of " + place.file;
    }
};

} // namespace

std::string_view FaultKindName(FaultKind kind) {
    switch (kind) {
    case FaultKind::FileOpen:
        return "File cannot be opened";
    case FaultKind::TypeMismatch:
        return "Type mismatch";
    case FaultKind::SubscriptOutOfRange:
        return "Subscript out of range";
    case FaultKind::Overflow:
        return "Overflow";
    case FaultKind::DivisionByZero:
        return "Division by zero";
    case FaultKind::InvalidArgument:
        return "Invalid argument";
    }
    return "Fault";
}

Fault::Fault(FaultKind kind, const std::string& cause, FaultPlace place)
    : std::runtime_error(cause), m_kind(kind), m_place(std::move(place)) {}

std::string FaultMessage(const Fault& fault) {
    const std::string place = std::visit(PlaceWords{}, fault.place());
    return place.empty() ? std::string(fault.what()) : place + ": " + fault.what();
}

} // namespace tetrode
