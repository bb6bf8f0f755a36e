// The real window's layout and its tree under a display: every control inside its panel,
// every panel inside the frame, every text whole, and a click on the tree switching the page.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/treectrl.h>
#include <wx/uiaction.h>

#include <filesystem>
#include <optional>

#include "app/program_folder.h"
#include "app/start_up.h"
#include "panels/view_dispatch.h"
#include "resources/control_ids.h"
#include "state/settings_file.h"
#include "tests/ui/wx_test_support.h"
#include "ui/panel_layout.h"
#include "ui/wx/main_frame.h"
#include "ui/wx/wx_control_layer.h"

namespace {

namespace fs = std::filesystem;

class WxWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StartToolkit()) GTEST_SKIP() << "no display";
    displayLock.emplace();
    folder = fs::temp_directory_path() /
             (std::string("trastel-wx-") +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
    ASSERT_TRUE(SetProgramFolder(folder.c_str()));
    fs::current_path(folder);
    // A settings file from an earlier start, so that no first-start message waits for a click.
    fs::create_directories(folder / "Data");
    ASSERT_EQ(SaveSettings(), 1);
    frame = CreateMainFrame(ShutDown);
    layer = dynamic_cast<WxControlLayer*>(&GetControlLayer());
    ASSERT_NE(layer, nullptr);
    layer->SetEventSink(DispatchViewEvent);
    ASSERT_TRUE(StartUp());
    frame->SetPosition(wxPoint(0, 0));
    frame->Show();
    ProcessEventsFor(2000);
  }
  void TearDown() override {
    if (frame != nullptr) {
      frame->Close();
      ProcessEventsFor(100);
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
  }

  // Clicks the middle of `rect`, given in the coordinates of `window`.
  void ClickAt(wxWindow* window, const wxRect& rect) {
    wxUIActionSimulator simulator;
    simulator.MouseMove(window->ClientToScreen(rect.GetPosition() + rect.GetSize() / 2));
    ProcessEventsFor(100);
    simulator.MouseDown();
    ProcessEventsFor(100);
    simulator.MouseUp();
    ProcessEventsFor(300);
  }

  void ClickTreeItem(const char* text) {
    auto* tree = static_cast<wxTreeCtrl*>(layer->ControlWindow(kSettingsTreePanel, kSettingsTree));
    wxTreeItemIdValue cookie;
    for (wxTreeItemId item = tree->GetFirstChild(tree->GetRootItem(), cookie); item.IsOk();
         item = tree->GetNextChild(tree->GetRootItem(), cookie)) {
      if (tree->GetItemText(item).utf8_string() != text) continue;
      wxRect rect;
      ASSERT_TRUE(tree->GetBoundingRect(item, rect, true));
      // Under a display without a window manager the tree takes a click to get the focus
      // before clicks select.
      if (!tree->HasFocus()) ClickAt(tree, rect);
      ClickAt(tree, rect);
      return;
    }
    FAIL() << "no tree item " << text;
  }

  std::optional<DisplayLock> displayLock;
  fs::path folder;
  wxFrame* frame = nullptr;
  WxControlLayer* layer = nullptr;
};

TEST_F(WxWindowTest, FrameHasItsFixedSize) {
  EXPECT_EQ(frame->GetSize(), wxSize(kFrameWidth, kFrameHeight));
  EXPECT_FALSE(frame->HasFlag(wxRESIZE_BORDER));
  EXPECT_FALSE(frame->HasFlag(wxMAXIMIZE_BOX));
}

TEST_F(WxWindowTest, EveryControlFitsItsPanelAndEveryTextIsWhole) {
  wxRect client(wxPoint(0, 0), frame->GetClientSize());
  for (const PanelTemplate& declaration : PanelTemplates()) {
    wxWindow* panel = layer->PanelWindow(declaration.barId);
    if (!declaration.created) {
      EXPECT_EQ(panel, nullptr);
      continue;
    }
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(client.Contains(panel->GetRect())) << declaration.name;
    wxRect inside(wxPoint(0, 0), panel->GetClientSize());
    for (wxWindow* control : panel->GetChildren()) {
      if (!control->IsShown()) continue;
      std::string label = control->GetLabel().utf8_string();
      EXPECT_TRUE(inside.Contains(control->GetRect()))
          << declaration.name << " " << control->GetId() << " " << label;
      wxSize best = control->GetBestSize();
      wxSize size = control->GetSize();
      if (!label.empty()) {
        EXPECT_LE(best.x, size.x) << declaration.name << " text cut: " << label;
      }
      // A control shorter than the toolkit needs would be drawn cut off. The tree's best height
      // is that of all its items, which it shows without scrolling.
      if (!control->IsKindOf(wxCLASSINFO(wxTreeCtrl))) {
        EXPECT_LE(best.y, size.y + 1) << declaration.name << " " << control->GetId() << " " << label
                                      << " " << control->GetClassInfo()->GetClassName();
      }
    }
  }
}

TEST_F(WxWindowTest, ClickingTheTreeShowsThePage) {
  ClickTreeItem("その他");
  EXPECT_TRUE(layer->PanelWindow(kOtherPage)->IsShown());
  EXPECT_FALSE(layer->PanelWindow(kBmpPage)->IsShown());
  ClickTreeItem("編集");
  EXPECT_TRUE(layer->PanelWindow(kFilterPage)->IsShown());
  EXPECT_FALSE(layer->PanelWindow(kOtherPage)->IsShown());
}

TEST_F(WxWindowTest, LeavingTheWidthBoxCorrectsItAndKeepsThePageOnce) {
  auto* width = static_cast<wxTextCtrl*>(layer->ControlWindow(kFormatPanel, kResizeWidthBox));
  ClickAt(width, wxRect(wxPoint(0, 0), width->GetClientSize()));
  width->ChangeValue("0");
  ClickTreeItem("その他");
  EXPECT_EQ(width->GetValue(), "256");
  EXPECT_TRUE(layer->PanelWindow(kBmpPage)->IsShown());
  ClickTreeItem("編集");
  EXPECT_TRUE(layer->PanelWindow(kFilterPage)->IsShown());
}

}  // namespace
