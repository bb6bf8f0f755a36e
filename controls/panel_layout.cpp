#include "controls/panel_layout.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// A Windows dialog unit is 6/4 px wide and 13/8 px high with the 8-point dialog font at 96 DPI.
constexpr int kUnitWidthNumerator = 3;
constexpr int kUnitWidthDenominator = 2;
constexpr int kUnitHeightNumerator = 13;
constexpr int kUnitHeightDenominator = 8;

bool IsSettingsPage(int barId) {
  auto pages = SettingsPageBars();
  return std::find(pages.begin(), pages.end(), barId) != pages.end();
}

}  // namespace

PixelRect ScaledRect(const PixelRect& rect, double scale) {
  auto scaled = [scale](int pixels) { return static_cast<int>(std::lround(pixels * scale)); };
  const int x = scaled(rect.x);
  const int y = scaled(rect.y);
  return {x, y, scaled(rect.Right()) - x, scaled(rect.Bottom()) - y};
}

int DialogUnitsToPixelsX(int units) {
  return units * kUnitWidthNumerator / kUnitWidthDenominator;
}

int DialogUnitsToPixelsY(int units) {
  return units * kUnitHeightNumerator / kUnitHeightDenominator;
}

bool IsWrappedLabel(const ControlTemplate& control) {
  constexpr int kOneLineHeightUnits = 10;
  return control.kind == ControlKind::kLabel && control.height > kOneLineHeightUnits;
}

int WrappedLabelWidth(const PixelRect& rect, int areaWidth) {
  constexpr int kWrapMargin = 10;
  return std::max(rect.width, areaWidth - rect.x - kWrapMargin);
}

int OneLineRightEdge(const ControlTemplate& control, std::span<const ControlTemplate> controls,
                     int areaRight) {
  // The frame's line and a little air inside it.
  constexpr int kGroupInset = 4;
  const PixelRect rect = ControlRect(control);
  int edge = areaRight;
  for (const ControlTemplate& group : controls) {
    if (group.kind != ControlKind::kGroupBox || &group == &control) continue;
    const PixelRect frame = ControlRect(group);
    if (frame.Contains(rect)) edge = std::min(edge, frame.Right() - kGroupInset);
  }
  return edge;
}

int LargestFittingFontPercent(const std::function<bool(int percent)>& fits) {
  constexpr int kSmallestPercent = 70;
  constexpr int kPercentStep = 5;
  int percent = 100;
  while (percent > kSmallestPercent && !fits(percent)) percent -= kPercentStep;
  return percent;
}

PixelRect ControlRect(const ControlTemplate& control) {
  int heightUnits = control.kind == ControlKind::kDropDownList
                        ? std::min(control.height, kClosedListHeightUnits)
                        : control.height;
  return {DialogUnitsToPixelsX(control.x), DialogUnitsToPixelsY(control.y),
          DialogUnitsToPixelsX(control.width), DialogUnitsToPixelsY(heightUnits)};
}

FrameLayout LayoutPanels(int clientWidth, int clientHeight) {
  PixelRect left{0, 0, clientWidth, clientHeight};
  std::vector<PanelPlacement> placements;
  std::optional<PanelPlacement> pagePlace;
  for (const PanelTemplate& panel : PanelTemplates()) {
    if (!panel.created) continue;
    if (IsSettingsPage(panel.barId) && pagePlace) {
      placements.push_back({panel.barId, pagePlace->rect, pagePlace->borderLine});
      continue;
    }
    PanelPlacement placement{panel.barId, {}, {}};
    int width =
        std::min(DialogUnitsToPixelsX(panel.width), std::max(0, left.width - kBorderLineWidth));
    int height =
        std::min(DialogUnitsToPixelsY(panel.height), std::max(0, left.height - kBorderLineWidth));
    switch (panel.edge) {
      case DockEdge::kTop:
        placement.rect = {left.x, left.y, left.width, height};
        placement.borderLine = {left.x, left.y + height, left.width, kBorderLineWidth};
        left.y += height + kBorderLineWidth;
        left.height -= height + kBorderLineWidth;
        break;
      case DockEdge::kBottom:
        placement.rect = {left.x, left.Bottom() - height, left.width, height};
        placement.borderLine = {left.x, left.Bottom() - height - kBorderLineWidth, left.width,
                                kBorderLineWidth};
        left.height -= height + kBorderLineWidth;
        break;
      case DockEdge::kLeft:
        placement.rect = {left.x, left.y, width, left.height};
        placement.borderLine = {left.x + width, left.y, kBorderLineWidth, left.height};
        // The settings pages share one strip; it is taken once, by the first of them.
        left.x += width + kBorderLineWidth;
        left.width -= width + kBorderLineWidth;
        break;
      case DockEdge::kRight:
        placement.rect = {left.Right() - width, left.y, width, left.height};
        placement.borderLine = {left.Right() - width - kBorderLineWidth, left.y, kBorderLineWidth,
                                left.height};
        left.width -= width + kBorderLineWidth;
        break;
    }
    if (IsSettingsPage(panel.barId)) pagePlace = placement;
    placements.push_back(placement);
  }
  return {placements, left};
}
