#include "wx/edit_filters.h"

#include <gtk/gtk.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/text_codes.h"

namespace {

// The data every filter is connected with, by which ProgramTextChange finds them all.
char filterMark;

using Filter = std::string (*)(GtkEditable* editable, const char* text, int length);

std::string DigitsOf(GtkEditable*, const char* text, int length) {
  std::string digits;
  for (int i = 0; i < length; ++i) {
    if (text[i] >= '0' && text[i] <= '9') digits += text[i];
  }
  return digits;
}

// The longest start of the inserted text, in whole characters, that keeps the box within
// kTextBoxLength.
std::string WhatFitsTheLine(GtkEditable* editable, const char* text, int length) {
  const auto held =
      static_cast<long>(platform::StoredLength(gtk_entry_get_text(GTK_ENTRY(editable))));
  const long room = std::max(0L, kTextBoxLength - held);
  return std::string(platform::CutToStoredLength(
      std::string_view(text, static_cast<std::size_t>(length)), static_cast<std::size_t>(room)));
}

constexpr char kTypingLimitKey[] = "trastel-typing-limit";

// The longest start of the inserted text, in whole characters, that keeps the box within the
// characters set by LimitTypedCharacters.
std::string WhatFitsTheLimit(GtkEditable* editable, const char* text, int length) {
  long limit = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(editable), kTypingLimitKey));
  long room = limit - g_utf8_strlen(gtk_entry_get_text(GTK_ENTRY(editable)), -1);
  const char* end = text;
  for (; room > 0 && end < text + length; --room) end = g_utf8_next_char(end);
  return std::string(text, end);
}

template <Filter filter>
void OnInsertText(GtkEditable* editable, const char* text, int length, int* position, void*) {
  if (length < 0) length = static_cast<int>(std::strlen(text));
  std::string kept = filter(editable, text, length);
  if (static_cast<int>(kept.size()) == length) return;
  // The kept part is inserted instead, past this handler, and the original insertion stopped.
  auto handler = reinterpret_cast<void*>(&OnInsertText<filter>);
  g_signal_handlers_block_by_func(editable, handler, &filterMark);
  gtk_editable_insert_text(editable, kept.data(), static_cast<int>(kept.size()), position);
  g_signal_handlers_unblock_by_func(editable, handler, &filterMark);
  g_signal_stop_emission_by_name(editable, "insert-text");
}

template <Filter filter>
void Connect(wxTextCtrl* box) {
  g_signal_connect(box->GetHandle(), "insert-text", G_CALLBACK(&OnInsertText<filter>), &filterMark);
}

}  // namespace

void FilterDigitInput(wxTextCtrl* box) {
  Connect<DigitsOf>(box);
}

void LimitTextInputBytes(wxTextCtrl* box) {
  Connect<WhatFitsTheLine>(box);
}

void LimitTypedCharacters(wxTextCtrl* box, int characters) {
  auto* handle = G_OBJECT(box->GetHandle());
  bool connected = g_object_get_data(handle, kTypingLimitKey) != nullptr;
  g_object_set_data(handle, kTypingLimitKey, GINT_TO_POINTER(characters));
  if (!connected) Connect<WhatFitsTheLimit>(box);
}

ProgramTextChange::ProgramTextChange(wxTextCtrl* box) : handle_(box->GetHandle()) {
  g_signal_handlers_block_matched(handle_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                  &filterMark);
}

ProgramTextChange::~ProgramTextChange() {
  g_signal_handlers_unblock_matched(handle_, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                    &filterMark);
}
