// SPDX-License-Identifier: MIT
#include "window/layout_font.h"

#include "window/window_layout.h"

#include <QCoreApplication>
#include <QFontMetrics>

#include <algorithm>
#include <cmath>

namespace tetrode {
namespace {

// Below this the text is no longer readable; a font still too wide here is kept at this size.
constexpr double SmallestPointSize = 6.0;
constexpr int SmallestPixelSize = 8;
constexpr double PointStep = 0.5;

// How far the font may grow before some label caption no longer fits: the smallest ratio of a
// label's room to its caption's width or height. Below 1 a caption is cut off.
double RoomToSpare(const QFont& font) {
    const QFontMetrics metrics(font);
    double ratio = 1e9;
    for (const ControlSpec& spec : WindowLayout()) {
        if (spec.kind != ControlKind::Label) {
            continue;
        }
        const QRect box = PixelRect(spec);
        const QString caption = QCoreApplication::translate("tetrode::frmMain", spec.caption);
        const int width = std::max(1, metrics.horizontalAdvance(caption));
        ratio = std::min({ratio, static_cast<double>(box.width()) / width,
                          static_cast<double>(box.height()) / std::max(1, metrics.height())});
    }
    return ratio;
}

} // namespace

QFont FontFittingLayout(QFont font) {
    // Every trial size loads a font engine, which costs a noticeable part of the start-up; so the
    // size is estimated from one measurement (text widths grow about in proportion to the size)
    // and then only checked, stepping down while hinting still makes a caption too wide.
    const double ratio = RoomToSpare(font);
    if (ratio >= 1.0) {
        return font;
    }
    if (font.pointSizeF() > 0.0) {
        double size = std::round(font.pointSizeF() * ratio / PointStep) * PointStep;
        for (;;) {
            size = std::max(size, SmallestPointSize);
            font.setPointSizeF(size);
            if (size <= SmallestPointSize || RoomToSpare(font) >= 1.0) {
                return font;
            }
            size -= PointStep;
        }
    }
    int pixels = static_cast<int>(std::lround(font.pixelSize() * ratio));
    for (;;) {
        pixels = std::max(pixels, SmallestPixelSize);
        font.setPixelSize(pixels);
        if (pixels <= SmallestPixelSize || RoomToSpare(font) >= 1.0) {
            return font;
        }
        --pixels;
    }
}

} // namespace tetrode
