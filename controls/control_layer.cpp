#include "controls/control_layer.h"

#include <cassert>

#include "controls/headless/headless_control_layer.h"
#include "controls/thread_role.h"

namespace {

std::unique_ptr<ControlLayer>& CurrentLayer() {
  static std::unique_ptr<ControlLayer> layer;
  return layer;
}

bool forbidden = false;

}  // namespace

ControlLayer& GetControlLayer() {
  AssertWindowThread();
  assert(!forbidden && "this program has no controls");
  auto& layer = CurrentLayer();
  if (!layer) layer = std::make_unique<HeadlessControlLayer>();
  return *layer;
}

void ForbidControlLayer() {
  forbidden = true;
}

std::unique_ptr<ControlLayer> SetControlLayer(std::unique_ptr<ControlLayer> layer) {
  auto previous = std::move(CurrentLayer());
  CurrentLayer() = std::move(layer);
  return previous;
}
