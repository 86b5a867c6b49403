// SPDX-License-Identifier: MIT
#include "window/frm_charts.h"

#include "platform/fault.h"
#include "platform/number_text.h"
#include "window/chart_drawing.h"
#include "window/fault_reporter.h"
#include "window/file_chooser.h"

#include <QChartView>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <new>
#include <type_traits>

namespace tetrode {
namespace {

// The names under which faults place the three boxes of typed levels, and the boxes' names.
constexpr std::array<std::string_view, 3> kLevelInputs{"Anode levels", "Screen levels",
                                                       "Grid levels"};
constexpr std::array<const char*, 3> kLevelBoxes{"txtAnodeLevels", "txtScreenLevels",
                                                 "txtGridLevels"};
constexpr std::array<const char*, 3> kLevelCaptions{
    QT_TRANSLATE_NOOP("tetrode::frmCharts", "Anode levels (mA):"),
    QT_TRANSLATE_NOOP("tetrode::frmCharts", "Screen:"),
    QT_TRANSLATE_NOOP("tetrode::frmCharts", "Grid:")};

QString LocaleDecimalSeparator() {
    return QLocale().decimalPoint();
}

QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* NewNote(const char* name, QWidget* parent) {
    auto* note = new QLabel(parent);
    note->setObjectName(QString::fromLatin1(name));
    note->setWordWrap(true);
    note->setTextFormat(Qt::PlainText);
    return note;
}

QPushButton* NewButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

QChartView* NewView(const char* name, QChart* chart, QWidget* parent) {
    auto* view = new QChartView(chart, parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    view->setRubberBand(QChartView::RectangleRubberBand);
    return view;
}

} // namespace

frmCharts::frmCharts(const Session& session, FileChooser& fileChooser, FaultReporter& faultReporter,
                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_fileChooser(fileChooser),
      m_faultReporter(faultReporter) {
    setObjectName(QStringLiteral("frmCharts"));
    setWindowTitle(tr("Tetrode Calculator: Charts"));
    resize(1040, 760);

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("stkCharts"));
    auto* none = new QLabel(tr("Open a curve file in the main window to see its charts."), m_pages);
    none->setObjectName(QStringLiteral("lblNoCurves"));
    none->setAlignment(Qt::AlignCenter);
    m_tabs = new QTabWidget(m_pages);
    m_tabs->setObjectName(QStringLiteral("tabCharts"));
    m_tabs->addTab(CreateCurvesPage(), tr("Constant-current curves"));
    m_tabs->addTab(CreateCyclePage(), tr("Currents over a cycle"));
    m_tabs->addTab(CreateTablePage(), tr("Harmonics and comparison"));
    connect(m_tabs, &QTabWidget::currentChanged, this, &frmCharts::ShowTab);
    m_pages->addWidget(none);
    m_pages->addWidget(m_tabs);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
}

frmCharts::~frmCharts() = default;

QWidget* frmCharts::CreateCurvesPage() {
    auto* page = new QWidget;
    auto* bar = new QHBoxLayout;
    for (std::size_t f = 0; f < m_levelBoxes.size(); ++f) {
        auto* box = new QLineEdit(page);
        box->setObjectName(QString::fromLatin1(kLevelBoxes[f]));
        box->setPlaceholderText(tr("automatic"));
        box->setToolTip(tr("Levels in mA, separated by blanks; Enter draws them, an empty box "
                           "the automatic ones"));
        auto* caption = new QLabel(tr(kLevelCaptions[f]), page);
        caption->setBuddy(box);
        bar->addWidget(caption);
        bar->addWidget(box, 1);
        connect(box, &QLineEdit::returnPressed, this, [this, f] { OnLevelsEntered(f); });
        m_levelBoxes[f] = box;
    }
    m_contourChart = new ContourChart;
    m_chtCurves = NewView("chtCurves", m_contourChart, page);
    bar->addSpacing(12);
    bar->addWidget(ChartButtons(m_chtCurves, "Curves", "curves"));
    m_lblCurvesNote = NewNote("lblCurvesNote", page);
    m_lblFitNote = NewNote("lblFitNote", page);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(bar);
    layout->addWidget(m_lblFitNote);
    layout->addWidget(m_lblCurvesNote);
    layout->addWidget(m_chtCurves, 1);
    return page;
}

QWidget* frmCharts::CreateCyclePage() {
    auto* page = new QWidget;
    m_cycleChart = new CycleChart;
    m_chtCycle = NewView("chtCycle", m_cycleChart, page);
    m_lblCycleNote = NewNote("lblCycleNote", page);
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_lblCycleNote, 1);
    bar->addWidget(ChartButtons(m_chtCycle, "Cycle", "cycle"));
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(bar);
    layout->addWidget(m_chtCycle, 1);
    return page;
}

QWidget* frmCharts::CreateTablePage() {
    auto* page = new QWidget;
    m_lblComparisonNote = NewNote("lblComparisonNote", page);
    m_grdComparison = new QTableWidget(0, 5, page);
    m_grdComparison->setObjectName(QStringLiteral("grdComparison"));
    m_grdComparison->setHorizontalHeaderLabels(
        {tr("Quantity"), tr("Unit"), tr("Seven points"), tr("Cycle"), tr("Difference (%)")});
    m_grdComparison->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grdComparison->verticalHeader()->setVisible(false);
    // Rows of one line each: sizing every row to its contents costs more than the table's data.
    m_grdComparison->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grdComparison->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_grdComparison->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_grdComparison->horizontalHeader()->setMinimumSectionSize(90);
    m_cmdExportTableCsv = NewButton(QStringLiteral("cmdExportTableCsv"), tr("Export CSV..."), page);
    connect(m_cmdExportTableCsv, &QPushButton::clicked, this, &frmCharts::ExportTable);
    auto* bar = new QHBoxLayout;
    bar->addWidget(m_lblComparisonNote, 1);
    bar->addWidget(m_cmdExportTableCsv, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(bar);
    layout->addWidget(m_grdComparison, 1);
    return page;
}

QWidget* frmCharts::ChartButtons(QChartView* view, const char* name, const char* kind) {
    auto* buttons = new QWidget;
    auto* layout = new QHBoxLayout(buttons);
    layout->setContentsMargins(0, 0, 0, 0);
    const QString chart = QString::fromLatin1(name);
    auto* reset = NewButton("cmdReset" + chart, tr("Reset zoom"), buttons);
    auto* png = NewButton("cmdExport" + chart + "Png", tr("Export PNG..."), buttons);
    auto* svg = NewButton("cmdExport" + chart + "Svg", tr("Export SVG..."), buttons);
    reset->setToolTip(tr("Drag a rectangle on the chart to zoom in"));
    connect(reset, &QPushButton::clicked, this,
            [view] { static_cast<LegendChart*>(view->chart())->ResetZoom(); });
    const QString suggested = QString::fromLatin1(kind);
    connect(png, &QPushButton::clicked, this,
            [this, view, suggested] { ExportChart(view, ImageFormat::Png, suggested); });
    connect(svg, &QPushButton::clicked, this,
            [this, view, suggested] { ExportChart(view, ImageFormat::Svg, suggested); });
    for (QPushButton* button : {reset, png, svg}) {
        layout->addWidget(button);
    }
    return buttons;
}

template <typename Action> void frmCharts::ReportingFaults(Action&& action) {
    try {
        action();
    } catch (const Fault& fault) {
        m_faultReporter.Report(this, fault);
    } catch (const std::bad_alloc&) {
        m_faultReporter.Report(
            this, Fault(FaultKind::OutOfMemory, "there is not enough memory for the charts"));
    } catch (const std::exception& exception) {
        m_faultReporter.Report(this, Fault(FaultKind::InvalidArgument, exception.what()));
    }
}

void frmCharts::Follow() {
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    Draw();
}

void frmCharts::showEvent(QShowEvent* event) {
    if (m_stale) {
        Draw();
    }
    QWidget::showEvent(event);
}

void frmCharts::Draw() {
    m_stale = false;
    ReportingFaults([this] {
        // Everything that can fail comes first: a fault leaves the charts as they were.
        ChartModel model = BuildCharts(m_session, m_options);
        m_model = std::move(model);
        const QString name = QFileInfo(Utf8(m_session.FileName())).completeBaseName();
        setWindowTitle(!m_model.hasCurves ? tr("Tetrode Calculator: Charts")
                       : m_model.imported
                           ? tr("Tetrode Calculator: Charts of %1 (imported)").arg(name)
                           : tr("Tetrode Calculator: Charts of %1").arg(name));
        m_pages->setCurrentIndex(m_model.hasCurves ? 1 : 0);
        if (!m_model.hasCurves) {
            return;
        }
        ShowNotes();
        m_tabStale.fill(true);
        ShowTab(m_tabs->currentIndex());
    });
}

void frmCharts::ShowTab(int index) {
    if (index < 0 || !m_tabStale[static_cast<std::size_t>(index)] || !m_model.hasCurves) {
        return;
    }
    m_tabStale[static_cast<std::size_t>(index)] = false;
    switch (index) {
    case 0:
        m_contourChart->Show(m_model, LocaleDecimalSeparator());
        break;
    case 1:
        m_cycleChart->Show(m_model);
        break;
    default:
        ShowTable();
        break;
    }
}

void frmCharts::ShowTable() {
    const std::string separator = LocaleDecimalSeparator().toStdString();
    const auto text = [&](std::optional<double> value, std::string_view pattern) {
        return value ? Utf8(FormatDisplayPattern(*value, pattern, separator)) : QString();
    };
    m_grdComparison->setRowCount(static_cast<int>(m_model.comparison.size()));
    m_cmdExportTableCsv->setEnabled(!m_model.comparison.empty());
    for (int r = 0; r < m_grdComparison->rowCount(); ++r) {
        const ComparisonRow& row = m_model.comparison[static_cast<std::size_t>(r)];
        const QString cells[] = {tr(std::string(row.caption).c_str()),
                                 tr(std::string(row.unit).c_str()),
                                 text(row.sevenPoint, row.pattern), text(row.cycle, row.pattern),
                                 text(row.differencePercent, kDifferencePattern)};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c >= 2) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            m_grdComparison->setItem(r, c, item);
        }
    }
}

