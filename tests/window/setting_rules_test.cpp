// trastel-batch sets the settings by these rules without any controls: they must give what the
// panels hold after showing the same values and taking the same typing.
#include "state/setting_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>

#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/setting_bindings.h"
#include "tests/window/panel_fixture.h"
#include "window/fill_and_read_panels.h"
#include "window/view_dispatch.h"

namespace {

using SettingRulesTest = PanelFixture;

struct Settings {
  PictureRecord target;
  PathBlock paths;
};

Settings Current() {
  return {*GetAppState()->target, *GetAppState()->paths};
}

void Restore(const Settings& settings) {
  *GetAppState()->target = settings.target;
  *GetAppState()->paths = settings.paths;
}

// The stored settings and what the conversion derives from them.
void ExpectSame(const Settings& panels, const Settings& rules, const std::string& what) {
  EXPECT_TRUE(SameSettings(panels.target, panels.paths, rules.target, rules.paths)) << what;
  EXPECT_EQ(panels.target.width, rules.target.width) << what;
  EXPECT_EQ(panels.target.height, rules.target.height) << what;
  EXPECT_EQ(panels.target.cropX, rules.target.cropX) << what;
  EXPECT_EQ(panels.target.cropWidth, rules.target.cropWidth) << what;
  EXPECT_EQ(panels.target.cropHeight, rules.target.cropHeight) << what;
  EXPECT_STREQ(panels.paths.outputName, rules.paths.outputName) << what;
  EXPECT_STREQ(panels.paths.subFolder, rules.paths.subFolder) << what;
}

TEST_F(SettingRulesTest, TheRulesGiveWhatThePanelsHold) {
  // Stored values the controls cannot all show, spread over the settings differently each round.
  constexpr std::array<std::int32_t, 8> kStored = {-3, 0, 1, 2, 3, 5, 2600, 99999};
  const auto bindings = SettingBindings();
  for (std::size_t round = 0; round < kStored.size(); ++round) {
    // Fresh panels: filling appends to the lists.
    DestroyPanelHelper();
    auto headless = std::make_unique<HeadlessControlLayer>();
    layer = headless.get();
    layer->SetEventSink(DispatchViewEvent);
    SetControlLayer(std::move(headless));
    for (std::size_t i = 0; i < bindings.size(); ++i) {
      const SettingBinding& setting = bindings[i];
      if (setting.IsNumber()) {
        *setting.NumberIn(*GetAppState()) = kStored[(i + round) % kStored.size()];
      } else if (setting.kind != SettingControl::kFolderBox) {
        setting.StoreText(*GetAppState(), round % 2 == 0 ? "a b!?" : "名前");
      }
    }
    const Settings stored = Current();
    FillPanels();
    ReadPanels();
    const Settings panels = Current();
    Restore(stored);
    HoldAsPanelsDo(*GetAppState());
    ExpectSame(panels, Current(), "round " + std::to_string(round));
  }

  // Typing into each box and leaving it, past the digits the box lets the user type.
  const std::string kTyped[] = {"0", "-7", "+12abc", "99999", "  42", "2500", "a b!", "名前?x"};
  for (const SettingBinding& setting : bindings) {
    if (setting.OnDialog() ||
        (setting.kind != SettingControl::kNumberBox && setting.kind != SettingControl::kNameBox)) {
      continue;
    }
    for (const std::string& text : kTyped) {
      const Settings before = Current();
      layer->Focus(setting.barId, setting.controlIds[0]);
      layer->SetText(setting.barId, setting.controlIds[0], text);
      layer->Focus(kActionPanel, kRunButton);
      ReadPanels();
      const Settings panels = Current();
      Restore(before);
      SetAsTyped(setting, *GetAppState(), text);
      ExpectSame(panels, Current(), std::string(setting.Name()) + " " + text);
      Restore(panels);
    }
  }
}

}  // namespace
