// SPDX-License-Identifier: MIT
#include "cli/command_line.h"
#include "import/curve_import.h"
#include "test_support.h"
#include "window/frm_main.h"
#include "window/window_layout.h"
#include "window_test_support.h"

#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tetrode {
namespace {

// The operating line of the case worked by hand below, on its curves.
const QString LinearLine = "open window/linear-currents.csv; type txtGridBias -115; "
                           "type txtAnodeBias 2500; type txtPeakGrid 60; type txtMinAnode 360; "
                           "type txtScreenBias 360";

// The traced example: contours of the 250 V model tube in WebPlotDigitizer's layout.
const std::string kTracedExport = TETRODE_EXAMPLES "/model-tetrode-250v-traced.csv";

using testing::FakeUser;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartWindow()); }

    void TearDown() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_TRUE(m_user.AllAnswered()) << "the window did not ask every question answered";
    }

    void StartWindow() {
        m_window.reset();
        // Loads as the program does, but holds each while m_held is set, reporting progress so
        // that a cancel still stops it.
        const CurveLoader loader = [this](const std::string& path,
                                          const ProgressCallback& progress) {
            while (m_held) {
                progress(1, 4);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (m_loadFails) {
                m_loadFails();
            }
            return LoadCurveFile(path, progress);
        };
        m_window = std::make_unique<frmMain>(m_user, m_user, nullptr, loader, &m_user);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    // Fails loudly when the window has no such control, so a renamed control cannot pass unseen.
    template <class Control = QWidget> Control& Find(const QString& name) const {
        return testing::Find<Control>(*m_window, name);
    }

    // The texts of the named labels or entry boxes (names and texts separated by spaces).
    QString Text(const QString& names) const {
        QStringList texts;
        for (const QString& name : names.split(' ')) {
            texts.push_back(Find(name).property("text").toString());
        }
        return texts.join(' ');
    }

    // The four limit labels: maximum and minimum anode voltage, maximum and minimum grid voltage.
    QString Limits() const {
        return Text("lblMaxAnodeVDatasheet lblMinAnodeVDatasheet lblMaxGridVDatasheet "
                    "lblMinGridVDatasheet");
    }

    // Everything of the window the user can see: caption, every control's text and whether it is
    // enabled.
    std::map<QString, QString> Snapshot() const {
        std::map<QString, QString> seen{{"caption", m_window->windowTitle()}};
        for (QWidget* control : m_window->findChildren<QWidget*>()) {
            if (control->isHidden()) {
                continue;
            }
            seen[control->objectName()] =
                control->property("text").toString() + (control->isEnabled() ? "" : " (disabled)");
        }
        return seen;
    }

    // Acts as the user, step by step ("; " between steps): "open FILE" (in the test data; "open"
    // alone cancels the dialog) and wait for the load to end, "wait" (for a load to end), "menu
    // ITEM" (clicked on the bar), "click BUTTON", "type BOX TEXT"
    // (replacing all the box holds), "key CONTROL KEYS..." (each key, such as Return, Num+Enter or
    // Shift+A, pressed with CONTROL focused).
    void Do(const QString& script) {
        for (const QString& step : script.split("; ", Qt::SkipEmptyParts)) {
            const QStringList word = step.split(' ');
            if (word[0] == "open") {
                m_user.answers.push_back(word.size() > 1 ? TETRODE_TEST_DATA "/" + word[1] : "");
                Do("menu mnuOpen; wait");
            } else if (word[0] == "wait") {
                EXPECT_TRUE(QTest::qWaitFor([this] { return !m_window->isLoading(); }))
                    << "the load did not end";
            } else if (word[0] == "menu") {
                QMenuBar* bar = m_window->menuBar();
                QTest::mouseClick(bar, Qt::LeftButton, {},
                                  bar->actionGeometry(&Find<QAction>(word[1])).center());
            } else if (word[0] == "click") {
                QTest::mouseClick(&Find(word[1]), Qt::LeftButton);
            } else if (word[0] == "type") {
                Do("key " + word[1] + " Ctrl+A Delete");
                QTest::keyClicks(&Find(word[1]), word.mid(2).join(' '));
            } else if (word[0] == "key") {
                Find(word[1]).setFocus();
                for (const QString& keys : word.mid(2)) {
                    const QKeyCombination key = QKeySequence(keys)[0];
                    QTest::keyClick(&Find(word[1]), key.key(), key.keyboardModifiers());
                }
            } else {
                throw std::logic_error("no such step: " + step.toStdString());
            }
        }
    }

    // Every caption and value fits inside its control at the window's font.
    void ExpectTextsFit() const {
        for (QLabel* label : m_window->findChildren<QLabel*>()) {
            if (label->isHidden()) {
                continue;
            }
            const QFontMetrics metrics = label->fontMetrics();
            EXPECT_LE(metrics.horizontalAdvance(label->text()), label->contentsRect().width())
                << label->objectName().toStdString() << " " << label->text().toStdString();
            EXPECT_LE(metrics.height(), label->contentsRect().height());
        }
        for (QGroupBox* frame : m_window->findChildren<QGroupBox*>()) {
            EXPECT_LT(frame->fontMetrics().horizontalAdvance(frame->title()), frame->width());
        }
        for (QPushButton* button : m_window->findChildren<QPushButton*>()) {
            EXPECT_LT(button->fontMetrics().horizontalAdvance(button->text()), button->width());
        }
    }

    FakeUser m_user;
    testing::ModalWatchdog m_watchdog;
    std::atomic<bool> m_held{false};
    // Called in the load's thread before it reads, to make the load fail as the test wants.
    std::function<void()> m_loadFails;
    std::unique_ptr<frmMain> m_window;
};

// State: just started, then after a load. Expected: the title, a bar of Open and Quit, empty boxes,
// the twenty value labels "0", texts that fit, Charts enabled and Calculate only once a file is
// loaded; the focus in txtGridBias, from where Tab visits the other boxes, Calculate when enabled,
// Charts, then txtGridBias again.
TEST_F(MainWindowTest, StartsEmptyAndTabsRoundTheWindow) {
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator");
    QStringList menu, values;
    for (QAction* action : m_window->menuBar()->actions()) {
        menu.push_back(action->objectName() + ' ' + action->text());
    }
    EXPECT_EQ(menu.join(','), "mnuOpen &Open,mnuImport &Import\u2026,mnuCopyResults &Copy Results,"
                              "mnuSaveResults &Save Results\u2026,mnuQuit &Quit");
    for (QLabel* label : m_window->findChildren<QLabel*>()) {
        if (label->objectName().startsWith("lbl")) {
            values.push_back(label->text());
        }
    }
    EXPECT_EQ(values, QStringList(20, "0"));
    EXPECT_EQ(Text("txtGridBias txtAnodeBias txtPeakGrid txtMinAnode txtScreenBias"), "    ");
    ExpectTextsFit();
    for (const bool loaded : {false, true}) {
        Do(loaded ? "open worked-example.csv; key txtGridBias" : "");
        EXPECT_EQ(Find("cmdCalculate").isEnabled(), loaded);
        EXPECT_TRUE(Find("cmdCharts").isEnabled());
        ASSERT_EQ(QApplication::focusWidget(), &Find("txtGridBias"));
        QStringList visited;
        while (visited.size() < (loaded ? 7 : 6)) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget()->objectName());
        }
        EXPECT_EQ(visited.join(' '),
                  QString("txtAnodeBias txtPeakGrid txtMinAnode txtScreenBias ") +
                      (loaded ? "cmdCalculate " : "") + "cmdCharts txtGridBias");
    }
}

