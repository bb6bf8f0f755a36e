#include "window/initialise_settings.h"

#include "controls/control_layer.h"
#include "resources/control_ids.h"
#include "state/app_state.h"
#include "state/choice_tables.h"
#include "state/settings_file.h"
#include "window/fill_and_read_panels.h"

void InitialiseSettings() {
  ControlLayer& layer = GetControlLayer();
  if (!layer.AskYesNo("本当に設定を初期化してよろしいでしょうか？")) return;
  layer.ListReset(kInputPanel, kInputList);
  // Emptied first so that filling them again does not duplicate their entries.
  for (const ChoiceTable& table : ChoiceTables()) layer.ComboReset(table.barId, table.controlId);
  SetDefaults(GetAppState());
  FillPanels();
  SaveSettings();
}
