// The real window's layout and its tree under a display: every control inside its panel,
// every panel inside the visible client area, every text and number whole, the tab stops, the
// filters of the edit boxes, a click on the tree switching the page, and opening pages with the
// desktop's opener. When the test run asks
// for a desktop scaling (TRASTEL_TEST_DPI), it is checked to be in force, and a screenshot of the
// window is kept as a test artifact.
#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/treectrl.h>
#include <wx/uiaction.h>

#include <unistd.h>

#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "base/program_folder.h"
#include "controls/panel_layout.h"
#include "resources/control_ids.h"
#include "resources/message_captions.h"
#include "resources/panel_templates.h"
#include "state/app_state.h"
#include "state/settings_file.h"
#include "tests/support/dialog_answers.h"
#include "tests/support/unique_folder.h"
#include "tests/wx/wx_test_support.h"
#include "window/input_list.h"
#include "window/picture_facts.h"
#include "window/settings_pages.h"
#include "window/view_dispatch.h"
#include "wx/compact_style.h"
#include "wx/main_frame.h"
#include "wx/user_locale.h"
#include "wx/wx_control_layer.h"

namespace {

namespace fs = std::filesystem;

class WxWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartToolkit()) << "the window tests need a display";
    displayLock.emplace();
    if (const char* dpi = std::getenv("TRASTEL_TEST_DPI")) {
      ASSERT_EQ(gdk_screen_get_resolution(gdk_screen_get_default()), std::atof(dpi));
    }
    // The same test may run at several scalings at once, each on its own display.
    folder = fs::temp_directory_path() /
             (std::string("trastel-wx-") +
              ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
              std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    ASSERT_TRUE(SetProgramFolder(folder.c_str()));
    fs::current_path(folder);
    // A settings file from an earlier start, so that no first-start message waits for a click.
    fs::create_directories(folder / "Data");
    ASSERT_EQ(SaveSettings(), SettingsStatus::kDone);
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

// The layout is made at 96 dpi; the desktop's scaling enlarges the window and its text alike.
TEST_F(WxWindowTest, FrameHasItsFixedSizeAtTheDesktopsScaling) {
  const char* dpi = std::getenv("TRASTEL_TEST_DPI");
  const double scale = dpi != nullptr ? std::atof(dpi) / 96 : 1;
  EXPECT_EQ(frame->GetClientSize(), wxSize(static_cast<int>(std::lround(kClientWidth * scale)),
                                           static_cast<int>(std::lround(kClientHeight * scale))));
  wxWindow* button = layer->ControlWindow(kActionPanel, kRunButton);
  int textHeight = 0;
  const wxFont font = button->GetFont();
  button->GetTextExtent(button->GetLabel(), nullptr, &textHeight, nullptr, nullptr, &font);
  // A line of the 10-pixel font takes 17 pixels at 96 dpi.
  EXPECT_GE(textHeight, 15.5 * scale);
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

// Whatever frame a window manager adds, every panel (the progress bar first) lies inside the
// client area as it is on the screen.
TEST_F(WxWindowTest, EveryPanelLiesInsideTheVisibleClientArea) {
  wxRect client(frame->ClientToScreen(wxPoint(0, 0)), frame->GetClientSize());
  wxRect visible = client.Intersect(wxDisplay(frame).GetGeometry());
  wxWindow* bar = layer->ControlWindow(kProgressPanel, kBatchProgressBar);
  EXPECT_TRUE(visible.Contains(bar->GetScreenRect()));
  for (const PanelTemplate& declaration : PanelTemplates()) {
    wxWindow* panel = layer->PanelWindow(declaration.barId);
    if (panel == nullptr || !panel->IsShown()) continue;
    EXPECT_TRUE(visible.Contains(panel->GetScreenRect())) << declaration.name;
  }
  // The window with its frame, for a look at the layout under this scaling.
  GdkRectangle outer;
  gdk_window_get_frame_extents(gtk_widget_get_window(frame->GetHandle()), &outer);
  const char* dpi = std::getenv("TRASTEL_TEST_DPI");
  fs::path shot =
      fs::path(TRASTEL_ARTIFACT_DIR) / ("window-" + std::string(dpi ? dpi : "default") + "dpi.png");
  fs::create_directories(shot.parent_path());
  std::string crop = std::to_string(outer.width) + "x" + std::to_string(outer.height) + "+" +
                     std::to_string(outer.x) + "+" + std::to_string(outer.y);
  EXPECT_EQ(
      std::system(("/usr/bin/import -window root -crop " + crop + " " + shot.string()).c_str()), 0);
}

// The labels of a shown dialog's controls that it does not show whole; a screenshot of it is
// kept as "<name>-wx-<dpi>dpi.png".
std::vector<std::string> LookAtDialog(wxDialog& dialog, const std::string& name) {
  ProcessEventsFor(300);
  std::vector<std::string> tooNarrow;
  const wxRect inside(wxPoint(0, 0), dialog.GetClientSize());
  for (wxWindow* child : dialog.GetChildren()) {
    // An edit box's best size is no text's; its numbers are checked with the panels'.
    const bool sized =
        dynamic_cast<wxTextCtrl*>(child) != nullptr || child->GetBestSize().x <= child->GetSize().x;
    if (!sized || !inside.Contains(child->GetRect())) {
      tooNarrow.push_back(child->GetLabel().utf8_string());
    }
  }
  const wxRect place = dialog.GetScreenRect();
  const char* dpi = std::getenv("TRASTEL_TEST_DPI");
  const fs::path shot = fs::path(TRASTEL_ARTIFACT_DIR) /
                        (name + "-wx-" + std::string(dpi ? dpi : "default") + "dpi.png");
  fs::create_directories(shot.parent_path());
  const std::string crop = std::to_string(place.width) + "x" + std::to_string(place.height) + "+" +
                           std::to_string(place.x) + "+" + std::to_string(place.y);
  std::system(("/usr/bin/import -window root -crop " + crop + " " + shot.string()).c_str());
  return tooNarrow;
}

// The dialog shown now, or null.
wxDialog* ShownDialog() {
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<wxDialog*>(window);
    if (dialog != nullptr && dialog->IsShown()) return dialog;
  }
  return nullptr;
}

void Press(wxDialog& dialog, int buttonId) {
  wxWindow* button = dialog.FindWindow(buttonId);
  wxCommandEvent click(wxEVT_BUTTON, button->GetId());
  click.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(click);
}

// Does `work` with the dialog that a modal loop shows, from a timer of that loop.
struct DialogAnswer : wxTimer {
  explicit DialogAnswer(std::function<void(wxDialog&)> work) : work_(std::move(work)) {
    Start(200);
  }
  void Notify() override {
    if (answered || ++ticks_ > 100) return;
    if (wxDialog* dialog = ShownDialog()) {
      answered = true;
      work_(*dialog);
    }
  }
  bool answered = false;

 private:
  std::function<void(wxDialog&)> work_;
  int ticks_ = 0;
};

// The 詳細設定 dialog, opened from the menu: its texts whole, a screenshot kept, values changed
// and OK pressed; the settings are then in force and read back after a new start.
TEST_F(WxWindowTest, MoreSettingsDialogFromTheMenuFitsItsTextsAndKeepsWhatOkStores) {
  const int menuId = frame->GetMenuBar()->FindMenuItem(wxString::FromUTF8("ファイル"),
                                                       wxString::FromUTF8("詳細設定..."));
  ASSERT_NE(menuId, wxNOT_FOUND);
  std::vector<std::string> tooNarrow;
  DialogAnswer answer([&tooNarrow](wxDialog& dialog) {
    tooNarrow = LookAtDialog(dialog, "more-settings");
    static_cast<wxRadioButton*>(dialog.FindWindow(kShapeFitInsideRadio))->SetValue(true);
    static_cast<wxCheckBox*>(dialog.FindWindow(kNoEnlargeCheck))->SetValue(true);
    static_cast<wxTextCtrl*>(dialog.FindWindow(kJpegMaxKbBox))->SetValue("200");
    Press(dialog, kOkButton);
  });
  wxCommandEvent choose(wxEVT_MENU, menuId);
  frame->GetEventHandler()->ProcessEvent(choose);
  answer.Stop();
  ASSERT_TRUE(answer.answered) << "no dialog came";
  EXPECT_EQ(tooNarrow, std::vector<std::string>{});
  AppState& state = *GetAppState();
  EXPECT_EQ(state.target->RESIZE_FIT, 1);
  EXPECT_EQ(state.target->NO_ENLARGE, 1);
  EXPECT_EQ(state.target->JPG_MAX_KB, 200);
  state.target->RESIZE_FIT = state.target->NO_ENLARGE = state.target->JPG_MAX_KB = 0;
  ASSERT_EQ(LoadSettings(), SettingsStatus::kDone);
  EXPECT_EQ(state.target->RESIZE_FIT, 1);
  EXPECT_EQ(state.target->NO_ENLARGE, 1);
  EXPECT_EQ(state.target->JPG_MAX_KB, 200);
}

// The presets' dialogs and the estimate's summary show their texts whole; in the list's, a button
// acts on the list while the dialog stays, and 読み込む closes it.
TEST_F(WxWindowTest, ThePresetsDialogsFitTheirTextsAndTheirButtonsActOnTheList) {
  for (const auto& [declaration, name] : {std::pair{&SavePresetDialogTemplate(), "save-preset"},
                                          std::pair{&RenamePresetDialogTemplate(), "rename-preset"},
                                          std::pair{&EstimateDialogTemplate(), "estimate"}}) {
    std::vector<std::string> tooNarrow;
    DialogAnswer answer([&tooNarrow, name](wxDialog& dialog) {
      tooNarrow = LookAtDialog(dialog, name);
      // The summary has OK alone.
      Press(dialog, dialog.FindWindow(kCancelButton) ? kCancelButton : kOkButton);
    });
    DialogValues values{{kPresetNameBox, "旅行&家族"},
                        {kEstimateSummaryLabel, kLongestEstimateSummary}};
    GetControlLayer().ShowDialog(*declaration, values);
    EXPECT_TRUE(answer.answered) << name;
    EXPECT_EQ(tooNarrow, std::vector<std::string>{}) << name;
  }

  DialogValues values{{kPresetList, ShippedPresetList()}};
  std::vector<std::string> acted;
  const DialogAction act = NotingListAction(acted);
  std::vector<std::string> tooNarrow;
  unsigned countAfterDelete = 0;
  DialogAnswer answer([&](wxDialog& dialog) {
    tooNarrow = LookAtDialog(dialog, "presets");
    auto* list = static_cast<wxListBox*>(dialog.FindWindow(kPresetList));
    list->SetSelection(1);
    Press(dialog, kDeletePresetButton);
    countAfterDelete = list->GetCount();
    list->SetSelection(0);
    Press(dialog, kLoadPresetButton);
  });
  EXPECT_TRUE(GetControlLayer().ShowDialog(PresetsDialogTemplate(), values, act));
  EXPECT_EQ(tooNarrow, std::vector<std::string>{});
  EXPECT_EQ(acted, (std::vector<std::string>{"メール添付", "Web用"}));
  EXPECT_EQ(countAfterDelete, 2u);
  EXPECT_EQ(values[kPresetList], ListBoxValue({{"Web用", "印刷用"}, 0}));
}

TEST_F(WxWindowTest, TheSettingsTreeShowsEveryItemWhole) {
  auto* tree = static_cast<wxTreeCtrl*>(layer->ControlWindow(kSettingsTreePanel, kSettingsTree));
  wxRect inside(wxPoint(0, 0), tree->GetClientSize());
  int count = 0;
  wxTreeItemIdValue cookie;
  for (wxTreeItemId item = tree->GetFirstChild(tree->GetRootItem(), cookie); item.IsOk();
       item = tree->GetNextChild(tree->GetRootItem(), cookie), ++count) {
    wxRect text;
    ASSERT_TRUE(tree->GetBoundingRect(item, text, true));
    EXPECT_TRUE(inside.Contains(text)) << tree->GetItemText(item).utf8_string();
  }
  EXPECT_EQ(count, kSettingsPageCount);
}

// Each number box shows the largest value it takes whole.
TEST_F(WxWindowTest, NumberBoxesShowTheirLargestValuesWhole) {
  struct NumberBox {
    int barId;
    int controlId;
    const char* value;
  };
  const NumberBox boxes[] = {
      {kInputPanel, kEntryCountBox, "1000"},        {kInputPanel, kTotalBytesBox, "1073741824000"},
      {kInputPanel, kBeforeBytesBox, "1073741824"}, {kInputPanel, kBeforeWidthBox, "9999"},
      {kInputPanel, kBeforeHeightBox, "9999"},      {kInputPanel, kAfterWidthBox, "9999"},
      {kInputPanel, kAfterHeightBox, "9999"},       {kFormatPanel, kResizeWidthBox, "2500"},
      {kFormatPanel, kResizeHeightBox, "2500"},     {kRenamePage, kRenameNumberBox, "9999"},
      {kRenamePage, kRenameStepBox, "9999"},        {kFilterPage, kCropStartX1Box, "2500"},
      {kFilterPage, kCropEndYBox, "2500"},          {kInputPanel, kBeforeTypeBox, "WEBP"},
      {kInputPanel, kAfterTypeBox, "HTM"},
  };
  for (const NumberBox& box : boxes) {
    layer->PanelWindow(box.barId)->Show();
    layer->SetText(box.barId, box.controlId, box.value);
  }
  ProcessEventsFor(300);
  for (const NumberBox& box : boxes) {
    auto* entry = GTK_ENTRY(layer->ControlWindow(box.barId, box.controlId)->GetHandle());
    GdkRectangle area;
    gtk_entry_get_text_area(entry, &area);
    PangoRectangle text;
    pango_layout_get_pixel_extents(gtk_entry_get_layout(entry), nullptr, &text);
    EXPECT_LE(text.width, area.width) << box.controlId << " " << box.value;
  }
}

// Tab goes from control to control, each of them on the screen with a size; no panel is a stop.
TEST_F(WxWindowTest, EveryTabStopIsAVisibleControl) {
  wxWindow* list = layer->ControlWindow(kInputPanel, kInputList);
  ClickAt(list, wxRect(wxPoint(0, 0), list->GetClientSize()));
  wxUIActionSimulator simulator;
  std::set<GtkWidget*> seen;
  for (int stop = 0; stop < 200; ++stop) {
    simulator.Char(WXK_TAB);
    ProcessEventsFor(30);
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(frame->GetHandle()));
    ASSERT_NE(focus, nullptr) << "after " << stop << " tabs";
    if (!seen.insert(focus).second) break;
    GtkAllocation place;
    gtk_widget_get_allocation(focus, &place);
    wxWindow* window = wxWindow::FindFocus();
    EXPECT_TRUE(gtk_widget_is_drawable(focus) && place.width > 1 && place.height > 1 &&
                !(window != nullptr && window->IsKindOf(wxCLASSINFO(wxPanel))))
        << G_OBJECT_TYPE_NAME(focus) << " " << place.width << "×" << place.height << " at "
        << place.x << "," << place.y;
  }
  EXPECT_GT(seen.size(), 20u);
}

