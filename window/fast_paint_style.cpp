// SPDX-License-Identifier: MIT
#include "window/fast_paint_style.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

#include <algorithm>

namespace tetrode {
namespace {

// Fewer rows than the 96 from which Qt's raster engine shares a fill out among its threads.
constexpr int kBandRows = 64;
// Columns kept as drawn on each side of a frame's strip; wider than Fusion's rounded corners
// (6 px), so that every row of the strip's middle column is one colour across the frame.
constexpr int kEdgeColumns = 8;
constexpr int kStripWidth = 2 * kEdgeColumns + 1;

} // namespace

FastPaintStyle::FastPaintStyle()
    : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}

bool FastPaintStyle::DrawsFrameFromStrip(const QStyleOption& option,
                                         const QPainter& painter) const {
    // Only a stretched nine-patch is the same at every width, and the strip is drawn at one
    // device pixel per pixel.
    return baseStyle()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0 &&
           option.rect.width() > kStripWidth && option.rect.height() > 0 &&
           painter.device() != nullptr && painter.device()->devicePixelRatio() == 1.0 &&
           painter.deviceTransform().type() <= QTransform::TxTranslate;
}

void FastPaintStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                   QPainter* painter, const QWidget* widget) const {
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (element != PE_FrameGroupBox || frame == nullptr ||
        !DrawsFrameFromStrip(*option, *painter)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const QRect rect = frame->rect;
    QImage strip(kStripWidth, rect.height(), QImage::Format_ARGB32_Premultiplied);
    if (strip.isNull()) { // no memory for it: the base style draws the frame itself
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    strip.fill(Qt::transparent);
    {
        QStyleOptionFrame narrow = *frame;
        narrow.rect = strip.rect();
        QPainter stripPainter(&strip);
        QProxyStyle::drawPrimitive(element, &narrow, &stripPainter, widget);
    }
    const int rightEdge = rect.right() + 1 - kEdgeColumns;
    for (int band = 0; band < rect.height(); band += kBandRows) {
        const int rows = std::min(kBandRows, rect.height() - band);
        painter->drawImage(QPoint(rect.left(), rect.top() + band), strip,
                           QRect(0, band, kEdgeColumns, rows));
        painter->drawImage(QPoint(rightEdge, rect.top() + band), strip,
                           QRect(kStripWidth - kEdgeColumns, band, kEdgeColumns, rows));
    }
    const int middleWidth = rect.width() - 2 * kEdgeColumns;
    int runStart = 0;
    for (int row = 1; row <= rect.height(); ++row) {
        const QRgb colour = strip.pixel(kEdgeColumns, runStart);
        const bool runGoesOn = row < rect.height() && strip.pixel(kEdgeColumns, row) == colour &&
                               row - runStart < kBandRows;
        if (runGoesOn) {
            continue;
        }
        if (qAlpha(colour) != 0) {
            painter->fillRect(rect.left() + kEdgeColumns, rect.top() + runStart, middleWidth,
                              row - runStart, QColor::fromRgba(qUnpremultiply(colour)));
        }
        runStart = row;
    }
}

} // namespace tetrode
