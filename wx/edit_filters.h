// What the user may type or paste into an edit box: digit boxes take digits only, and a text
// box takes no more bytes than one settings line keeps of its text.
#pragma once

#include "controls/text_box_limit.h"

class wxTextCtrl;

// Filters every insertion into `box` before it is made, whether typed, pasted or dropped;
// what the program sets stays as it is.
void FilterDigitInput(wxTextCtrl* box);
void LimitTextInputBytes(wxTextCtrl* box);
// Lets the box hold no more than `characters` characters from the user's insertions.
void LimitTypedCharacters(wxTextCtrl* box, int characters);

// While alive, the filters leave insertions into `box` alone: the text the program sets (which
// the toolkit inserts as it would a typed one) stays as it is.
class ProgramTextChange {
 public:
  explicit ProgramTextChange(wxTextCtrl* box);
  ~ProgramTextChange();
  ProgramTextChange(const ProgramTextChange&) = delete;
  ProgramTextChange& operator=(const ProgramTextChange&) = delete;

 private:
  void* handle_;
};
