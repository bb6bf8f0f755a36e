// Why a call of the library failed, kept per thread as errno is: the call that refuses a picture,
// a step or a file says why in the user's words, and the caller reads it once the call has
// returned its failure.
#pragma once

#include <cstdint>
#include <string>

namespace imagelib {

// Records `reason` unless a reason was recorded since the last clear: the first one said is
// the most precise (a writer's "too wide" beats the save's "not written"). Returns false, so
// that a refusal reads `return Refuse("…");`.
bool Refuse(std::string reason);
// As Refuse, for a file that could not be written (no space, no permission, no folder): a run
// cannot go on past such a failure, as every later output would meet it too.
bool RefuseWriting(std::string reason);

// The reason for a picture of `width` x `height` pixels, past what the library can hold.
std::string TooLargeReason(std::int64_t width, std::int64_t height);

}  // namespace imagelib
