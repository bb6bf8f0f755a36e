#include "ui/wx/main_frame.h"

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/statline.h>

#include <memory>

#include "app/help_page.h"
#include "panels/settings_pages.h"
#include "resources/control_ids.h"
#include "resources/main_menu.h"
#include "ui/panel_layout.h"
#include "ui/wx/about_dialog.h"
#include "ui/wx/panel_builder.h"
#include "ui/wx/wx_control_layer.h"

namespace {

// No maximise box and no sizing border: the window keeps its size.
constexpr long kFrameStyle = wxDEFAULT_FRAME_STYLE & ~(wxRESIZE_BORDER | wxMAXIMIZE_BOX);

// Menu item ids must lie below 0x7fff, which the command ids do not: an item's wx id is its
// position after the toolkit's own ids.
int MenuItemWxId(int commandId) {
  auto items = MainMenuItems();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].commandId == commandId) return wxID_HIGHEST + 1 + static_cast<int>(i);
  }
  return wxID_NONE;
}

wxMenuBar* CreateMenuBar() {
  auto* bar = new wxMenuBar();
  wxMenu* menu = nullptr;
  const char* menuTitle = nullptr;
  for (const MenuItemTemplate& item : MainMenuItems()) {
    if (menuTitle == nullptr || std::string_view(menuTitle) != item.menu) {
      menu = new wxMenu();
      menuTitle = item.menu;
      bar->Append(menu, wxString::FromUTF8(item.menu));
    }
    menu->Append(MenuItemWxId(item.commandId), wxString::FromUTF8(item.item));
  }
  return bar;
}

class MainFrame : public wxFrame {
 public:
  explicit MainFrame(std::function<void()> onClose)
      : wxFrame(nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition,
                wxSize(kFrameWidth, kFrameHeight), kFrameStyle),
        onClose_(std::move(onClose)) {
    SetMenuBar(CreateMenuBar());
    SetSizeHints(GetSize(), GetSize());
    wxSize client = GetClientSize();
    FrameLayout layout = LayoutPanels(client.x, client.y);
    auto* view = new wxPanel(this, wxID_ANY, wxPoint(layout.view.x, layout.view.y),
                             wxSize(layout.view.width, layout.view.height));
    auto layer = std::make_unique<WxControlLayer>(this, view);
    for (const PanelPlacement& placement : layout.panels) {
      const PixelRect& rect = placement.rect;
      auto* panel =
          new wxPanel(this, wxID_ANY, wxPoint(rect.x, rect.y), wxSize(rect.width, rect.height));
      BuildPanelControls(panel, *FindPanelTemplate(placement.barId), *layer);
      layer->AddPanel(placement.barId, panel);
      const PixelRect& line = placement.borderLine;
      new wxStaticLine(this, wxID_ANY, wxPoint(line.x, line.y), wxSize(line.width, line.height),
                       line.width > line.height ? wxLI_HORIZONTAL : wxLI_VERTICAL);
    }
    SetControlLayer(std::move(layer));
    ShowSettingsPage(0);

    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, MenuItemWxId(kExitCommand));
    Bind(
        wxEVT_MENU, [](wxCommandEvent&) { OpenHelpPage(); }, MenuItemWxId(kHelpCommand));
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { ShowAboutDialog(this); },
        MenuItemWxId(kAboutCommand));
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) {
      if (onClose_) onClose_();
      // The controls still refer to the layer while they are destroyed, so the layer stays for
      // the rest of the process; it only stops passing notifications on.
      GetControlLayer().SetEventSink(nullptr);
      Destroy();
    });
  }

 private:
  std::function<void()> onClose_;
};

}  // namespace

wxFrame* CreateMainFrame(std::function<void()> onClose) {
  return new MainFrame(std::move(onClose));
}