void frmCharts::ShowNotes() {
    QString line;
    QString cycle;
    switch (m_model.lineState) {
    case LineState::NotCalculated:
        line = tr("Press Calculate in the main window to draw the operating line.");
        cycle = line;
        break;
    case LineState::OtherScreenVoltage:
        line = tr("The screen voltage has changed since the last Calculate: the curves are drawn "
                  "at the new one, the operating line after the next Calculate.");
        cycle = line;
        break;
    case LineState::Drawn: {
        QStringList outside;
        for (const LineMarker& marker : m_model.markers) {
            if (marker.outside) {
                outside.push_back(QChar(QLatin1Char(char('A' + static_cast<int>(marker.point)))));
            }
        }
        if (!outside.isEmpty()) {
            line = tr("Outside the digitized data (in orange): %1. The edge curves are continued "
                      "there, so the currents rest on no data.")
                       .arg(outside.join(QStringLiteral(", ")));
        }
        if (m_model.cycle->outsideDegrees > 0) {
            cycle = tr("%1 degrees of the cycle lie outside the digitized data, where the edge "
                       "curves are continued.")
                        .arg(Utf8(FormatDisplayPattern(m_model.cycle->outsideDegrees, "##0.0",
                                                       LocaleDecimalSeparator().toStdString())));
        }
        break;
    }
    }
    if (m_model.stride > 1) {
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) +
                tr("This large table is contoured from one point and one curve in %1.")
                    .arg(m_model.stride);
    }
    m_lblCurvesNote->setText(line);
    m_lblCurvesNote->setVisible(!line.isEmpty());

    QString fit;
    if (m_model.imported) {
        fit = tr("The dots are the points traced on the chart, over its curves regridded at the "
                 "traced currents.") +
              ' ' +
              (m_model.largestResidual.empty()
                   ? tr("No traced point lies within the table's axes.")
                   : tr("Largest residual (ringed): %1.").arg(Utf8(m_model.largestResidual)));
        for (const std::string& note : m_model.importNotes) {
            fit += '\n' + tr("Note: %1.").arg(Utf8(note));
        }
    }
    m_lblFitNote->setText(fit);
    m_lblFitNote->setVisible(m_model.imported);
    m_lblCycleNote->setText(cycle);
    m_lblComparisonNote->setText(
        tr("The seven-point sums read Points A to F of one half cycle with fixed weights: they "
           "leave Point G and the other half cycle out by design. The cycle analysis integrates "
           "the currents over the whole cycle at %1 points, so for a class-AB or class-A line it "
           "also counts the current that flows beyond G.")
            .arg(kCycleSteps) +
        (cycle.isEmpty() ? QString() : QStringLiteral("\n") + cycle));
}

