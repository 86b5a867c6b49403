// SPDX-License-Identifier: MIT
#include "platform/fault.h"
#include "platform/fault_reporter.h"
#include "platform/file_chooser.h"
#include "window/data_limits.h"
#include "window/frm_main.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

// Shows texts as texts in failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace tetrode {
namespace {

using Texts = std::vector<QString>;
// An operating line as typed into txtGridBias, txtAnodeBias, txtPeakGrid, txtMinAnode and
// txtScreenBias.
using Line = std::array<const char*, 5>;

// The operating line of the case computed by hand on linear-currents.csv.
constexpr Line LinearLine = {"-115", "2500", "60", "360", "360"};

const char* const LimitLabels[] = {"lblMaxAnodeVDatasheet", "lblMinAnodeVDatasheet",
                                   "lblMaxGridVDatasheet", "lblMinGridVDatasheet"};

QString DataFile(const char* name) {
    return QStringLiteral(TETRODE_TEST_DATA "/") + QString::fromLatin1(name);
}

// Answers the window's file questions from a queue, as the user would in the dialog.
class FakeFileChooser final : public FileChooser {
  public:
    QString ChooseFile(QWidget* /*parent*/) override {
        EXPECT_FALSE(answers.empty()) << "the window asked for a file when none was expected";
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QStringList answers;
};

class RecordingFaultReporter final : public FaultReporter {
  public:
    void Report(QWidget* /*parent*/, const Fault& fault) override { faults.push_back(fault); }
    std::vector<Fault> faults;
};

// A modal dialog would stop a headless test for good; this closes any that appears and fails.
struct ModalWatchdog {
    ModalWatchdog() {
        QObject::connect(&timer, &QTimer::timeout, &timer, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a modal dialog appeared: " << modal->windowTitle().toStdString();
                modal->close();
            }
        });
        timer.start(20);
    }
    QTimer timer;
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(StartWindow()); }

    void TearDown() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_TRUE(m_chooser.answers.empty()) << "the window did not ask for every file offered";
    }

    void StartWindow() {
        m_window = std::make_unique<frmMain>(m_chooser, m_reporter);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    }

    // Fails loudly when the window has no such control, so a renamed control cannot pass unseen.
    template <class Control = QWidget> Control& Find(const char* name) const {
        auto* control = m_window->findChild<Control*>(QString::fromLatin1(name));
        if (control == nullptr) {
            throw std::logic_error(std::string("the window has no control named ") + name);
        }
        return *control;
    }

    // The text of a label or an entry box.
    QString Text(const char* name) const { return Find(name).property("text").toString(); }

    Texts Limits() const {
        return {Text(LimitLabels[0]), Text(LimitLabels[1]), Text(LimitLabels[2]),
                Text(LimitLabels[3])};
    }

    // Everything of the window the user can see (caption, every control's text and whether it is
    // enabled) and the scale factors, for "nothing changed".
    std::map<QString, QString> Snapshot() const {
        const CurveTable& curves = m_window->curves();
        std::map<QString, QString> seen{
            {"caption", m_window->windowTitle()},
            {"ratios", QString::number(curves.VoltageRatio, 'g', 9) + ' ' +
                           QString::number(curves.PowerRatio32, 'g', 9)}};
        for (QWidget* control : m_window->findChildren<QWidget*>()) {
            seen[control->objectName()] =
                control->property("text").toString() + (control->isEnabled() ? "" : " (disabled)");
        }
        return seen;
    }

    // Clicks a menu bar item where the user would.
    void ClickMenu(const char* name) {
        QMenuBar* bar = m_window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(&Find<QAction>(name)).center());
    }

    void Open(const QString& path) {
        m_chooser.answers.push_back(path);
        ClickMenu("mnuOpen");
    }

    // Replaces the box's text the way a user does: select all, then type.
    void Type(const char* box, const char* text) {
        QTest::keyClick(&Find(box), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&Find(box), Qt::Key_Delete);
        QTest::keyClicks(&Find(box), QString::fromLatin1(text));
    }

    void TypeLine(const Line& texts) {
        const Line boxes = {"txtGridBias", "txtAnodeBias", "txtPeakGrid", "txtMinAnode",
                            "txtScreenBias"};
        for (std::size_t i = 0; i < texts.size(); ++i) {
            Type(boxes[i], texts[i]);
        }
    }

    void Key(const char* box, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&Find<QLineEdit>(box), key, modifiers);
    }

    void EnterScreenVoltage(const char* volts) {
        Type("txtScreenBias", volts);
        Key("txtScreenBias", Qt::Key_Return);
    }

    void Click(const char* button) {
        QTest::mouseClick(&Find<QPushButton>(button), Qt::LeftButton);
    }

    FakeFileChooser m_chooser;
    RecordingFaultReporter m_reporter;
    ModalWatchdog m_watchdog;
    std::unique_ptr<frmMain> m_window;
};