// Digit boxes keep only the digits of what is typed, as many as their largest value has; a text
// box takes no more than one settings line holds, cut at a character.
TEST_F(WxWindowTest, EditBoxesFilterWhatIsTyped) {
  auto* width = static_cast<wxTextCtrl*>(layer->ControlWindow(kFormatPanel, kResizeWidthBox));
  width->ChangeValue("");
  ClickAt(width, wxRect(wxPoint(0, 0), width->GetClientSize()));
  wxUIActionSimulator().Text("1a2b345");
  ProcessEventsFor(300);
  EXPECT_EQ(width->GetValue(), "1234");
  // What the program shows is not cut.
  layer->SetText(kFormatPanel, kResizeWidthBox, "-25000");
  EXPECT_EQ(width->GetValue(), "-25000");

  auto* name = static_cast<wxTextCtrl*>(layer->ControlWindow(kRenamePage, kRenameNameBox));
  name->ChangeValue("");
  auto* editable = GTK_EDITABLE(name->GetHandle());
  std::string kanji;
  for (int i = 0; i < 150; ++i) kanji += "漢";
  int position = 0;
  gtk_editable_insert_text(editable, kanji.c_str(), -1, &position);
  // A settings line keeps 239 bytes of a text as Japanese Windows stores it: 119 kanji of two
  // bytes, and nothing more; after 118, three more ASCII characters.
  gtk_editable_insert_text(editable, kanji.c_str(), -1, &position);
  EXPECT_EQ(name->GetValue().utf8_string(), kanji.substr(0, 3 * 119));
  name->ChangeValue(wxString::FromUTF8(kanji.substr(0, 3 * 118)));
  position = 118;
  gtk_editable_insert_text(editable, "abcd", -1, &position);
  EXPECT_EQ(name->GetValue().utf8_string(), kanji.substr(0, 3 * 118) + "abc");
}