// State: started with a large font, on a screen smaller than the window. Expected: the font is
// the user's, the layout scaled up so every caption fits its control; the window stays within the
// screen and its client area scrolls, so that Calculate can be brought into view.
TEST_F(MainWindowTest, LayoutFollowsTheFontAndScrollsOnASmallScreen) {
    const QFont font = QApplication::font();
    QFont large = font;
    large.setPointSizeF(16);
    QApplication::setFont(large);
    ASSERT_NO_FATAL_FAILURE(StartWindow());
    QApplication::setFont(font);
    EXPECT_EQ(m_window->font().pointSizeF(), 16);
    EXPECT_GT(m_window->layoutScale(), 1.5);
    ExpectTextsFit();

    const QRect screen = m_window->screen()->availableGeometry();
    EXPECT_LE(m_window->frameGeometry().height(), screen.height());
    auto& scroll = Find<QScrollArea>("scrollArea");
    ASSERT_LT(scroll.viewport()->height(), Find("clientArea").height())
        << "the test needs a screen smaller than the window";
    scroll.ensureWidgetVisible(&Find("cmdCalculate"));
    const QRect button(Find("cmdCalculate").mapTo(scroll.viewport(), QPoint()),
                       Find("cmdCalculate").size());
    EXPECT_TRUE(scroll.viewport()->rect().contains(button));
}

