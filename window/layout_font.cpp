// SPDX-License-Identifier: MIT
#include "window/layout_font.h"

#include "window/window_layout.h"

#include <QCoreApplication>
#include <QFontMetrics>

namespace tetrode {
namespace {

// Below this the text is no longer readable; a font still too wide here is kept as it is.
constexpr double SmallestPointSize = 6.0;
constexpr int SmallestPixelSize = 8;
constexpr double PointStep = 0.5;

bool CaptionsFit(const QFont& font) {
    const QFontMetrics metrics(font);
    for (const ControlSpec& spec : WindowLayout()) {
        if (spec.kind != ControlKind::Label) {
            continue;
        }
        const QRect box = PixelRect(spec);
        const QString caption = QCoreApplication::translate("tetrode::frmMain", spec.caption);
        if (metrics.horizontalAdvance(caption) > box.width() || metrics.height() > box.height()) {
            return false;
        }
    }
    return true;
}

} // namespace

QFont FontFittingLayout(QFont font) {
    while (!CaptionsFit(font)) {
        if (font.pointSizeF() > 0.0) {
            if (font.pointSizeF() - PointStep < SmallestPointSize) {
                break;
            }
            font.setPointSizeF(font.pointSizeF() - PointStep);
        } else {
            if (font.pixelSize() - 1 < SmallestPixelSize) {
                break;
            }
            font.setPixelSize(font.pixelSize() - 1);
        }
    }
    return font;
}

} // namespace tetrode
