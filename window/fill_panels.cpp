#include <memory>
#include <string>

#include "controls/control_layer.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/choice_tables.h"
#include "state/number_limits.h"
#include "state/setting_bindings.h"
#include "window/fill_and_read_panels.h"

namespace {

std::unique_ptr<PanelHelper>& HelperInstance() {
  static std::unique_ptr<PanelHelper> helper;
  return helper;
}

// Clears the group's buttons, then checks the one at position `value` (none when no button has
// that position).
void CheckRadioOf(const SettingBinding& group, int value) {
  ControlLayer& layer = GetControlLayer();
  const int count = group.ControlCount();
  for (int position = 0; position < count; ++position) {
    layer.SetCheck(group.barId, group.controlIds[position], 0);
  }
  if (value >= 0 && value < count) layer.SetCheck(group.barId, group.controlIds[value], 1);
}

// Shows the setting's stored value in its control; a list first gets its entries appended.
void FillSetting(const SettingBinding& setting, AppState& state) {
  if (setting.OnDialog()) return;
  ControlLayer& layer = GetControlLayer();
  const int control = setting.controlIds[0];
  if (!setting.IsNumber()) {
    layer.SetText(setting.barId, control, setting.TextIn(state));
    return;
  }
  const int value = *setting.NumberIn(state);
  switch (setting.kind) {
    case SettingControl::kList:
      AppendChoices(control);
      layer.ComboSelect(setting.barId, control, value);
      break;
    case SettingControl::kCheckBox:
      layer.SetCheck(setting.barId, control, value);
      break;
    case SettingControl::kRadioGroup:
      CheckRadioOf(setting, value);
      break;
    default:
      layer.LimitTyping(setting.barId, control, TypedDigitsOf(control));
      layer.SetText(setting.barId, control, std::to_string(value));
      break;
  }
}

struct InfoBoxText {
  int controlId;
  const char* text;
};

constexpr InfoBoxText kInfoPlaceholders[] = {
    {kEntryCountBox, "0"},     {kTotalBytesBox, "0"},          {kBeforeNameBox, "NODATA"},
    {kBeforeWidthBox, "????"}, {kBeforeHeightBox, "????"},     {kBeforeBytesBox, "??????????"},
    {kBeforeTypeBox, "???"},   {kAfterNameBox, "NODATA"},      {kAfterWidthBox, "????"},
    {kAfterHeightBox, "????"}, {kAfterBytesBox, "??????????"}, {kAfterTypeBox, "???"},
};

// Inserts the tree's items if the tree is empty, then selects the first one.
void FillSettingsTree() {
  ControlLayer& layer = GetControlLayer();
  PanelHelper& helper = GetPanelHelper();
  if (layer.TreeCount(kSettingsTreePanel, kSettingsTree) == 0) {
    auto pages = SettingsPages();
    for (std::size_t i = 0; i < pages.size(); ++i) {
      helper.treeItems[i] = layer.TreeInsert(kSettingsTreePanel, kSettingsTree, pages[i].treeText);
    }
  }
  layer.TreeSelect(kSettingsTreePanel, kSettingsTree, -1);
  layer.TreeSelect(kSettingsTreePanel, kSettingsTree, helper.treeItems[0]);
}

}  // namespace

PanelHelper& GetPanelHelper() {
  auto& helper = HelperInstance();
  if (!helper) helper = std::make_unique<PanelHelper>();
  return *helper;
}

void DestroyPanelHelper() {
  HelperInstance().reset();
}

void FillPanels() {
  ControlLayer& layer = GetControlLayer();
  AppState& state = *GetAppState();
  for (const InfoBoxText& box : kInfoPlaceholders) {
    layer.SetText(kInputPanel, box.controlId, box.text);
  }
  for (const SettingBinding& setting : SettingBindings()) FillSetting(setting, state);
  FillSettingsTree();
  layer.RepaintView();
}