// State: just started. Action: Open the worked example, Enter at 300, Calculate, Open a second
// file, then files of odd names. Expected: the header text in the box and the label; each Open a
// fresh design: the file's own limits, no figures, its name alone in the caption, less its last
// four characters (not bytes), the toolkit's "[*]" shown as it stands.
TEST_F(MainWindowTest, EachOpenStartsAFreshDesign) {
    Do("open worked-example.csv");
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator worked-example");
    EXPECT_EQ(Text("txtScreenBias lblDataSheetScreenV"), "250 250");
    EXPECT_EQ(Limits(), "600 0 10 -10");

    Do("type txtScreenBias 300; key txtScreenBias Return; type txtAnodeBias 500; "
       "type txtMinAnode 100; click cmdCalculate");
    ASSERT_NE(Text("lblPeakAnodeRFVolts"), "0");
    Do("open window/limits-200-600.csv");
    EXPECT_EQ(Limits(), "600 200 0 -40");
    EXPECT_EQ(Text("txtScreenBias lblPeakAnodeRFVolts lblGridImpedance"), "250 0 0");
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator limits-200-600");

    QTemporaryDir folder;
    for (const auto& [name, shown] :
         {std::pair{"tube[*]A.csv", "tube[*]A"}, std::pair{"R\u00f6hre.d\u00e4t", "R\u00f6hre"},
          std::pair{"abc", "abc"}, std::pair{"abcd", ""}}) {
        const QString path = folder.filePath(QString::fromUtf8(name));
        ASSERT_TRUE(QFile::copy(TETRODE_TEST_DATA "/worked-example.csv", path));
        m_user.answers.push_back(path);
        Do("menu mnuOpen; wait");
        EXPECT_EQ(m_window->windowHandle()->title(),
                  "Tetrode Calculator " + QString::fromUtf8(shown));
    }
    EXPECT_TRUE(m_user.faults.empty());
}

// State: curves 200..600 V anode, 0..-40 V grid, taken at 250 V. Action: a screen voltage typed,
// then a key. Expected: any Enter key rescales the limits by the typed voltage over 250, as single
// products, and sets only VoltageRatio; other keys, with or without Shift, change nothing. The
// widest limits fit their labels.
TEST_F(MainWindowTest, EnterInScreenBoxRescalesTheLimits) {
    const char *scaled = "720 240 0 -48", *unscaled = "600 200 0 -40";
    Do("open window/limits-200-600.csv");
    EXPECT_EQ(Limits(), unscaled);
    const std::tuple<const char*, const char*, float, const char*> cases[] = {
        {"300", "Return", 1.2F, scaled},         {"360", "Return", 1.44F, "864.0001 288 0 -57.6"},
        {"250", "Return", 1.0F, unscaled},       {"300", "Num+Enter", 1.2F, scaled},
        {"250", "Shift+Return", 1.0F, unscaled}, {"300", "Num+Enter", 1.2F, scaled},
        {"250", "Shift+A", 1.2F, scaled},        {"250", "Escape", 1.2F, scaled},
    };
    for (const auto& [typed, key, ratio, limits] : cases) {
        SCOPED_TRACE(std::string(typed) + " then " + key);
        Do(QString("type txtScreenBias %1; key txtScreenBias %2").arg(typed, key));
        EXPECT_EQ(Limits(), limits);
        EXPECT_EQ(m_window->session().Scale(), (ScaleFactors{ratio, 1.0F}));
        ExpectTextsFit();
    }
    EXPECT_TRUE(m_user.faults.empty());
}

