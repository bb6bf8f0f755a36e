// ShowDialog of the native window: a modal dialog built from its declaration, its check boxes,
// radio buttons and edit boxes set from the values and read back on OK.
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
  FontHandle font;
  // The controls that hold values, as created.
  std::vector<std::pair<const ControlTemplate*, HWND>> valued;
};

void SetValue(HWND window, ControlKind kind, const std::string& value) {
  if (kind == ControlKind::kEdit) {
    SetWindowTextW(window, platform::Widen(value).c_str());
  } else {
    SendMessageW(window, BM_SETCHECK, value == "1" ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

std::string ValueOf(HWND window, ControlKind kind) {
  if (kind != ControlKind::kEdit) {
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
        if (control.kind != ControlKind::kCheckBox && control.kind != ControlKind::kRadioButton &&
            control.kind != ControlKind::kEdit) {
          return;
        }
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

INT_PTR CALLBACK ValuedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  ValuedDialog* box = DialogState(dialog, message, lParam, Build);
  if (message == WM_INITDIALOG) return TRUE;
  if (box == nullptr || message != WM_COMMAND) return FALSE;
  const int command = LOWORD(wParam);
  if (HIWORD(wParam) == BN_CLICKED) CheckClickedRadio(*box, reinterpret_cast<HWND>(lParam));
  if (command == IDOK) {
    for (const auto& [control, window] : box->valued) {
      box->values[control->id] = ValueOf(window, control->kind);
    }
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  if (command == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

bool Win32ControlLayer::ShowDialog(const DialogTemplate& declaration, DialogValues& values) {
  ValuedDialog box{declaration, values, CreateDialogFont(GetDpiForWindow(owner_)), {}};
  return RunTemplateDialog(owner_, ValuedDialogProc, reinterpret_cast<LPARAM>(&box)) == IDOK;
}
