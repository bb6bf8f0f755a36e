// The view's handler table: every control notification of every panel goes to one operation.
#pragma once

#include "controls/control_layer.h"

// Runs the operation for `event`; notifications without a handler are ignored.
void DispatchViewEvent(const ControlEvent& event);