// State: linear-current curves at 300 V loaded. Action: type an operating line at 360 V, click
// Calculate. Expected: the fifteen texts worked out by hand below, fitting their labels.
//
// The currents are linear in both voltages (Ib = 0.2 mA/V anode + 12 mA/V above -125 V grid,
// Ic2 = 0.1 A - 0.02 mA/V anode + 1 mA/V grid, Ic1 = 1 mA/V above -125 V grid), so bilinear
// interpolation reproduces them exactly and every figure follows in closed form. With
// VoltageRatio 1.2 (single) and PowerRatio32 1.2^1.5 = 1.3145342: G is (2083.33, -95.833) and
// A (300, 50) in curve scale; Ib(G) = 0.766667 A x 1.3145342 = 1007.8 mA; the peak swings are
// 2500 - 360 = 2140 V and 60 + 115 = 175 V; the twelfth-part sums give IbDC 1.0423723 A,
// IbFundamental 1.5533044 A, Ic1DC 78.3266 mA, Ic2DC 128.3308 mA and Ic1(A) 0.230044 A, from which
// output 1662.01 W, input 2605.93 W, efficiency 63.78 %, anode impedance 1377.73 ohms, screen
// 46.199 W, driving 13.707 W, bias 9.0076 W and grid impedance 760.73 ohms. Every figure lies at
// least 0.019 from a rounding step. The German locale shows the same with its comma, on the
// labels and in the table Copy Results puts on the clipboard.
TEST_F(MainWindowTest, CalculateShowsFifteenFiguresInTheLocaleForm) {
    const QString table =
        "Quantity\tValue\tUnit\nCurve file\tlinear-currents.csv\t\n"
        "Data-sheet screen voltage\t300\tV\nGrid Bias\t-115\tV\nAnode Bias\t2500\tV\n"
        "Max Grid Volts\t60\tV\nMin Anode Volts\t360\tV\nScreen Bias\t360\tV\n"
        "Peak anode RF volts\t2140.0\tV\nAnode DC current\t1042.4\tmA\n"
        "Anode dissipation\t943.9\tW\nDC power input\t2605.9\tW\n"
        "RF power output\t1662.0\tW\nEfficiency\t63.8\t%\n"
        "Anode impedance\t1377.7\tohms\nAnode zero-signal current\t1007.8\tmA\n"
        "Screen DC current\t128.3\tmA\nScreen dissipation\t46.2\tW\n"
        "Peak grid RF volts\t175.0\tV\nGrid DC current\t78.3\tmA\n"
        "Driving power\t13.7\tW\nGrid dissipation\t4.7\tW\n"
        "Min. grid impedance\t761\tohms\n";
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        ASSERT_NO_FATAL_FAILURE(StartWindow());
        // The locale's separator reads as a decimal point, as the full stop does.
        Do(LinearLine + "; type txtPeakGrid 6" + locale.decimalPoint() +
           "0E1; click cmdCalculate; menu mnuCopyResults");
        ASSERT_TRUE(m_user.faults.empty()) << m_user.faults.front().what();
        const QString shown = QString(table).replace(QRegularExpression("(\\d)\\.(\\d)"),
                                                     "\\1" + locale.decimalPoint() + "\\2");
        EXPECT_EQ(QApplication::clipboard()->text(), shown);
        for (std::size_t k = 0; k < kFigureCount; ++k) {
            EXPECT_EQ(Text(FigureLabelNames[k]), shown.split('\n')[8 + int(k)].split('\t')[1]);
        }
        ExpectTextsFit();
        // The limits follow the screen voltage of the figures, with or without Enter.
        EXPECT_EQ(Limits(), "3000 0 60 -150");
    }
    Do("open window/limits-200-600.csv; type txtScreenBias 360; key txtScreenBias Return");
    EXPECT_EQ(Limits(), "864,0001 288 0 -57,6");
}

// State: just started, then the linear curves (anode 0..2500 V, grid 50..-125 V at 300 V). Action:
// step by step, type a line and Calculate, edit a box and type its text back, a failed Calculate,
// lines that leave the data, put Point A above Point G or give impossible figures, then Open.
// Expected: after each step, the figures drawn stale (in the disabled colour) from the start, after
// an edit, a failed Calculate or an Open, and fresh only while the boxes hold what the last
// successful Calculate read; a status line after each Calculate that names what its figures cannot
// be trusted for, nothing for a line inside the data; an Open clears it.
TEST_F(MainWindowTest, StaleFiguresAndWarningsFollowEachStep) {
    const auto stale = [this] {
        const QLabel& label = Find<QLabel>("lblOutputPower");
        return label.palette().color(QPalette::WindowText) ==
               label.palette().color(QPalette::Disabled, QPalette::WindowText);
    };
    // clang-format off
    const std::tuple<QString, bool, QString> steps[] = {
        {"", true, ""},
        {"open window/linear-currents.csv; type txtGridBias -115; type txtAnodeBias 2400; "
         "type txtPeakGrid 40; type txtMinAnode 360", true, ""},
        {"click cmdCalculate", false, ""},
        {"type txtAnodeBias 2500", true, ""}, {"type txtAnodeBias 2400", false, ""},
        {"type txtMinAnode 2400; click cmdCalculate", true, ""},
        {"type txtMinAnode 360; type txtPeakGrid 60; click cmdCalculate", false,
         "Points A, B outside the digitized curves (edge curves continued)"},
        {"type txtGridBias -200; type txtPeakGrid 40; click cmdCalculate", false,
         "Points F, G outside the digitized curves (edge curves continued)"},
        // Points B to F lie beyond G, away from A, at negative anode voltages.
        {"type txtGridBias -115; type txtAnodeBias 300; type txtPeakGrid 20; "
         "type txtMinAnode 2000; click cmdCalculate", false, "Points B, C, D, E, F outside the "
         "digitized curves (edge curves continued); Point A's anode voltage is not below Point G's; "
         "efficiency outside 0-100 %; negative RF output power"},
        {"open window/linear-currents.csv", true, ""},
    };
    // clang-format on
    for (const auto& [step, expected, warning] : steps) {
        SCOPED_TRACE(step.toStdString());
        Do(step);
        EXPECT_EQ(stale(), expected);
        EXPECT_EQ(Find("lblEfficiency").property("stale").toBool(), expected);
        EXPECT_EQ(m_window->statusBar()->currentMessage(), warning);
    }
}