// Closing the window while a handler runs (a conversion pumping messages) waits until the
// handler has returned: closing destroys the state the handler still uses.
TEST_F(WxWindowTest, ClosingDuringAHandlerWaitsUntilItReturns) {
  // A mark that a state made anew would not carry.
  GetAppState()->paths->itemCount = 4321;
  bool stateKept = false;
  layer->SetEventSink([&](const ControlEvent&) {
    frame->Close();
    ProcessEventsFor(300);
    stateKept = GetAppState()->paths->itemCount == 4321;
  });
  layer->Raise({kActionPanel, kRunButton, Notification::kClicked, {}});
  EXPECT_TRUE(stateKept);
  ProcessEventsFor(500);
  EXPECT_EQ(wxTopLevelWindows.Find(frame), nullptr);
  frame = nullptr;
}

// Esc closes the 詳細設定 dialog as キャンセル does: what was changed in it is not kept.
TEST_F(WxWindowTest, EscapeClosesTheMoreSettingsDialogKeepingNothing) {
  const int menuId = frame->GetMenuBar()->FindMenuItem(wxString::FromUTF8("ファイル"),
                                                       wxString::FromUTF8("詳細設定..."));
  struct Escape : wxTimer {
    bool pressed = false;
    bool stayed = false;
    void Notify() override {
      for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog == nullptr || !dialog->IsShown()) continue;
        if (pressed) {  // Esc did nothing: the test fails instead of waiting forever.
          stayed = true;
          dialog->EndModal(wxID_CANCEL);
          return;
        }
        static_cast<wxTextCtrl*>(dialog->FindWindow(kJpegMaxKbBox))->SetValue("300");
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        escape.SetEventObject(dialog);
        pressed = true;
        dialog->GetEventHandler()->ProcessEvent(escape);
        return;
      }
    }
  } escape;
  escape.Start(200);
  wxCommandEvent choose(wxEVT_MENU, menuId);
  frame->GetEventHandler()->ProcessEvent(choose);
  escape.Stop();
  ASSERT_TRUE(escape.pressed) << "no dialog came";
  EXPECT_FALSE(escape.stayed);
  EXPECT_EQ(GetAppState()->target->JPG_MAX_KB, 0);
}