void frmCharts::OnLevelsEntered(std::size_t family) {
    QLineEdit* box = m_levelBoxes[family];
    try {
        const std::vector<double> levels =
            ReadLevelList(box->text().toStdString(), LocaleDecimalSeparator().toStdString());
        m_options.levels[family] =
            levels.empty() ? std::nullopt : std::optional<std::vector<double>>(levels);
    } catch (const Fault& fault) {
        box->setFocus();
        box->selectAll();
        m_faultReporter.Report(this, fault.At(InputPlace{std::string(kLevelInputs[family])}));
        return;
    }
    Draw();
}

QString frmCharts::SaveName(const QString& kind, const QString& extension) const {
    const QString base = QFileInfo(Utf8(m_session.FileName())).completeBaseName();
    return (base.isEmpty() ? QStringLiteral("tetrode") : base) + QLatin1Char('-') + kind +
           QLatin1Char('.') + extension;
}

namespace {

// Writes through `write` to a file that replaces `path` only once it is complete, so a failed
// export never leaves a half-written file in place of an older one.
template <typename Write> void SaveFile(const QString& path, Write&& write) {
    QSaveFile file(path);
    const auto fail = [&](const QString& reason) {
        std::string cause("cannot write the file: ");
        cause.append(reason.toStdString());
        throw Fault(FaultKind::FileOpen, cause, FilePlace{path.toStdString()});
    };
    if (!file.open(QIODevice::WriteOnly)) {
        fail(file.errorString());
    }
    if (!write(file)) {
        file.cancelWriting();
        fail(file.errorString());
    }
    if (!file.commit()) {
        fail(file.errorString());
    }
}

} // namespace

