#include "controls/panel_layout.h"

#include <gtest/gtest.h>

namespace {

TEST(PanelLayoutTest, EveryPanelLiesInsideTheClientArea) {
  PixelRect client{0, 0, kClientWidth, kClientHeight};
  auto placements = LayoutPanels(kClientWidth, kClientHeight).panels;
  EXPECT_EQ(placements.size(), 16u);
  for (const PanelPlacement& placement : placements) {
    EXPECT_TRUE(client.Contains(placement.rect)) << placement.barId;
    EXPECT_TRUE(client.Contains(placement.borderLine)) << placement.barId;
  }
}

TEST(PanelLayoutTest, EveryControlLiesInsideItsPanel) {
  for (const PanelPlacement& placement : LayoutPanels(kClientWidth, kClientHeight).panels) {
    PixelRect panel{0, 0, placement.rect.width, placement.rect.height};
    for (const ControlTemplate& control : FindPanelTemplate(placement.barId)->controls) {
      EXPECT_TRUE(panel.Contains(ControlRect(control)))
          << placement.barId << " control " << control.id << " " << control.text;
    }
  }
}

TEST(PanelLayoutTest, PanelsDockInCreationOrderAlongTheirEdges) {
  auto placements = LayoutPanels(kClientWidth, kClientHeight).panels;
  auto rectOf = [&](int barId) {
    for (const PanelPlacement& placement : placements) {
      if (placement.barId == barId) return placement.rect;
    }
    return PixelRect{};
  };
  PixelRect input = rectOf(kInputPanel);
  PixelRect progress = rectOf(kProgressPanel);
  PixelRect format = rectOf(kFormatPanel);
  PixelRect tree = rectOf(kSettingsTreePanel);
  PixelRect action = rectOf(kActionPanel);
  PixelRect view = LayoutPanels(kClientWidth, kClientHeight).view;
  EXPECT_EQ(view.x, rectOf(kBmpPage).Right() + kBorderLineWidth);
  EXPECT_EQ(view.Right() + kBorderLineWidth, action.x);
  EXPECT_EQ(input.y, 0);
  EXPECT_EQ(input.width, kClientWidth);
  EXPECT_EQ(progress.Bottom(), kClientHeight);
  EXPECT_EQ(format.x, 0);
  EXPECT_EQ(format.y, input.Bottom() + kBorderLineWidth);
  EXPECT_EQ(tree.x, format.Right() + kBorderLineWidth);
  EXPECT_EQ(action.Right(), kClientWidth);
  // All eight pages share the place after the tree.
  for (int page : SettingsPageBars()) {
    EXPECT_EQ(rectOf(page).x, tree.Right() + kBorderLineWidth);
    EXPECT_EQ(rectOf(page).Right() + 2 * kBorderLineWidth, action.x);
  }
}

}  // namespace