// State: no curves; curves 200..600 V with Enter at 300; the linear curves with an operating line
// typed, or with its figures on view; then a box typed into. Action: Calculate with a text the
// reading would misread (two in the last row); an Open, Calculate or Enter that fails (one of each:
// the session's tests hold every failure); a load that runs out of memory or breaks down otherwise;
// an Import refused or cancelled at each of its questions; a cancelled Open; keys and clicks that
// do nothing. Expected: the report of each fault, its kind and the start of its words (an Import's
// the library's for the same), none otherwise; a refused text's names its box, the first in reading
// order, quotes the text and puts the focus in that box; a setting refused is asked for again,
// prefilled with what was typed; the window (caption, boxes, labels, limits, ratios, the curves) as
// before, with Open, Import and Calculate available again.
TEST_F(MainWindowTest, RefusedFailedAndIdleActionsChangeNothing) {
    using testing::FaultOf;
    QTemporaryDir folder;
    const QString refused = folder.filePath("nan.csv");
    QFile file(refused);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x,2A\n500,nan\n600,-20\n") > 0);
    file.close();
    const std::vector<DigitizedFile> traced{{kTracedExport, std::nullopt}},
        nan{{refused.toStdString(), std::nullopt}};
    const ImportSettingsTexts noAxis{"250", "0:3000", ""}, zero{"0", "", ""};
    // clang-format off
    const QString none, line = LinearLine, figures = LinearLine + "; click cmdCalculate; ",
        scaled = "open window/limits-200-600.csv; type txtScreenBias 300; key txtScreenBias Return; ",
        calculate = "click cmdCalculate", enter = "key txtScreenBias Return",
        import = "menu mnuImport; wait";
    // Enter and Escape in the other boxes and Escape in txtScreenBias, Enter on buttons.
    const QString idle = "key txtGridBias Return Num+Enter Escape; "
        "key txtAnodeBias Return Num+Enter Escape; key txtPeakGrid Return Num+Enter Escape; "
        "key txtMinAnode Return Num+Enter Escape; key txtScreenBias Escape; "
        "key cmdCalculate Return; key cmdCharts Return";
    const std::function<void()> noMemory = [] { throw std::bad_alloc(); },
        broken = [] { throw std::runtime_error("the disk went away"); };
    // The start of the fault's report (none: no fault), the box that takes the focus, what the
    // load of an Open throws, the exports chosen for an Import (none: not asked), the answers to
    // its settings (none: cancel).
    const struct { const char* name; QString setup, action; std::optional<std::string> report;
                   const char* focus = nullptr; std::function<void()> loadFails = nullptr;
                   std::optional<std::vector<DigitizedFile>> exports = std::nullopt;
                   QList<std::optional<ImportSettingsTexts>> settings = {}; } cases[] = {
        {"refused: a thousands separator", figures + "type txtAnodeBias 3,000", calculate,
         "Not accepted:\nAnode Bias: \"3,000\"", "txtAnodeBias"},
        {"refused: a word", figures + "type txtAnodeBias abc", calculate,
         "Not accepted:\nAnode Bias: \"abc\"", "txtAnodeBias"},
        {"refused: words", figures + "type txtScreenBias four hundred", calculate,
         "Not accepted:\nScreen Bias: \"four hundred\"", "txtScreenBias"},
        {"refused: a multiplier", figures + "type txtMinAnode 1.5kV", calculate,
         "Not accepted:\nMin Anode Volts: \"1.5kV\"", "txtMinAnode"},
        {"refused: two points", figures + "type txtPeakGrid 1.2.3", calculate,
         "Not accepted:\nMax Grid Volts: \"1.2.3\"", "txtPeakGrid"},
        {"refused: two boxes", figures + "type txtPeakGrid 200 mA; type txtGridBias -", calculate,
         "Not accepted:\nGrid Bias: \"-\"", "txtGridBias"},
        {"Open: text for a current", scaled, "open window/bad-anode-current.csv", "Not a number:\n"},
        {"Open: out of memory", figures, "open window/limits-200-600.csv", "Out of memory:\n",
         nullptr, noMemory},
        {"Open: an exception that is no fault", figures, "open window/limits-200-600.csv",
         "Not accepted:\nthe disk went away", nullptr, broken},
        {"Calculate: zero anode swing", figures + "type txtAnodeBias 360", calculate,
         "Division by zero:\n"},
        {"Enter: limits beyond single precision", scaled + "type txtScreenBias 3e38", enter,
         "Out of range:\n"},
        {"Import: a refused export", figures, import,
         FaultReport(FaultOf([&] { ReadTracedCurves(nan); })), nullptr, nullptr, nan},
        {"Import cancelled at the exports", figures, import, std::nullopt, nullptr, nullptr,
         std::vector<DigitizedFile>{}},
        {"Import cancelled at the settings", figures, import, std::nullopt, nullptr, nullptr, traced,
         {std::nullopt}},
        {"Import: an axis refused, asked again, cancelled", figures, import,
         FaultReport(FaultOf([] { ReadAxisRange("0:3000", true, "Anode axis"); })), nullptr,
         nullptr, traced, {noAxis, std::nullopt}},
        {"Import: a screen voltage the regridding refuses, asked again, cancelled", figures, import,
         FaultReport(FaultOf([&] { ImportDigitizedCurves({traced, 0, {}, {}}); })), nullptr,
         nullptr, traced, {zero, std::nullopt}},
        {"Open cancelled, curves and a line", line, "open", std::nullopt},
        {"keys and clicks that do nothing, no curves", none, idle, std::nullopt},
        {"keys and clicks that do nothing, with a line", line, idle, std::nullopt},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(StartWindow());
        Do(c.setup + "; key cmdCharts Tab");
        const auto before = Snapshot();
        const Session session = m_window->session();
        m_user.faults.clear();
        m_user.prefilled.clear();
        if (c.exports) {
            m_user.exports = {*c.exports};
        }
        m_user.settings = c.settings;
        m_loadFails = c.loadFails;
        Do(c.action);
        m_loadFails = nullptr;
        ASSERT_EQ(m_user.faults.size(), c.report ? 1U : 0U);
        if (c.report) {
            EXPECT_TRUE(FaultReport(m_user.faults[0]).starts_with(*c.report))
                << FaultReport(m_user.faults[0]);
        }
        if (c.focus != nullptr) {
            EXPECT_EQ(QApplication::focusWidget(), &Find(c.focus));
        }
        if (c.settings.size() == 2) {
            EXPECT_EQ(m_user.prefilled.back(), c.settings.front());
        }
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(m_window->session().Curves() == session.Curves());
        EXPECT_EQ(m_window->session().Scale(), session.Scale());
        EXPECT_FALSE(m_window->session().Traced());
    }
}

