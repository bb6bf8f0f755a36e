// The captions of the program's message boxes, shared by every control layer.
#pragma once

// A message with an OK button.
inline constexpr char kMessageCaption[] = "メッセージボックス";
// A question answered with Yes or No.
inline constexpr char kQuestionCaption[] = "メッセージ";
