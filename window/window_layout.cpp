// SPDX-License-Identifier: MIT
#include "window/window_layout.h"

#include <QtGlobal>

#include <array>

namespace tetrode {
namespace {

using enum ControlKind;

// Captions are marked for translation in the window's context and translated when the controls
// are made; value labels start as "0", which needs none.
constexpr std::array Layout{
    // Top level, the children of the client area.
    ControlSpec{"Frame1", Frame, "", QT_TRANSLATE_NOOP("tetrode::frmMain", "Digitized Data Limits"),
                8040, 120, 5055, 2295, 49},
    ControlSpec{"fraPointG", Frame, "",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Quiescent Point (Point G)"), 600, 720, 3495,
                1815, 0},
    ControlSpec{"fraPeakPoint", Frame, "",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Peak Point (Point A)"), 4320, 720, 3375,
                1335, 5},
    ControlSpec{"fraOutput", Frame, "",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Operating Parameters"), 600, 2640, 12495,
                6255, 10},
    ControlSpec{"cmdCalculate", Button, "", QT_TRANSLATE_NOOP("tetrode::frmMain", "Calculate"),
                1200, 9360, 1095, 495, 13},
    ControlSpec{"cmdCharts", Button, "", QT_TRANSLATE_NOOP("tetrode::frmMain", "Charts"), 3120,
                9360, 1215, 495, 14},

    // Inside fraPointG.
    ControlSpec{"Label1", Label, "fraPointG", QT_TRANSLATE_NOOP("tetrode::frmMain", "Grid Bias, V"),
                240, 480, 975, 255, 1},
    ControlSpec{"txtGridBias", EntryBox, "fraPointG", "", 1560, 480, 1455, 285, 3},
    ControlSpec{"Label2", Label, "fraPointG",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Anode Bias, V"), 240, 840, 1095, 255, 2},
    ControlSpec{"txtAnodeBias", EntryBox, "fraPointG", "", 1560, 840, 1455, 285, 4},
    ControlSpec{"Label5", Label, "fraPointG",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Screen Bias, V"), 240, 1200, 1095, 255, 11},
    ControlSpec{"txtScreenBias", EntryBox, "fraPointG", "", 1560, 1200, 1455, 285, 12},

    // Inside fraPeakPoint.
    ControlSpec{"Label3", Label, "fraPeakPoint",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Max Grid Volts"), 240, 480, 1215, 255, 6},
    ControlSpec{"txtPeakGrid", EntryBox, "fraPeakPoint", "", 1800, 480, 1335, 285, 8},
    ControlSpec{"Label4", Label, "fraPeakPoint",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Min Anode Volts"), 240, 840, 1335, 255, 7},
    ControlSpec{"txtMinAnode", EntryBox, "fraPeakPoint", "", 1800, 840, 1335, 285, 9},

    // Inside Frame1, the data limits.
    ControlSpec{"Label20", Label, "Frame1",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Max Anode Voltage"), 240, 360, 1575, 255,
                50},
    ControlSpec{"lblMaxAnodeVDatasheet", Label, "Frame1", "0", 2640, 360, 855, 255, 52},
    ControlSpec{"Label21", Label, "Frame1",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Min Anode Voltage"), 240, 720, 1575, 255,
                51},
    ControlSpec{"lblMinAnodeVDatasheet", Label, "Frame1", "0", 2640, 720, 1215, 255, 54},
    ControlSpec{"Label25", Label, "Frame1",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Max Grid Voltage"), 240, 1080, 1575, 255,
                53},
    ControlSpec{"lblMaxGridVDatasheet", Label, "Frame1", "0", 2640, 1080, 1215, 255, 55},
    ControlSpec{"Label22", Label, "Frame1",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Min Grid Voltage"), 240, 1440, 1455, 255,
                57},
    ControlSpec{"lblMinGridVDatasheet", Label, "Frame1", "0", 2640, 1440, 1935, 255, 56},
    ControlSpec{"Label24", Label, "Frame1", QT_TRANSLATE_NOOP("tetrode::frmMain", "Screen Voltage"),
                240, 1800, 1455, 255, 59},
    ControlSpec{"lblDataSheetScreenV", Label, "Frame1", "0", 2640, 1800, 1935, 255, 58},

    // Inside fraOutput, the four result frames.
    ControlSpec{"fraGridOperation", Frame, "fraOutput",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Grid Operation"), 240, 360, 5295, 2295, 15},
    ControlSpec{"fraAnodeOperation", Frame, "fraOutput",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Anode Operation"), 6360, 360, 5295, 2415,
                26},
    ControlSpec{"fraSystemOperation", Frame, "fraOutput",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "System Operation"), 240, 3240, 5295, 1695,
                42},
    ControlSpec{"fraScreenOperation", Frame, "fraOutput",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Screen Operation"), 6360, 3240, 5535, 1335,
                37},

    // The result rows: caption labels at left 120, result labels at left 3360, all 255 high.
    ControlSpec{"Label6", Label, "fraGridOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Peak Grid RF volts"), 120, 360, 1815, 255,
                23},
    ControlSpec{"lblPeakGridRFVolts", Label, "fraGridOperation", "0", 3360, 360, 855, 255, 20},
    ControlSpec{"Label10", Label, "fraGridOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Grid DC current (mA)"), 120, 720, 1815, 255,
                22},
    ControlSpec{"lblGridDCcurrent", Label, "fraGridOperation", "0", 3360, 720, 1815, 255, 19},
    ControlSpec{"Label14", Label, "fraGridOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Grid dissipation (W)"), 120, 1080, 1815, 255,
                21},
    ControlSpec{"lblGridPower", Label, "fraGridOperation", "0", 3360, 1080, 1815, 255, 18},
    ControlSpec{"Label18", Label, "fraGridOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Driving Power (W)"), 120, 1440, 1815, 255,
                17},
    ControlSpec{"lblDrivingPower", Label, "fraGridOperation", "0", 3360, 1440, 1815, 255, 16},
    ControlSpec{"Label19", Label, "fraGridOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Min. Grid Impedance (ohms)"), 120, 1800,
                2175, 255, 24},
    ControlSpec{"lblGridImpedance", Label, "fraGridOperation", "0", 3360, 1800, 1815, 255, 25},