// State: curves and an operating line on view, a second load held under way. Action: Open,
// Calculate and Enter (with a screen voltage that would be refused) meanwhile; then the load goes
// on, or the user cancels it. Expected: Open and Calculate are disabled and nothing is acted on;
// after a moment the progress shows with the file's name; the load completes, or the cancel leaves
// the window as it was.
TEST_F(MainWindowTest, ActionsDuringALoadWaitForIt) {
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancelled" : "completed");
        ASSERT_NO_FATAL_FAILURE(StartWindow());
        Do(LinearLine + "; type txtScreenBias -5");
        const auto before = Snapshot();
        m_held = true;
        m_user.answers.push_back(TETRODE_TEST_DATA "/window/limits-200-600.csv");
        Do("menu mnuOpen; menu mnuOpen; click cmdCalculate; key txtScreenBias Return");
        EXPECT_TRUE(m_window->isLoading());
        EXPECT_FALSE(Find<QAction>("mnuOpen").isEnabled() || Find("cmdCalculate").isEnabled());
        EXPECT_TRUE(QTest::qWaitFor([this] {
            const auto* progress = m_window->findChild<QWidget*>("loadingProgress");
            return progress != nullptr && progress->isVisible();
        }));
        EXPECT_EQ(Text("loadingFile"), "Loading limits-200-600.csv");
        if (cancel) {
            Do("click cmdCancelLoad");
        }
        m_held = false;
        Do("wait");
        EXPECT_TRUE(m_user.faults.empty());
        EXPECT_TRUE(Find<QAction>("mnuOpen").isEnabled() && Find("cmdCalculate").isEnabled());
        if (cancel) {
            EXPECT_EQ(Snapshot(), before);
        } else {
            EXPECT_EQ(Text("lblPeakAnodeRFVolts") + ' ' + Limits(), "0 600 200 0 -40");
            EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator limits-200-600");
        }
    }
}

// State: a load held under way, or idle. Action: Quit, or close from the title bar. Expected: the
// window goes at once; a load is abandoned without a report, and the window can go with it.
TEST_F(MainWindowTest, QuitAndCloseEndAtOnceAlsoDuringALoad) {
    for (const int c : {0, 1, 2, 3}) {
        const bool viaMenu = c % 2 == 0, duringLoad = c >= 2;
        SCOPED_TRACE(std::string(viaMenu ? "Quit" : "close") + (duringLoad ? " in a load" : ""));
        ASSERT_NO_FATAL_FAILURE(StartWindow());
        m_held = duringLoad;
        if (duringLoad) {
            m_user.answers.push_back(TETRODE_TEST_DATA "/window/linear-currents.csv");
            Do("menu mnuOpen");
        }
        viaMenu ? Do("menu mnuQuit") : void(m_window->close());
        EXPECT_FALSE(m_window->isVisible());
        m_window.reset(); // waits for the load's thread, which the cancel ends
        EXPECT_TRUE(m_user.faults.empty());
    }
    m_held = false;
}

