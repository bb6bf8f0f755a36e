// The dialog templates of the panels and the about box, declared once as data. All three control
// layers (the wx window, the native Windows window and the in-memory controls) build their
// controls from these tables.
// Places and sizes are in Windows dialog units.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "resources/control_ids.h"

enum class ControlKind {
  kGroupBox,
  kLabel,
  kPushButton,
  kCheckBox,
  kRadioButton,
  kDropDownList,
  kListBox,
  kEdit,
  kTree,
  kProgressBar,
  kIcon,
  // A static text that reports clicks (the about box's links).
  kLinkText,
};

// Style flags of a control; kNoStyle when none applies.
enum ControlStyle : unsigned {
  kNoStyle = 0,
  // The first radio button of a group.
  kGroupStart = 1u << 0,
  // An edit box that takes digits only.
  kDigitsOnly = 1u << 1,
  kReadOnly = 1u << 2,
  kRightAligned = 1u << 3,
  // An edit box that scrolls horizontally; without it, it takes no more text than it shows.
  kAutoScroll = 1u << 4,
  kDefaultButton = 1u << 5,
};

struct ControlTemplate {
  int id;
  ControlKind kind;
  const char* text;
  int x;
  int y;
  int width;
  // For a drop-down list this is the height of the opened list, as in a Windows template.
  int height;
  unsigned style;
};

// The frame edge a panel is docked to; its border line lies on the side facing the view.
enum class DockEdge { kTop, kBottom, kLeft, kRight };

struct PanelTemplate {
  int templateId;
  int barId;
  const char* name;
  int width;
  int height;
  DockEdge edge;
  // Templates 140 and 142 exist only as headings: no panel is created from them.
  bool created;
  bool acceptsFiles;
  std::span<const ControlTemplate> controls;
};

// The point size of the dialog font the window's templates are laid out in.
inline constexpr int kDialogFontPoints = 8;

struct DialogTemplate {
  int templateId;
  const char* caption;
  int width;
  int height;
  std::span<const ControlTemplate> controls;
  // The point size of the dialog's font, to which its dialog units are relative.
  int fontPoints = kDialogFontPoints;
};

// The controls in the order every control layer creates them: group boxes first, so that they
// lie beneath the controls they surround and the tab order runs through those as declared.
std::vector<const ControlTemplate*> InCreationOrder(std::span<const ControlTemplate> controls);
// The radio groups among `controls`: each runs from a button marked kGroupStart to the next such
// mark, its buttons' ids in declaration order.
std::vector<std::vector<int>> RadioGroups(std::span<const ControlTemplate> controls);

// Every panel template; the created ones first, in the order of creation.
std::span<const PanelTemplate> PanelTemplates();
// The template of the panel with `barId`, or null.
const PanelTemplate* FindPanelTemplate(int barId);
// The template of control `controlId` on panel `barId`, or null.
const ControlTemplate* FindControlTemplate(int barId, int controlId);
// The eight settings pages in the order in which they are hidden.
std::span<const int> SettingsPageBars();
// The about box, template 100.
const DialogTemplate& AboutDialogTemplate();
// The 詳細設定 dialog; its controls are addressed with kMoreSettingsDialog.
const DialogTemplate& MoreSettingsDialogTemplate();
// The presets' dialogs: a name to save the settings as, a preset's new name, and the list of the
// presets with what can be done with them.
const DialogTemplate& SavePresetDialogTemplate();
const DialogTemplate& RenamePresetDialogTemplate();
const DialogTemplate& PresetsDialogTemplate();
// The summary of an estimate of the run.
const DialogTemplate& EstimateDialogTemplate();
// What a link of the about box opens: its address without the arrow before it, a mail address
// as a mailto: address.
std::string AboutLinkTarget(const ControlTemplate& link);
