#include "wx/main_frame.h"

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/statline.h>

#include <cmath>
#include <memory>
#include <vector>

#include "base/help_page.h"
#include "controls/panel_layout.h"
#include "resources/control_ids.h"
#include "resources/main_menu.h"
#include "window/settings_pages.h"
#include "wx/about_dialog.h"
#include "wx/compact_style.h"
#include "wx/panel_builder.h"
#include "wx/program_icon.h"
#include "wx/wx_control_layer.h"

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
  for (const MenuTemplate& declaration : MainMenus()) {
    auto* menu = new wxMenu();
    for (const MenuItemTemplate* item : declaration.items) {
      menu->Append(MenuItemWxId(item->commandId), wxString::FromUTF8(item->item));
    }
    bar->Append(menu, wxString::FromUTF8(declaration.title));
  }
  return bar;
}

// A panel that passes the focus on to its controls and never takes it itself, as a dialog bar
// does: a panel without a control that takes the focus (the progress panel, the view) is no tab
// stop.
class DockPanel : public wxPanel {
 public:
  DockPanel(wxWindow* parent, const PixelRect& rect)
      : wxPanel(parent, wxID_ANY, wxPoint(rect.x, rect.y), wxSize(rect.width, rect.height)) {
    m_container.DisableSelfFocus();
  }
};

class MainFrame : public wxFrame {
 public:
  explicit MainFrame(std::function<void()> onClose)
      : wxFrame(nullptr, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, kFrameStyle),
        onClose_(std::move(onClose)) {
    SetMenuBar(CreateMenuBar());
    SetIcon(ProgramIcon());
    view_ = new DockPanel(this, {});
    auto layer = std::make_unique<WxControlLayer>(this, view_);
    // Each panel gets its place before its controls are built, as they fit their texts to it.
    for (const PanelPlacement& placement : LayoutPanels(kClientWidth, kClientHeight).panels) {
      auto* panel = new DockPanel(this, ScaledRect(placement.rect, LayoutScale()));
      BuildPanelControls(panel, *FindPanelTemplate(placement.barId), *layer);
      layer->AddPanel(placement.barId, panel);
      const PixelRect& line = placement.borderLine;
      auto* borderLine =
          new wxStaticLine(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           line.width > line.height ? wxLI_HORIZONTAL : wxLI_VERTICAL);
      docked_.push_back({panel, borderLine});
    }
    SetControlLayer(std::move(layer));
    ShowSettingsPage(0);
    KeepClientArea();

    // The frame a window manager adds is known only once the window is on the screen; the
    // client area is set again then, and every size change places the panels anew.
    Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
      event.Skip();
      if (event.IsShown()) CallAfter([this] { KeepClientArea(); });
    });
    Bind(wxEVT_IDLE, [this](wxIdleEvent& event) {
      event.Skip();
      if (closeWaiting_ && !ControlLayer::IsHandlingNotification()) {
        closeWaiting_ = false;
        Close();
      }
    });
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
      event.Skip();
      PlacePanels();
    });
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { Close(); }, MenuItemWxId(kExitCommand));
    Bind(
        wxEVT_MENU, [](wxCommandEvent&) { OpenHelpPage(); }, MenuItemWxId(kHelpCommand));
    // The commands the program handles; the others are the window's own.
    for (int command :
         {kMoreSettingsCommand, kSavePresetCommand, kPresetsCommand, kEstimateCommand}) {
      Bind(
          wxEVT_MENU,
          [command](wxCommandEvent&) {
            static_cast<WxControlLayer&>(GetControlLayer())
                .Raise({0, command, Notification::kMenuCommand, {}});
          },
          MenuItemWxId(command));
    }
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { ShowAboutDialog(this); },
        MenuItemWxId(kAboutCommand));
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
      // Asked to close from inside a handler (a conversion pumping messages): the window closes
      // once the handler has returned, as it still uses what closing destroys.
      if (ControlLayer::IsHandlingNotification() && event.CanVeto()) {
        event.Veto();
        closeWaiting_ = true;
        return;
      }
      if (onClose_) onClose_();
      // The controls still refer to the layer while they are destroyed, so the layer stays for
      // the rest of the process; it only stops passing notifications on.
      GetControlLayer().SetEventSink(nullptr);
      Destroy();
    });
  }

 private:
  struct DockedPanel {
    wxWindow* panel;
    wxWindow* borderLine;
  };

  // Gives the window the client area the panels are laid out for and keeps its size fixed.
  void KeepClientArea() {
    const wxSize client(ScaledPixels(kClientWidth), ScaledPixels(kClientHeight));
    if (GetClientSize() != client) {
      SetSizeHints(wxDefaultSize, wxDefaultSize);
      SetClientSize(client);
    }
    SetSizeHints(GetSize(), GetSize());
    PlacePanels();
  }

  // Places the panels, their border lines and the view for the client area the window has.
  // The layout is made at 96 dpi and scaled to the screen's pixels.
  void PlacePanels() {
    const wxSize client = GetClientSize();
    const double scale = LayoutScale();
    const FrameLayout layout = LayoutPanels(static_cast<int>(std::lround(client.x / scale)),
                                            static_cast<int>(std::lround(client.y / scale)));
    auto place = [scale](wxWindow* window, const PixelRect& layoutRect) {
      const PixelRect rect = ScaledRect(layoutRect, scale);
      window->SetSize(rect.x, rect.y, rect.width, rect.height);
    };
    for (std::size_t i = 0; i < docked_.size() && i < layout.panels.size(); ++i) {
      place(docked_[i].panel, layout.panels[i].rect);
      place(docked_[i].borderLine, layout.panels[i].borderLine);
    }
    place(view_, layout.view);
  }

  std::function<void()> onClose_;
  // A close was asked for while a handler ran; it happens when the handler has returned.
  bool closeWaiting_ = false;
  wxWindow* view_ = nullptr;
  // In the order of the layout's placements.
  std::vector<DockedPanel> docked_;
};

}  // namespace

wxFrame* CreateMainFrame(std::function<void()> onClose) {
  return new MainFrame(std::move(onClose));
}
