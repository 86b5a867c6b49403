// SPDX-License-Identifier: MIT
#include "window/chart_drawing.h"

#include "platform/number_text.h"

#include <QBrush>
#include <QCursor>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace tetrode {
namespace {

constexpr double kMilli = 1000.0;

// The legend entries of Points A to G, inside the data and outside it.
constexpr char kInsideGroup[] = "pointsInside";
constexpr char kOutsideGroup[] = "pointsOutside";

// One colour per current throughout the window; the warning colour only for points outside the
// data. All dark enough to read on white, and told apart by line style as well.
const QColor kAnodeColour(0x1f, 0x4e, 0x9c);
const QColor kScreenColour(0x2e, 0x7d, 0x32);
const QColor kGridColour(0xa0, 0x24, 0x6c);
const QColor kLineColour(0x20, 0x20, 0x20);
const QColor kDataColour(0x90, 0x90, 0x90);
const QColor kWarningColour(0xe6, 0x51, 0x00);

struct FamilyStyle {
    const char* group;  // objectName of its legend entry
    const char* series; // objectName of each of its lines
    const char* name;   // the legend's words
    QColor colour;
    Qt::PenStyle style;
};

const FamilyStyle& StyleOf(CurrentFamily family) {
    static const std::array<FamilyStyle, 3> kStyles{{
        {"familyAnode", "contourAnode", QT_TRANSLATE_NOOP("tetrode::ContourChart", "Anode current"),
         kAnodeColour, Qt::SolidLine},
        {"familyScreen", "contourScreen",
         QT_TRANSLATE_NOOP("tetrode::ContourChart", "Screen current"), kScreenColour, Qt::DashLine},
        {"familyGrid", "contourGrid", QT_TRANSLATE_NOOP("tetrode::ContourChart", "Grid current"),
         kGridColour, Qt::DotLine},
    }};
    return kStyles[static_cast<std::size_t>(family)];
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A milliampere figure as the main window shows currents.
QString Milliamperes(double amperes, const QString& separator) {
    return Utf8(FormatDisplayPattern(amperes * kMilli, "###0.0", separator.toStdString()));
}

template <class Series>
Series* NewSeries(const char* objectName, const QString& name, const QPen& pen) {
    auto* series = new Series;
    series->setObjectName(QString::fromLatin1(objectName));
    series->setName(name);
    series->setPen(pen);
    return series;
}

QScatterSeries* NewPoints(const char* objectName, const QString& name, const QColor& colour,
                          qreal size) {
    auto* points = NewSeries<QScatterSeries>(objectName, name, QPen(Qt::white, 1.0));
    points->setBrush(colour);
    points->setMarkerSize(size);
    return points;
}

// A small text that follows the data, on a pale ground so that lines crossing it do not hide it.
QGraphicsSimpleTextItem* NewText(QGraphicsItem* parent, const QString& text, const QColor& colour,
                                 qreal pointSize) {
    auto* item = new QGraphicsSimpleTextItem(text, parent);
    QFont font = item->font();
    font.setPointSizeF(pointSize);
    item->setFont(font);
    item->setBrush(colour);
    item->setZValue(10);
    auto* ground = new QGraphicsRectItem(item->boundingRect().adjusted(-1, 0, 1, 0), item);
    ground->setBrush(QColor(255, 255, 255, 210));
    ground->setPen(Qt::NoPen);
    ground->setFlag(QGraphicsItem::ItemStacksBehindParent);
    return item;
}

// An axis from `low` to `high` widened to whole steps of 1, 2 or 5 times a power of ten, with
// at most ten steps across.
struct AxisTicks {
    double low;
    double high;
    int count;
};
AxisTicks RoundTicks(double low, double high) {
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

void SetTicks(QValueAxis* axis, double low, double high) {
    // A little room, so that nothing drawn at the extremes sits on the plot's edge.
    const double margin = (high - low) * 0.03;
    const AxisTicks ticks = RoundTicks(low - margin, high + margin);
    axis->setRange(ticks.low, ticks.high);
    axis->setTickCount(ticks.count);
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
    connect(this, &QChart::plotAreaChanged, this, [this] { Relayout(); });
    connect(m_x, &QValueAxis::rangeChanged, this, [this] { Relayout(); });
    connect(m_y, &QValueAxis::rangeChanged, this, [this] { Relayout(); });
}

void LegendChart::Clear() {
    removeAllSeries();
    m_groups.clear();
}

void LegendChart::AddSeries(QXYSeries* series, const QString& group) {
    addSeries(series);
    series->attachAxis(m_x);
    series->attachAxis(m_y);
    m_groups[group].push_back(series);
}

void LegendChart::FinishLegend() {
    for (const auto& [group, members] : m_groups) {
        for (std::size_t k = 0; k < members.size(); ++k) {
            for (QLegendMarker* marker : legend()->markers(members[k])) {
                if (k > 0) {
                    marker->setVisible(false);
                } else {
                    connect(marker, &QLegendMarker::clicked, this,
                            [this, marker] { OnMarkerClicked(marker); });
                }
            }
        }
        ShowGroup(group, GroupShown(group));
    }
}

void LegendChart::OnMarkerClicked(QLegendMarker* marker) {
    for (const auto& [group, members] : m_groups) {
        if (!members.empty() && members.front() == marker->series()) {
            ShowGroup(group, !GroupShown(group));
        }
    }
    Relayout();
}

void LegendChart::ShowGroup(const QString& group, bool shown) {
    if (shown) {
        m_hidden.remove(group);
    } else {
        m_hidden.insert(group);
    }
    const std::vector<QXYSeries*>& members = m_groups[group];
    for (QXYSeries* series : members) {
        series->setVisible(shown);
    }
    if (members.empty()) {
        return;
    }
    // A hidden series hides its legend entry too; the entry stays, dimmed, to be clicked again.
    for (QLegendMarker* marker : legend()->markers(members.front())) {
        marker->setVisible(true);
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
    SetTicks(m_y, yLow, yHigh);
    if (roundX) {
        SetTicks(m_x, xLow, xHigh);
    } else {
        m_x->setRange(xLow, xHigh);
    }
    m_home = {m_x->min(), m_x->max(), m_y->min(), m_y->max()};
    Relayout();
}

void LegendChart::ResetZoom() {
    m_x->setRange(m_home[0], m_home[1]);
    m_y->setRange(m_home[2], m_home[3]);
}

QPointF LegendChart::Position(QPointF value) {
    const QList<QAbstractSeries*> all = series();
    return all.isEmpty() ? QPointF() : mapToPosition(value, all.front());
}

bool LegendChart::InView(QPointF value) const {
    return value.x() >= m_x->min() && value.x() <= m_x->max() && value.y() >= m_y->min() &&
           value.y() <= m_y->max();
}

ContourChart::ContourChart() : LegendChart(tr("Anode voltage (V)"), tr("Grid voltage (V)")) {
    setObjectName(QStringLiteral("contourChart"));
}

void ContourChart::Show(const ChartModel& model, const QString& separator) {
    Clear();
    for (ContourLabel& label : m_contourLabels) {
        delete label.item;
    }
    m_contourLabels.clear();
    for (auto& letter : m_letters) {
        delete letter.first;
    }
    m_letters.clear();
    m_markers = model.markers;
    m_separator = separator;

    // The data first, so that the lines are drawn over it.
    const PlaneRect& data = model.data;
    auto* rectangle =
        NewSeries<QLineSeries>("dataRectangle", tr("Digitized data"), QPen(kDataColour, 1.2));
    rectangle->append({{data.low.anode, data.low.grid},
                       {data.high.anode, data.low.grid},
                       {data.high.anode, data.high.grid},
                       {data.low.anode, data.high.grid},
                       {data.low.anode, data.low.grid}});
    AddSeries(rectangle, rectangle->objectName());

    for (const FamilyContours& family : model.families) {
        const FamilyStyle& style = StyleOf(family.family);
        const QString group = QString::fromLatin1(style.group);
        const QPen pen(style.colour, family.family == CurrentFamily::Grid ? 1.8 : 1.4, style.style);
        // An empty series carries the family's legend entry, also when no level crosses the data.
        AddSeries(NewSeries<QLineSeries>(style.group, tr(style.name), pen), group);
        for (const ContourLine& line : family.lines) {
            auto* series = NewSeries<QLineSeries>(style.series, tr(style.name), pen);
            series->setProperty("level", line.level);
            ContourLabel label{
                NewText(this,
                        tr("%1 mA").arg(Utf8(FormatGeneralSingle(
                            static_cast<float>(line.level * 1000.0), separator.toStdString()))),
                        style.colour, 7.5),
                group,
                {}};
            QList<QPointF> points;
            points.reserve(static_cast<qsizetype>(line.points.size()));
            for (const PlanePoint& p : line.points) {
                points.append({p.anode, p.grid});
                label.points.emplace_back(p.anode, p.grid);
            }
            series->replace(points);
            AddSeries(series, group);
            m_contourLabels.push_back(std::move(label));
        }
    }

    if (model.lineState == LineState::Drawn) {
        auto* line = NewSeries<QLineSeries>("operatingLine", tr("Operating line over the cycle"),
                                            QPen(kLineColour, 2.0));
        line->append({{model.cycleStart.anode, model.cycleStart.grid},
                      {model.cycleEnd.anode, model.cycleEnd.grid}});
        AddSeries(line, line->objectName());
        auto* inside = NewPoints(kInsideGroup, tr("Points A to G"), kLineColour, 10);
        auto* outside =
            NewPoints(kOutsideGroup, tr("Outside the digitized data"), kWarningColour, 12);
        for (const LineMarker& marker : m_markers) {
            (marker.outside ? outside : inside)
                ->append(marker.position.anode, marker.position.grid);
        }
        for (QScatterSeries* points : {inside, outside}) {
            if (points->count() == 0) {
                delete points;
                continue;
            }
            connect(points, &QScatterSeries::hovered, this,
                    [this](QPointF point, bool state) { OnMarkerHovered(point, state); });
            AddSeries(points, points->objectName());
        }
        for (const LineMarker& marker : m_markers) {
            const QChar letter(
                QLatin1Char(static_cast<char>('A' + static_cast<int>(marker.point))));
            m_letters.emplace_back(
                NewText(this, letter, marker.outside ? kWarningColour : kLineColour, 9), &marker);
        }
    }
    FinishLegend();
    const PlaneRect& home = model.home;
    SetHome(home.low.anode, home.high.anode, home.low.grid, home.high.grid);
}

void ContourChart::Relayout() {
    const QRectF plot = plotArea();
    std::vector<QRectF> taken;
    for (auto& [item, marker] : m_letters) {
        const QPointF value(marker->position.anode, marker->position.grid);
        const bool shown =
            InView(value) &&
            GroupShown(QString::fromLatin1(marker->outside ? kOutsideGroup : kInsideGroup));
        item->setVisible(shown);
        if (shown) {
            item->setPos(Position(value) + QPointF(5, -item->boundingRect().height() - 2));
            taken.push_back(item->sceneBoundingRect());
        }
    }
    // Each contour's label sits on the line, as near its middle as the view and the labels
    // already placed allow.
    for (ContourLabel& label : m_contourLabels) {
        label.item->setVisible(false);
        if (!GroupShown(label.group) || label.points.empty()) {
            continue;
        }
        const QRectF box = label.item->boundingRect();
        const std::size_t count = label.points.size();
        const std::size_t stride = std::max<std::size_t>(1, count / 24);
        for (std::size_t distance = 0; distance <= count / 2 + stride; distance += stride) {
            bool placed = false;
            for (const std::size_t k :
                 {count / 2 + distance, count / 2 - std::min(distance, count / 2)}) {
                if (k >= count || !InView(label.points[k])) {
                    continue;
                }
                const QPointF at = Position(label.points[k]) - box.center();
                const QRectF where = box.translated(at);
                if (!plot.contains(where) || std::ranges::any_of(taken, [&](const QRectF& r) {
                        return r.intersects(where);
                    })) {
                    continue;
                }
                label.item->setPos(at);
                label.item->setVisible(true);
                taken.push_back(where);
                placed = true;
                break;
            }
            if (placed) {
                break;
            }
        }
    }
}

QString ContourChart::ToolTip(const LineMarker& marker) const {
    const QChar letter(QLatin1Char(static_cast<char>('A' + static_cast<int>(marker.point))));
    QString text = tr("Point %1\nAnode current: %2 mA\nScreen current: %3 mA\nGrid current: %4 mA")
                       .arg(letter, Milliamperes(marker.sample.Ib, m_separator),
                            Milliamperes(marker.sample.Ic2, m_separator),
                            Milliamperes(marker.sample.Ic1, m_separator));
    if (marker.outside) {
        text += QLatin1Char('\n') + tr("Outside the digitized data: the edge curves are continued");
    }
    return text;
}

void ContourChart::OnMarkerHovered(QPointF point, bool state) {
    if (!state) {
        QToolTip::hideText();
        return;
    }
    // The marker drawn nearest the point hovered.
    const QPointF at = Position(point);
    const LineMarker* nearest = &m_markers.front();
    double best = INFINITY;
    for (const LineMarker& marker : m_markers) {
        const QPointF d = Position({marker.position.anode, marker.position.grid}) - at;
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
    // Ticks every 45 degrees: A, the points between, G and the half cycle beyond it.
    m_x->setTickCount(9);
}

void CycleChart::Show(const ChartModel& model) {
    Clear();
    if (!model.cycle) {
        FinishLegend();
        SetHome(-180, 180, 0, 1, false);
        return;
    }
    const CycleAnalysis& cycle = *model.cycle;
    struct Current {
        const char* line;
        const char* samples;
        const char* name;
        const char* sampleName;
        double SamplePoint::*member;
        CurrentFamily family;
    };
    static const Current kCurrents[] = {
        {"cycleAnode", "samplesAnode", QT_TR_NOOP("Anode current"),
         QT_TR_NOOP("Anode current at A to G"), &SamplePoint::Ib, CurrentFamily::Anode},
        {"cycleScreen", "samplesScreen", QT_TR_NOOP("Screen current"),
         QT_TR_NOOP("Screen current at A to G"), &SamplePoint::Ic2, CurrentFamily::Screen},
        {"cycleGrid", "samplesGrid", QT_TR_NOOP("Grid current"),
         QT_TR_NOOP("Grid current at A to G"), &SamplePoint::Ic1, CurrentFamily::Grid},
    };
    double low = 0.0, high = 0.0;
    for (const Current& current : kCurrents) {
        const FamilyStyle& style = StyleOf(current.family);
        auto* line = NewSeries<QLineSeries>(current.line, tr(current.name),
                                            QPen(style.colour, 1.8, style.style));
        QList<QPointF> points;
        for (std::size_t k = 0; k < cycle.points.size(); ++k) {
            const double value = cycle.points[k].*current.member * kMilli;
            points.append({cycle.theta[k], value});
            low = std::min(low, value);
            high = std::max(high, value);
        }
        line->replace(points);
        AddSeries(line, line->objectName());
        auto* samples = NewPoints(current.samples, tr(current.sampleName), style.colour, 9);
        for (const LineMarker& marker : model.markers) {
            samples->append(model.markerTheta[static_cast<std::size_t>(marker.point)],
                            marker.sample.*current.member * kMilli);
        }
        AddSeries(samples, samples->objectName());
    }
    FinishLegend();
    SetHome(-180, 180, low, high > low ? high : low + 1, false);
}

} // namespace tetrode