    ControlSpec{"Label7", Label, "fraAnodeOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Peak Anode RF volts"), 120, 480, 1815, 255,
                36},
    ControlSpec{"lblPeakAnodeRFVolts", Label, "fraAnodeOperation", "0", 3360, 480, 1815, 255, 32},
    ControlSpec{"Label8", Label, "fraAnodeOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Anode DC current (mA)"), 120, 840, 1815, 255,
                35},
    ControlSpec{"lblAnodeDCcurrent", Label, "fraAnodeOperation", "0", 3360, 840, 1815, 255, 31},
    ControlSpec{"Label11", Label, "fraAnodeOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Anode zero-signal current (mA)"), 120, 1200,
                2175, 255, 34},
    ControlSpec{"lblZSAC", Label, "fraAnodeOperation", "0", 3360, 1200, 1815, 255, 30},
    ControlSpec{"Label12", Label, "fraAnodeOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Anode dissipation (W)"), 120, 1560, 1815,
                255, 33},
    ControlSpec{"lblAnodePower", Label, "fraAnodeOperation", "0", 3360, 1560, 1815, 255, 29},
    ControlSpec{"Label30", Label, "fraAnodeOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Anode impedance (ohms)"), 120, 1920, 1815,
                255, 28},
    ControlSpec{"lblAnodeImpedance", Label, "fraAnodeOperation", "0", 3360, 1920, 1815, 255, 27},

    ControlSpec{"Label15", Label, "fraSystemOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "DC Power Input (W)"), 120, 480, 1815, 255,
                48},
    ControlSpec{"lblInputPower", Label, "fraSystemOperation", "0", 3360, 480, 1815, 255, 45},
    ControlSpec{"Label16", Label, "fraSystemOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "RF Power Output (W)"), 120, 840, 1815, 255,
                47},
    ControlSpec{"lblOutputPower", Label, "fraSystemOperation", "0", 3360, 840, 1815, 255, 44},
    ControlSpec{"Label17", Label, "fraSystemOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Efficiency (%)"), 120, 1200, 1815, 255, 46},
    ControlSpec{"lblEfficiency", Label, "fraSystemOperation", "0", 3360, 1200, 1815, 255, 43},

    ControlSpec{"Label9", Label, "fraScreenOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Screen DC current (mA)"), 120, 480, 1815,
                255, 41},
    ControlSpec{"lblScreenDCcurrent", Label, "fraScreenOperation", "0", 3360, 480, 1815, 255, 39},
    ControlSpec{"Label13", Label, "fraScreenOperation",
                QT_TRANSLATE_NOOP("tetrode::frmMain", "Screen dissipation (W)"), 120, 840, 1815,
                255, 40},
    ControlSpec{"lblScreenPower", Label, "fraScreenOperation", "0", 3360, 840, 1815, 255, 38},
};

} // namespace

std::span<const ControlSpec> WindowLayout() {
    return Layout;
}

QRect PixelRect(const ControlSpec& spec) {
    return {PixelsFromTwips(spec.left), PixelsFromTwips(spec.top), PixelsFromTwips(spec.width),
            PixelsFromTwips(spec.height)};
}

} // namespace tetrode