// What tetrode-calc writes for `args`.
std::string CalcOutput(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    EXPECT_EQ(cli::Run(args, out, err), 0) << err.str();
    return out.str();
}

// State: a curve file loaded and an operating line typed. Action: Calculate. Expected: the fifteen
// figures and four limits read as tetrode-calc's figures and limits give them for the same file
// and line (each line of its text ends in the window's text and the unit).
TEST_F(MainWindowTest, CommandLineShowsTheWindowsTexts) {
    QStringList labels;
    for (const char* name : FigureLabelNames) {
        labels.push_back(name);
    }
    // File (in the test data), then grid bias, anode bias, peak grid, minimum anode and screen.
    const std::array<const char*, 6> cases[] = {
        {"worked-example.csv", "-5", "550", "5", "100", "250"},
        {"worked-example-crlf.csv", "-5", "550", "5", "100", "300"},
        {"window/linear-currents.csv", "-115", "2500", "60", "360", "360"},
        {"../../examples/model-tetrode-250v.csv", "-75", "3000", "20", "400", "300"},
        {"../../examples/model-tetrode-400v.csv", "-60", "3000", "25", "450", "400"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        ASSERT_NO_FATAL_FAILURE(StartWindow());
        Do(QString("open %1; type txtGridBias %2; type txtAnodeBias %3; type txtPeakGrid %4; "
                   "type txtMinAnode %5; type txtScreenBias %6; click cmdCalculate")
               .arg(c[0], c[1], c[2], c[3], c[4], c[5]));
        ASSERT_TRUE(m_user.faults.empty());
        const std::string file = std::string(TETRODE_TEST_DATA "/") + c[0];
        QStringList shown;
        for (const std::string& output :
             {CalcOutput({"figures", file, "--grid-bias", c[1], "--anode-bias", c[2], "--peak-grid",
                          c[3], "--min-anode", c[4], "--screen", c[5]}),
              CalcOutput({"limits", file, "--screen", c[5]})}) {
            for (const QString& line : QString::fromStdString(output).split('\n')) {
                const QStringList words = line.split(' ', Qt::SkipEmptyParts);
                shown += words.size() >= 2 ? words[words.size() - 2] : QString();
            }
        }
        // The limits' text opens with the screen voltage and ends with the curves' own.
        EXPECT_EQ(shown.mid(0, 15).join(' ') + ' ' + shown.mid(17, 4).join(' '),
                  Text(labels.join(' ')) + ' ' + Limits());
    }
}

// State: just started; then the hand-worked line calculated; then another file opened. Action:
// Copy Results by its shortcut, then a value selected and copied; Save Results by its shortcut
// over an existing file, from the menu into a missing folder, and cancelled. Expected: neither
// action is available without results; the clipboard holds the results' table (the figures test
// holds all of it), then the value; the file holds what tetrode-calc writes for the same line; the
// failed save is reported at its path and leaves nothing behind.
TEST_F(MainWindowTest, CopyAndSaveResultsLeaveTheWindow) {
    const auto available = [this] {
        return Find<QAction>("mnuCopyResults").isEnabled() +
               Find<QAction>("mnuSaveResults").isEnabled();
    };
    EXPECT_EQ(available(), 0);
    Do(LinearLine + "; click cmdCalculate; key cmdCalculate Ctrl+C");
    EXPECT_EQ(available(), 2);
    EXPECT_TRUE(QApplication::clipboard()->text().endsWith("Min. grid impedance\t761\tohms\n"));
    // A value selected with the mouse is what Ctrl+C copies (values become selectable a moment
    // after the window first shows).
    EXPECT_TRUE(QTest::qWaitFor([this] {
        return Find<QLabel>("lblAnodeDCcurrent").textInteractionFlags() & Qt::TextSelectableByMouse;
    }));
    QTest::mouseDClick(&Find("lblAnodeDCcurrent"), Qt::LeftButton, {}, QPoint(4, 4));
    Do("key lblAnodeDCcurrent Ctrl+C");
    EXPECT_EQ(QApplication::clipboard()->text(), "1042");

    QTemporaryDir folder;
    const QString path = folder.filePath("results.csv"), missing = folder.filePath("no/r.csv");
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly) && old.write("old results") > 0);
    old.close();
    m_user.answers = {path, missing, ""};
    Do("key cmdCalculate Ctrl+S; menu mnuSaveResults; menu mnuSaveResults");
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll().toStdString(),
              CalcOutput({"figures", TETRODE_TEST_DATA "/window/linear-currents.csv", "--grid-bias",
                          "-115", "--anode-bias", "2500", "--peak-grid", "60", "--min-anode", "360",
                          "--screen", "360", "--format", "csv"}));
    ASSERT_EQ(m_user.faults.size(), 1U);
    EXPECT_EQ(m_user.faults[0].kind(), FaultKind::FileOpen);
    EXPECT_EQ(m_user.faults[0].place(), FaultPlace(FilePlace{missing.toStdString()}));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"results.csv"});
    Do("open worked-example.csv");
    EXPECT_EQ(available(), 0);
}