// State: just started. Action: none. Expected: the title, a bar of Open and Quit, empty boxes
// named by their caption labels, the twenty value labels "0", Calculate disabled, Charts enabled,
// the focus in txtGridBias, no access keys, labels and frames that never take the focus.
TEST_F(MainWindowTest, StartsEmptyWithCalculateDisabled) {
    EXPECT_EQ(m_window->objectName(), "frmMain");
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator");
    Texts menu, buddies;
    for (QAction* action : m_window->menuBar()->actions()) {
        menu.push_back(action->objectName() + ' ' + action->text());
        EXPECT_EQ(action->menu(), nullptr);
        EXPECT_TRUE(action->shortcut().isEmpty());
    }
    EXPECT_EQ(menu, (Texts{"mnuOpen Open", "mnuQuit Quit"}));
    int valueLabels = 0;
    for (QLabel* label : m_window->findChildren<QLabel*>()) {
        const std::string name = label->objectName().toStdString();
        valueLabels += name.starts_with("lbl") ? 1 : 0;
        EXPECT_EQ(label->text() == "0", name.starts_with("lbl")) << name;
        EXPECT_FALSE(label->text().contains('&')) << name;
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus) << name;
        if (label->buddy() != nullptr) {
            buddies.push_back(label->objectName() + ' ' + label->buddy()->objectName());
            EXPECT_EQ(label->buddy()->property("text").toString(), "");
        }
    }
    EXPECT_EQ(valueLabels, 20);
    EXPECT_EQ(buddies, (Texts{"Label1 txtGridBias", "Label2 txtAnodeBias", "Label5 txtScreenBias",
                              "Label3 txtPeakGrid", "Label4 txtMinAnode"}));
    for (QGroupBox* frame : m_window->findChildren<QGroupBox*>()) {
        EXPECT_EQ(frame->focusPolicy(), Qt::NoFocus) << frame->objectName().toStdString();
    }
    EXPECT_FALSE(Find("cmdCalculate").isEnabled());
    EXPECT_TRUE(Find("cmdCharts").isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), &Find("txtGridBias"));
    EXPECT_EQ(m_window->curves().VoltageRatio, 1.0F);
}

// State: just started. Action: none, then resize the window. Expected: controls of every kind and
// depth stand where the twips layout puts them (15 twips a pixel, worked out by hand), and stay.
TEST_F(MainWindowTest, ControlsStandAtTheirTwipsPlaceAndStayOnResize) {
    const std::tuple<const char*, const char*, QRect> cases[] = {
        {"Frame1", "clientArea", {536, 8, 337, 153}},
        {"cmdCalculate", "clientArea", {80, 624, 73, 33}},
        {"txtScreenBias", "fraPointG", {104, 80, 97, 19}},
        {"lblDataSheetScreenV", "Frame1", {176, 120, 129, 17}},
        {"fraScreenOperation", "fraOutput", {424, 216, 369, 89}},
        {"lblGridImpedance", "fraGridOperation", {224, 120, 121, 17}},
    };
    for (const QSize size : {m_window->size(), QSize(1400, 1000)}) {
        m_window->resize(size);
        QTest::qWait(20);
        EXPECT_EQ(Find("clientArea").size(), QSize(972, 694));
        for (const auto& [name, parent, pixels] : cases) {
            EXPECT_EQ(Find(name).parentWidget()->objectName(), parent) << name;
            EXPECT_EQ(Find(name).geometry(), pixels) << name;
        }
    }
}