// The selected entry is measured away from the window's thread: a selection is answered at once,
// a newer one drops the measurement still held back, and the newest entry's figures arrive.
TEST_F(WxWindowTest, TheListAnswersWhileTheSelectedEntryIsMeasured) {
  for (const char* picture : {"-size 64x48 xc:red first.bmp", "-size 32x16 xc:blue second.bmp"}) {
    ASSERT_EQ(std::system(("/usr/bin/convert " + std::string(picture)).c_str()), 0);
  }
  ASSERT_TRUE(AddInputEntry("first.bmp") && AddInputEntry("second.bmp"));
  const auto select = [&](int index) {
    layer->ListSelect(kInputPanel, kInputList, index);
    layer->Raise({kInputPanel, kInputList, Notification::kSelectionChanged, {}});
  };
  const auto box = [&](int id) { return layer->GetText(kInputPanel, id); };
  HoldMeasuringForTesting(true);
  select(0);
  EXPECT_EQ(box(kBeforeNameBox), "first.bmp");
  EXPECT_EQ(box(kAfterBytesBox), "計測中…");
  select(1);
  ProcessEventsFor(100);
  EXPECT_EQ(box(kBeforeNameBox), "second.bmp");
  EXPECT_EQ(box(kBeforeWidthBox), "…");
  HoldMeasuringForTesting(false);
  for (int turns = 0; MeasuringSelection() && turns < 3000; ++turns) ProcessEventsFor(20);
  EXPECT_EQ(box(kBeforeWidthBox) + "x" + box(kBeforeHeightBox), "32x16");
  EXPECT_EQ(box(kAfterWidthBox) + "x" + box(kAfterHeightBox), "32x16");
  EXPECT_EQ(box(kAfterTypeBox), "BMP");
}

