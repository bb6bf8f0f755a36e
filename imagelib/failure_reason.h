// Why a call of the library failed, kept per thread as errno is: the call that refuses a picture,
// a step or a file says why in the user's words, and the caller reads it once the call has
// returned its failure.
#pragma once

#include <string>

namespace imagelib {

// Records `reason` unless a reason was recorded since the last clear: the first one said is
// the most precise (a writer's "too wide" beats the save's "not written"). Returns false, so
// that a refusal reads `return Refuse("…");`.
bool Refuse(std::string reason);

}  // namespace imagelib