// State: just started, then after a load. Action: Tab round the window. Expected: the five boxes,
// Calculate only once enabled, Charts, then txtGridBias again.
TEST_F(MainWindowTest, TabCyclesThroughBoxesAndButtons) {
    const Texts boxes = {"txtAnodeBias", "txtPeakGrid", "txtMinAnode", "txtScreenBias"};
    for (const Texts& buttons : {Texts{"cmdCharts"}, Texts{"cmdCalculate", "cmdCharts"}}) {
        if (buttons.size() == 2) {
            Open(DataFile("worked-example.csv"));
            Find("txtGridBias").setFocus();
        }
        ASSERT_EQ(QApplication::focusWidget(), &Find("txtGridBias"));
        Texts expected = boxes, visited;
        expected.insert(expected.end(), buttons.begin(), buttons.end());
        expected.push_back("txtGridBias");
        while (visited.size() < expected.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.push_back(QApplication::focusWidget()->objectName());
        }
        EXPECT_EQ(visited, expected);
    }
}

// State: just started. Action: Open the worked example, Enter at 300, Open a second file, then one
// whose name holds the toolkit's "[*]" placeholder. Expected: the header text in the box and the
// label, the limits in the ratio in force, Calculate enabled, each name appended to the caption.
TEST_F(MainWindowTest, EachOpenShowsItsCurvesAndAppendsItsName) {
    Open(DataFile("worked-example.csv"));
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator worked-example");
    EXPECT_EQ(Text("txtScreenBias"), "250");
    EXPECT_EQ(Text("lblDataSheetScreenV"), "250");
    EXPECT_EQ(Limits(), (Texts{"600", "0", "10", "-10"}));
    EXPECT_TRUE(Find("cmdCalculate").isEnabled());

    EnterScreenVoltage("300");
    Open(DataFile("window/limits-200-600.csv"));
    EXPECT_EQ(Limits(), (Texts{"720", "240", "0", "-48"})); // 1.2 times 600, 200, 0, -40
    EXPECT_EQ(Text("txtScreenBias"), "250");
    EXPECT_EQ(m_window->curves().VoltageRatio, 1.2F);
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator worked-example limits-200-600");

    QTemporaryDir folder;
    const QString odd = folder.filePath(QStringLiteral("tube[*]A.csv"));
    ASSERT_TRUE(QFile::copy(DataFile("worked-example.csv"), odd));
    Open(odd);
    EXPECT_EQ(m_window->windowHandle()->title(),
              "Tetrode Calculator worked-example limits-200-600 tube[*]A");
    EXPECT_TRUE(m_reporter.faults.empty());
}

