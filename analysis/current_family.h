// SPDX-License-Identifier: MIT
#pragma once

#include <array>

namespace tetrode {

// The three currents a curve table holds and a constant-current chart draws, each as a family of
// curves. One definition for the charts and the import of traced charts, which both name them.
enum class CurrentFamily { Anode, Screen, Grid };
inline constexpr std::array<CurrentFamily, 3> kCurrentFamilies{
    CurrentFamily::Anode, CurrentFamily::Screen, CurrentFamily::Grid};

} // namespace tetrode
