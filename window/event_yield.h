// SPDX-License-Identifier: MIT
#pragma once

#include "platform/yield.h"

namespace tetrode {

// A yield that runs the window events waiting in the queue, so the window keeps repainting and
// answering while a curve file loads.
YieldToEvents EventLoopYield();

} // namespace tetrode
