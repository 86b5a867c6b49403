// SPDX-License-Identifier: MIT
#include "window/window_layout.h"

#include <QtGlobal>

#include <cmath>

namespace tetrode {
namespace {

using enum ControlKind;

// Marks a caption for translation in the window's context; the window translates it when it makes
// the control. Value labels start as "0", which needs none.
#define Caption(text) QT_TRANSLATE_NOOP("tetrode::frmMain", text)

// One row per control: name, kind, parent (empty for the client area), caption or start text, then
// left, top, width and height in twips and the tab index.
constexpr ControlSpec Layout[] = {
    // clang-format off
    // Top level, the children of the client area.
    {"Frame1",                Frame,    "",                   Caption("Digitized Data Limits"),          8040,  120,  5055, 2295, 49},
    {"fraPointG",             Frame,    "",                   Caption("Quiescent Point (Point G)"),       600,  720,  3495, 1815,  0},
    {"fraPeakPoint",          Frame,    "",                   Caption("Peak Point (Point A)"),           4320,  720,  3375, 1335,  5},
    {"fraOutput",             Frame,    "",                   Caption("Operating Parameters"),            600, 2640, 12495, 6255, 10},
    {"cmdCalculate",          Button,   "",                   Caption("Calculate"),                      1200, 9360,  1095,  495, 13},
    {"cmdCharts",             Button,   "",                   Caption("Charts"),                         3120, 9360,  1215,  495, 14},

    // Inside fraPointG.
    {"Label1",                Label,    "fraPointG",          Caption("Grid Bias, V"),                    240,  480,   975,  255,  1},
    {"txtGridBias",           EntryBox, "fraPointG",          "",                                        1560,  480,  1455,  285,  3},
    {"Label2",                Label,    "fraPointG",          Caption("Anode Bias, V"),                   240,  840,  1095,  255,  2},
    {"txtAnodeBias",          EntryBox, "fraPointG",          "",                                        1560,  840,  1455,  285,  4},
    {"Label5",                Label,    "fraPointG",          Caption("Screen Bias, V"),                  240, 1200,  1095,  255, 11},
    {"txtScreenBias",         EntryBox, "fraPointG",          "",                                        1560, 1200,  1455,  285, 12},

    // Inside fraPeakPoint.
    {"Label3",                Label,    "fraPeakPoint",       Caption("Max Grid Volts"),                  240,  480,  1215,  255,  6},
    {"txtPeakGrid",           EntryBox, "fraPeakPoint",       "",                                        1800,  480,  1335,  285,  8},
    {"Label4",                Label,    "fraPeakPoint",       Caption("Min Anode Volts"),                 240,  840,  1335,  255,  7},
    {"txtMinAnode",           EntryBox, "fraPeakPoint",       "",                                        1800,  840,  1335,  285,  9},

    // Inside Frame1, the data limits.
    {"Label20",               Label,    "Frame1",             Caption("Max Anode Voltage"),               240,  360,  1575,  255, 50},
    {"lblMaxAnodeVDatasheet", Label,    "Frame1",             "0",                                       2640,  360,   855,  255, 52},
    {"Label21",               Label,    "Frame1",             Caption("Min Anode Voltage"),               240,  720,  1575,  255, 51},
    {"lblMinAnodeVDatasheet", Label,    "Frame1",             "0",                                       2640,  720,  1215,  255, 54},
    {"Label25",               Label,    "Frame1",             Caption("Max Grid Voltage"),                240, 1080,  1575,  255, 53},
    {"lblMaxGridVDatasheet",  Label,    "Frame1",             "0",                                       2640, 1080,  1215,  255, 55},
    {"Label22",               Label,    "Frame1",             Caption("Min Grid Voltage"),                240, 1440,  1455,  255, 57},
    {"lblMinGridVDatasheet",  Label,    "Frame1",             "0",                                       2640, 1440,  1935,  255, 56},
    {"Label24",               Label,    "Frame1",             Caption("Screen Voltage"),                  240, 1800,  1455,  255, 59},
    {"lblDataSheetScreenV",   Label,    "Frame1",             "0",                                       2640, 1800,  1935,  255, 58},

    // Inside fraOutput, the four result frames.
    {"fraGridOperation",      Frame,    "fraOutput",          Caption("Grid Operation"),                  240,  360,  5295, 2295, 15},
    {"fraAnodeOperation",     Frame,    "fraOutput",          Caption("Anode Operation"),                6360,  360,  5295, 2415, 26},
    {"fraSystemOperation",    Frame,    "fraOutput",          Caption("System Operation"),                240, 3240,  5295, 1695, 42},
    {"fraScreenOperation",    Frame,    "fraOutput",          Caption("Screen Operation"),               6360, 3240,  5535, 1335, 37},

    // The result rows: caption labels at left 120, result labels at left 3360, all 255 high.
    {"Label6",                Label,    "fraGridOperation",   Caption("Peak Grid RF volts"),              120,  360,  1815,  255, 23},
    {"lblPeakGridRFVolts",    Label,    "fraGridOperation",   "0",                                       3360,  360,   855,  255, 20},
    {"Label10",               Label,    "fraGridOperation",   Caption("Grid DC current (mA)"),            120,  720,  1815,  255, 22},
    {"lblGridDCcurrent",      Label,    "fraGridOperation",   "0",                                       3360,  720,  1815,  255, 19},
    {"Label14",               Label,    "fraGridOperation",   Caption("Grid dissipation (W)"),            120, 1080,  1815,  255, 21},
    {"lblGridPower",          Label,    "fraGridOperation",   "0",                                       3360, 1080,  1815,  255, 18},
    {"Label18",               Label,    "fraGridOperation",   Caption("Driving Power (W)"),               120, 1440,  1815,  255, 17},
    {"lblDrivingPower",       Label,    "fraGridOperation",   "0",                                       3360, 1440,  1815,  255, 16},
    {"Label19",               Label,    "fraGridOperation",   Caption("Min. Grid Impedance (ohms)"),      120, 1800,  2175,  255, 24},
    {"lblGridImpedance",      Label,    "fraGridOperation",   "0",                                       3360, 1800,  1815,  255, 25},

    {"Label7",                Label,    "fraAnodeOperation",  Caption("Peak Anode RF volts"),             120,  480,  1815,  255, 36},
    {"lblPeakAnodeRFVolts",   Label,    "fraAnodeOperation",  "0",                                       3360,  480,  1815,  255, 32},
    {"Label8",                Label,    "fraAnodeOperation",  Caption("Anode DC current (mA)"),           120,  840,  1815,  255, 35},
    {"lblAnodeDCcurrent",     Label,    "fraAnodeOperation",  "0",                                       3360,  840,  1815,  255, 31},
    {"Label11",               Label,    "fraAnodeOperation",  Caption("Anode zero-signal current (mA)"),  120, 1200,  2175,  255, 34},
    {"lblZSAC",               Label,    "fraAnodeOperation",  "0",                                       3360, 1200,  1815,  255, 30},
    {"Label12",               Label,    "fraAnodeOperation",  Caption("Anode dissipation (W)"),           120, 1560,  1815,  255, 33},
    {"lblAnodePower",         Label,    "fraAnodeOperation",  "0",                                       3360, 1560,  1815,  255, 29},
    {"Label30",               Label,    "fraAnodeOperation",  Caption("Anode impedance (ohms)"),          120, 1920,  1815,  255, 28},
    {"lblAnodeImpedance",     Label,    "fraAnodeOperation",  "0",                                       3360, 1920,  1815,  255, 27},

    {"Label15",               Label,    "fraSystemOperation", Caption("DC Power Input (W)"),              120,  480,  1815,  255, 48},
    {"lblInputPower",         Label,    "fraSystemOperation", "0",                                       3360,  480,  1815,  255, 45},
    {"Label16",               Label,    "fraSystemOperation", Caption("RF Power Output (W)"),             120,  840,  1815,  255, 47},
    {"lblOutputPower",        Label,    "fraSystemOperation", "0",                                       3360,  840,  1815,  255, 44},
    {"Label17",               Label,    "fraSystemOperation", Caption("Efficiency (%)"),                  120, 1200,  1815,  255, 46},
    {"lblEfficiency",         Label,    "fraSystemOperation", "0",                                       3360, 1200,  1815,  255, 43},

    {"Label9",                Label,    "fraScreenOperation", Caption("Screen DC current (mA)"),          120,  480,  1815,  255, 41},
    {"lblScreenDCcurrent",    Label,    "fraScreenOperation", "0",                                       3360,  480,  1815,  255, 39},
    {"Label13",               Label,    "fraScreenOperation", Caption("Screen dissipation (W)"),          120,  840,  1815,  255, 40},
    {"lblScreenPower",        Label,    "fraScreenOperation", "0",                                       3360,  840,  1815,  255, 38},
    // clang-format on
};

#undef Caption

} // namespace

const std::array<const char*, kFigureCount> FigureLabelNames{
    "lblPeakAnodeRFVolts", "lblAnodeDCcurrent", "lblAnodePower",      "lblInputPower",
    "lblOutputPower",      "lblEfficiency",     "lblAnodeImpedance",  "lblZSAC",
    "lblScreenDCcurrent",  "lblScreenPower",    "lblPeakGridRFVolts", "lblGridDCcurrent",
    "lblDrivingPower",     "lblGridPower",      "lblGridImpedance",
};

const std::array<const char*, 4> LimitLabelNames{
    "lblMaxAnodeVDatasheet",
    "lblMinAnodeVDatasheet",
    "lblMaxGridVDatasheet",
    "lblMinGridVDatasheet",
};

std::span<const ControlSpec> WindowLayout() {
    return Layout;
}

int PixelsFromTwips(int twips, double scale) {
    return static_cast<int>(std::lround(twips * scale / TwipsPerPixel));
}

QRect PixelRect(const ControlSpec& spec, double scale) {
    // Edges, not sizes, are rounded, so neighbours that touch in twips touch in pixels.
    const int left = PixelsFromTwips(spec.left, scale);
    const int top = PixelsFromTwips(spec.top, scale);
    return {left, top, PixelsFromTwips(spec.left + spec.width, scale) - left,
            PixelsFromTwips(spec.top + spec.height, scale) - top};
}

} // namespace tetrode