// State: curves 200..600 V anode, 0..-40 V grid, taken at 250 V. Action: a screen voltage typed,
// then a key. Expected: any Enter key rescales the limits by the typed voltage over 250, as single
// products, and sets only VoltageRatio; other keys, with or without Shift, change nothing.
TEST_F(MainWindowTest, EnterInScreenBoxRescalesTheLimits) {
    const Texts scaled = {"720", "240", "0", "-48"}, unscaled = {"600", "200", "0", "-40"};
    Open(DataFile("window/limits-200-600.csv"));
    EXPECT_EQ(Limits(), unscaled);
    // clang-format off
    const std::tuple<const char*, Qt::Key, Qt::KeyboardModifiers, float, Texts> cases[] = {
        {"300", Qt::Key_Return, {}, 1.2F, scaled},
        {"360", Qt::Key_Return, {}, 1.44F, {"864.0001", "288", "0", "-57.6"}},
        {"250", Qt::Key_Return, {}, 1.0F, unscaled},
        {"300", Qt::Key_Enter, Qt::KeypadModifier, 1.2F, scaled},
        {"250", Qt::Key_Return, Qt::ShiftModifier, 1.0F, unscaled},
        {"300", Qt::Key_Return, Qt::ControlModifier, 1.2F, scaled},
        {"250", Qt::Key_A, Qt::ShiftModifier, 1.2F, scaled},
        {"250", Qt::Key_Escape, {}, 1.2F, scaled},
    };
    // clang-format on
    for (const auto& [typed, key, modifiers, ratio, limits] : cases) {
        SCOPED_TRACE(std::string(typed) + " then key " + std::to_string(key));
        Type("txtScreenBias", typed);
        Key("txtScreenBias", key, modifiers);
        EXPECT_EQ(Limits(), limits);
        EXPECT_EQ(m_window->curves().VoltageRatio, ratio);
        EXPECT_EQ(m_window->curves().PowerRatio32, 0.0F); // waits for Calculate
    }
    EXPECT_TRUE(m_reporter.faults.empty());
}

// State: linear-current curves at 300 V loaded. Action: type an operating line at 360 V, click
// Calculate. Expected: the fifteen texts worked out by hand below.
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
// least 0.019 from a rounding step. The German locale shows the same with its comma.
TEST_F(MainWindowTest, CalculateShowsFifteenFiguresInTheLocaleForm) {
    const std::pair<const char*, const char*> expected[] = {
        {"lblPeakAnodeRFVolts", "2140.0"}, {"lblAnodeDCcurrent", "1042.4"},
        {"lblAnodePower", "943.9"},        {"lblInputPower", "2605.9"},
        {"lblOutputPower", "1662.0"},      {"lblEfficiency", "63.8"},
        {"lblAnodeImpedance", "1377.7"},   {"lblZSAC", "1007.8"},
        {"lblScreenDCcurrent", "128.3"},   {"lblScreenPower", "46.2"},
        {"lblPeakGridRFVolts", "175.0"},   {"lblGridDCcurrent", "78.3"},
        {"lblDrivingPower", "13.7"},       {"lblGridPower", "4.7"},
        {"lblGridImpedance", "761"},
    };
    for (const QLocale& locale : {QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::German, QLocale::Germany)}) {
        SCOPED_TRACE(locale.name().toStdString());
        QLocale::setDefault(locale);
        ASSERT_NO_FATAL_FAILURE(StartWindow());
        Open(DataFile("window/linear-currents.csv"));
        TypeLine(LinearLine);
        Click("cmdCalculate");
        ASSERT_TRUE(m_reporter.faults.empty()) << m_reporter.faults.front().what();
        for (const auto& [label, text] : expected) {
            EXPECT_EQ(Text(label), QString::fromLatin1(text).replace('.', locale.decimalPoint()))
                << label;
        }
        EXPECT_EQ(m_window->curves().VoltageRatio, 1.2F);
        // Calculate does not redraw the limits; they follow at the next Enter or load.
        EXPECT_EQ(Limits(), (Texts{"2500", "0", "50", "-125"}));
        Key("txtScreenBias", Qt::Key_Return);
        EXPECT_EQ(Limits(), (Texts{"3000", "0", "60", "-150"}));
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Open(DataFile("window/limits-200-600.csv"));
    EnterScreenVoltage("360");
    EXPECT_EQ(Limits(), (Texts{"864,0001", "288", "0", "-57,6"}));
}

