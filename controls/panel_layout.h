// Where the panels and their controls sit in the main window's client area, in pixels. The
// templates are in Windows dialog units; they are placed with the Windows scale (the 8-point
// dialog font at 96 DPI) so that the layout keeps the proportions it was designed with.
#pragma once

#include <functional>
#include <span>
#include <vector>

#include "resources/panel_templates.h"

// The client area (below the menu bar) that the window keeps, whatever frame a window manager
// adds around it: the input and progress panels span its width, and the 234 pixels between them
// hold the side panels, whose contents need 193.
inline constexpr int kClientWidth = 630;
inline constexpr int kClientHeight = 464;
// The line that separates a docked panel from the view.
inline constexpr int kBorderLineWidth = 2;
// A drop-down list's template height is that of its opened list; closed it shows one row.
inline constexpr int kClosedListHeightUnits = 13;

struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  int Right() const { return x + width; }
  int Bottom() const { return y + height; }
  bool Contains(const PixelRect& other) const {
    return other.x >= x && other.y >= y && other.Right() <= Right() && other.Bottom() <= Bottom();
  }
};

// The rectangle at `scale` times the size, its edges rounded, so that rectangles that touch
// still touch.
PixelRect ScaledRect(const PixelRect& rect, double scale);

int DialogUnitsToPixelsX(int units);
int DialogUnitsToPixelsY(int units);

// The rectangle of a control inside its panel or dialog.
PixelRect ControlRect(const ControlTemplate& control);

// True for a label taller than one line of its template: its text wraps.
bool IsWrappedLabel(const ControlTemplate& control);
// How wide a wrapped label at `rect` may be inside an area `areaWidth` pixels wide: up to the
// area's edge less a margin, so that its text needs as few lines as possible and does not run
// into the controls below it.
int WrappedLabelWidth(const PixelRect& rect, int areaWidth);
// Where a one-line text of `control` may reach on the right: the inside of the innermost group
// box of `controls` around it (a text never runs over a group's frame), else `areaRight`.
int OneLineRightEdge(const ControlTemplate& control, std::span<const ControlTemplate> controls,
                     int areaRight);
// The largest font size, in percent of the layout's font, at which `fits` holds: the full size,
// else steps of 5 % down to 70 %, where the search stops whether or not it holds. For a text that
// its place cannot hold in the layout's font (the face is wider on some systems).
int LargestFittingFontPercent(const std::function<bool(int percent)>& fits);
// The settings tree's indent per level, in pixels at 96 DPI.
inline constexpr int kTreeIndentPixels = 10;

struct PanelPlacement {
  int barId;
  PixelRect rect;
  // The border line on the panel's side facing the view.
  PixelRect borderLine;
};

struct FrameLayout {
  std::vector<PanelPlacement> panels;
  // What the panels leave: the view.
  PixelRect view;
};

// Docks the created panels into a client area of the given size, in creation order, each taking
// a strip along its edge from what the earlier ones left (the first outermost). The settings
// pages share one place. A strip never exceeds what is left.
FrameLayout LayoutPanels(int clientWidth, int clientHeight);
