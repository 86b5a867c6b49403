// SPDX-License-Identifier: MIT
#include "window/layout_scale.h"

#include "window/window_layout.h"

#include <QCoreApplication>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace tetrode {
namespace {

// Room a control needs beside its caption, in pixels: a frame's title is inset from its corner and
// needs its border beyond the text, a button its bevel, a label a pixel against clipping.
constexpr double kLabelPadding = 2.0;
constexpr double kFrameTitlePadding = 24.0;
constexpr double kButtonPadding = 16.0;
// Height a control needs beyond one line of text.
constexpr double kLabelLeading = 1.0;
constexpr double kButtonLeading = 10.0;

// How far the control's caption overruns it at scale 1: the ratio of the room the caption needs to
// the room the layout gives it.
double Overrun(const ControlSpec& spec, const QFontMetricsF& metrics) {
    const QString caption = QCoreApplication::translate("tetrode::frmMain", spec.caption);
    const double width = spec.width / static_cast<double>(TwipsPerPixel);
    const double height = spec.height / static_cast<double>(TwipsPerPixel);
    const double text = metrics.horizontalAdvance(caption);
    switch (spec.kind) {
    case ControlKind::Label:
        return std::max((text + kLabelPadding) / width,
                        (metrics.height() + kLabelLeading) / height);
    case ControlKind::Frame:
        return (text + kFrameTitlePadding) / width;
    case ControlKind::Button:
        return std::max((text + kButtonPadding) / width,
                        (metrics.height() + kButtonLeading) / height);
    case ControlKind::EntryBox:
        break;
    }
    return 0.0;
}

} // namespace

double LayoutScale(const QFont& font) {
    const QFontMetricsF metrics(font);
    double scale = 1.0;
    for (const ControlSpec& spec : WindowLayout()) {
        scale = std::max(scale, Overrun(spec, metrics));
    }
    // Rounded up to hundredths, so that rounding the scaled pixels cannot cut a caption again.
    return std::ceil(scale * 100.0) / 100.0;
}

} // namespace tetrode
