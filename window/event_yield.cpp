// SPDX-License-Identifier: MIT
#include "window/event_yield.h"

#include <QCoreApplication>

namespace tetrode {

YieldToEvents EventLoopYield() {
    return [] { QCoreApplication::processEvents(); };
}

} // namespace tetrode
