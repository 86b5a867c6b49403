// SPDX-License-Identifier: MIT
#include "platform/fault.h"

namespace tetrode {

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

Fault::Fault(FaultKind kind, const std::string& message)
    : std::runtime_error(message), m_kind(kind) {}

} // namespace tetrode
