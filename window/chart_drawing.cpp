// SPDX-License-Identifier: MIT
#include "window/chart_drawing.h"

#include "platform/number_text.h"

#include <QBrush>
#include <QBuffer>
#include <QCursor>
#include <QGraphicsPathItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainterPath>
#include <QPen>
#include <QScatterSeries>
#include <QSvgGenerator>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>
#include <limits>

namespace tetrode {
namespace {

constexpr double kMilli = 1000.0;

// Where the contours sit among the chart's own items: over the grid and the axes (3), under the
// series (4), so that the operating line and its points stay on top.
constexpr qreal kContourZ = 3.5;
constexpr qreal kTextZ = 10;

// One colour per current throughout the window; the warning colour only for points outside the
// data. All dark enough to read on white, and told apart by line style as well.
const QColor kAnodeColour(0x1f, 0x4e, 0x9c);
const QColor kScreenColour(0x2e, 0x7d, 0x32);
const QColor kGridColour(0xa0, 0x24, 0x6c);
const QColor kLineColour(0x20, 0x20, 0x20);
const QColor kDataColour(0x90, 0x90, 0x90);
const QColor kWarningColour(0xe6, 0x51, 0x00);

struct FamilyStyle {
    const char* entry;    // the name of its legend entry
    const char* contours; // the name its contour paths carry
    const char* traced;   // the name of the series of its traced points
    const char* name;     // the legend's words
    QColor colour;
    Qt::PenStyle style;
    qreal width;
};

constexpr std::size_t kFamilies = 3;

const FamilyStyle& StyleOf(std::size_t family) {
    static const std::array<FamilyStyle, kFamilies> kStyles{{
        {"familyAnode", "contourAnode", "tracedAnode",
         QT_TRANSLATE_NOOP("tetrode::ContourChart", "Anode current"), kAnodeColour, Qt::SolidLine,
         1.4},
        {"familyScreen", "contourScreen", "tracedScreen",
         QT_TRANSLATE_NOOP("tetrode::ContourChart", "Screen current"), kScreenColour, Qt::DashLine,
         1.4},
        {"familyGrid", "contourGrid", "tracedGrid",
         QT_TRANSLATE_NOOP("tetrode::ContourChart", "Grid current"), kGridColour, Qt::DotLine, 1.8},
    }};
    return kStyles[family];
}

QPen FamilyPen(std::size_t family) {
    const FamilyStyle& style = StyleOf(family);
    return QPen(style.colour, style.width, style.style);
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A current in milliamperes as the main window shows currents.
QString Milliamperes(double amperes, const QString& separator) {
    return Utf8(FormatDisplayPattern(amperes * kMilli, "###0.0", separator.toStdString()));
}

// A contour's level in milliamperes, in the general form the data limits use; a level too large
// for single precision (only a typed one can be) in whole milliamperes instead, so that a label
// never fails.
QString LevelText(double amperes, const std::string& separator) {
    const double milli = amperes * kMilli;
    return Utf8(std::abs(milli) <= std::numeric_limits<float>::max()
                    ? FormatGeneralSingle(static_cast<float>(milli), separator)
                    : FormatDisplayPattern(milli, "######0", separator));
}

QChar Letter(LinePoint point) {
    return QLatin1Char(static_cast<char>('A' + static_cast<int>(point)));
}

// A small text that follows the data, on a pale ground so that lines crossing it do not hide it.
QGraphicsSimpleTextItem* NewText(QGraphicsItem* parent, const QString& text, const QColor& colour,
                                 qreal pointSize) {
    auto* item = new QGraphicsSimpleTextItem(text, parent);
    QFont font = item->font();
    font.setPointSizeF(pointSize);
    item->setFont(font);
    item->setBrush(colour);
    item->setZValue(kTextZ);
    auto* ground = new QGraphicsRectItem(item->boundingRect().adjusted(-1, 0, 1, 0), item);
    ground->setBrush(QColor(255, 255, 255, 210));
    ground->setPen(Qt::NoPen);
    ground->setFlag(QGraphicsItem::ItemStacksBehindParent);
    return item;
}

// An axis from `low` to `high`, opened a little so that nothing drawn at the extremes sits on the
// plot's edge, then widened to whole steps of 1, 2 or 5 times a power of ten, at most ten across.
struct AxisTicks {
    double low;
    double high;
    int count;
};
AxisTicks RoundTicks(double low, double high) {
    const double margin = (high - low) * 0.03;
    low -= margin;
    high += margin;
    const double rough = (high - low) / 10.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = 10.0 * power;
    for (const double mantissa : {1.0, 2.0, 5.0}) {
        if (mantissa * power >= rough) {
            step = mantissa * power;
            break;
        }
    }
    const double first = std::floor(low / step), last = std::ceil(high / step);
    return {first * step, last * step, static_cast<int>(last - first) + 1};
}

} // namespace

LegendChart::LegendChart(const QString& xTitle, const QString& yTitle)
    : m_x(new QValueAxis), m_y(new QValueAxis) {
    m_x->setTitleText(xTitle);
    m_y->setTitleText(yTitle);
    m_x->setLabelFormat(QStringLiteral("%g"));
    m_y->setLabelFormat(QStringLiteral("%g"));
    addAxis(m_x, Qt::AlignBottom);
    addAxis(m_y, Qt::AlignLeft);
    legend()->setAlignment(Qt::AlignBottom);
    setMargins(QMargins(4, 4, 4, 4));
}

template <class Series> Series* LegendChart::AddEntry(const char* entry, const QString& name) {
    auto* series = new Series;
    series->setObjectName(QString::fromLatin1(entry));
    series->setName(name);
    addSeries(series);
    series->attachAxis(m_x);
    series->attachAxis(m_y);
    m_entries.push_back(series);
    return series;
}

void LegendChart::FinishLegend() {
    // The chart is whole now: what follows the data can follow every change of the view.
    connect(this, &QChart::plotAreaChanged, this, [this] { Relayout(); });
    connect(m_x, &QValueAxis::rangeChanged, this, [this] { Relayout(); });
    connect(m_y, &QValueAxis::rangeChanged, this, [this] { Relayout(); });
    for (QXYSeries* series : m_entries) {
        for (QLegendMarker* marker : legend()->markers(series)) {
            connect(marker, &QLegendMarker::clicked, this,
                    [this, series] { OnMarkerClicked(series); });
        }
        ShowEntry(series);
    }
}

void LegendChart::OnMarkerClicked(QXYSeries* series) {
    const QString entry = series->objectName();
    if (Shown(entry)) {
        m_hidden.insert(entry);
    } else {
        m_hidden.remove(entry);
    }
    ShowEntry(series);
    Relayout();
}

void LegendChart::SetPoints(QXYSeries* series, const QList<QPointF>& points) {
    series->replace(points);
    ShowEntry(series);
}

void LegendChart::ShowEntry(QXYSeries* series) {
    // An entry is drawn when it has points; the family entries of the contour chart have none of
    // their own and are always in the legend.
    const bool present = series->count() > 0 || series->property("alwaysInLegend").toBool();
    const bool shown = Shown(series->objectName());
    series->setVisible(present && shown);
    // A hidden series hides its legend entry too; the entry stays, dimmed, to be clicked again.
    for (QLegendMarker* marker : legend()->markers(series)) {
        marker->setVisible(present);
        const qreal alpha = shown ? 1.0 : 0.35;
        QBrush label = marker->labelBrush();
        QColor colour = label.color();
        colour.setAlphaF(alpha);
        label.setColor(colour);
        marker->setLabelBrush(label);
        QPen pen = marker->pen();
        colour = pen.color();
        colour.setAlphaF(alpha);
        pen.setColor(colour);
        marker->setPen(pen);
    }
}

void LegendChart::SetHome(double xLow, double xHigh, double yLow, double yHigh, bool roundX) {
    const AxisTicks x = roundX ? RoundTicks(xLow, xHigh) : AxisTicks{xLow, xHigh, m_x->tickCount()};
    const AxisTicks y = RoundTicks(yLow, yHigh);
    const std::array<double, 4> home{x.low, x.high, y.low, y.high};
    // The same view as before: a zoom the user made stays, as the next Calculate tunes the line.
    if (home == m_home) {
        return;
    }
    m_home = home;
    m_x->setTickCount(x.count);
    m_y->setTickCount(y.count);
    ResetZoom();
}

void LegendChart::ResetZoom() {
    m_x->setRange(m_home[0], m_home[1]);
    m_y->setRange(m_home[2], m_home[3]);
}

void LegendChart::ShowPlotContents(bool shown) {
    for (QXYSeries* series : m_entries) {
        if (shown) {
            ShowEntry(series);
        } else {
            const QList<QLegendMarker*> markers = legend()->markers(series);
            const bool inLegend = !markers.isEmpty() && markers.front()->isVisible();
            series->setVisible(false);
            for (QLegendMarker* marker : markers) {
                marker->setVisible(inLegend);
            }
        }
    }
}

bool LegendChart::WriteSvg(QGraphicsView* view, QIODevice* device, const QString& title) {
    const QRect all(QPoint(0, 0), view->size());
    const auto draw = [&] {
        QBuffer buffer;
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setSize(all.size());
        generator.setViewBox(all);
        generator.setTitle(title);
        QPainter painter(&generator);
        view->render(&painter, all, all);
        painter.end();
        return buffer.data();
    };
    const QByteArray whole = draw();
    ShowPlotContents(false);
    QByteArray frame = draw();
    ShowPlotContents(true);

    // The whole drawing's elements, without its own <svg> element around them.
    const qsizetype start = whole.indexOf('>', whole.indexOf("<svg")) + 1;
    const qsizetype end = whole.lastIndexOf("</svg>");
    const qsizetype close = frame.lastIndexOf("</svg>");
    if (start <= 0 || end < start || close < 0) {
        return false;
    }
    // The generator numbers its gradients from 1 in each drawing; the second drawing's get names
    // of their own.
    QByteArray contents = whole.mid(start, end - start);
    contents.replace(R"(id="gradient)", R"(id="plotgradient)");
    contents.replace("url(#gradient", "url(#plotgradient");
    const QRectF plot = view->mapFromScene(mapToScene(plotArea()).boundingRect()).boundingRect();
    const QByteArray clipped =
        QStringLiteral("<defs><clipPath id=\"plot\"><rect x=\"%1\" y=\"%2\" width=\"%3\" "
                       "height=\"%4\"/></clipPath></defs>\n<g clip-path=\"url(#plot)\">\n")
            .arg(plot.x())
            .arg(plot.y())
            .arg(plot.width())
            .arg(plot.height())
            .toUtf8() +
        contents + "</g>\n";
    frame.insert(close, clipped);
    // A clip path is no part of SVG Tiny, the profile the generator declares.
    frame.replace(R"(version="1.2" baseProfile="tiny")", R"(version="1.1")");
    return device->write(frame) == frame.size();
}

QTransform LegendChart::ValueToChart() const {
    const QRectF plot = plotArea();
    const double sx = plot.width() / (m_x->max() - m_x->min());
    const double sy = -plot.height() / (m_y->max() - m_y->min());
    return {sx, 0, 0, sy, plot.left() - m_x->min() * sx, plot.bottom() - m_y->min() * sy};
}

bool LegendChart::InView(QPointF value) const {
    return value.x() >= m_x->min() && value.x() <= m_x->max() && value.y() >= m_y->min() &&
           value.y() <= m_y->max();
}

ContourChart::ContourChart() : LegendChart(tr("Anode voltage (V)"), tr("Grid voltage (V)")) {
    setObjectName(QStringLiteral("contourChart"));
    // The contours are clipped to the plot, as the series are.
    m_plotClip = new QGraphicsRectItem(this);
    m_plotClip->setPen(Qt::NoPen);
    m_plotClip->setFlag(QGraphicsItem::ItemClipsChildrenToShape);
    m_plotClip->setZValue(kContourZ);

    m_rectangle = AddEntry<QLineSeries>("dataRectangle", tr("Digitized data"));
    m_rectangle->setPen(QPen(kDataColour, 1.2));
    for (std::size_t f = 0; f < kFamilies; ++f) {
        // An empty series carries the family's legend entry; the contours are paths.
        m_families[f] = AddEntry<QLineSeries>(StyleOf(f).entry, tr(StyleOf(f).name));
        m_families[f]->setPen(FamilyPen(f));
        m_families[f]->setProperty("alwaysInLegend", true);
    }
    // An imported design's traced points, over the contours so that the fit can be judged and
    // under the operating line. They belong to their family's legend entry, and the ring round the
    // largest residual needs none: a legend of more entries would cut their words short.
    for (std::size_t f = 0; f <= kFamilies; ++f) {
        auto* points = new QScatterSeries;
        points->setObjectName(
            QString::fromLatin1(f < kFamilies ? StyleOf(f).traced : "largestResidual"));
        addSeries(points);
        points->attachAxis(m_x);
        points->attachAxis(m_y);
        for (QLegendMarker* marker : legend()->markers(points)) {
            marker->setVisible(false);
        }
        if (f < kFamilies) {
            points->setPen(Qt::NoPen);
            points->setBrush(StyleOf(f).colour);
            points->setMarkerSize(5);
            m_traced[f] = points;
        } else {
            points->setPen(QPen(kWarningColour, 2.0));
            points->setBrush(Qt::NoBrush);
            points->setMarkerSize(16);
            m_largestResidual = points;
        }
    }
    m_line = AddEntry<QLineSeries>("operatingLine", tr("Operating line over the cycle"));
    m_line->setPen(QPen(kLineColour, 2.0));
    m_inside = AddEntry<QScatterSeries>("pointsInside", tr("Points A to G"));
    m_outside = AddEntry<QScatterSeries>("pointsOutside", tr("Outside the digitized data"));
    for (auto [points, colour, size] :
         {std::tuple{m_inside, kLineColour, 10.0}, std::tuple{m_outside, kWarningColour, 12.0}}) {
        points->setPen(QPen(Qt::white, 1.0));
        points->setBrush(colour);
        points->setMarkerSize(size);
        connect(points, &QScatterSeries::hovered, this,
                [this](QPointF point, bool state) { OnMarkerHovered(point, state); });
    }
    for (std::size_t k = 0; k < m_letters.size(); ++k) {
        m_letters[k] = NewText(this, Letter(static_cast<LinePoint>(k)), kLineColour, 9);
    }
    FinishLegend();
}

void ContourChart::Show(const ChartModel& model, const QString& separator) {
    m_markers = model.markers;
    m_separator = separator;
    m_lineDrawn = model.lineState == LineState::Drawn;
    // The view first, so that every series takes its new points in it only once.
    const PlaneRect& home = model.home;
    SetHome(home.low.anode, home.high.anode, home.low.grid, home.high.grid);

    const PlaneRect& data = model.data;
    SetPoints(m_rectangle, {{data.low.anode, data.low.grid},
                            {data.high.anode, data.low.grid},
                            {data.high.anode, data.high.grid},
                            {data.low.anode, data.high.grid},
                            {data.low.anode, data.low.grid}});

    for (Contour& contour : m_contours) {
        delete contour.path;
        delete contour.label;
    }
    m_contours.clear();
    const std::string separatorText = separator.toStdString();
    for (std::size_t f = 0; f < kFamilies; ++f) {
        QPen pen = FamilyPen(f);
        // Widths in pixels, whatever the transform from volts to the plot.
        pen.setCosmetic(true);
        for (const ContourLine& line : model.families[f].lines) {
            QPainterPath path;
            path.moveTo(line.points.front().anode, line.points.front().grid);
            for (std::size_t k = 1; k < line.points.size(); ++k) {
                path.lineTo(line.points[k].anode, line.points[k].grid);
            }
            auto* item = new QGraphicsPathItem(path, m_plotClip);
            item->setPen(pen);
            item->setData(0, QString::fromLatin1(StyleOf(f).contours));
            item->setData(1, line.level);
            const QString level = LevelText(line.level, separatorText);
            Contour contour{
                item, NewText(this, tr("%1 mA").arg(level), StyleOf(f).colour, 7.5), f, {}};
            // Label places from the middle of the line outwards, a few dozen at most.
            const std::size_t count = line.points.size(), middle = count / 2;
            const std::size_t stride = std::max<std::size_t>(1, count / 24);
            for (std::size_t distance = 0; distance <= middle; distance += stride) {
                for (const std::size_t k : {middle + distance, middle - distance}) {
                    if (k < count) {
                        contour.middles.emplace_back(line.points[k].anode, line.points[k].grid);
                    }
                }
            }
            m_contours.push_back(std::move(contour));
        }
    }

    for (std::size_t f = 0; f < kFamilies; ++f) {
        QList<QPointF> traced;
        traced.reserve(static_cast<qsizetype>(model.traced[f].size()));
        for (const PlanePoint& point : model.traced[f]) {
            traced.append({point.anode, point.grid});
        }
        m_traced[f]->replace(traced);
    }
    QList<QPointF> largest;
    if (model.largestResidualAt) {
        largest.append({model.largestResidualAt->anode, model.largestResidualAt->grid});
    }
    m_largestResidual->replace(largest);

    QList<QPointF> line, inside, outside;
    if (m_lineDrawn) {
        line = {{model.cycleStart.anode, model.cycleStart.grid},
                {model.cycleEnd.anode, model.cycleEnd.grid}};
        for (const LineMarker& marker : m_markers) {
            (marker.outside ? outside : inside)
                .append({marker.position.anode, marker.position.grid});
        }
    }
    SetPoints(m_line, line);
    SetPoints(m_inside, inside);
    SetPoints(m_outside, outside);
    Relayout();
}

void ContourChart::Relayout() {
    const QRectF plot = plotArea();
    const QTransform toChart = ValueToChart();
    m_plotClip->setRect(plot);
    std::vector<QRectF> taken;
    for (std::size_t k = 0; k < m_letters.size(); ++k) {
        const LineMarker& marker = m_markers[k];
        const QPointF value(marker.position.anode, marker.position.grid);
        QGraphicsSimpleTextItem* letter = m_letters[k];
        letter->setBrush(marker.outside ? kWarningColour : kLineColour);
        const bool shown = m_lineDrawn && InView(value) &&
                           Shown((marker.outside ? m_outside : m_inside)->objectName());
        letter->setVisible(shown);
        if (shown) {
            letter->setPos(toChart.map(value) + QPointF(5, -letter->boundingRect().height() - 2));
            taken.push_back(letter->sceneBoundingRect());
        }
    }
    // Each contour's label sits on the line, as near its middle as the view and the labels
    // already placed allow.
    for (std::size_t f = 0; f < kFamilies; ++f) {
        m_traced[f]->setVisible(Shown(m_families[f]->objectName()));
    }
    m_largestResidual->setVisible(true);
    for (Contour& contour : m_contours) {
        const bool shown = Shown(m_families[contour.family]->objectName());
        contour.path->setVisible(shown);
        contour.path->setTransform(toChart);
        contour.label->setVisible(false);
        if (!shown) {
            continue;
        }
        const QRectF box = contour.label->boundingRect();
        for (const QPointF& candidate : contour.middles) {
            if (!InView(candidate)) {
                continue;
            }
            const QRectF where = box.translated(toChart.map(candidate) - box.center());
            if (plot.contains(where) && std::ranges::none_of(taken, [&](const QRectF& other) {
                    return other.intersects(where);
                })) {
                contour.label->setPos(where.topLeft());
                contour.label->setVisible(true);
                taken.push_back(where);
                break;
            }
        }
    }
}

void ContourChart::ShowPlotContents(bool shown) {
    LegendChart::ShowPlotContents(shown);
    m_plotClip->setVisible(shown);
    for (QXYSeries* points : std::initializer_list<QXYSeries*>{m_traced[0], m_traced[1],
                                                               m_traced[2], m_largestResidual}) {
        points->setVisible(false); // Relayout shows them again
    }
    for (QGraphicsSimpleTextItem* letter : m_letters) {
        letter->setVisible(false);
    }
    for (Contour& contour : m_contours) {
        contour.label->setVisible(false);
    }
    if (shown) {
        Relayout();
    }
}

QString ContourChart::ToolTip(const LineMarker& marker) const {
    QString text = tr("Point %1\nAnode current: %2 mA\nScreen current: %3 mA\nGrid current: %4 mA")
                       .arg(Letter(marker.point), Milliamperes(marker.sample.Ib, m_separator),
                            Milliamperes(marker.sample.Ic2, m_separator),
                            Milliamperes(marker.sample.Ic1, m_separator));
    if (marker.outside) {
        text += QLatin1Char('\n') + tr("Outside the digitized data: the edge curves are continued");
    }
    return text;
}

void ContourChart::OnMarkerHovered(QPointF point, bool state) {
    if (!state || !m_lineDrawn) {
        QToolTip::hideText();
        return;
    }
    // The marker drawn nearest the point hovered.
    const QTransform toChart = ValueToChart();
    const QPointF at = toChart.map(point);
    const LineMarker* nearest = &m_markers.front();
    double best = INFINITY;
    for (const LineMarker& marker : m_markers) {
        const QPointF d = toChart.map(QPointF(marker.position.anode, marker.position.grid)) - at;
        if (const double distance = std::hypot(d.x(), d.y()); distance < best) {
            best = distance;
            nearest = &marker;
        }
    }
    QToolTip::showText(QCursor::pos(), ToolTip(*nearest));
}

CycleChart::CycleChart()
    : LegendChart(tr("Drive angle (degrees; 0 is Point A, 90 is Point G)"), tr("Current (mA)")) {
    setObjectName(QStringLiteral("cycleChart"));
    static const char* const kNames[kFamilies][4] = {
        {"cycleAnode", "samplesAnode", QT_TR_NOOP("Anode current"),
         QT_TR_NOOP("Anode current at A to G")},
        {"cycleScreen", "samplesScreen", QT_TR_NOOP("Screen current"),
         QT_TR_NOOP("Screen current at A to G")},
        {"cycleGrid", "samplesGrid", QT_TR_NOOP("Grid current"),
         QT_TR_NOOP("Grid current at A to G")},
    };
    for (std::size_t f = 0; f < kFamilies; ++f) {
        m_lines[f] = AddEntry<QLineSeries>(kNames[f][0], tr(kNames[f][2]));
        QPen pen = FamilyPen(f);
        pen.setWidthF(1.8);
        m_lines[f]->setPen(pen);
        auto* samples = AddEntry<QScatterSeries>(kNames[f][1], tr(kNames[f][3]));
        samples->setPen(QPen(Qt::white, 1.0));
        samples->setBrush(StyleOf(f).colour);
        samples->setMarkerSize(9);
        m_samples[f] = samples;
    }
    // Ticks every 45 degrees: A, the points between, G and the half cycle beyond it.
    m_x->setTickCount(9);
    FinishLegend();
}

void CycleChart::Show(const ChartModel& model) {
    constexpr std::array<double SamplePoint::*, kFamilies> kCurrents{
        &SamplePoint::Ib, &SamplePoint::Ic2, &SamplePoint::Ic1};
    std::array<QList<QPointF>, kFamilies> lines, samples;
    double low = 0.0, high = 1.0;
    if (model.cycle) {
        const CycleAnalysis& cycle = *model.cycle;
        for (std::size_t f = 0; f < kFamilies; ++f) {
            for (std::size_t k = 0; k < cycle.points.size(); ++k) {
                const double value = cycle.points[k].*kCurrents[f] * kMilli;
                lines[f].append({cycle.theta[k], value});
                low = std::min(low, value);
                high = std::max(high, value);
            }
            for (const LineMarker& marker : model.markers) {
                samples[f].append({model.markerTheta[static_cast<std::size_t>(marker.point)],
                                   marker.sample.*kCurrents[f] * kMilli});
            }
        }
    }
    SetHome(-180, 180, low, high, false);
    for (std::size_t f = 0; f < kFamilies; ++f) {
        SetPoints(m_lines[f], lines[f]);
        SetPoints(m_samples[f], samples[f]);
    }
}

} // namespace tetrode