TEST_F(WxWindowTest, ClickingTheTreeShowsThePage) {
  ClickTreeItem("その他");
  EXPECT_TRUE(layer->PanelWindow(kOtherPage)->IsShown());
  EXPECT_FALSE(layer->PanelWindow(kBmpPage)->IsShown());
  ClickTreeItem("編集");
  EXPECT_TRUE(layer->PanelWindow(kFilterPage)->IsShown());
  EXPECT_FALSE(layer->PanelWindow(kOtherPage)->IsShown());
}

TEST_F(WxWindowTest, LeavingTheWidthBoxForTheTreeCorrectsItAndShowsTheClickedPage) {
  auto* width = static_cast<wxTextCtrl*>(layer->ControlWindow(kFormatPanel, kResizeWidthBox));
  ClickAt(width, wxRect(wxPoint(0, 0), width->GetClientSize()));
  width->ChangeValue("0");
  ClickTreeItem("その他");
  EXPECT_EQ(width->GetValue(), "256");
  EXPECT_TRUE(layer->PanelWindow(kOtherPage)->IsShown());
  EXPECT_FALSE(layer->PanelWindow(kBmpPage)->IsShown());
}

TEST_F(WxWindowTest, AddressesOfNoControlAssertInDebugBuildsOnly) {
  static int asserted = 0;
  asserted = 0;
  wxAssertHandler_t failOnAssert = wxSetAssertHandler(
      [](const wxString&, int, const wxString&, const wxString&, const wxString&) { ++asserted; });
  EXPECT_EQ(layer->GetText(kAviPage, kRenameNameBox), "");
  layer->SetCheck(kFormatPanel, kResizeWidthBox, 1);
  EXPECT_EQ(layer->ListCount(kFormatPanel, kFormatList), 0);
  wxSetAssertHandler(failOnAssert);
#ifdef NDEBUG
  EXPECT_EQ(asserted, 0);
#else
  EXPECT_EQ(asserted, 3);
#endif
}

