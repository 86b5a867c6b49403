// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace tetrode {

// Lets pending window events run before a long piece of work goes on. The core calls it at the
// points where a load hands control back; the window passes one that processes pending events,
// tests and benchmarks pass nothing (an empty function is not called).
using YieldToEvents = std::function<void()>;

inline void YieldNow(const YieldToEvents& yield) {
    if (yield) {
        yield();
    }
}

} // namespace tetrode