void frmCharts::ExportChart(QChartView* view, ImageFormat format, const QString& kind) {
    const bool png = format == ImageFormat::Png;
    const QString path = m_fileChooser.ChooseSaveFile(
        this, png ? tr("Export the chart as PNG") : tr("Export the chart as SVG"),
        png ? tr("PNG images (*.png)") : tr("SVG drawings (*.svg)"),
        SaveName(kind, png ? QStringLiteral("png") : QStringLiteral("svg")));
    if (path.isEmpty()) {
        return;
    }
    ReportingFaults([&] {
        SaveFile(path, [&](QSaveFile& file) {
            if (png) {
                return view->grab().toImage().save(&file, "PNG");
            }
            return static_cast<LegendChart*>(view->chart())->WriteSvg(view, &file, windowTitle());
        });
    });
}

void frmCharts::ExportTable() {
    const QString path =
        m_fileChooser.ChooseSaveFile(this, tr("Export the table as CSV"), tr("CSV files (*.csv)"),
                                     SaveName(QStringLiteral("cycle"), QStringLiteral("csv")));
    if (path.isEmpty()) {
        return;
    }
    ReportingFaults([&] {
        const std::string text = ComparisonCsv(m_model.comparison);
        SaveFile(path, [&](QSaveFile& file) {
            return file.write(text.data(), static_cast<qint64>(text.size())) ==
                   static_cast<qint64>(text.size());
        });
    });
}

} // namespace tetrode

// The module's one entry point, looked up by the loader in the main window's library.
extern "C" Q_DECL_EXPORT tetrode::ChartsView*
tetrode_create_charts_view(const tetrode::Session& session, tetrode::FileChooser& fileChooser,
                           tetrode::FaultReporter& faultReporter, QWidget* parent) {
    return new tetrode::frmCharts(session, fileChooser, faultReporter, parent);
}
static_assert(std::is_same_v<decltype(&tetrode_create_charts_view), tetrode::ChartsViewFactory>);