// State: no curves; curves 200..600 V with Enter at 300; the linear curves with an operating line
// typed; or with its figures on view. Action: an Open, Calculate or Enter that fails, a cancelled
// Open, or keys and clicks that do nothing. Expected: one report naming the fault's kind for a
// failure, none otherwise, and the window (caption, boxes, labels, limits, ratios, Calculate, the
// curves) exactly as before.
TEST_F(MainWindowTest, FailedAndIdleActionsChangeNothing) {
    enum Setup { NoCurves, ScaledLimits, LineTyped, Figures };
    const auto openBadFile = [this] { Open(DataFile("window/bad-anode-current.csv")); };
    const auto openMissing = [this] { Open(DataFile("window/no-such-file.csv")); };
    const auto cancel = [this] { Open(QString()); };
    const auto calculate = [this] { Click("cmdCalculate"); };
    const auto enter = [this] { Key("txtScreenBias", Qt::Key_Return); };
    // A click on Charts, Enter and Escape in the other boxes and Escape in txtScreenBias, Enter on
    // the buttons.
    const auto idle = [this] {
        Click("cmdCharts");
        for (const char* box : {"txtGridBias", "txtAnodeBias", "txtPeakGrid", "txtMinAnode"}) {
            Key(box, Qt::Key_Return);
            Key(box, Qt::Key_Enter, Qt::KeypadModifier);
            Key(box, Qt::Key_Escape);
        }
        Key("txtScreenBias", Qt::Key_Escape);
        for (const char* button : {"cmdCalculate", "cmdCharts"}) {
            Find(button).setFocus();
            QTest::keyClick(&Find(button), Qt::Key_Return);
        }
    };
    using enum FaultKind;
    const std::nullopt_t none = std::nullopt;
    const char* const screen = "txtScreenBias";
    // Name, setup, the box typed into before the action (if any) and its text, action, fault.
    const std::tuple<const char*, Setup, const char*, const char*, std::function<void()>,
                     std::optional<FaultKind>>
        cases[] = {
            // clang-format off
            {"Open: a word for a current", ScaledLimits, nullptr, "", openBadFile, TypeMismatch},
            {"Open: a missing file", ScaledLimits, nullptr, "", openMissing, FileOpen},
            {"Calculate: zero anode swing", Figures, "txtAnodeBias", "360", calculate, DivisionByZero},
            {"Calculate: negative screen voltage", Figures, screen, "-360", calculate, InvalidArgument},
            {"Enter before any load", NoCurves, screen, "300", enter, DivisionByZero},
            {"Enter before any load, box empty (0 / 0)", NoCurves, screen, "", enter, Overflow},
            {"Enter: negative screen voltage", ScaledLimits, screen, "-300", enter, InvalidArgument},
            {"Enter: ratio beyond single precision", ScaledLimits, screen, "1e300", enter, Overflow},
            {"Enter: limits beyond single precision", ScaledLimits, screen, "3e38", enter, Overflow},
            {"Open cancelled, no curves", NoCurves, nullptr, "", cancel, none},
            {"Open cancelled, curves and a line", LineTyped, nullptr, "", cancel, none},
            {"keys and clicks that do nothing, no curves", NoCurves, nullptr, "", idle, none},
            {"keys and clicks that do nothing, with a line", LineTyped, nullptr, "", idle, none},
            // clang-format on
        };
    for (const auto& [name, setup, box, typed, action, kind] : cases) {
        SCOPED_TRACE(name);
        ASSERT_NO_FATAL_FAILURE(StartWindow());
        if (setup == ScaledLimits) {
            Open(DataFile("window/limits-200-600.csv"));
            EnterScreenVoltage("300");
        } else if (setup == LineTyped || setup == Figures) {
            Open(DataFile("window/linear-currents.csv"));
            TypeLine(LinearLine);
            if (setup == Figures) {
                Click("cmdCalculate");
            }
        }
        if (box != nullptr) {
            Type(box, typed);
        }
        const auto before = Snapshot();
        const CurveTable curves = m_window->curves();
        m_reporter.faults.clear();
        action();
        ASSERT_EQ(m_reporter.faults.size(), kind ? 1U : 0U);
        if (kind) {
            const Fault& fault = m_reporter.faults[0];
            EXPECT_EQ(fault.kind(), *kind) << fault.what();
            EXPECT_EQ(std::string(fault.what()).starts_with("the screen voltage must be positive"),
                      kind == InvalidArgument);
        }
        EXPECT_EQ(Snapshot(), before);
        EXPECT_TRUE(m_window->curves() == curves);
    }
}

