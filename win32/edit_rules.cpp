#include "win32/edit_rules.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/text_codes.h"
#include "platform/wide_text_windows.h"

namespace {

constexpr UINT_PTR kEditRuleSubclass = 1;

std::wstring DigitsOf(const std::wstring& text) {
  std::wstring digits;
  for (wchar_t character : text) {
    if (character >= L'0' && character <= L'9') digits += character;
  }
  return digits;
}

// The longest start of `inserted`, in whole characters, that keeps the box within
// kTextBoxLength once it replaces the selection.
std::wstring WhatFitsTheLine(HWND box, const std::wstring& inserted) {
  std::wstring held(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  held.resize(static_cast<std::size_t>(GetWindowTextW(box, held.data(), held.size())));
  DWORD start = 0;
  DWORD end = 0;
  SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start <= end && end <= held.size()) held.erase(start, end - start);
  const auto room =
      std::max(0L, static_cast<long>(kTextBoxLength) -
                       static_cast<long>(platform::StoredLength(platform::Narrow(held))));
  return platform::Widen(std::string(
      platform::CutToStoredLength(platform::Narrow(inserted), static_cast<std::size_t>(room))));
}

// The clipboard, open for reading while the object lives.
class OpenClipboardForReading {
 public:
  explicit OpenClipboardForReading(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~OpenClipboardForReading() {
    if (open_) CloseClipboard();
  }
  OpenClipboardForReading(const OpenClipboardForReading&) = delete;
  OpenClipboardForReading& operator=(const OpenClipboardForReading&) = delete;

  std::wstring Text() const {
    HANDLE data = open_ ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (data == nullptr) return {};
    std::unique_ptr<void, Unlock> locked(GlobalLock(data), Unlock{data});
    return locked ? static_cast<const wchar_t*>(locked.get()) : L"";
  }

 private:
  struct Unlock {
    HANDLE data;
    void operator()(void*) const { GlobalUnlock(data); }
  };
  bool open_;
};

// The part of `inserted` the rule keeps when it replaces the selection of `box`.
std::wstring KeptInsertion(HWND box, EditRule rule, const std::wstring& inserted) {
  return rule == EditRule::kDigitsOnly ? DigitsOf(inserted) : WhatFitsTheLine(box, inserted);
}

LRESULT CALLBACK FilterInput(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                             DWORD_PTR rule) {
  auto editRule = static_cast<EditRule>(rule);
  if (message == WM_CHAR && wParam >= L' ') {
    std::wstring typed(1, static_cast<wchar_t>(wParam));
    if (KeptInsertion(box, editRule, typed) != typed) return 0;
  } else if (message == WM_PASTE) {
    std::wstring pasted = OpenClipboardForReading(box).Text();
    std::wstring kept = KeptInsertion(box, editRule, pasted);
    if (kept != pasted) {
      SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
      return 0;
    }
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(box, FilterInput, kEditRuleSubclass);
  }
  return DefSubclassProc(box, message, wParam, lParam);
}

}  // namespace

void ApplyEditRule(HWND box, EditRule rule) {
  SetWindowSubclass(box, FilterInput, kEditRuleSubclass, static_cast<DWORD_PTR>(rule));
}
