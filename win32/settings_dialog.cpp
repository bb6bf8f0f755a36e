// ShowDialog of the native window: a modal dialog built from its declaration, its check boxes,
// radio buttons, edit boxes and list boxes set from the values and read back on OK or when a
// button of the dialog's own acts.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/wide_text_windows.h"
#include "win32/template_dialog.h"
#include "win32/win32_control_layer.h"
#include "win32/window_scale.h"

namespace {

struct ValuedDialog {
  const DialogTemplate& declaration;
  DialogValues& values;
  const DialogAction& action;
  Win32ControlLayer& layer;
  FontHandle font;
  // The controls that hold values, as created.
  std::vector<std::pair<const ControlTemplate*, HWND>> valued;
};

void SetValue(HWND window, ControlKind kind, const std::string& value) {
  if (kind == ControlKind::kListBox) {
    const ListBoxContents list = ListBoxContentsOf(value);
    SendMessageW(window, LB_RESETCONTENT, 0, 0);
    for (const std::string& entry : list.entries) {
      SendMessageW(window, LB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(platform::Widen(entry).c_str()));
    }
    SendMessageW(window, LB_SETCURSEL, static_cast<WPARAM>(list.selected), 0);
  } else if (kind == ControlKind::kEdit || kind == ControlKind::kLabel) {
    SetWindowTextW(window, platform::Widen(value).c_str());
  } else {
    SendMessageW(window, BM_SETCHECK, value == "1" ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

std::string ListEntry(HWND window, int index) {
  std::wstring text(static_cast<std::size_t>(SendMessageW(window, LB_GETTEXTLEN, index, 0)) + 1,
                    L'\0');
  text.resize(static_cast<std::size_t>(
      SendMessageW(window, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
  return platform::Narrow(text);
}

std::string ValueOf(HWND window, ControlKind kind) {
  if (kind == ControlKind::kListBox) {
    ListBoxContents list;
    const int count = static_cast<int>(SendMessageW(window, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) list.entries.push_back(ListEntry(window, i));
    list.selected = static_cast<int>(SendMessageW(window, LB_GETCURSEL, 0, 0));
    return ListBoxValue(list);
  }
  if (kind != ControlKind::kEdit && kind != ControlKind::kLabel) {
    return SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED ? "1" : "0";
  }
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return platform::Narrow(text);
}

void Build(HWND dialog, ValuedDialog& box) {
  BuildTemplateDialog(
      dialog, box.declaration, GetDpiForWindow(dialog),
      [&box](const ControlTemplate&) { return box.font.get(); },
      [&box](const ControlTemplate& control, HWND window) {
        const bool valued =
            control.kind == ControlKind::kCheckBox || control.kind == ControlKind::kRadioButton ||
            control.kind == ControlKind::kEdit || control.kind == ControlKind::kListBox ||
            (control.kind == ControlKind::kLabel && control.id != kNoControlId);
        if (!valued) return;
        box.valued.emplace_back(&control, window);
        if (auto value = box.values.find(control.id); value != box.values.end()) {
          SetValue(window, control.kind, value->second);
        }
      });
}

// The template's radio buttons check themselves only through their owner: a click checks the
// clicked one and clears the others of its group.
void CheckClickedRadio(ValuedDialog& box, HWND clicked) {
  auto found = std::find_if(box.valued.begin(), box.valued.end(),
                            [clicked](const auto& control) { return control.second == clicked; });
  if (found == box.valued.end() || found->first->kind != ControlKind::kRadioButton) return;
  for (const std::vector<int>& group : RadioGroups(box.declaration.controls)) {
    if (std::ranges::find(group, found->first->id) == group.end()) continue;
    for (int member : group) {
      CheckDlgButton(GetParent(clicked), member,
                     member == found->first->id ? BST_CHECKED : BST_UNCHECKED);
    }
  }
}

bool IsActionButton(const ValuedDialog& box, int command) {
  return std::ranges::any_of(box.declaration.controls, [command](const ControlTemplate& control) {
    return control.id == command && control.kind == ControlKind::kPushButton;
  });
}

INT_PTR CALLBACK ValuedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ValuedDialog* box = DialogState(dialog, message, lParam, Build);
  if (message == WM_INITDIALOG) return TRUE;
  if (box == nullptr || message != WM_COMMAND) return FALSE;
  const int command = LOWORD(wParam);
  if (HIWORD(wParam) == BN_CLICKED) CheckClickedRadio(*box, reinterpret_cast<HWND>(lParam));
  auto readValues = [box] {
    for (const auto& [control, window] : box->valued) {
      box->values[control->id] = ValueOf(window, control->kind);
    }
  };
  if (command == IDOK) {
    readValues();
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  if (command == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  if (HIWORD(wParam) != BN_CLICKED || !box->action || !IsActionButton(*box, command)) return FALSE;
  readValues();
  if (box->layer.OwningDialogs(dialog,
                               [box, command] { return box->action(command, box->values); })) {
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  for (const auto& [control, window] : box->valued) {
    if (auto value = box->values.find(control->id); value != box->values.end()) {
      SetValue(window, control->kind, value->second);
    }
  }
  return TRUE;
}

}  // namespace

bool Win32ControlLayer::ShowDialog(const DialogTemplate& declaration, DialogValues& values,
                                   const DialogAction& action) {
  const HWND owner = DialogOwner();
  ValuedDialog box{declaration, values, action, *this, CreateDialogFont(GetDpiForWindow(owner)),
                   {}};
  return RunTemplateDialog(owner, ValuedDialogProc, reinterpret_cast<LPARAM>(&box)) == IDOK;
}
