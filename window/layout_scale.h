// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

namespace tetrode {

// The factor by which the window's twips layout is drawn for `font`, at least 1: the smallest at
// which every caption of the layout (labels, frame titles, buttons) fits its control, width and
// height. The layout was drawn for a narrow 8-point face; instead of shrinking the user's font to
// fit it, as the controls are scaled up as dialog units grow with the font.
double LayoutScale(const QFont& font);

} // namespace tetrode