// State: curves and an operating line on view, a second load under way. Action: Open, Calculate
// and Enter (with a screen voltage that would be refused) arrive while the loader yields.
// Expected: none is acted on; the load completes.
TEST_F(MainWindowTest, ActionsDuringALoadAreNotActedOn) {
    Open(DataFile("window/linear-currents.csv"));
    TypeLine({"-115", "2500", "60", "360", "-5"});
    int interruptions = 0;
    QTimer::singleShot(0, m_window.get(), [&] {
        ++interruptions;
        ClickMenu("mnuOpen"); // a second Open would ask the chooser, which has no answer
        Click("cmdCalculate");
        Key("txtScreenBias", Qt::Key_Return);
    });
    Open(DataFile("window/limits-200-600.csv"));
    EXPECT_EQ(interruptions, 1) << "the load did not yield to the window";
    EXPECT_TRUE(m_reporter.faults.empty());
    EXPECT_EQ(Text("lblPeakAnodeRFVolts"), "0");
    EXPECT_EQ(Limits(), (Texts{"600", "200", "0", "-40"}));
    EXPECT_EQ(m_window->windowTitle(), "Tetrode Calculator linear-currents limits-200-600");
}

// State: a load under way, or idle. Action: Quit, or close from the title bar. Expected: the window
// goes at once; a load is abandoned without a report and without changing anything.
TEST_F(MainWindowTest, QuitAndCloseEndAtOnceAlsoDuringALoad) {
    for (const bool duringLoad : {false, true}) {
        for (const bool viaMenu : {true, false}) {
            SCOPED_TRACE(std::string(viaMenu ? "Quit" : "close") +
                         (duringLoad ? " in a load" : ""));
            ASSERT_NO_FATAL_FAILURE(StartWindow());
            const auto before = Snapshot();
            const auto quit = [&] { viaMenu ? ClickMenu("mnuQuit") : void(m_window->close()); };
            if (duringLoad) {
                QTimer::singleShot(0, m_window.get(), quit);
                Open(DataFile("window/linear-currents.csv"));
                EXPECT_EQ(Snapshot(), before);
            } else {
                quit();
            }
            EXPECT_FALSE(m_window->isVisible());
            EXPECT_TRUE(m_reporter.faults.empty());
        }
    }
}

// State: start, limits at their widest, results of the model tube. Action: measure every text at
// the window's font. Expected: every caption and value fits inside its control.
TEST_F(MainWindowTest, EveryTextFitsItsControl) {
    for (int step = 0; step < 3; ++step) {
        if (step == 1) {
            Open(DataFile("window/limits-200-600.csv"));
            EnterScreenVoltage("360");
            ASSERT_EQ(Text("lblMaxAnodeVDatasheet"), "864.0001");
        } else if (step == 2) {
            Open(QStringLiteral(TETRODE_EXAMPLES "/model-tetrode-250v.csv"));
            TypeLine({"-75", "3000", "20", "400", "300"});
            Click("cmdCalculate");
            ASSERT_TRUE(m_reporter.faults.empty());
        }
        for (QLabel* label : m_window->findChildren<QLabel*>()) {
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
}

// The limits without a window: a zero limit reads 0 whatever the signs of its factors.
TEST(DataLimitsTest, ZeroLimitsShowNoSign) {
    CurveTable curves;
    curves.AnodeVoltages = {200.0F, 600.0F};
    curves.GridVoltages = {-0.0F, -40.0F};
    const auto limits = DatasheetLimitTexts(curves, 0.0F, ".");
    for (std::size_t i = 0; i < limits.size(); ++i) {
        EXPECT_EQ(limits[i].label, LimitLabels[i]);
        EXPECT_EQ(limits[i].text, "0");
    }
}

} // namespace
} // namespace tetrode

// The window needs a QApplication for the whole run; the locale is pinned so the figures' texts
// are the same on every machine.
int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