// State: the linear curves with figures on view. Action: Import the traced example at 250 V, the
// anode axis left to the proposal and the grid axis typed; save it first into a missing folder,
// then as tube.csv; Charts; then Open. Expected: Open, Import and Calculate wait while it runs;
// the axes prefilled with the proposal; a fresh design of the library's table for the same,
// captioned as imported; the failed save reported and offered again; the saved file loads as the
// same table and names the design; the charts show the export's points of each family and ring
// the largest residual, until the next Open forgets them.
TEST_F(MainWindowTest, ImportTakesATracedChartAsAFreshDesign) {
    const std::vector<DigitizedFile> exports{{kTracedExport, std::nullopt}};
    const TracedCurves traced = ReadTracedCurves(exports);
    const ImportedCurves imported =
        RegridImport(traced, 250, std::nullopt, ReadAxisRange("20:-70:-10", false, "Grid axis"));
    QTemporaryDir folder;
    const QString tube = folder.filePath("tube.csv"), nowhere = folder.filePath("none/tube.csv");
    Do(LinearLine + "; click cmdCalculate");
    m_user.exports = {exports};
    m_user.settings = {ImportSettingsTexts{"250", "", "20:-70:-10"}};
    m_user.answers = {nowhere, tube};
    Do("menu mnuImport");
    EXPECT_TRUE(m_window->isLoading());
    EXPECT_FALSE(Find<QAction>("mnuOpen").isEnabled() || Find<QAction>("mnuImport").isEnabled() ||
                 Find("cmdCalculate").isEnabled());
    Do("wait");
    ASSERT_EQ(m_user.prefilled.size(), 1U);
    EXPECT_EQ(m_user.prefilled[0],
              (ImportSettingsTexts{
                  "", QString::fromStdString(AxisRangeText(imported.anodeAxis)),
                  QString::fromStdString(AxisRangeText(ProposeGridAxis(traced.series)))}));
    EXPECT_TRUE(m_window->session().Curves() == imported.table);
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator tube (imported)");
    EXPECT_EQ(Text("txtScreenBias lblDataSheetScreenV lblPeakAnodeRFVolts"), "250 250 0");
    EXPECT_TRUE(Find<QAction>("mnuImport").isEnabled() && Find("cmdCalculate").isEnabled());
    ASSERT_EQ(m_user.faults.size(), 1U);
    EXPECT_EQ(m_user.faults[0].place(), FaultPlace(FilePlace{nowhere.toStdString()}));
    EXPECT_TRUE(LoadCurveFile(tube.toStdString()).table == imported.table);
    EXPECT_EQ(m_window->session().Path(), tube.toStdString());

    Do("click cmdCharts");
    const auto points = [this](const char* name) {
        return testing::SeriesPoints(*Find<QChartView>("chtCurves").chart(), name);
    };
    const char* const names[] = {"tracedAnode", "tracedScreen", "tracedGrid"};
    for (const CurrentFamily family : kCurrentFamilies) {
        std::vector<QPointF> expected;
        for (const TracedSeries& series : imported.series) {
            for (const TracedPoint& p : series.points) {
                if (series.family == family) {
                    expected.emplace_back(p.anodeVoltage, p.gridVoltage);
                }
            }
        }
        EXPECT_EQ(points(names[static_cast<int>(family)]), expected);
    }
    const PointResidual& largest = imported.residuals.points[*imported.residuals.largest];
    const TracedPoint& ringed = imported.series[largest.series].points[largest.point];
    EXPECT_EQ(points("largestResidual"),
              std::vector{QPointF(ringed.anodeVoltage, ringed.gridVoltage)});
    Do("open window/limits-200-600.csv");
    for (const char* name : {"tracedAnode", "tracedScreen", "tracedGrid", "largestResidual"}) {
        EXPECT_TRUE(points(name).empty()) << name;
    }
}

} // namespace
} // namespace tetrode

int main(int argc, char* argv[]) {
    return tetrode::testing::RunWindowTests(argc, argv);
}
