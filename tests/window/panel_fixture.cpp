#include "tests/window/panel_fixture.h"

#include <fstream>
#include <memory>
#include <sstream>

#include "base/program_folder.h"
#include "state/app_state.h"
#include "tests/support/unique_folder.h"
#include "window/fill_and_read_panels.h"
#include "window/settings_pages.h"
#include "window/view_dispatch.h"
#include "window/view_operations.h"

void PanelFixture::SetUp() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  folder = MakeUniqueFolder(std::string("trastel-panels-") + test->test_suite_name() + "-" +
                            test->name());
  std::filesystem::create_directories(folder / "Data");
  ASSERT_TRUE(SetProgramFolder(folder.string().c_str()));
  std::filesystem::current_path(folder);
  DestroyAppState();
  DestroyPanelHelper();
  auto headless = std::make_unique<HeadlessControlLayer>();
  layer = headless.get();
  layer->SetEventSink(DispatchViewEvent);
  SetControlLayer(std::move(headless));
  CurrentViewOperations().refreshSelection = [this] { ++refreshCount; };
  CurrentViewOperations().showOutputNamePreview = [this] { ++namePreviewCount; };
}

void PanelFixture::TearDown() {
  CurrentViewOperations() = ViewOperations{};
  SetControlLayer(nullptr);
  DestroyAppState();
  DestroyPanelHelper();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  std::filesystem::remove_all(folder);
}

void PanelFixture::StartUp() {
  FillPanels();
  ReadPanels();
}

std::string PanelFixture::Shown(int barId, int controlId) const {
  return layer->ComboText(barId, controlId, layer->ComboSelection(barId, controlId));
}

std::string PanelFixture::SettingsFileText() const {
  std::ifstream file(folder / "Data" / "Confing.inf", std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}
