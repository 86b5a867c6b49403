// SPDX-License-Identifier: MIT
#pragma once

#include "analysis/operating_parameters.h"

#include <QRect>

#include <array>
#include <span>
#include <string_view>

// The main window's controls as data: one row per control, positions and sizes in twips, so the
// window can be read against its design table line by line and built by one loop.
namespace tetrode {

enum class ControlKind {
    Frame,    // a captioned group border; never takes the focus
    Label,    // one line of static text, cut at its right edge; never takes the focus
    EntryBox, // a single-line editable text box
    Button,   // a push button
};

struct ControlSpec {
    const char* name;    // the objectName
    ControlKind kind;    //
    const char* parent;  // the containing frame's name; empty for the client area
    const char* caption; // frame, label or button caption, or an entry box's start text
    int left;            // twips from the container's left edge
    int top;             // twips from the container's top edge
    int width;           // twips
    int height;          // twips
    int tabIndex;        // place in the keyboard focus order (frames and labels hold one too)
};

// 1440 twips to the inch at 96 logical pixels to the inch; Qt scales logical pixels for high-DPI
// screens itself.
constexpr int TwipsPerPixel = 15;

// The client area below the menu bar.
constexpr int ClientWidthTwips = 14580;
constexpr int ClientHeightTwips = 10410;

// Twips in logical pixels, the layout drawn `scale` times its designed size (see LayoutScale).
int PixelsFromTwips(int twips, double scale);

// Every control of the window, each container listed before the controls inside it.
std::span<const ControlSpec> WindowLayout();

// The labels that show the fifteen figures, in the order of Figures().
extern const std::array<const char*, kFigureCount> FigureLabelNames;

// The labels that show the data limits, in the order of DataLimits, and the curves' own screen
// voltage.
extern const std::array<const char*, 4> LimitLabelNames;
inline constexpr const char* DataSheetScreenVLabelName = "lblDataSheetScreenV";

// The control's place inside its container, in logical pixels at `scale`.
QRect PixelRect(const ControlSpec& spec, double scale);

} // namespace tetrode
