// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>

namespace tetrode {

// `font`, made smaller (to a whole or half point size) until every label caption of the window
// layout fits inside its label; unchanged when it fits already. The twips layout was drawn for a
// narrow 8-point face, and common desktop defaults (DejaVu Sans 9 pt) would cut the longer captions
// off.
QFont FontFittingLayout(QFont font);

} // namespace tetrode
