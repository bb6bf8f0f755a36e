// How every control layer finds a control by its address: the control is there and of one of
// the kinds the operation needs (any kind when none is named). What a miss does is each layer's
// own: the window's debug builds stop, the in-memory layer records it.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <map>
#include <utility>

#include "resources/panel_templates.h"

inline bool IsOfKind(ControlKind kind, std::initializer_list<ControlKind> kinds) {
  return kinds.size() == 0 || std::ranges::find(kinds, kind) != kinds.end();
}

// The control built at (barId, controlId) if it is of one of `kinds`; null otherwise. `Built`
// carries the control's `kind`.
template <typename Built>
const Built* FindBuilt(const std::map<std::pair<int, int>, Built>& controls, int barId,
                       int controlId, std::initializer_list<ControlKind> kinds) {
  auto control = controls.find({barId, controlId});
  if (control == controls.end() || !IsOfKind(control->second.kind, kinds)) return nullptr;
  return &control->second;
}