// The desktop's opener may take its time to fail (a browser that will not start); the window
// goes on meanwhile and hears of the failure when it comes.
TEST_F(WxWindowTest, OpeningAPageDoesNotWaitForTheDesktopsVerdict) {
  fs::create_directories(folder / "bin");
  const fs::path opener = folder / "bin" / "xdg-open";
  std::ofstream(opener) << "#!/bin/sh\nsleep 1\nexit 3\n";
  fs::permissions(opener, fs::perms::owner_all);
  const std::string path = std::getenv("PATH");
  setenv("PATH", (folder.string() + "/bin:" + path).c_str(), 1);
  std::ofstream(folder / "page.html") << "<html></html>";
  bool failed = false;
  const auto start = std::chrono::steady_clock::now();
  layer->LaunchDocument((folder / "page.html").string(), [&failed] { failed = true; });
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_FALSE(failed);
  for (int waited = 0; !failed && waited < 5000; waited += 100) ProcessEventsFor(100);
  EXPECT_TRUE(failed);
  setenv("PATH", path.c_str(), 1);
}

// A message box of a short text is still wide enough for its caption in the title bar.
class MessageBoxMeasure : public wxTimer {
 public:
  void Notify() override {
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item != nullptr; item = item->next) {
      GtkWidget* window = GTK_WIDGET(item->data);
      if (!GTK_IS_MESSAGE_DIALOG(window) || !gtk_widget_get_mapped(window)) continue;
      width = gtk_widget_get_allocated_width(window);
      // The box with its title bar, for a look at the caption.
      GdkRectangle outer;
      gdk_window_get_frame_extents(gtk_widget_get_window(window), &outer);
      const fs::path shot = fs::path(TRASTEL_ARTIFACT_DIR) / "message-box-wx.png";
      fs::create_directories(shot.parent_path());
      std::system(("/usr/bin/import -window root -crop " + std::to_string(outer.width) + "x" +
                   std::to_string(outer.height) + "+" + std::to_string(outer.x) + "+" +
                   std::to_string(outer.y) + " " + shot.string())
                      .c_str());
      gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_OK);
    }
    g_list_free(windows);
  }
  int width = 0;
};

TEST_F(WxWindowTest, MessageBoxesGiveTheirCaptionsRoom) {
  MessageBoxMeasure measure;
  measure.Start(300);
  layer->ShowMessageBox("済");
  measure.Stop();
  const wxFont bold = CompactFont().Bold();
  int captionWidth = 0;
  frame->GetTextExtent(wxString::FromUTF8(kMessageCaption), &captionWidth, nullptr, nullptr,
                       nullptr, &bold);
  // Room beside the caption for the window's icon and its three buttons.
  EXPECT_GE(measure.width, captionWidth + ScaledPixels(64));
}

// A Japanese locale compiled into a folder of the test's own needs no change to the system.
TEST(WxLocaleTest, ToolkitTextsFollowTheUsersLocaleWhileNumbersStayInC) {
  const fs::path folder = MakeUniqueFolder("trastel-locale");
  ASSERT_EQ(std::system(("localedef -i ja_JP -f UTF-8 '" + (folder / "ja_JP.UTF-8").string() +
                         "' >/dev/null 2>&1")
                            .c_str()),
            0);
  setenv("LOCPATH", folder.c_str(), 1);
  setenv("LC_ALL", "ja_JP.UTF-8", 1);
  UseUserLocale();
  // What GTK's dialogs put on their buttons.
  EXPECT_STREQ(g_dgettext("gtk30", "_Cancel"), "キャンセル(_C)");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
  fs::remove_all(folder);
}

}  // namespace
